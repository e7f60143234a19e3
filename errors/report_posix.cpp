#include <fcntl.h>
#include <sys/stat.h>
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

// Opened without blocking (a pipe with no reader would otherwise wait forever) and without
// truncating until the name proves to be a regular file.
std::FILE* openReportFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::ftruncate(fd, 0) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) ::close(fd);
  return file;
}

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
