// The application module: MAIN shows the weather service's raw reply in a message box.
#include "app/getdatas.h"
#include "app/startup.h"
#include "runtime/callstack.h"
#include "runtime/functions.h"

namespace {

using lanmere::Args;
using lanmere::Value;

Value MAIN(Args args) {
  lanmere::Frame frame("MAIN", args);
  const Value reply = kestrel::app::GETDATAS({});
  frame.local("cReply", reply);
  lanmere::callFunction("WQOUT", {Value::list({reply})});
  return {};
}

}  // namespace

const lanmere::ModuleTable& applicationModule() {
  using namespace lanmere;
  // KS_GT and ERRORSYS are referenced, not defined, here: they bring in the framework's terminal
  // and default error handler.
  static const ModuleTable module{"app/main.cpp",
                                  {{"MAIN", kPublic | kFirst | kDefined, MAIN},
                                   {"GETDATAS", kPublic | kDefined, kestrel::app::GETDATAS},
                                   {"KS_GT", kPublic, nullptr},
                                   {"ERRORSYS", kPublic, nullptr}}};
  return module;
}
