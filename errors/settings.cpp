#include "errors/settings.h"

#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

struct Settings {
  std::string path = ".\\";
  std::string fileName = "error.log";
  Value postAction;
};

Settings& settings() {
  static Settings s;
  return s;
}

// The path and file name setters share their rule: one text argument, nothing else.
Value exchangeText(std::string& setting, Args args) {
  Value previous(setting);
  if (args.size() == 1 && args[0].isText()) setting = args[0].string();
  return previous;
}

}  // namespace

const std::string& errorPath() {
  return settings().path;
}
const std::string& errorFileName() {
  return settings().fileName;
}
std::string errorReportName() {
  return settings().path + settings().fileName;
}
const Value& postErrorAction() {
  return settings().postAction;
}

Value SETERRORPATH(Args args) {
  return exchangeText(settings().path, args);
}

Value SETERRORFILENAME(Args args) {
  return exchangeText(settings().fileName, args);
}

Value SETPOSTERRORACTION(Args args) {
  Value previous = settings().postAction;
  if (lanmere::arg(args, 1).isClosure()) settings().postAction = args[0];
  return previous;
}

const lanmere::ModuleTable& errorSettingsModule() {
  using namespace lanmere;
  static const ModuleTable module{"errors/settings.cpp",
                                  {lanmere::fn<&SETERRORPATH>("SETERRORPATH"),
                                   lanmere::fn<&SETERRORFILENAME>("SETERRORFILENAME"),
                                   lanmere::fn<&SETPOSTERRORACTION>("SETPOSTERRORACTION")},
                                  3};
  return module;
}

}  // namespace kestrel
