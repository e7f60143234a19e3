#include "framework/services/logfile.h"

#include <cstdio>
#include <vector>

#include "framework/display/cvaltochar.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kStackFile = "stack.txt";

LogTime systemClock() {
  return {lanmere::today(), lanmere::timeOfDay()};
}

LogClock& clock() {
  static LogClock current = systemClock;
  return current;
}

}  // namespace

LogClock setLogClock(LogClock replacement) {
  LogClock previous = clock();
  clock() = replacement ? replacement : systemClock;
  return previous;
}

void logFile(const std::string& fileName, Args values) {
  const LogTime now = clock()();
  std::string line = lanmere::dtoc(now.date) + " " + now.time + ": ";
  for (const Value& value : values) {
    line += cValToChar(value);
    line += '\t';
  }
  line += "\r\n";
  // "ab" creates a missing file and writes at its end.
  std::FILE* file = std::fopen(fileName.c_str(), "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
}

void logFile(const std::string& fileName, std::initializer_list<Value> values) {
  std::vector<Value> list(values);
  logFile(fileName, Args(list));
}

Value LOGFILE(Args args) {
  const Value& values = lanmere::arg(args, 2);
  const std::string fileName = lanmere::arg(args, 1).string();
  if (values.isList()) {
    // Held by a copy of the value: a field's conversion cannot free the list under us.
    const Value keep = values;
    logFile(fileName, keep.items());
  } else {
    logFile(fileName, {values});
  }
  return {};
}

Value LOGSTACK() {
  logFile(kStackFile, {Value("")});
  logFile(kStackFile, {Value("LogStack() called")});
  logFile(kStackFile, {Value(std::string(17, '='))});
  for (std::size_t level = 1; const lanmere::Frame* caller = lanmere::frameAt(level); ++level) {
    std::vector<Value> fields{Value(caller->procedure())};
    for (const Value& param : caller->params()) fields.push_back(param);
    logFile(kStackFile, Args(fields));
  }
  return {};
}

const lanmere::ModuleTable& logFileModule() {
  using namespace lanmere;
  static const ModuleTable module{
      "framework/services/logfile.cpp",
      {lanmere::fn<&LOGFILE>("LOGFILE"), lanmere::fn<&LOGSTACK>("LOGSTACK")}};
  return module;
}

}  // namespace kestrel
