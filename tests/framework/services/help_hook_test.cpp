// The help state before anything was set, and F1 pressed in a real menu. A program of its own:
// the help state is process-wide and the F1 hook, once installed, stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "framework/core/fwmessages.h"
#include "framework/services/helpfile.h"
#include "runtime/error.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Args;
using lanmere::Value;

TEST(HelpState, BeforeAnythingWasSet) {
  EXPECT_EQ(GETHELPFILE().string(), "");
  EXPECT_EQ(GETHELPTOPIC().string(), "");
  auto popupSettings = [] {
    std::vector<std::string> out;
    const Value settings = GETHELPPOPUP();
    for (const Value& v : settings.items())
      out.push_back(v.isText() ? v.string() : std::to_string(v.integer()));
    return out;
  };
  EXPECT_EQ(popupSettings(), (std::vector<std::string>{"", "0", "0", "-1", "-1"}));
  std::vector<test::BoxInfo> seen;
  Value result;
  {
    test::ModalDriver driver([&](const test::BoxInfo& box) {
      seen.push_back(box);
      return IDOK;
    });
    Value topic[] = {Value("text")};
    result = CHMHELPPOPUP(Args(topic));
  }
  EXPECT_TRUE(result.isLogical() && !result.logical());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, " Attention");
  EXPECT_EQ(seen[0].text, "No Help popup file defined");
  SETHELPPOPUP({});
  EXPECT_EQ(popupSettings(), (std::vector<std::string>{"popups.txt", "20", "10", "-1", "-1"}));
  SETHELPTOPIC(12);
  EXPECT_EQ(GETHELPTOPIC().integer(), 12);
}

int f1Messages = 0;
HWND keyTarget = nullptr;
int ticks = 0;

LRESULT CALLBACK ownerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kWmFrameworkHelpF1) ++f1Messages;
  return DefWindowProcA(window, message, wParam, lParam);
}

// Inside the menu's loop: F1, then Escape, as the keyboard would queue them; the menu is ended
// by force if it is still open long after.
void CALLBACK pressKeys(HWND, UINT, UINT_PTR, DWORD) {
  lanmere::guardCallback(0, [] {
    ++ticks;
    if (ticks == 1) PostMessageA(keyTarget, WM_KEYDOWN, VK_F1, 0);
    if (ticks == 3) PostMessageA(keyTarget, WM_KEYDOWN, VK_ESCAPE, 0);
    if (ticks >= 20) EndMenu();
    return 0;
  });
}

// Opens a real pop-up menu of `owner`, presses F1 in it and closes it; answers how many F1-help
// messages reached the owner.
int f1MessagesDuringMenu(HWND owner) {
  f1Messages = 0;
  keyTarget = owner;
  ticks = 0;
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "&Item");
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, pressKeys);
  TrackPopupMenu(menu, TPM_RETURNCMD, 60, 60, 0, owner, nullptr);
  KillTimer(nullptr, timer);
  DestroyMenu(menu);
  MSG msg;
  for (int i = 0; i < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    DispatchMessageA(&msg);
  }
  return f1Messages;
}

TEST(HelpHook, F1InAMenuPostsTheHelpMessageOnceAHelpFileIsSet) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ownerProcedure;
  windowClass.lpszClassName = "KestrelHelpHookOwner";
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND owner =
      CreateWindowExA(0, windowClass.lpszClassName, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                      10, 200, 150, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  SetForegroundWindow(owner);
  SetActiveWindow(owner);
  ASSERT_EQ(GetActiveWindow(), owner);

  EXPECT_EQ(f1MessagesDuringMenu(owner), 0);
  SETHELPFILE("first.chm");
  EXPECT_EQ(f1MessagesDuringMenu(owner), 1);
  SETHELPFILE("second.chm");
  SETHELPFILE("third.hlp");
  EXPECT_EQ(f1MessagesDuringMenu(owner), 1);
  EXPECT_LT(ticks, 20) << "the menu closed on Escape";
  DestroyWindow(owner);
}

}  // namespace
}  // namespace kestrel
