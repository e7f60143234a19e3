// The button bar with real windows: docking at each edge and after resizes, the buttons' layout,
// groups and removal, clicks and drop-downs, floating in a tool window, the context menu, the
// looks as pixels, saving to an INI file, the source text and what is left after the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "framework/controls/gradient.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/core/args.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "framework/services/barpaint.h"
#include "framework/services/restrack.h"
#include "framework/services/tbar.h"
#include "framework/services/tini.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "framework/services/tmsgbar.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"

namespace kestrel::test {
namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;

TBar& barOf(const Value& bar) {
  return as<TBar>(bar);
}
TBtnBmp& buttonOf(const Value& button) {
  return as<TBtnBmp>(button);
}

Value newMenu(bool popup) {
  auto menu = lanmere::make<TMenu>();
  menu->New(popup);
  return Value(menu);
}

// Lets every posted message run.
void runPosted() {
  int rounds = 0;
  pumpUntil([&] { return ++rounds > 5; }, 500);
}

void sizeClient(HWND hwnd, int width, int height) {
  RECT outer{};
  RECT inner{};
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &inner);
  SetWindowPos(hwnd, nullptr, 0, 0, width + (outer.right - outer.left - inner.right),
               height + (outer.bottom - outer.top - inner.bottom), SWP_NOMOVE | SWP_NOZORDER);
}

class ButtonBar : public ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    resourcesBefore = trackedResources().size();
    windowsBefore = TWindow::liveCount();
    owner = shownWindow(40, 40, 300, 300, "bar");
    sizeClient(hwndOf(owner), kClientWidth, kClientHeight);
  }
  void TearDown() override {
    SetCursorPos(0, 0);  // off the window: a later test's buttons must not open hot
    overrideAppThemed(std::nullopt);
    if (IsWindow(hwndOf(owner))) destroy(owner);
    runPosted();
    dropQuitMessages();
    ControlTest::TearDown();
  }
  Value newBar(TBar::NewArgs a = {}) {
    if (a.oWnd.isNil()) a.oWnd = owner;
    return lanmere::construct<TBar>(a);
  }
  Value addMsgBar() { return lanmere::construct<TMsgBar>({.oWnd = owner, .cMsg = "Ready"}); }
  // A bar button with the test bitmap as both images.
  Value newButton(const Value& bar, TBtnBmp::NewBarArgs a = {}) {
    a.oBar = bar;
    if (a.cResName1.isNil()) a.cResName1 = "BARIMAGE";
    return lanmere::construct<TBtnBmp, TBtnBmp::NewBarArgs>(a);
  }
  std::vector<Value> buttons(const Value& bar) {
    const auto items = barOf(bar).aControls.items();
    return {items.begin(), items.end()};
  }
  // Each button's {row, column} in its parent.
  std::vector<POINT> places(const Value& bar) {
    std::vector<POINT> out;
    for (const Value& b : buttons(bar)) {
      const RECT r = rectInParent(buttonOf(b).hwnd());
      out.push_back({r.left, r.top});
    }
    return out;
  }
  TWindow& parent() { return as<TWindow>(owner); }
  HWND client() { return hwndOf(owner); }

  Value owner;
  std::size_t resourcesBefore = 0;
  long windowsBefore = 0;
};

// The display rounds gradient colours by a step or two.
bool closeColour(COLORREF a, COLORREF b) {
  const auto close = [](int x, int y) { return x - y <= 3 && y - x <= 3; };
  return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) &&
         close(GetBValue(a), GetBValue(b));
}

// The window's pixel (x, y) is `want`, or within the display's rounding of it.
::testing::AssertionResult pixelNear(HWND hwnd, int x, int y, COLORREF want) {
  const COLORREF got = windowPixel(hwnd, x, y);
  if (closeColour(got, want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << got << ", not " << want;
}

// A gradient description: bands of {share, colour 1, colour 2}; one band of one colour is solid.
Value bands(std::initializer_list<std::tuple<double, COLORREF, COLORREF>> list) {
  Value out = Value::list();
  for (const auto& [share, first, last] : list) {
    out.listData()->items.push_back(
        Value::list({Value(share, 2), Value(static_cast<long long>(first)),
                     Value(static_cast<long long>(last))}));
  }
  return out;
}
Value solidFace(COLORREF colour) {
  return bands({{1, colour, colour}});
}
const Value& pressed2007() {
  static const Value v = bands({{0.25, RGB(255, 253, 222), RGB(255, 231, 151)},
                                {0.75, RGB(255, 215, 84), RGB(255, 233, 162)}});
  return v;
}
const Value& normal2007() {
  static const Value v = bands({{0.25, RGB(219, 230, 244), RGB(207, 221, 239)},
                                {0.75, RGB(201, 217, 237), RGB(231, 242, 255)}});
  return v;
}

// Row `row` of a face `height` rows high filled with `description`, drawn on a bitmap like the
// display's (so its colours are rounded as the display's are).
COLORREF faceRow(const Value& description, int height, int row) {
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, height);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  gradientFill(dc, RECT{0, 0, 0, height - 1}, description, true);
  const COLORREF colour = GetPixel(dc, 0, row);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The face's visible rows (row 0 of a top bar's button lies under the bar's border) are those of
// `description`.
::testing::AssertionResult faceIs(HWND button, const Value& description) {
  for (int row : {1, 5, 14, 27}) {
    const ::testing::AssertionResult same =
        pixelNear(button, 2, row, faceRow(description, 28, row));
    if (!same) return same;
  }
  return ::testing::AssertionSuccess();
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::string show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// The entries of the open menu: each text (empty for a separator) and, for the others, whether
// it is greyed.
void readMenu(std::vector<std::string>& texts, std::vector<bool>& greyed) {
  const auto menu = reinterpret_cast<HMENU>(SendMessageA(currentMenu(), MN_GETHMENU, 0, 0));
  for (int n = 0; n < GetMenuItemCount(menu); ++n) {
    char text[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(n), text, sizeof text, MF_BYPOSITION);
    texts.emplace_back(text);
    if (text[0] != 0) {
      greyed.push_back((GetMenuState(menu, static_cast<UINT>(n), MF_BYPOSITION) & MF_GRAYED) != 0);
    }
  }
}

// Until the input sent so far has been handled, then the messages it posted.
void settleInput() {
  pumpUntil([] { return !steps::inputPending(); });
  runPosted();
}

void redraw(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  runPosted();
}

// How many pixels of the 4 x 4 square at (x, y) have one of the test image's own colours (each
// of them has blue 30; the faces, edges and greyed drawings have none).
int imagePixels(HWND hwnd, int x, int y) {
  int count = 0;
  for (int row = y; row < y + 4; ++row) {
    for (int col = x; col < x + 4; ++col) count += GetBValue(windowPixel(hwnd, col, row)) == 30;
  }
  return count;
}

// ---- Docking ----

TEST_F(ButtonBar, DockingTableAndNoGrowthOnResizes) {
  struct Case {
    const char* mode;
    bool threeD;
    bool msgBar;
    RECT made;  // as New places it, right and bottom exclusive
  } cases[] = {
      {"TOP", false, false, {-1, -1, 601, 29}},
      {"TOP", true, true, {-1, -1, 601, 29}},
      {"LEFT", false, false, {-1, -1, 29, 402}},
      {"LEFT", true, false, {-1, -1, 32, 402}},
      {"RIGHT", false, true, {572, -1, 602, 402}},
      {"RIGHT", true, false, {569, -1, 602, 402}},
      {"BOTTOM", false, false, {-1, 372, 601, 402}},
      {"odd", false, false, {-1, -1, 601, 29}},  // an unknown word docks at the top
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + (c.threeD ? " 3D" : "") + (c.msgBar ? " msgbar" : ""));
    // A neighbour whose slot must survive: at the bottom of a side bar, else at the left.
    const std::string word = c.mode;
    const bool side = word == "LEFT" || word == "RIGHT";
    const Value other = newBar({.cMode = side ? "BOTTOM" : "LEFT"});
    const Value msgBar = c.msgBar ? addMsgBar() : Value();
    const Value bar = newBar({.l3D = c.threeD, .cMode = c.mode});
    EXPECT_TRUE(sameRect(rectInParent(barOf(bar).hwnd()), c.made))
        << show(rectInParent(barOf(bar).hwnd()));
    const int mode = static_cast<int>(barOf(bar).nMode.integer());
    const Value* slot = mode == kBarTop     ? &parent().oTop
                        : mode == kBarLeft  ? &parent().oLeft
                        : mode == kBarRight ? &parent().oRight
                                            : &parent().oBottom;
    EXPECT_TRUE(slot->sharesStorageWith(bar));
    if (mode == kBarTop) {
      EXPECT_TRUE(parent().oBar.sharesStorageWith(bar));
    }
    EXPECT_TRUE((side ? parent().oBottom : parent().oLeft).sharesStorageWith(other));
    RECT own{};
    GetClientRect(barOf(bar).hwnd(), &own);
    const int msgHeight = c.msgBar ? as<TMsgBar>(msgBar).Height().integer() : 0;
    for (int n = 0; n < 10; ++n) {
      sizeClient(client(), kClientWidth - (n + 1) % 2 * 40, kClientHeight - (n + 1) % 2 * 30);
    }
    const int below = side ? static_cast<int>(rectInParent(barOf(other).hwnd()).bottom -
                                              rectInParent(barOf(other).hwnd()).top)
                           : 0;
    const BarPlace want =
        barPlace(mode, {kClientWidth, kClientHeight}, {own.right, own.bottom}, msgHeight, 0, below);
    RECT r = rectInParent(barOf(bar).hwnd());
    EXPECT_EQ(r.left, want.x);
    EXPECT_EQ(r.top, want.y);
    EXPECT_EQ(r.right - r.left, want.width);
    EXPECT_EQ(r.bottom - r.top, want.height);
    GetClientRect(barOf(bar).hwnd(), &r);
    EXPECT_EQ(side ? r.right : r.bottom, side ? own.right : own.bottom);  // no growth
    barOf(bar).End();
    barOf(other).End();
    if (msgBar.isObject()) as<TMsgBar>(msgBar).End();
    runPosted();
    EXPECT_TRUE(parent().oTop.isNil() && parent().oBar.isNil() && parent().oLeft.isNil() &&
                parent().oRight.isNil() && parent().oBottom.isNil());
  }
  // The absolute figures: a top bar over -1..600 by -1..28, a bottom bar just above the message
  // bar, a left bar between a top bar and the message bar.
  const Value msgBar = addMsgBar();
  const Value top = newBar();
  const Value left = newBar({.cMode = "LEFT"});
  sizeClient(client(), kClientWidth, kClientHeight);
  SendMessageA(client(), WM_SIZE, 0, MAKELPARAM(kClientWidth, kClientHeight));
  const RECT msg = rectInParent(as<TMsgBar>(msgBar).hwnd());
  EXPECT_TRUE(sameRect(rectInParent(barOf(top).hwnd()), RECT{-1, -1, 601, 29}));
  const RECT side = rectInParent(barOf(left).hwnd());
  EXPECT_EQ(side.top, 28);  // on the top bar's bottom border
  EXPECT_EQ(side.bottom, msg.top + 1);
  barOf(top).End();
  const Value bottom = newBar({.cMode = "BOTTOM"});
  SendMessageA(client(), WM_SIZE, 0, MAKELPARAM(kClientWidth, kClientHeight));
  EXPECT_EQ(rectInParent(barOf(bottom).hwnd()).bottom, msg.top + 1);
}

// ---- Layout ----

TEST_F(ButtonBar, LayoutGroupsAndRemoval) {
  const Value bar = newBar();
  for (int n = 0; n < 3; ++n) newButton(bar);
  std::vector<POINT> at = places(bar);
  ASSERT_EQ(at.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(at[n].y, -1);
    EXPECT_EQ(at[n].x, 8 + 28 * n);
  }
  // A group start adds 8, a drop-down 13 to everything after it.
  const Value menu = newMenu(true);
  newButton(bar, {.lGroup = true, .oPopup = menu});
  newButton(bar);
  at = places(bar);
  EXPECT_EQ(at[3].x, 8 + 28 * 3 + 8);
  EXPECT_EQ(at[4].x, 8 + 28 * 4 + 8 + 13);
  EXPECT_EQ(barOf(bar).nGroups.integer(), 1);

  // AddGroup moves 3 and after by 8 exactly once; DelGroup moves them back.
  EXPECT_TRUE(barOf(bar).AddGroup(3).logical());
  EXPECT_FALSE(barOf(bar).AddGroup(3).logical());
  at = places(bar);
  EXPECT_EQ(at[1].x, 36);
  EXPECT_EQ(at[2].x, 64 + 8);
  EXPECT_EQ(barOf(bar).nGroups.integer(), 2);
  EXPECT_TRUE(barOf(bar).DelGroup(3).logical());
  EXPECT_FALSE(barOf(bar).DelGroup(3).logical());
  EXPECT_EQ(places(bar)[2].x, 64);
  EXPECT_EQ(barOf(bar).nGroups.integer(), 1);

  // Positions outside 1..count change nothing.
  const std::size_t tracked = trackedResources().size();
  for (const Value& pos : {Value(), Value(0), Value(-1), Value(6)}) {
    EXPECT_FALSE(barOf(bar).Del(pos).logical());
    EXPECT_FALSE(barOf(bar).AddGroup(pos).logical());
    EXPECT_FALSE(barOf(bar).DelGroup(pos).logical());
  }
  EXPECT_EQ(buttons(bar).size(), 5u);

  // Deleting the group start makes its plain follower the start; its window and bitmap go.
  const Value gone = buttons(bar)[3];
  const HWND goneWindow = buttonOf(gone).hwnd();
  EXPECT_TRUE(barOf(bar).Del(4).logical());
  EXPECT_FALSE(IsWindow(goneWindow));
  EXPECT_EQ(trackedResources().size(), tracked - 1);
  EXPECT_TRUE(flag(buttonOf(buttons(bar)[3]).lGroup));
  EXPECT_EQ(barOf(bar).nGroups.integer(), 1);
  EXPECT_EQ(places(bar)[3].x, 8 + 28 * 3 + 8);
  // Deleting the last button (the group start without an heir) lowers the count.
  EXPECT_TRUE(barOf(bar).Del(4).logical());
  EXPECT_EQ(barOf(bar).nGroups.integer(), 0);
  EXPECT_EQ(buttons(bar).size(), 3u);
  // Add appends for a position outside 1..count + 1, inserts inside; a second Add is ignored.
  const Value first = newButton(bar, {.nPos = 1});
  EXPECT_TRUE(buttons(bar)[0].sharesStorageWith(first));
  EXPECT_FALSE(barOf(bar).Add(first).logical());
  const Value last = newButton(bar, {.nPos = 99});
  EXPECT_TRUE(buttons(bar).back().sharesStorageWith(last));
  EXPECT_EQ(places(bar)[4].x, 8 + 28 * 4);

  // Vertical: rows n x (h + 1) + 7 in column -1.
  EXPECT_TRUE(barOf(bar).GoLeft().logical());
  at = places(bar);
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(at[n].x, -1);
    EXPECT_EQ(at[n].y, 29 * n + 7);
  }
  EXPECT_EQ(barOf(bar).GetBtnTop(false).integer(), 5 * 28);  // kept for callers
  EXPECT_EQ(barOf(bar).GetBtnLeft(false).integer(), 0);
  // Floating: two a row; five buttons take three rows.
  EXPECT_TRUE(barOf(bar).Float().logical());
  at = places(bar);
  EXPECT_EQ(at[4].y, 2 * 29);
  EXPECT_EQ(at[4].x, 0);
  EXPECT_EQ(at[1].x, 28);
  EXPECT_EQ(at[1].y, 0);
  EXPECT_TRUE(errors.empty());
}

// ---- Clicks ----

TEST_F(ButtonBar, ClicksDropDownsAndActionsThatChangeTheBar) {
  Value bar = newBar();
  int runs = 0;
  Value got;
  bool when = true;
  const Value button = newButton(bar, {.bAction = closure([&](lanmere::Args a) {
                                         ++runs;
                                         got = lanmere::arg(a, 1);
                                         return Value();
                                       }),
                                       .bWhen = closure([&](lanmere::Args) { return Value(when); }),
                                       .cCaption = "&Go"});
  postClick(buttonOf(button).hwnd(), 5, 5);
  EXPECT_TRUE(pumpUntil([&] { return runs == 1; }));
  runPosted();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(got.sharesStorageWith(button));
  when = false;
  postClick(buttonOf(button).hwnd(), 5, 5);
  runPosted();
  EXPECT_EQ(runs, 1);
  when = true;

  // The arrow opens the menu under the button; its item runs, and the button is down meanwhile.
  int chosen = 0;
  bool downWhileOpen = false;
  const Value menu = newMenu(true);
  as<TMenu>(menu).Add(
      lanmere::construct<TMenuItem>({.cPrompt = "&Item", .bAction = closure([&](lanmere::Args) {
                                                           ++chosen;
                                                           return Value();
                                                         })}));
  const Value dropDown = newButton(bar, {.bAction = counter(runs), .oPopup = menu});
  const HWND arrow = buttonOf(dropDown).hwnd();
  RECT box{};
  GetClientRect(arrow, &box);
  EXPECT_EQ(box.right, 28 + 13);
  DialogSteps menuSteps({[&](HWND) {
    if (!currentMenu()) return false;
    downWhileOpen = buttonOf(dropDown).dropped();
    return menuKeys({VK_DOWN, VK_RETURN});
  }});
  postClick(arrow, box.right - 4, 5);
  EXPECT_TRUE(pumpUntil([&] { return chosen == 1; }));
  menuSteps.rethrow();
  EXPECT_TRUE(downWhileOpen);
  EXPECT_FALSE(buttonOf(dropDown).dropped());
  EXPECT_EQ(runs, 1);

  // Actions that delete their own button, float the bar or end it run once, and nothing stays.
  struct Case {
    const char* what;
    std::function<void(const Value& bar, const Value& self)> act;
  } cases[] = {
      {"delete", [](const Value& b, const Value&) { barOf(b).Del(1); }},
      {"float", [](const Value& b, const Value&) { barOf(b).Float(); }},
      {"end", [](const Value& b, const Value&) { barOf(b).End(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Value fresh = newBar({.cMode = "LEFT"});
    int count = 0;
    const Value own = newButton(fresh, {.bAction = closure([&, fresh](lanmere::Args a) {
                                          ++count;
                                          c.act(fresh, lanmere::arg(a, 1));
                                          return Value();
                                        })});
    const HWND ownWindow = buttonOf(own).hwnd();
    postClick(ownWindow, 5, 5);
    EXPECT_TRUE(pumpUntil([&] { return count == 1; }));
    runPosted();
    EXPECT_EQ(count, 1);
    if (std::string(c.what) == "delete") {
      EXPECT_FALSE(IsWindow(ownWindow));
    }
    if (std::string(c.what) == "end") {
      EXPECT_FALSE(IsWindow(barOf(fresh).hwnd()));
      EXPECT_TRUE(parent().oLeft.isNil());
    } else {
      barOf(fresh).End();
      runPosted();
    }
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(ButtonBar, HoverMessagesToolTipAndHotKey) {
  const Value msgBar = addMsgBar();
  const Value bar = newBar();
  barOf(bar).cMsg = "The bar";
  int runs = 0;
  const Value button = newButton(
      bar,
      {.cMsg = "Opens a file", .bAction = counter(runs), .cToolTip = "Open", .cCaption = "&Go"});
  const HWND hwnd = buttonOf(button).hwnd();
  auto shown = [&] { return as<TMsgBar>(msgBar).cMsg.string(); };
  auto visibleTip = [] {
    const HWND tip = FindWindowA("tooltips_class32", nullptr);
    return tip && IsWindowVisible(tip);
  };
  PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  runPosted();
  EXPECT_TRUE(buttonOf(button).hot());
  EXPECT_EQ(shown(), "Opens a file");
  EXPECT_TRUE(visibleTip());
  PostMessageA(hwnd, WM_MOUSELEAVE, 0, 0);
  runPosted();
  EXPECT_FALSE(buttonOf(button).hot());
  EXPECT_NE(shown(), "Opens a file");
  EXPECT_FALSE(visibleTip());
  PostMessageA(barOf(bar).hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 5));
  runPosted();
  EXPECT_EQ(shown(), "The bar");

  // Alt + the hot letter in a control of the window clicks the bar's button.
  const Value field = lanmere::construct<TBtnBmp>(
      {.nTop = 100, .nLeft = 100, .nWidth = 40, .nHeight = 20, .cCaption = "x", .oWnd = owner});
  PostMessageA(as<TBtnBmp>(field).hwnd(), WM_SYSKEYDOWN, 'G', 1 << 29);
  EXPECT_TRUE(pumpUntil([&] { return runs == 1; }));
}

// ---- Floating ----

TEST_F(ButtonBar, FloatingToolWindowAndDockingBack) {
  addMsgBar();
  const Value bar = newBar({.cMode = "LEFT"});
  for (int n = 0; n < 3; ++n) newButton(bar);
  EXPECT_TRUE(barOf(bar).Float().logical());
  const Value tool = barOf(bar).floatWindow();
  const HWND toolWindow = hwndOf(tool);
  ASSERT_TRUE(IsWindow(toolWindow));
  EXPECT_EQ(GetWindow(toolWindow, GW_OWNER), client());
  EXPECT_FALSE(IsWindowVisible(barOf(bar).hwnd()));
  EXPECT_TRUE(parent().oLeft.isNil());
  for (const Value& b : buttons(bar)) EXPECT_EQ(GetParent(buttonOf(b).hwnd()), toolWindow);
  RECT r{};
  GetWindowRect(toolWindow, &r);
  EXPECT_EQ(r.right - r.left, 2 * 28 + 2);
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSMCAPTION) + 1 + 29 * 2 + 10);
  // Buttons added while floating go into the tool window, which grows.
  newButton(bar);
  newButton(bar);
  GetWindowRect(toolWindow, &r);
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSMCAPTION) + 1 + 29 * 3 + 10);
  EXPECT_EQ(GetParent(buttonOf(buttons(bar).back()).hwnd()), toolWindow);
  // A second Float does nothing; the bottom edge is taken by the message bar.
  EXPECT_FALSE(barOf(bar).Float().logical());
  EXPECT_TRUE(barOf(bar).floatWindow().sharesStorageWith(tool));
  EXPECT_FALSE(barOf(bar).GoDown().logical());
  EXPECT_FALSE(barOf(bar).edgeFree(kBarBottom));

  // GoTop brings the buttons back and closes the tool window.
  EXPECT_TRUE(barOf(bar).GoTop().logical());
  EXPECT_FALSE(IsWindow(toolWindow));
  EXPECT_TRUE(IsWindowVisible(barOf(bar).hwnd()));
  EXPECT_TRUE(parent().oTop.sharesStorageWith(bar));
  for (const Value& b : buttons(bar)) EXPECT_EQ(GetParent(buttonOf(b).hwnd()), barOf(bar).hwnd());

  // Closing the tool window docks at the edge it left; with none free the close is refused.
  EXPECT_TRUE(barOf(bar).Float().logical());
  HWND second = hwndOf(barOf(bar).floatWindow());
  SendMessageA(second, WM_SYSCOMMAND, SC_CLOSE, 0);
  runPosted();
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(barOf(bar).nMode.integer(), kBarTop);
  EXPECT_EQ(buttons(bar).size(), 5u);
  for (const Value& b : buttons(bar)) EXPECT_TRUE(IsWindow(buttonOf(b).hwnd()));

  EXPECT_TRUE(barOf(bar).Float().logical());
  const Value others[] = {newBar(), newBar({.cMode = "LEFT"}), newBar({.cMode = "RIGHT"})};
  second = hwndOf(barOf(bar).floatWindow());
  SendMessageA(second, WM_SYSCOMMAND, SC_CLOSE, 0);
  runPosted();
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(barOf(bar).nMode.integer(), kBarFloat);
  barOf(others[1]).End();
  runPosted();
  SendMessageA(second, WM_SYSCOMMAND, SC_CLOSE, 0);
  runPosted();
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(barOf(bar).nMode.integer(), kBarLeft);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ButtonBar, ContextMenuItemsGreyStatesAndChoices) {
  addMsgBar();
  struct Case {
    const char* mode;
    std::vector<std::string> items;
    std::vector<bool> greyed;
    int choose;  // item position (0-based) to take
    int modeAfter;
  } cases[] = {
      {"TOP",
       {"&Left", "&Right", "&Bottom", "", "&Float"},
       {false, false, true, false},
       0,
       kBarLeft},
      {"LEFT",
       {"&Top", "&Right", "&Bottom", "", "&Float"},
       {false, false, true, false},
       1,
       kBarRight},
      {"RIGHT",
       {"&Top", "&Left", "&Bottom", "", "&Float"},
       {false, false, true, false},
       4,
       kBarFloat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    const Value bar = newBar({.cMode = c.mode});
    newButton(bar);
    std::vector<std::string> seen;
    std::vector<bool> grey;
    DialogSteps menuSteps({[&](HWND) {
      if (!currentMenu()) return false;
      readMenu(seen, grey);
      // Separators are skipped by the arrow keys.
      std::size_t downs = 0;
      for (int n = 0; n <= c.choose; ++n)
        downs += c.items[static_cast<std::size_t>(n)].empty() ? 0 : 1;
      std::vector<WORD> keys(downs, VK_DOWN);
      keys.push_back(VK_RETURN);
      return menuKeys(keys);
    }});
    PostMessageA(barOf(bar).hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(200, 5));
    EXPECT_TRUE(pumpUntil([&] { return menuSteps.done() && !currentMenu(); }));
    runPosted();
    menuSteps.rethrow();
    EXPECT_EQ(seen, c.items);
    EXPECT_EQ(grey, c.greyed);
    EXPECT_EQ(barOf(bar).nMode.integer(), c.modeAfter);
    barOf(bar).End();
    runPosted();
  }
}

// ---- Looks ----

TEST_F(ButtonBar, LooksAsPixels) {
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  // Flat: the bands' end colours at the top and bottom rows, separators before a group start.
  struct Flat {
    bool l2010;
    COLORREF top, bottom;
  } flats[] = {{false, RGB(219, 230, 244), RGB(231, 242, 255)},
               {true, RGB(255, 255, 255), RGB(229, 233, 238)}};
  for (const Flat& f : flats) {
    const Value bar = newBar({.l2007 = !f.l2010, .l2010 = f.l2010});
    newButton(bar);
    const Value group = newButton(bar, {.lGroup = true});
    const HWND hwnd = barOf(bar).hwnd();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    runPosted();
    EXPECT_TRUE(closeColour(windowPixel(hwnd, 3, 0), f.top));
    EXPECT_TRUE(closeColour(windowPixel(hwnd, 3, 27), f.bottom));
    const int left = rectInParent(buttonOf(group).hwnd()).left;
    EXPECT_EQ(windowPixel(hwnd, left - 5, 10), shadow);
    EXPECT_EQ(windowPixel(hwnd, left - 4, 10), light);
    saveScreenshot(std::string("buttonbar_") + (f.l2010 ? "2010" : "2007") + ".bmp");
    barOf(bar).End();
    runPosted();
  }
  // A left flat bar: horizontal separators above the group start.
  const Value side = newBar({.cMode = "LEFT", .l2007 = true});
  newButton(side);
  const Value lower = newButton(side, {.lGroup = true});
  RedrawWindow(barOf(side).hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  runPosted();
  const int top = rectInParent(buttonOf(lower).hwnd()).top;
  EXPECT_EQ(windowPixel(barOf(side).hwnd(), 10, top - 5), shadow);
  EXPECT_EQ(windowPixel(barOf(side).hwnd(), 10, top - 4), light);
  barOf(side).End();
  runPosted();

  // 3-D: the frame and the gripper strips, none in the themed branch; bPainted on top.
  for (bool themed : {false, true}) {
    overrideAppThemed(themed);
    const Value bar = newBar({.l3D = true});
    int painted = 0;
    barOf(bar).bPainted = closure([&](lanmere::Args a) {
      if (lanmere::arg(a, 1).isNumber()) {
        ++painted;
        const HDC dc = handleFrom<HDC>(lanmere::arg(a, 1));
        SetPixel(dc, 300, 15, RGB(255, 0, 0));
      }
      return Value();
    });
    const HWND hwnd = barOf(bar).hwnd();
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    runPosted();
    EXPECT_GT(painted, 0);
    EXPECT_EQ(windowPixel(hwnd, 300, 0), shadow);
    EXPECT_EQ(windowPixel(hwnd, 300, 1), light);
    EXPECT_EQ(windowPixel(hwnd, 300, 15), RGB(255, 0, 0));
    const bool strips = windowPixel(hwnd, 4, 10) == light && windowPixel(hwnd, 6, 10) == shadow;
    EXPECT_EQ(strips, !themed);
    if (!themed) saveScreenshot("buttonbar_3d.bmp");
    barOf(bar).End();
    runPosted();
  }
}

// ---- Real mouse input ----

TEST_F(ButtonBar, RealMouseClicksHoverAndTheDropDown) {
  const Value bar = newBar({.l2007 = true});
  int runs = 0;
  Value got;
  bool when = true;
  const Value button =
      newButton(bar, {.bAction = closure([&](lanmere::Args a) {
                        ++runs;
                        got = lanmere::arg(a, 1);
                        return Value();
                      }),
                      .bWhen = closure([&](lanmere::Args) { return Value(when); })});
  const HWND hwnd = buttonOf(button).hwnd();
  clickAt(hwnd, 5, 5);
  EXPECT_TRUE(pumpUntil([&] { return runs == 1; }));
  runPosted();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(got.sharesStorageWith(button));
  // The pointer rests on the button: hot, with the pressed gradient behind its image.
  EXPECT_TRUE(pumpUntil([&] { return buttonOf(button).hot(); }));
  redraw(hwnd);
  EXPECT_TRUE(faceIs(hwnd, pressed2007()));
  // Moving off it ends the hot look: the bar's own gradient again.
  moveTo(barOf(bar).hwnd(), 300, 10);
  EXPECT_TRUE(pumpUntil([&] { return !buttonOf(button).hot(); }));
  redraw(hwnd);
  EXPECT_TRUE(faceIs(hwnd, normal2007()));
  when = false;
  clickAt(hwnd, 5, 5);
  settleInput();
  EXPECT_EQ(runs, 1);

  // A click on the arrow opens the menu, whose item runs; a click on the face runs the action.
  int chosen = 0;
  int dropRuns = 0;
  bool downWhileOpen = false;
  const Value menu = newMenu(true);
  as<TMenu>(menu).Add(
      lanmere::construct<TMenuItem>({.cPrompt = "&Item", .bAction = counter(chosen)}));
  const Value dropDown = newButton(bar, {.bAction = counter(dropRuns), .oPopup = menu});
  const HWND arrow = buttonOf(dropDown).hwnd();
  RECT box{};
  GetClientRect(arrow, &box);
  DialogSteps menuSteps({[&](HWND) {
    if (!currentMenu()) return false;
    downWhileOpen = buttonOf(dropDown).dropped();
    return menuKeys({VK_DOWN, VK_RETURN});
  }});
  clickAt(arrow, box.right - 4, 5);
  EXPECT_TRUE(pumpUntil([&] { return chosen == 1 && !currentMenu(); }));
  menuSteps.rethrow();
  EXPECT_TRUE(downWhileOpen);
  EXPECT_EQ(dropRuns, 0);
  clickAt(arrow, 5, 5);
  EXPECT_TRUE(pumpUntil([&] { return dropRuns == 1; }));
  runPosted();
  EXPECT_EQ(chosen, 1);
  EXPECT_TRUE(errors.empty());
}

TEST_F(ButtonBar, ImageTwoWhileDownAndDisabledGreyed) {
  TempFolder folder;
  const std::string file = folder / "down.bmp";
  ASSERT_TRUE(writeBitmapFile(file, 4, 4, [](int, int) { return RGB(255, 0, 0); }));
  const Value bar = newBar();
  int runs = 0;
  const Value button = newButton(bar, {.cBmpFile2 = file, .bAction = counter(runs)});
  const HWND hwnd = buttonOf(button).hwnd();
  redraw(hwnd);
  EXPECT_EQ(imagePixels(hwnd, 12, 12), 16);  // image 1, centred in the 28 x 28 face
  // Held down by the real button, it shows image 2 (one pixel down and right); released, image 1.
  pressAt(hwnd, 5, 5);
  EXPECT_TRUE(pumpUntil([&] { return windowPixel(hwnd, 14, 14) == RGB(255, 0, 0); }));
  EXPECT_EQ(imagePixels(hwnd, 13, 13), 0);
  EXPECT_EQ(runs, 0);
  releaseMouse();
  EXPECT_TRUE(pumpUntil([&] { return runs == 1; }));
  redraw(hwnd);
  EXPECT_EQ(imagePixels(hwnd, 12, 12), 16);

  // Disabled: the image greyed (in the shadow colour, none of its own), and a click runs nothing.
  buttonOf(button).Disable();
  redraw(hwnd);
  EXPECT_EQ(imagePixels(hwnd, 12, 12), 0);
  int shadowed = 0;
  for (int n = 12; n < 16; ++n) shadowed += windowPixel(hwnd, n, n) == GetSysColor(COLOR_BTNSHADOW);
  EXPECT_GT(shadowed, 0);
  clickAt(hwnd, 5, 5);
  settleInput();
  EXPECT_EQ(runs, 1);
  buttonOf(button).Enable();
  clickAt(hwnd, 5, 5);
  EXPECT_TRUE(pumpUntil([&] { return runs >= 2; }));
  settleInput();
  EXPECT_EQ(runs, 2);
}

// ---- Faces of flat bars ----

TEST_F(ButtonBar, FlatFacesByTheGradientAnswer) {
  const COLORREF solid = RGB(10, 200, 30);
  const COLORREF pane = RGB(128, 128, 128);  // the plain bar's pane colour, 8421504
  enum Answer { kOwn, kColour, kNil };
  struct Case {
    const char* what;
    bool l2010;
    Answer answer;
    Value down, plain;  // the faces of a down and of a plain button
  } cases[] = {
      {"2007", false, kOwn, pressed2007(), normal2007()},
      {"2010", true, kOwn,
       bands({{0.4, RGB(255, 253, 222), RGB(255, 231, 147)},
              {0.6, RGB(255, 215, 86), RGB(255, 231, 153)}}),
       bands({{1, RGB(255, 255, 255), RGB(229, 233, 238)}})},
      {"a colour number", false, kColour, solidFace(solid), solidFace(solid)},
      {"nil", true, kNil, solidFace(pane), solidFace(pane)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Value bar = newBar({.l2007 = !c.l2010, .l2010 = c.l2010});
    if (c.answer != kOwn) {
      const Value answer = c.answer == kColour ? Value(static_cast<long long>(solid)) : Value();
      barOf(bar).bClrGrad = fixed(answer);
    }
    const Value down = newButton(bar, {.lPressed = true});
    const Value plain = newButton(bar);
    redraw(barOf(bar).hwnd());
    EXPECT_TRUE(faceIs(buttonOf(down).hwnd(), c.down));
    EXPECT_EQ(imagePixels(buttonOf(down).hwnd(), 13, 13), 16);  // the image over the face
    EXPECT_TRUE(faceIs(buttonOf(plain).hwnd(), c.plain));
    barOf(bar).End();
    runPosted();
  }
}

// ---- A bar at a place ----

TEST_F(ButtonBar, NewAtTakesPixelsAndNoSlot) {
  struct Case {
    Value row, col, width, height, mode;
    RECT want;
  } cases[] = {
      {50, 20, 200, 30, Value(), {20, 50, 220, 80}},
      {10, 5, Value(), Value(), Value(), {5, 10, 605, 38}},  // the parent's width, 28 high
      {100, 0, 40, 200, "LEFT", {0, 100, 40, 300}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(show(c.want));
    const Value bar = lanmere::construct<TBar, TBar::NewAtArgs>({.nRow = c.row,
                                                                 .nCol = c.col,
                                                                 .nWidth = c.width,
                                                                 .nHeight = c.height,
                                                                 .oWnd = owner,
                                                                 .cMode = c.mode});
    const HWND hwnd = barOf(bar).hwnd();
    EXPECT_TRUE(sameRect(rectInParent(hwnd), c.want)) << show(rectInParent(hwnd));
    EXPECT_FALSE(barOf(bar).flat());
    // No slot: the window's layout leaves the bar where it was put.
    EXPECT_TRUE(parent().oTop.isNil() && parent().oBar.isNil() && parent().oLeft.isNil() &&
                parent().oRight.isNil() && parent().oBottom.isNil());
    SendMessageA(client(), WM_SIZE, 0, MAKELPARAM(kClientWidth, kClientHeight));
    runPosted();
    EXPECT_TRUE(sameRect(rectInParent(hwnd), c.want)) << show(rectInParent(hwnd));
    barOf(bar).End();
    runPosted();
  }
}

// ---- The floating bar's menu ----

TEST_F(ButtonBar, RightClickInTheToolWindowDocksLeft) {
  addMsgBar();
  const Value bar = newBar();
  newButton(bar);
  ASSERT_TRUE(barOf(bar).Float().logical());
  const HWND tool = hwndOf(barOf(bar).floatWindow());
  RECT area{};
  GetClientRect(tool, &area);
  std::vector<std::string> seen;
  std::vector<bool> grey;
  DialogSteps menuSteps({[&](HWND) {
    if (!currentMenu()) return false;
    readMenu(seen, grey);
    return menuKeys({VK_DOWN, VK_DOWN, VK_RETURN});  // "&Left"
  }});
  clickAt(tool, area.right - 5, area.bottom - 4, true);  // below and beside the one button
  EXPECT_TRUE(pumpUntil([&] { return menuSteps.done() && !currentMenu(); }));
  runPosted();
  menuSteps.rethrow();
  EXPECT_EQ(seen, (std::vector<std::string>{"&Top", "&Left", "&Right", "&Bottom", "", "&Float"}));
  EXPECT_EQ(grey, (std::vector<bool>{false, false, false, true, true}));
  EXPECT_EQ(barOf(bar).nMode.integer(), kBarLeft);
  EXPECT_FALSE(IsWindow(tool));
  EXPECT_TRUE(parent().oLeft.sharesStorageWith(bar));
  EXPECT_TRUE(IsWindowVisible(barOf(bar).hwnd()));
  EXPECT_EQ(GetParent(buttonOf(buttons(bar).front()).hwnd()), barOf(bar).hwnd());
  EXPECT_TRUE(errors.empty());
}

// ---- Saving and texts ----

TEST_F(ButtonBar, SaveIniRoundTrip) {
  TempFolder folder;
  const std::string file = folder / "bars.ini";
  const Value bar = newBar({.cMode = "LEFT"});
  newButton(bar, {.cResName2 = "BARIMAGE",
                  .cMsg = "Open\r\nfile",
                  .lGroup = true,
                  .cToolTip = "Opens",
                  .lPressed = true,
                  .cAction = "Open()"});
  newButton(bar, {.cResName1 = "", .cBmpFile1 = "x.bmp", .lAdjust = true});
  newButton(bar);
  ASSERT_TRUE(barOf(bar).SaveIni("Main", file).logical());
  auto ini = lanmere::make<TIni>();
  ini->New(Value(file));
  auto read = [&](const char* section, const std::string& key) {
    return ini->Get(section, key, "<none>").string();
  };
  EXPECT_EQ(read("ButtonBar", "1"), "Main,2");
  EXPECT_EQ(read("ButtonBar.Main", "Button1"), "BARIMAGE,BARIMAGE,,,Open  file,Open(),T,F,Opens,T");
  EXPECT_EQ(read("ButtonBar.Main", "Button2"), ",,x.bmp,,,,F,T,,F");
  EXPECT_EQ(read("ButtonBar.Main", "Button3"), "BARIMAGE,,,,,,F,F,,F");
  // Fewer buttons leave no stale key; a second bar takes key "1" and leaves Main's section.
  barOf(bar).Del(3);
  ASSERT_TRUE(barOf(bar).SaveIni("Main", file).logical());
  EXPECT_EQ(read("ButtonBar.Main", "Button3"), "<none>");
  const Value side = newBar({.cMode = "RIGHT"});
  newButton(side);
  ASSERT_TRUE(barOf(side).SaveIni("Side", file).logical());
  EXPECT_EQ(read("ButtonBar", "1"), "Side,3");
  EXPECT_EQ(read("ButtonBar.Main", "Button2"), ",,x.bmp,,,,F,T,,F");
  // Bad names and files: argument errors, nothing written; an unwritable file answers false.
  const std::string before = readFile(file);
  for (const Value& name : {Value(""), Value("a[b"), Value("a=b"), Value("a,b"), Value("a\nb")}) {
    barOf(bar).SaveIni(name, file);
  }
  barOf(bar).SaveIni("Main", 12);
  EXPECT_EQ(errors.size(), 6u);
  EXPECT_EQ(readFile(file), before);
  EXPECT_FALSE(barOf(bar).SaveIni("Main", folder / "no/such/dir.ini").logical());
}

TEST_F(ButtonBar, SourceTextOfALeft2007Bar) {
  const Value bar = newBar({.cMode = "LEFT", .l2007 = true});
  newButton(bar, {.cResName2 = "BARIMAGE2",
                  .cMsg = "Open a file",
                  .cToolTip = "Open",
                  .cAction = "Open()",
                  .cCaption = "Op"});
  newButton(bar, {.cResName1 = "", .cBmpFile1 = "c:\\a.bmp", .lGroup = true});
  EXPECT_EQ(barOf(bar).cGenPRG().string(),
            "\r\n\r\n   DEFINE BUTTONBAR oBar OF oWnd LEFT SIZE 28, 28 2007\r\n"
            "   DEFINE BUTTON OF oBar RESOURCE \"BARIMAGE\", \"BARIMAGE2\" PROMPT \"Op\" MESSAGE "
            "\"Open a file\" TOOLTIP \"Open\" ACTION Open()\r\n"
            "   DEFINE BUTTON OF oBar FILENAME \"c:\\a.bmp\" GROUP\r\n");
}

// ---- Bad input and what is left ----

TEST_F(ButtonBar, BadInput) {
  {
    const DefaultWindowKeeper keep;
    SETWNDDEFAULT(Value());
    const long windows = TWindow::liveCount();
    lanmere::construct<TBar>({});
    lanmere::construct<TBar>({.oWnd = Value(5)});
    EXPECT_EQ(errors.size(), 2u);
    EXPECT_EQ(TWindow::liveCount(), windows);
  }
  const Value bar = newBar({.nBtnWidth = -3, .nBtnHeight = "x"});
  EXPECT_EQ(barOf(bar).nBtnWidth.integer(), 28);
  EXPECT_EQ(barOf(bar).nBtnHeight.integer(), 28);
  barOf(bar).Add(Value(3));
  barOf(bar).Add(newMenu(true));
  EXPECT_EQ(errors.size(), 4u);
  // A gradient closure answering no description paints the look's own.
  barOf(bar).bClrGrad = closure([](lanmere::Args) { return Value("no"); });
  EXPECT_EQ(barOf(bar).gradient(true).length(), 2u);
}

TEST_F(ButtonBar, NothingLeftAfterTheEndOrTheParentsClose) {
  const std::size_t resourcesWithWindow = trackedResources().size();
  const long windowsWithOwner = TWindow::liveCount();
  HWND floatingTool = nullptr;
  HWND floatingBar = nullptr;
  {
    const Value bar = newBar();
    for (int n = 0; n < 3; ++n) newButton(bar);
    barOf(bar).Float();
    const HWND tool = hwndOf(barOf(bar).floatWindow());
    barOf(bar).GoLeft();
    barOf(bar).End();
    runPosted();
    EXPECT_FALSE(IsWindow(tool));
    EXPECT_TRUE(parent().oLeft.isNil());
    EXPECT_EQ(trackedResources().size(), resourcesWithWindow);

    const Value floating = newBar();
    newButton(floating);
    barOf(floating).Float();
    floatingTool = hwndOf(barOf(floating).floatWindow());
    floatingBar = barOf(floating).hwnd();
  }
  EXPECT_EQ(TWindow::liveCount(), windowsWithOwner + 3);  // the floating bar, button, tool window
  destroy(owner);
  runPosted();
  EXPECT_FALSE(IsWindow(floatingTool));
  EXPECT_FALSE(IsWindow(floatingBar));
  EXPECT_TRUE(parent().oTop.isNil() && parent().oBar.isNil());
  EXPECT_EQ(TWindow::liveCount(), windowsWithOwner);  // the fixture still holds its window
  EXPECT_EQ(trackedResources().size(), resourcesBefore);
}

}  // namespace
}  // namespace kestrel::test
