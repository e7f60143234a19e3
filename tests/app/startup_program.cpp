// A program with its own MAIN, run by startup_process_test: it writes what happens to the
// trace file named by KESTREL_STARTUP_TRACE, and KESTREL_STARTUP_MODE chooses what MAIN does.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/getdatas.h"
#include "app/startup.h"
#include "framework/core/handles.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndhandleevent.h"
#include "framework/services/tmsgbar.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"

namespace {

using lanmere::Args;
using lanmere::Value;

void note(const std::string& line) {
  const char* path = std::getenv("KESTREL_STARTUP_TRACE");
  if (!path) return;
  if (FILE* file = std::fopen(path, "ab")) {
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
  }
}

std::string mode() {
  const char* value = std::getenv("KESTREL_STARTUP_MODE");
  return value ? value : "";
}

std::int32_t today() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return lanmere::julianFromDate(t.wYear, t.wMonth, t.wDay);
}

// Runs before the framework's INITTIME$: the application's module comes first.
Value INITTRACE(Args) {
  note(kestrel::programStartTime().isNil() ? "init before INITTIME$" : "init after INITTIME$");
  return {};
}

// The registered modules in order, each followed by its init and exit procedures.
void noteModules() {
  for (const lanmere::ModuleTable* module : lanmere::modules()) {
    note(std::string("module ") + module->name);
    for (const lanmere::FunctionEntry& entry : module->entries) {
      if (entry.function && (entry.scope & (lanmere::kInit | lanmere::kExit))) {
        note(std::string("hook ") + entry.name);
      }
    }
  }
}

// A window object whose left click sets the error level to 3 and quits from inside the window
// procedure (mode "window-quit").
class TQuitter : public lanmere::Object {
  LM_CLASS(TQuitter, lanmere::Object)
  Value hWnd = 0;
  Value nOldProc;
  void LButtonDown() {
    lanmere::callFunction("ERRORLEVEL", {3});
    lanmere::callFunction("__QUIT");
  }
};

LM_DEFINE_CLASS(TQuitter) {
  c.data(LM_FIELDS(hWnd, nOldProc));
  c.methods(LM_METHODS(LButtonDown));
  c.method<&kestrel::WNDHANDLEEVENT>("HandleEvent");
}

void quitFromAWindow() {
  HWND hwnd = CreateWindowExA(0, "STATIC", "quit", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  auto window = lanmere::make<TQuitter>();
  window->hWnd = kestrel::handleNumber(hwnd);
  kestrel::linkWindow(*window);
  PostMessageA(hwnd, WM_LBUTTONDOWN, 0, 0);
  kestrel::WINRUN(Value(kestrel::handleNumber(hwnd)));
  note("after the loop");
}

Value MAIN(Args args) {
  std::string line = "main " + std::to_string(args.size());
  for (const Value& argument : args) line += "|" + argument.string();
  note(line);
  const Value start = kestrel::programStartTime();
  note(start.isList() && start.item(1).julian() == today() && start.item(2).isNumber()
           ? "started today"
           : "no start time");
  note(GetConsoleWindow() ? "console" : "no console");
  // No error has happened yet: the run-time's start registered the error class.
  note(lanmere::classByName("ERROR") ? "error class ready" : "no error class");
  if (mode() == "fatal") {
    lanmere::callFunction("NO_SUCH_FUNCTION");
    note("after the error");
  } else if (mode() == "level3") {
    lanmere::callFunction("ERRORLEVEL", {3});
  } else if (mode() == "window-quit") {
    quitFromAWindow();
  } else if (mode() == "modules") {
    noteModules();
  } else if (mode() == "download") {
    // The weather program's MAIN with the text limit lowered to KESTREL_TEXT_LIMIT bytes.
    const char* limit = std::getenv("KESTREL_TEXT_LIMIT");
    lanmere::setMaxTextLength(limit ? std::strtoull(limit, nullptr, 10) : lanmere::kMaxTextLength);
    const Value reply = lanmere::callFunction("GETDATAS");
    note("downloaded " + std::to_string(reply.length()));
    lanmere::callFunction("WQOUT", {Value::list({reply})});
  }
  note("main returns");
  return {};
}

Value EXITONE(Args) {
  note("exit one");
  return {};
}

Value EXITTWO(Args) {
  note("exit two");
  return {};
}

}  // namespace

const lanmere::ModuleTable& applicationModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&MAIN>("MAIN", lanmere::kPublic | lanmere::kFirst | lanmere::kDefined),
       lanmere::fn<&INITTRACE>("INITTRACE$", lanmere::kInit | lanmere::kDefined),
       lanmere::fn<&EXITONE>("EXITONE$", lanmere::kExit | lanmere::kDefined),
       lanmere::fn<&EXITTWO>("EXITTWO$", lanmere::kExit | lanmere::kDefined),
       lanmere::fn<&kestrel::app::GETDATAS>("GETDATAS"),
       lanmere::referenced("ERRORSYS", lanmere::kPublic),
       lanmere::referenced("KS_GT", lanmere::kPublic)}};
  return module;
}
