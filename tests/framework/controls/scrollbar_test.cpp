// Scroll bars and bitmap buttons in real windows and dialogs: the control and frame bars, their
// moves and closures, the scroll notifications (a real click on an arrow among them), the
// orientation and page, a bar redefined from a resource; the bitmap button's drawing, click and
// cancel behaviour.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/controls/tbtnbmp.h"
#include "framework/controls/tscrollbar.h"
#include "framework/core/handles.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndproc.h"
#include "tests/framework/controls/scrollbar_test_ids.h"
#include "tests/support/dialog_fixture.h"

namespace kestrel::test {
namespace {

// Records the argument it is evaluated with.
Value recorder(Value& got) {
  return closure([&got](lanmere::Args args) {
    got = lanmere::arg(args, 1);
    return Value();
  });
}

using ScrollBars = WindowTest;

TEST_F(ScrollBars, ConstructorsGiveTheirPlacesRangesAndPositions) {
  struct Case {
    TScrollBar::NewArgs args;
    long top, left, width, height;
    std::vector<long long> range;
    long long pos, orientation;
  } cases[] = {
      {{}, 0, 0, 16, 100, {0, 0}, 0, 1},
      {{.nRow = 2, .nCol = 3, .nMin = 5, .nMax = 50, .nPgStep = 10, .lVertical = false},
       28,
       24,
       100,
       17,
       {5, 50},
       5,
       2},
      {{.nRow = 7,
        .nCol = 9,
        .nMin = 0,
        .nMax = 9,
        .lVertical = true,
        .nWidth = 20,
        .nHeight = 60,
        .lPixel = true},
       7,
       9,
       20,
       60,
       {0, 9},
       0,
       1},
  };
  for (Case& c : cases) {
    c.args.oWnd = window;
    const Value made = lanmere::construct<TScrollBar>(c.args);
    const HWND control = as<TScrollBar>(made).hwnd();
    ASSERT_TRUE(control);
    EXPECT_EQ(windowClassName(control), "ScrollBar");
    const RECT rect = rectInParent(control);
    EXPECT_EQ(rect.top, c.top);
    EXPECT_EQ(rect.left, c.left);
    EXPECT_EQ(rect.right - rect.left, c.width);
    EXPECT_EQ(rect.bottom - rect.top, c.height);
    EXPECT_EQ(integersOf(as<TScrollBar>(made).GetRange()), c.range);
    EXPECT_EQ(as<TScrollBar>(made).GetPos().integer(), c.pos);
    EXPECT_EQ(as<TScrollBar>(made).nOrientation().integer(), c.orientation);
    EXPECT_EQ((GetWindowLongPtrA(control, GWL_STYLE) & SBS_VERT) != 0, c.orientation == 1);
  }
  // A frame bar of its own: range 1 to 2 at 1, read from the owner's vertical bar.
  const Value frame =
      lanmere::construct<TScrollBar>(TScrollBar::WinNewArgs{.lVertical = true, .oWnd = window});
  int low = 0;
  int high = 0;
  GetScrollRange(hwnd, SB_VERT, &low, &high);
  EXPECT_EQ(std::vector<int>({low, high}), std::vector<int>({1, 2}));
  EXPECT_EQ(GetScrollPos(hwnd, SB_VERT), 1);
  EXPECT_EQ(as<TScrollBar>(frame).hWnd.integer(), 0);
  EXPECT_EQ(integersOf(as<TScrollBar>(frame).GetRange()), std::vector<long long>({1, 2}));
}

// Each move on a bar of 0 to 10 with page step 4: where it lands, and its closure runs (and
// answers) even when the bar does not move.
TEST_F(ScrollBars, MovesLandInTheRangeAndRunTheirClosures) {
  const Value made = lanmere::construct<TScrollBar>(
      {.nMin = 0, .nMax = 10, .nPgStep = 4, .lVertical = true, .oWnd = window});
  TScrollBar& b = as<TScrollBar>(made);
  int runs = 0;
  for (Value* closureSlot :
       {&b.bGoUp, &b.bGoDown, &b.bGoTop, &b.bGoBottom, &b.bPageUp, &b.bPageDown}) {
    *closureSlot = counter(runs, "moved");
  }
  struct Case {
    const char* move;
    long long from, to;
  } cases[] = {{"GoUp", 0, 0},      {"GoUp", 5, 4},   {"GoDown", 10, 10},
               {"GoDown", 3, 4},    {"PageUp", 2, 0}, {"PageUp", 9, 5},
               {"PageDown", 8, 10}, {"GoTop", 5, 0},  {"GoBottom", 5, 10}};
  for (const Case& c : cases) {
    b.SetPos(c.from);
    const int before = runs;
    EXPECT_EQ(lanmere::send(made, c.move).string(), "moved") << c.move << c.from;
    EXPECT_EQ(b.GetPos().integer(), c.to) << c.move << c.from;
    EXPECT_EQ(runs, before + 1) << c.move << c.from;
  }
  b.bGoUp = Value();
  EXPECT_TRUE(b.GoUp().isNil());
  b.SetPos(2);
  EXPECT_EQ(b.SetPos(7).integer(), 2);  // the previous position
}

// A real click on the control's down arrow, the page and thumb notifications the owner turns
// into the framework's messages, and the frame bar reached directly.
TEST_F(ScrollBars, NotificationsReachTheClosures) {
  const Value made = lanmere::construct<TScrollBar>(
      {.nMin = 0, .nMax = 10, .nPgStep = 3, .lVertical = true, .oWnd = window});
  TScrollBar& b = as<TScrollBar>(made);
  int downs = 0;
  int pages = 0;
  Value tracked;
  Value released;
  b.bGoDown = counter(downs);
  b.bPageDown = counter(pages);
  b.bTrack = recorder(tracked);
  b.bPos = recorder(released);
  clickAt(b.hwnd(), 8, 100 - 6);  // the down arrow at the bottom
  EXPECT_TRUE(pumpUntil([&] { return downs == 1; }));
  EXPECT_EQ(b.GetPos().integer(), 1);

  const auto control = reinterpret_cast<LPARAM>(b.hwnd());
  SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), control);
  SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 7), control);
  SendMessageA(hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), control);
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(b.GetPos().integer(), 4);
  EXPECT_EQ(tracked.integer(), 7);
  EXPECT_EQ(released.integer(), 5);

  // A window made with its own vertical bar: the frame bar object, its closures through VScroll.
  const Value framed = lanmere::construct<TWindow>({.nTop = 10,
                                                    .nLeft = 10,
                                                    .nBottom = 200,
                                                    .nRight = 200,
                                                    .cTitle = "Framed",
                                                    .lVScroll = true,
                                                    .lPixel = true});
  const Value frameBar = as<TWindow>(framed).oVScroll;
  ASSERT_TRUE(frameBar.isObject());
  int frameDowns = 0;
  as<TScrollBar>(frameBar).bGoDown = counter(frameDowns);
  SendMessageA(hwndOf(framed), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(frameDowns, 1);
  EXPECT_EQ(GetScrollPos(hwndOf(framed), SB_VERT), 2);
  EXPECT_FALSE(as<TWindow>(framed).oHScroll.isObject());
  destroy(framed);
}

TEST_F(ScrollBars, OrientationRewritesTheStyleAndPageSetsTheSystemPage) {
  const Value made = lanmere::construct<TScrollBar>(
      {.nMin = 0, .nMax = 20, .nPgStep = 1, .lVertical = true, .oWnd = window});
  TScrollBar& b = as<TScrollBar>(made);
  const HWND control = b.hwnd();
  b._nOrientation(2);
  EXPECT_EQ(GetWindowLongPtrA(control, GWL_STYLE) & SBS_VERT, 0);
  EXPECT_TRUE(b.lVertical.logical());
  b._nOrientation(1);
  EXPECT_NE(GetWindowLongPtrA(control, GWL_STYLE) & SBS_VERT, 0);

  auto page = [](HWND window, int which) {
    SCROLLINFO info{sizeof info, SIF_PAGE, 0, 0, 0, 0, 0};
    GetScrollInfo(window, which, &info);
    return info.nPage;
  };
  EXPECT_TRUE(b.SetPage(5).logical());
  EXPECT_EQ(page(control, SB_CTL), 5u);
  EXPECT_EQ(b.nPgStep.integer(), 5);
  const Value frame = lanmere::construct<TScrollBar>(TScrollBar::WinNewArgs{
      .nMin = 0, .nMax = 50, .nPgStep = 1, .lVertical = false, .oWnd = window});
  EXPECT_TRUE(as<TScrollBar>(frame).SetPage(8).logical());
  EXPECT_EQ(page(hwnd, SB_HORZ), 8u);
}

// Bars of dialogs: range and position once the dialog initialises, and the orientation the
// resource gave them.
TEST_F(ScrollBars, RedefinedBarsTakeRangeAndOrientationFromTheDialog) {
  const Value dialog = resourceDialog("SBDLG");
  auto redefine = [&](int id) {
    return lanmere::construct<TScrollBar>(
        TScrollBar::ReDefineArgs{.nId = id, .nMin = 3, .nMax = 9, .nPgStep = 2, .oWnd = dialog});
  };
  const Value vertical = redefine(kIdVertBar);
  const Value horizontal = redefine(kIdHorzBar);
  EXPECT_EQ(as<TScrollBar>(vertical).nOrientation().integer(),
            2);  // nothing known before the window
  std::vector<long long> seen;
  runModal(dialog, {[&](HWND hwnd) {
             if (!hwnd || !as<TScrollBar>(vertical).hwnd()) return false;
             seen = integersOf(as<TScrollBar>(vertical).GetRange());
             seen.push_back(as<TScrollBar>(vertical).GetPos().integer());
             seen.push_back(as<TScrollBar>(vertical).nOrientation().integer());
             seen.push_back(as<TScrollBar>(horizontal).nOrientation().integer());
             as<TScrollBar>(vertical).PageDown();
             seen.push_back(as<TScrollBar>(vertical).GetPos().integer());
             PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
             return true;
           }});
  EXPECT_EQ(seen, std::vector<long long>({3, 9, 3, 1, 2, 5}));

  // A bar made before its dialog exists is an item of the dialog's template.
  const Value built = pixelDialog(50, 50, 250, 350, "Built");
  const Value later = lanmere::construct<TScrollBar>({.nRow = 1,
                                                      .nCol = 2,
                                                      .nMin = 4,
                                                      .nMax = 8,
                                                      .nPgStep = 1,
                                                      .lVertical = false,
                                                      .oWnd = built});
  EXPECT_FALSE(as<TScrollBar>(later).hwnd());
  std::string windowClass;
  seen.clear();
  runModal(built, {[&](HWND hwnd) {
             if (!hwnd || !as<TScrollBar>(later).hwnd()) return false;
             windowClass = windowClassName(as<TScrollBar>(later).hwnd());
             seen = integersOf(as<TScrollBar>(later).GetRange());
             seen.push_back(as<TScrollBar>(later).GetPos().integer());
             seen.push_back(as<TScrollBar>(later).nOrientation().integer());
             PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
             return true;
           }});
  EXPECT_EQ(windowClass, "ScrollBar");
  EXPECT_EQ(seen, std::vector<long long>({4, 8, 4, 2}));
}

// ---- Bitmap buttons ----

TEST_F(ScrollBars, BitmapButtonDrawsItsCaptionAndRunsItsActionOnce) {
  int actions = 0;
  Value got;
  const Value button = lanmere::construct<TBtnBmp>({.nTop = 10,
                                                    .nLeft = 10,
                                                    .nWidth = 60,
                                                    .nHeight = 24,
                                                    .cCaption = "...",
                                                    .oWnd = window,
                                                    .bAction = closure([&](lanmere::Args a) {
                                                      ++actions;
                                                      got = lanmere::arg(a, 1);
                                                      return Value();
                                                    })});
  const HWND made = as<TBtnBmp>(button).hwnd();
  ASSERT_TRUE(made);
  EXPECT_EQ(windowClassName(made), "Button");
  EXPECT_EQ(GetWindowLongPtrA(made, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  RedrawWindow(made, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // The three dots sit on the middle line: some pixel there has the text's colour.
  bool dots = false;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int x = 20; x < 40 && !dots; ++x) {
    for (int y = 8; y < 18 && !dots; ++y) dots = windowPixel(made, x, y) != face;
  }
  EXPECT_TRUE(dots);
  EXPECT_EQ(windowPixel(made, 2, 2), face);
  clickCenter(made);
  EXPECT_TRUE(pumpUntil([&] { return actions == 1; }));
  int rounds = 0;
  pumpUntil([&] { return ++rounds > 5; }, 300);
  EXPECT_EQ(actions, 1);
  EXPECT_TRUE(got.sharesStorageWith(button));
  EXPECT_TRUE(as<TBtnBmp>(button).cGenPrg().string().find("PROMPT \"...\"") != std::string::npos);
}

// A bitmap from the resources, centred (the 4 x 4 picture at 8..11 of a 20 x 20 button), and
// released with the button.
TEST_F(ScrollBars, BitmapButtonShowsItsBitmapAndReleasesIt) {
  const Value button = lanmere::construct<TBtnBmp>(
      {.nTop = 40, .nLeft = 10, .nWidth = 20, .nHeight = 20, .cBmpName = "SBBMP", .oWnd = window});
  const HWND made = as<TBtnBmp>(button).hwnd();
  ASSERT_TRUE(made);
  const auto bitmap = handleFrom<HBITMAP>(as<TBtnBmp>(button).hBitmap1);
  ASSERT_TRUE(bitmap);
  RedrawWindow(made, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(windowPixel(made, 8 + x, 9), RGB(x * 60, 60, 30)) << x;
  }
  EXPECT_EQ(windowPixel(made, 2, 2), GetSysColor(COLOR_BTNFACE));
  destroy(button);
  EXPECT_EQ(GetObjectType(bitmap), 0u);
}

// A cancel bitmap button takes the focus from a field whose validation would refuse, without
// asking it; the action runs.
TEST_F(ScrollBars, CancelBitmapButtonNeverValidatesTheFocusedField) {
  const Value dialog = resourceDialog("SBDLG");
  const Value field = lanmere::createObject("TCONTROL");
  lanmere::send(field, "Redefine", {kIdSbField, dialog});
  int checks = 0;
  int actions = 0;
  as<TControl>(field).bValid = counter(checks, false);
  Value button;
  runModal(dialog, {[&](HWND hwnd) {
                      if (!hwnd || !IsWindowVisible(hwnd)) return false;
                      button = lanmere::construct<TBtnBmp>({.nTop = 140,
                                                            .nLeft = 10,
                                                            .nWidth = 40,
                                                            .nHeight = 20,
                                                            .cCaption = "X",
                                                            .oWnd = dialog,
                                                            .bAction = counter(actions),
                                                            .lCancel = true});
                      SetFocus(GetDlgItem(hwnd, kIdSbField));
                      return true;
                    },
                    [&](HWND hwnd) {
                      if (focusedId(hwnd) != kIdSbField) return false;
                      clickCenter(as<TBtnBmp>(button).hwnd());
                      return true;
                    },
                    [&](HWND) { return actions == 1; },
                    [&](HWND hwnd) {
                      EXPECT_EQ(GetFocus(), as<TBtnBmp>(button).hwnd());
                      EXPECT_EQ(checks, 0);
                      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
                      return true;
                    }});
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(checks, 0);
}

}  // namespace
}  // namespace kestrel::test
