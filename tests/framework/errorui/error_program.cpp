// A program with its own MAIN under the real process entry and the default error handler, run by
// error_process_test. KESTREL_ERROR_SETUP prepares it (items separated by "|"), KESTREL_ERROR_CASE
// says which failure MAIN meets, and every step goes to the trace file named by
// KESTREL_ERROR_TRACE.
//
// Setup items: "path:P" (SETERRORPATH), "file:F" (SETERRORFILENAME), "mkdir:D", "post" (a
// post-error action that traces its arguments), "post-raises" (one that fails itself), "timer" (a
// thread timer that fails while the dialog is open), "repaint" (a thread timer that repaints the
// dialog 50 times, traces the resource records, then, once the test has read the dialog, presses
// "&Default").
//
// Cases: "divide" (1/0 and MOD(1, 0)), "undefined" (a function that does not exist), "framework"
// (framework error 6), "lowmem" (__LOWMEMERROR), "launch:GEN:OS:FLAGS[:OPERATION[:FILE]]" (a
// record launched as a failing operation does, retried while the handler answers so), and
// "paint:FLAGS" (the same record launched from the main window's paint inside WINRUN).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/startup.h"
#include "errors/kserror.h"
#include "framework/core/handles.h"
#include "framework/core/twindow.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "framework/errorui/errordialog.h"
#include "framework/errorui/logo.h"
#include "framework/services/restrack.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/operators.h"

namespace {

using lanmere::Args;
using lanmere::Value;

void note(const std::string& line) {
  const char* path = std::getenv("KESTREL_ERROR_TRACE");
  if (!path) return;
  if (FILE* file = std::fopen(path, "ab")) {
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
  }
}

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1) {
    parts.push_back(text.substr(start, at - start));
  }
  parts.push_back(text.substr(start));
  return parts;
}

BOOL CALLBACK keepErrorDialog(HWND hwnd, LPARAM param) {
  char title[64] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  if (IsWindowVisible(hwnd) && std::string(title) == kestrel::kErrorDialogCaption) {
    *reinterpret_cast<HWND*>(param) = hwnd;
  }
  return TRUE;
}

// The error dialog of this thread (the last one found: a dialog opened over another comes later).
HWND errorDialogWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), keepErrorDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

long long logoRecords() {
  long long count = 0;
  for (const kestrel::TrackedResource& record : kestrel::trackedResources()) {
    if (record.type == kestrel::kLogoTag) ++count;
  }
  return count;
}

std::string numberText(const Value& value) {
  return value.isNumber() ? std::to_string(value.integer()) : "not a number";
}

// ---- Thread timers that act while the error dialog is open ----

UINT_PTR failTimer = 0;
UINT_PTR repaintTimer = 0;

void CALLBACK failWhileOpen(HWND, UINT, UINT_PTR, DWORD) {
  kestrel::guardWindowCallback<int>(0, [] {
    if (!errorDialogWindow()) return 0;  // not open yet
    KillTimer(nullptr, failTimer);
    note("timer fails");
    lanmere::callFunction("NO_SUCH_TIMER_FUNCTION");
    note("timer goes on");
    return 0;
  });
}

// Set by the test once it has read the error dialog, so the program never closes the dialog
// before the test saw it.
bool dialogSeenByTest() {
  const std::string name = "kestrel-error-dialog-seen-" + std::to_string(GetCurrentProcessId());
  const HANDLE seen = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
  if (!seen) return false;
  const bool signalled = WaitForSingleObject(seen, 0) == WAIT_OBJECT_0;
  CloseHandle(seen);
  return signalled;
}

// Paints the open dialog 50 times and notes the tracked resources before and after, then,
// once the test has read the dialog, clicks "&Default".
void CALLBACK repaintWhileOpen(HWND, UINT, UINT_PTR, DWORD) {
  static bool painted = false;
  kestrel::guardWindowCallback<int>(0, [] {
    const HWND dialog = errorDialogWindow();
    if (!dialog) return 0;
    if (!painted) {
      painted = true;
      const std::size_t before = kestrel::trackedResources().size();
      for (int i = 0; i < 50; ++i) {
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      }
      note("repaints " + std::to_string(before) + " " +
           std::to_string(kestrel::trackedResources().size()) + " logo " +
           std::to_string(logoRecords()));
    }
    if (!dialogSeenByTest()) return 0;
    KillTimer(nullptr, repaintTimer);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char text[32] = {};
      GetWindowTextA(child, text, sizeof text);
      if (std::string(text) == "&Default") {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED),
                     reinterpret_cast<LPARAM>(child));
      }
    }
    return 0;
  });
}

// ---- Setup ----

Value tracePostAction(Args args) {
  const Value& record = lanmere::arg(args, 2);
  note("post " + lanmere::arg(args, 1).string() + " " +
       lanmere::send(record, "description").string() +
       (errorDialogWindow() ? " dialog open" : " dialog closed"));
  return {};
}

Value failingPostAction(Args) {
  note("post fails");
  lanmere::callFunction("NO_SUCH_POST_FUNCTION");
  note("post goes on");
  return {};
}

void setUp() {
  for (const std::string& item : split(env("KESTREL_ERROR_SETUP"), '|')) {
    const std::size_t colon = item.find(':');
    const std::string key = item.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : item.substr(colon + 1);
    if (key == "path") {
      lanmere::callFunction("SETERRORPATH", {value});
    } else if (key == "file") {
      lanmere::callFunction("SETERRORFILENAME", {value});
    } else if (key == "mkdir") {
      CreateDirectoryA(value.c_str(), nullptr);
    } else if (key == "post") {
      lanmere::callFunction("SETPOSTERRORACTION", {lanmere::block(tracePostAction, "(b)POST")});
    } else if (key == "post-raises") {
      lanmere::callFunction("SETPOSTERRORACTION", {lanmere::block(failingPostAction, "(b)POST")});
    } else if (key == "timer") {
      failTimer = SetTimer(nullptr, 0, 200, failWhileOpen);
    } else if (key == "repaint") {
      repaintTimer = SetTimer(nullptr, 0, 200, repaintWhileOpen);
    }
  }
}

// ---- Failures ----

// The record of "launch:GEN:OS:FLAGS[:OPERATION[:FILE]]" (fields from the second on).
lanmere::Ref<lanmere::ErrorRecord> recordOf(const std::vector<std::string>& fields) {
  auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : std::string(); };
  lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->severity = 2;
  error->subSystem = "BASE";
  error->setGenCode(std::atoll(field(1).c_str()));
  error->subCode = 1001;
  error->osCode = std::atoll(field(2).c_str());
  error->flags = static_cast<unsigned>(std::atoi(field(3).c_str())) & 7u;
  error->operation = field(4).empty() ? "TABLE" : field(4);
  error->filename = field(5);
  return error;
}

// As a failing operation does: launch, and do it again while the handler says retry.
void launchUntilDone(lanmere::ErrorRecord& error) {
  int action = lanmere::ActionRetry;
  for (int attempt = 1; action == lanmere::ActionRetry; ++attempt) {
    note("attempt " + std::to_string(attempt));
    action = lanmere::launchError(&error);
  }
  note("action " + std::to_string(action) + " neterr " +
       (lanmere::NETERR({}).logical() ? "T" : "F") + " tries " +
       std::to_string(error.tries.integer()));
}

// The record fails from the main window's paint, once the main loop runs; the window closes
// when the operation has given up.
void failFromPaint(const std::vector<std::string>& fields) {
  const lanmere::Ref<lanmere::ErrorRecord> error = recordOf(fields);
  bool done = false;
  const Value window = lanmere::construct<kestrel::TWindow>(
      {.nTop = 2, .nLeft = 2, .nBottom = 12, .nRight = 40, .cTitle = "Painter"});  // text cells
  const Value paint = lanmere::block(
      [&, window](Args) {
        const HWND hwnd = kestrel::handleFrom<HWND>(lanmere::send(window, "hWnd"));
        if (done) return Value();
        if (!kestrel::isRunning()) {  // the first paint comes before the loop: ask again
          InvalidateRect(hwnd, nullptr, TRUE);
          return Value();
        }
        done = true;
        launchUntilDone(*error);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        return Value();
      },
      "(b)PAINT");
  kestrel::TWindow::ActivateArgs{.cShow = "NORMAL", .bPainted = paint}.sendTo(window);
  note("loop ended");
}

Value MAIN(Args) {
  note("main");
  setUp();
  const std::string failure = env("KESTREL_ERROR_CASE");
  const std::vector<std::string> fields = split(failure, ':');
  if (failure == "divide") {
    Value args[] = {1, 0};
    note("divide " + numberText(lanmere::divide(Value(1), Value(0))) + " mod " +
         numberText(lanmere::MOD(Args(args))));
  } else if (failure == "undefined") {
    note("fails at " + std::to_string(__LINE__ + 1));
    lanmere::callFunction("NO_SUCH_FUNCTION");
  } else if (failure == "framework") {
    kestrel::raiseFrameworkError(kestrel::kErrCannotCreateWindow, "\r\nClass: TWINDOW");
  } else if (failure == "lowmem") {
    const Value answer = lanmere::callFunction("__LOWMEMERROR");
    note(std::string("lowmem ") + (answer.isLogical() ? (answer.logical() ? "T" : "F") : "?"));
  } else if (fields[0] == "launch") {
    launchUntilDone(*recordOf(fields));
  } else if (fields[0] == "paint") {
    failFromPaint({"paint", "21", "2", fields.size() > 1 ? fields[1] : "0"});
  }
  if (env("KESTREL_ERROR_SETUP").find("repaint") != std::string::npos) {
    lanmere::callFunction("CHECKRES");
    note("logo records " + std::to_string(logoRecords()));
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
       lanmere::fn<&EXITONE>("EXITONE$", lanmere::kExit | lanmere::kDefined),
       lanmere::fn<&EXITTWO>("EXITTWO$", lanmere::kExit | lanmere::kDefined),
       lanmere::referenced("ERRORSYS", lanmere::kPublic),
       lanmere::referenced("KS_GT", lanmere::kPublic)}};
  return module;
}
