// The application module: MAIN shows the weather service's raw reply in a message box.
#include "app/getdatas.h"
#include "app/startup.h"
#include "runtime/binding.h"

namespace {

using lanmere::Value;

Value MAIN() {
  const Value reply = lanmere::callFunction("GETDATAS");
  lanmere::showLocals({{"cReply", &reply}});
  lanmere::callFunction("WQOUT", {Value::list({reply})});
  return {};
}

}  // namespace

const lanmere::ModuleTable& applicationModule() {
  using namespace lanmere;
  // KS_GT and ERRORSYS are referenced, not defined, here: they bring in the framework's terminal
  // and default error handler.
  static const ModuleTable module{"app/main.cpp",
                                  {lanmere::fn<&MAIN>("MAIN", kPublic | kFirst | kDefined),
                                   lanmere::fn<&kestrel::app::GETDATAS>("GETDATAS"),
                                   lanmere::referenced("KS_GT"), lanmere::referenced("ERRORSYS")}};
  return module;
}
