#include "tests/support/twindow_support.h"

#include <gtest/gtest.h>

#include "framework/controls/modules.h"
#include "framework/controls/tfont.h"
#include "framework/core/modules.h"
#include "framework/core/winrun.h"
#include "runtime/error.h"

namespace kestrel::test {

using lanmere::Value;

namespace {

class Modules : public ::testing::Environment {
 public:
  void SetUp() override {
    registerModules({coreModules(), controlsModules()});
    // An error no test expects fails the test that raised it, with what the record says.
    lanmere::errorBlock(closure([](lanmere::Args args) {
      const Value& error = args.empty() ? lanmere::nil : args[0];
      ADD_FAILURE() << "unexpected error: " << lanmere::send(error, "description").string() << " / "
                    << lanmere::send(error, "operation").string() << " / "
                    << lanmere::send(error, "subCode").integer();
      return Value(false);
    }));
  }
};

[[maybe_unused]] ::testing::Environment* const modules =
    ::testing::AddGlobalTestEnvironment(new Modules);

// New of `className` (TWindow or a class derived from it).
Value newWith(const char* className, const TWindow::NewArgs& args) {
  return args.sendTo(lanmere::createObject(className));
}

}  // namespace

Value window(const char* className) {
  return newWith(className, {});
}

Value pixelWindow(long long top, long long left, long long bottom, long long right,
                  const char* title, const char* className) {
  return newWith(className, {.nTop = top,
                             .nLeft = left,
                             .nBottom = bottom,
                             .nRight = right,
                             .cTitle = title,
                             .lPixel = true});
}

Value shownWindow(long long top, long long left, long long bottom, long long right,
                  const char* title, const char* className) {
  const Value made = pixelWindow(top, left, bottom, right, title, className);
  ShowWindow(hwndOf(made), SW_SHOWNORMAL);
  return made;
}

Value childWindow(const Value& parent, long long top, const char* className) {
  return newWith(className, {.nTop = top,
                             .nLeft = 10,
                             .nBottom = top + 19,
                             .nRight = 109,
                             .nStyle = static_cast<long long>(WS_VISIBLE | WS_TABSTOP),
                             .oWnd = parent,
                             .lPixel = true});
}

void destroy(const Value& window) {
  DestroyWindow(hwndOf(window));
}

Value newFont(const char* face, long long height) {
  return lanmere::construct<TFont>({.cFaceName = face, .nWidth = 0, .nHeight = height});
}

Value newBrush(long long color) {
  return lanmere::send(lanmere::createObject("TBRUSH"), "New", {Value(), color});
}

void dropQuitMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

bool refreshUntil(const std::function<bool()>& condition, int rounds) {
  for (int i = 0; i < rounds && !condition(); ++i) {
    SYSREFRESH();
    Sleep(1);
  }
  return condition();
}

}  // namespace kestrel::test
