#include <sys/utsname.h>
#include <unistd.h>

#include <filesystem>

#include "errors/report.h"
#include "runtime/functions.h"
#include "runtime/platform.h"

namespace kestrel {

using lanmere::Value;

namespace {
std::string textOf(const Value& v) { return v.isText() ? v.string() : std::string(); }
Value callIfPresent(const char* name, std::initializer_list<Value> args = {}) {
  return lanmere::findFunction(name) ? lanmere::callFunction(name, args) : Value();
}
}  // namespace

// The portable build has no Windows facts to give; it reports the program and the run-time.
ReportFacts gatherReportFacts() {
  ReportFacts facts;
  facts.programPath = lanmere::programPath();
  std::error_code error;
  facts.programSize = static_cast<long long>(std::filesystem::file_size(facts.programPath, error));
  facts.compilerVersion = "Lanmere 1.0 (g++ " __VERSION__ ")";
  facts.elapsed = textOf(callIfPresent("TIMEFROMSTART"));
  facts.date = textOf(callIfPresent("DTOC", {callIfPresent("DATE")}));
  facts.time = textOf(callIfPresent("TIME"));
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) {
    facts.availablePhysicalBytes = static_cast<unsigned long long>(pages) * pageSize;
  }
  facts.staticVariables = lanmere::staticVariableCount();
  facts.memoryInUse = lanmere::memoryCounters().inUse;
  facts.memoryHighest = lanmere::memoryCounters().highest;
  return facts;
}

}  // namespace kestrel
