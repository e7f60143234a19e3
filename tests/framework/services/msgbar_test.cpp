// The message bar with real windows: its placement, panes, messages in both looks, the keyboard
// panes, the resource title, the flat backgrounds and what is left after the window closes.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls/tfont.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/services/msgpaint.h"
#include "framework/services/restrack.h"
#include "framework/services/tmsgbar.h"
#include "framework/services/tmsgitem.h"
#include "framework/services/ttimer.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

// The flat looks' backgrounds from the top row down, as 0xRRGGBB: the 2007 look blue, the 2010
// look grey.
const std::vector<unsigned> kBlueRows = {0xFFFFFF, 0xE3EFFF, 0xDFECFF, 0xDBEAFF, 0xD7E8FF, 0xD4E6FF,
                                         0xD0E4FF, 0xCCE2FF, 0xC9E0FF, 0xC5DEFF, 0xADD1FF, 0xAED1FF,
                                         0xB0D2FF, 0xB1D3FF, 0xB3D4FF, 0xB4D4FF, 0xB6D5FF, 0xB7D6FF,
                                         0xB9D7FF, 0xBAD8FF, 0xBCD8FF, 0xBDD9FF, 0xBFDAFF};
const std::vector<unsigned> kGreyRows = {0xF7FAFC, 0xE6EAEE, 0xE2E6EA, 0xDFE3E7, 0xDDE1E5, 0xDBDEE3,
                                         0xD8DCE1, 0xD6DADE, 0xD4D8DC, 0xD2D6DA, 0xD0D4D9, 0xCED2D7,
                                         0xCCD0D5, 0xCACED3, 0xC8CCD1, 0xC6CACF, 0xC4C9CE, 0xC2C7CC,
                                         0xC0C5CA, 0xBFC3C8, 0xB7BCC1, 0x605245};

COLORREF colour(unsigned rgb) {
  return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

class MsgBar : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      registerModules({{&msgBarModule(), &msgItemModule(), &msgPaintModule(), &timerModule(),
                        &resTrackModule()}});
      return true;
    }();
    (void)registered;
  }
  void SetUp() override {
    resourcesBefore = trackedResources().size();
    itemsBefore = TMsgItem::liveCount();
    owner = shownWindow(20, 20, 240, 520, "msgbar");
  }
  void TearDown() override {
    overrideAppThemed(std::nullopt);
    if (IsWindow(hwndOf(owner))) destroy(owner);
    dropQuitMessages();
  }
  // A bar on the test's window saying "Ready" unless the arguments say otherwise.
  Value newBar(TMsgBar::NewArgs a) {
    if (a.oWnd.isNil()) a.oWnd = owner;
    if (a.cMsg.isNil()) a.cMsg = "Ready";
    return lanmere::construct<TMsgBar>(a);
  }
  Value newPane(const Value& onBar, long long width, const Value& action = {}, bool add = true) {
    return lanmere::construct<TMsgItem>(
        {.oMsgBar = onBar, .cMsg = "pane", .nWidth = width, .lAdd = add, .bAction = action});
  }
  static void repaintNow(HWND hwnd) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }

  Value owner;
  std::size_t resourcesBefore = 0;
  long itemsBefore = 0;
};

TEST_F(MsgBar, PlacementAndHeightAlsoAfterTheParentIsResized) {
  const Value b = newBar({});
  const HWND parent = hwndOf(owner);
  EXPECT_TRUE(as<TWindow>(owner).oMsgBar.sharesStorageWith(b));
  EXPECT_TRUE(GETMSGBARDEFAULT().sharesStorageWith(b));
  const long long height = as<TWindow>(owner).nGetChrHeight().integer() + 8;
  EXPECT_EQ(as<TMsgBar>(b).Height().integer(), height);
  const LONG style = GetWindowLongA(as<TMsgBar>(b).hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_VISIBLE | WS_CHILD | WS_BORDER), WS_VISIBLE | WS_CHILD | WS_BORDER);
  for (SIZE size : {SIZE{0, 0}, SIZE{640, 300}}) {
    if (size.cx) SetWindowPos(parent, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(parent, &client);
    const RECT r = rectInParent(as<TMsgBar>(b).hwnd());
    EXPECT_EQ(r.bottom, client.bottom) << size.cx;
    EXPECT_EQ(r.bottom - r.top, height) << size.cx;
    EXPECT_EQ(r.left, -1) << size.cx;
    EXPECT_EQ(r.right, client.right + 1) << size.cx;
  }
}

TEST_F(MsgBar, PanesArePackedFromTheRight) {
  overrideAppThemed(true);
  const Value b = newBar({.lClock = true, .lKbd = true});
  // Right to left: clock, "Ins", "Caps", "Num".
  std::vector<Value> panes = {as<TMsgBar>(b).oClock, as<TMsgBar>(b).oKeyIns,
                              as<TMsgBar>(b).oKeyCaps, as<TMsgBar>(b).oKeyNum};
  for (std::size_t n = 1; n < panes.size(); ++n) {
    EXPECT_LT(as<TMsgItem>(panes[n]).nLeft().integer() + as<TMsgItem>(panes[n]).width(),
              as<TMsgItem>(panes[n - 1]).nLeft().integer())
        << n;
  }
  EXPECT_EQ(as<TMsgBar>(b).GetItems().integer(), 4);
  EXPECT_EQ(as<TMsgItem>(as<TMsgBar>(b).oKeyCaps).cMsg.string(), "Caps");
  // InsItem: 0 and nil do nothing, past the end appends; DelItem removes.
  const Value extra = newPane(b, 40, {}, false);
  as<TMsgBar>(b).InsItem(extra, 0);
  as<TMsgBar>(b).InsItem(extra, {});
  EXPECT_EQ(as<TMsgBar>(b).GetItems().integer(), 4);
  as<TMsgBar>(b).InsItem(extra, 99);
  EXPECT_TRUE(as<TMsgBar>(b).aItems.item(5).sharesStorageWith(extra));
  // The last pane, 40 wide, on a bar whose right edge is 800 starts at 800 - 13 - 38.
  MoveWindow(as<TMsgBar>(b).hwnd(), -1, 0, 802, 30, FALSE);  // a one-pixel border on each side
  RECT r{};
  GetClientRect(as<TMsgBar>(b).hwnd(), &r);
  ASSERT_EQ(r.right, 800);
  EXPECT_EQ(as<TMsgItem>(extra).nLeft().integer(), 749);
  as<TMsgBar>(b).DelItem(extra);
  EXPECT_EQ(as<TMsgBar>(b).GetItems().integer(), 4);
  as<TMsgItem>(extra).End();
  as<TMsgBar>(b).KeybOff();
  EXPECT_EQ(as<TMsgBar>(b).GetItems().integer(), 1);
  EXPECT_TRUE(as<TMsgBar>(b).oKeyCaps.isNil());
}

TEST_F(MsgBar, AClickInsideAPaneRunsItsAction) {
  const Value b = newBar({});
  std::vector<std::pair<long long, long long>> clicks;
  const Value p = newPane(b, 60, closure([&clicks](Args a) {
                            clicks.emplace_back(a[0].integer(), a[1].integer());
                            return Value();
                          }));
  const int left = static_cast<int>(as<TMsgItem>(p).nLeft().integer());
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left + 10, 8));
  SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(left + 10, 8));
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left - 20, 8));  // left of it
  SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(left - 20, 8));
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left + 10, 3));  // above row 5
  SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(left + 10, 3));
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], std::make_pair(8LL, static_cast<long long>(left + 10)));
}

// The tooltip windows this thread has open for `owner`'s top-level window (a pop-up is owned
// by the top-level window of the child it was made for).
BOOL CALLBACK collectToolTip(HWND hwnd, LPARAM data) {
  auto& [wanted, found] = *reinterpret_cast<std::pair<HWND, std::vector<HWND>>*>(data);
  if (windowClassName(hwnd) == TOOLTIPS_CLASSA && GetWindow(hwnd, GW_OWNER) == wanted) {
    found.push_back(hwnd);
  }
  return TRUE;
}

std::vector<HWND> toolTipsOf(HWND owner) {
  std::pair<HWND, std::vector<HWND>> search{owner, {}};
  EnumThreadWindows(GetCurrentThreadId(), collectToolTip, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// The pointer over a pane with an action shows the hand, remembers the pane and opens its tooltip;
// off the panes the tooltip goes. The window's own message reaches the bar as it is hovered.
TEST_F(MsgBar, HoveringPanesAndTheWindowsMessage) {
  const Value b = newBar({});
  const Value p = newPane(b, 60, closure([](Args) { return Value(); }));
  as<TMsgItem>(p).cToolTip = "Pane help";
  const int left = static_cast<int>(as<TMsgItem>(p).nLeft().integer());
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(left + 10, 8));
  EXPECT_EQ(as<TMsgBar>(b).nItem.integer(), 1);
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
  const std::vector<HWND> tips = toolTipsOf(hwndOf(owner));
  ASSERT_EQ(tips.size(), 1u);
  char text[32] = {};
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.lpszText = text;
  ASSERT_TRUE(SendMessageA(tips[0], TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_STREQ(text, "Pane help");
  SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(left - 20, 8));
  EXPECT_EQ(as<TMsgBar>(b).nItem.integer(), 0);
  EXPECT_FALSE(IsWindow(tips[0]));

  as<TWindow>(owner).cMsg = "Over the window";
  SendMessageA(hwndOf(owner), WM_MOUSEMOVE, 0, MAKELPARAM(30, 30));
  EXPECT_EQ(as<TMsgBar>(b).cMsg.string(), "Over the window");
}

// In fast-edit mode a right click opens the design menu: "Date" switches the date pane on,
// "Source code..." shows the bar's source in a viewer, "Prompt..." edits the default message.
TEST_F(MsgBar, TheDesignMenu) {
  const Value b = newBar({});
  as<TMsgBar>(b).lFastEdit = true;
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  const auto choose = [&](std::vector<WORD> keys, DialogSteps::Step inDialog) {
    std::vector<DialogSteps::Step> steps{[keys](HWND) { return menuKeys(keys); }};
    if (inDialog) {
      steps.push_back([](HWND dialog) { return dialog && GetDlgItem(dialog, 100); });
      steps.push_back(inDialog);
    }
    DialogSteps driver(steps);
    SetForegroundWindow(hwndOf(owner));
    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    driver.rethrow();
    EXPECT_TRUE(driver.done());
  };
  choose({VK_DOWN, VK_DOWN, VK_RETURN}, nullptr);
  EXPECT_TRUE(as<TMsgBar>(b).oDate.isObject());

  std::string source, caption;
  choose({VK_UP, VK_RETURN}, [&](HWND dialog) {
    source = itemText(dialog, 100);
    caption = windowText(dialog);
    pressKeys({VK_ESCAPE});
    return true;
  });
  EXPECT_EQ(caption, "Source code");
  EXPECT_EQ(source, "   SET MESSAGE OF oWnd TO \"Ready\" DATE\r\n");

  choose({VK_DOWN, VK_RETURN}, [&](HWND dialog) {
    SendDlgItemMessageA(dialog, 100, EM_SETSEL, 0, -1);
    typeText("Hello");
    pressKeys({VK_RETURN});
    return true;
  });
  EXPECT_EQ(as<TMsgBar>(b).cMsgDef.string(), "Hello");
}

// A colour text is "fore/back" or "fore,back"; a part that is no colour number keeps the bar's
// colour for that part.
TEST_F(MsgBar, ColourTextsKeepTheBarsColourForABadPart) {
  const Value b = newBar({.nClrFore = 1, .nClrBack = 2});
  const struct {
    const char* text;
    long long fore, back;
  } cases[] = {{"255/65280", 255, 65280},
               {"7,8", 7, 8},
               {"red/blue", 1, 2},
               {"12/", 12, 2},
               {"/5", 1, 5},
               {"99999999999999999999/3", 1, 3},
               {"4/4294967296", 4, 2},
               {"-4/ 9 ", 1, 9},
               {"12", 1, 2}};
  for (const auto& c : cases) {
    const Value p = lanmere::construct<TMsgItem>(
        {.oMsgBar = b, .cMsg = "x", .nClrFore = c.text, .lAdd = false});
    EXPECT_EQ(as<TMsgItem>(p).nClrText.integer(), c.fore) << c.text;
    EXPECT_EQ(as<TMsgItem>(p).nClrPane.integer(), c.back) << c.text;
    as<TMsgItem>(p).End();
  }
}

// The pane's tooltip stands above the bar, one 14-pixel row per line of at most 254 characters
// (wrapped at a blank); CR LF ends a line.
TEST_F(MsgBar, ToolTipRowsCountHardLineBreaks) {
  const Value b = newBar({});
  const Value p = newPane(b, 60, closure([](Args) { return Value(); }));
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  const int left = static_cast<int>(as<TMsgItem>(p).nLeft().integer());
  std::string words;  // 300 characters: 250 on the first line, 50 on the second
  for (int i = 0; i < 60; ++i) words += "word ";
  const struct {
    std::string tip;
    int lines;
  } cases[] = {{"One line", 1}, {"one\r\ntwo\r\nthree", 3}, {words, 2}, {"head\r\n" + words, 3}};
  for (const auto& c : cases) {
    as<TMsgItem>(p).cToolTip = c.tip;
    as<TMsgBar>(b).nItem = 1;
    as<TMsgBar>(b).ShowToolTip();
    const std::vector<HWND> tips = toolTipsOf(hwndOf(owner));
    ASSERT_EQ(tips.size(), 1u) << c.lines;
    POINT expected{left, -c.lines * 14 - 2};
    ClientToScreen(hwnd, &expected);
    POINT shown{0, 0};  // the tip's text area starts at the point asked for
    ClientToScreen(tips[0], &shown);
    EXPECT_EQ(shown.y, expected.y) << c.lines;
    EXPECT_EQ(shown.x, expected.x) << c.lines;
    as<TMsgBar>(b).DestroyToolTip();
  }
}

// MSGPAINT on a memory context of the bar's client size: the message area is the client shrunk
// by 4, ending 11 pixels before the panes; the raised frame runs round the whole bar, the sunken
// one round the message area and ends 9 pixels before the panes (4 before the edge without
// panes).
TEST_F(MsgBar, MsgPaintGeometry) {
  const Value b = newBar({});
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  RECT client{};
  GetClientRect(hwnd, &client);
  const int w = client.right, h = client.bottom;
  ASSERT_GT(h, 12);
  const COLORREF marker = RGB(255, 0, 255), back = RGB(0, 0, 200);
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  HDC screen = GetDC(hwnd);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(hwnd, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  const auto paint = [&](bool frame, long long itemsLeft) {
    HBRUSH brush = CreateSolidBrush(marker);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    Value args[] = {
        number(hwnd), "",        "", frame, false, itemsLeft, 0, static_cast<long long>(back), 0,
        true,         number(dc)};
    MSGPAINT(Args(args));
  };
  struct Pixel {
    int x, y;
    COLORREF colour;
  };
  const int mid = h / 2;
  paint(false, 200);
  for (const Pixel& p : std::vector<Pixel>{{4, 4, back},
                                           {188, h - 5, back},
                                           {3, mid, marker},
                                           {189, mid, marker},
                                           {20, 3, marker},
                                           {20, h - 4, marker},
                                           {0, 0, marker}}) {
    EXPECT_EQ(GetPixel(dc, p.x, p.y), p.colour) << "no frame: " << p.x << "," << p.y;
  }
  paint(true, 200);
  for (const Pixel& p : std::vector<Pixel>{{0, mid, light},
                                           {20, 0, light},
                                           {w - 1, mid, shadow},
                                           {20, h - 1, shadow},
                                           {3, mid, shadow},
                                           {20, 3, shadow},
                                           {191, mid, light},
                                           {20, h - 4, light},
                                           {188, mid, back},
                                           {189, mid, marker},
                                           {190, mid, marker},
                                           {192, mid, marker}}) {
    EXPECT_EQ(GetPixel(dc, p.x, p.y), p.colour) << "frame: " << p.x << "," << p.y;
  }
  paint(true, 0);
  for (const Pixel& p : std::vector<Pixel>{{w - 5, mid, back}, {w - 4, mid, light}}) {
    EXPECT_EQ(GetPixel(dc, p.x, p.y), p.colour) << "no panes: " << p.x << "," << p.y;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

// A classic pane: its colour fills rows 5 to the bar's height - 7 from its left edge to 4 pixels
// before its right; a sunken separator stands 4 pixels left of it; the inset frame runs from
// row 3 and its left + 1 to row height - 5 and its right - 4.
TEST_F(MsgBar, ClassicPaneRectangles) {
  const Value b = newBar({});
  const COLORREF paneColour = RGB(0, 128, 255);
  const Value p = lanmere::construct<TMsgItem>({.oMsgBar = b,
                                                .cMsg = "",
                                                .nWidth = 60,
                                                .nClrFore = 0,
                                                .nClrBack = static_cast<long long>(paneColour),
                                                .lAdd = true});
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  repaintNow(hwnd);
  const int left = static_cast<int>(as<TMsgItem>(p).nLeft().integer());
  const int h = static_cast<int>(as<TMsgBar>(b).Height().integer());
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF face = static_cast<COLORREF>(as<TMsgBar>(b).nClrPane.integer());
  const int mid = h / 2;
  const struct {
    int x, y;
    COLORREF colour;
  } pixels[] = {
      {left + 2, 5, paneColour}, {left + 55, h - 7, paneColour}, {left + 10, 4, face},
      {left + 10, h - 6, face},  {left + 56, mid, light},        {left - 4, mid, shadow},
      {left - 3, mid, light},    {left + 1, mid, shadow},        {left + 10, 3, shadow},
      {left + 10, h - 5, light}, {left + 57, mid, face},
  };
  for (const auto& px : pixels) {
    EXPECT_EQ(windowPixel(hwnd, px.x, px.y), px.colour) << px.x - left << "," << px.y;
  }
}

TEST_F(MsgBar, SetMsgInTheClassicLookDrawsOnlyAChange) {
  const Value b = newBar({.cMsg = "Default text", .lClock = true, .lKbd = true});
  const HWND hwnd = as<TMsgBar>(b).hwnd();
  // The message is the bar's window text too, for programs that read the screen.
  EXPECT_EQ(windowText(hwnd), "Default text");
  repaintNow(hwnd);
  const COLORREF back = windowPixel(hwnd, 6, 6);
  auto smear = [&] {
    HDC dc = GetDC(hwnd);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT area{5, 5, 60, 8};
    FillRect(dc, &area, red);
    DeleteObject(red);
    ReleaseDC(hwnd, dc);
  };
  struct Step {
    const char* text;
    bool repaints;
  };
  // The parent's SetMsg reaches the bar through oMsgBar.
  const Step steps[] = {{"Saving", true}, {"Saving", false}, {"", true}, {"", false}};
  for (const Step& step : steps) {
    smear();
    as<TWindow>(owner).SetMsg(Value(step.text));
    EXPECT_EQ(as<TMsgBar>(b).cMsg.string(), step.text);
    // An empty message shows the default one.
    EXPECT_EQ(windowText(hwnd), *step.text ? step.text : "Default text");
    EXPECT_EQ(windowPixel(hwnd, 6, 6), step.repaints ? back : RGB(255, 0, 0)) << step.text;
  }
  // A closure is evaluated; nil is "".
  as<TMsgBar>(b).SetMsg(closure([](Args) { return Value("From a block"); }));
  EXPECT_EQ(as<TMsgBar>(b).cMsg.string(), "From a block");
  EXPECT_EQ(windowText(hwnd), "From a block");
  as<TMsgBar>(b).SetMsg({});
  EXPECT_EQ(as<TMsgBar>(b).cMsg.string(), "");
  EXPECT_EQ(windowText(hwnd), "Default text");
  repaintNow(hwnd);
  EXPECT_TRUE(saveScreenshot("msgbar_classic.bmp"));
}

TEST_F(MsgBar, FlatBackgroundsKeepTheirOwnColours) {
  // The bitmaps: sizes and every row.
  for (bool blue : {true, false}) {
    const Value made = blue ? MSGBAR2007({}) : MSGBAR2010({});
    const HBITMAP bitmap = handleFrom<HBITMAP>(made);
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    const std::vector<unsigned>& rows = blue ? kBlueRows : kGreyRows;
    EXPECT_EQ(info.bmWidth, blue ? 26 : 103);
    ASSERT_EQ(static_cast<std::size_t>(info.bmHeight), rows.size());
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int row = 0; row < info.bmHeight; ++row) {
      EXPECT_EQ(GetPixel(memory, info.bmWidth - 1, row),
                colour(rows[static_cast<std::size_t>(row)]))
          << blue << " row " << row;
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    trackedDelete(bitmap, [](HBITMAP h) { return DeleteObject(h); });
  }
  // Two bars of different looks, in two windows; destroying one leaves the other right.
  const Value second = shownWindow(300, 20, 520, 520, "msgbar 2010");
  const Value blue = newBar({.cMsg = "Blue look", .lClock = true, .lKbd = true, .l2007 = true});
  const Value grey =
      newBar({.oWnd = second, .cMsg = "Grey look", .lClock = true, .lKbd = true, .l2010 = true});
  EXPECT_FALSE(as<TMsgBar>(grey).l2007.logical());
  for (const Value& b : {blue, grey}) repaintNow(as<TMsgBar>(b).hwnd());
  EXPECT_EQ(windowPixel(as<TMsgBar>(blue).hwnd(), 2, 0), colour(kBlueRows[0]));
  EXPECT_EQ(windowPixel(as<TMsgBar>(grey).hwnd(), 2, 0), colour(kGreyRows[0]));
  as<TMsgBar>(blue).SetMsg("Flat message");
  EXPECT_EQ(as<TMsgBar>(blue).cMsg.string(), "Flat message");
  UpdateWindow(as<TMsgBar>(blue).hwnd());
  EXPECT_TRUE(saveScreenshot("msgbar_styles.bmp"));
  destroy(owner);
  EXPECT_EQ(flatBarBitmap(true), nullptr);
  EXPECT_NE(flatBarBitmap(false), nullptr);
  repaintNow(as<TMsgBar>(grey).hwnd());
  EXPECT_EQ(windowPixel(as<TMsgBar>(grey).hwnd(), 2, 0), colour(kGreyRows[0]));
  destroy(second);
  EXPECT_EQ(flatBarBitmap(false), nullptr);
}

TEST_F(MsgBar, TheCapsPaneFollowsTheKeyboard) {
  const Value b = newBar({.lKbd = true});
  TMsgItem& caps = as<TMsgItem>(as<TMsgBar>(b).oKeyCaps);
  const bool initially = (GetKeyState(VK_CAPITAL) & 1) != 0;
  EXPECT_EQ(caps.lActive.logical(), initially);
  BYTE keys[256];
  auto setCaps = [&keys](bool on) {
    GetKeyboardState(keys);
    keys[VK_CAPITAL] = on ? 1 : 0;
    SetKeyboardState(keys);
  };
  // A click on the pane presses the key through the system's input, and the timer shows the
  // new state within a few ticks.
  SetForegroundWindow(hwndOf(owner));
  const int left = static_cast<int>(caps.nLeft().integer());
  SendMessageA(as<TMsgBar>(b).hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(left + 5, 8));
  const bool clicked = pumpUntil([&] { return caps.lActive.logical() != initially; }, 3000);
  // Toggled through the keyboard state: followed too.
  setCaps(!caps.lActive.logical());
  const bool expected = (GetKeyState(VK_CAPITAL) & 1) != 0;
  EXPECT_TRUE(pumpUntil([&] { return caps.lActive.logical() == expected; }, 3000));
  setCaps(initially);
  EXPECT_TRUE(pumpUntil([&] { return caps.lActive.logical() == initially; }, 3000));
  EXPECT_TRUE(clicked) << "the click did not toggle Caps Lock";
}

TEST_F(MsgBar, DoubleClickShowsAndRestoresTheResourceTitle) {
  const Value b = newBar({.lClock = true});
  const HWND parent = hwndOf(owner);
  auto title = [&] { return windowText(parent); };
  const std::string prefix = sizeof(void*) == 8 ? "(64 bits) MemUsed: " : "(32 bits) MemUsed: ";
  SendMessageA(as<TMsgBar>(b).hwnd(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(20, 8));
  EXPECT_TRUE(as<TMsgBar>(b).lCheckRes.logical());
  EXPECT_TRUE(pumpUntil([&] { return title().rfind(prefix, 0) == 0; }, 3000)) << title();
  EXPECT_NE(title().find(" Resources: 90% Running time: "), std::string::npos) << title();
  SendMessageA(as<TMsgBar>(b).hwnd(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(20, 8));
  EXPECT_TRUE(pumpUntil([&] { return title() == "msgbar"; }, 3000)) << title();
  EXPECT_TRUE(as<TMsgBar>(b).Cargo.isNil());
}

// A pane with a bitmap file: as wide as the picture + 7, the picture drawn in it (the inactive
// one while it is off), both deleted with the bar; a name that is neither file nor resource
// leaves the pane without one.
TEST_F(MsgBar, PaneBitmaps) {
  TempFolder folder;
  const std::string red = folder / "red.bmp", blue = folder / "blue.bmp";
  // The bottom-left pixel is the key colour, left out when the picture is drawn.
  const auto picture = [](COLORREF colour) {
    return [colour](int x, int y) { return x == 0 && y == 11 ? RGB(0, 255, 0) : colour; };
  };
  ASSERT_TRUE(writeBitmapFile(red, 16, 12, picture(RGB(255, 0, 0))));
  ASSERT_TRUE(writeBitmapFile(blue, 16, 12, picture(RGB(0, 0, 255))));
  const Value b = newBar({});
  const std::size_t withBar = trackedResources().size();
  const Value p = lanmere::construct<TMsgItem>(
      {.oMsgBar = b, .cMsg = "", .lAdd = true, .cBmp1 = red, .cBmp2 = blue});
  EXPECT_EQ(as<TMsgItem>(p).nWidth.integer(), 16 + 7);
  const Value bare = lanmere::construct<TMsgItem>(
      {.oMsgBar = b, .cMsg = "", .lAdd = false, .cBmp1 = folder / "none.bmp"});
  EXPECT_EQ(as<TMsgItem>(bare).hBitmap1.integer(), 0);
  as<TMsgItem>(bare).End();
  // The two pictures, and the failed load's record with handle 0.
  ASSERT_EQ(trackedResources().size(), withBar + 3);
  EXPECT_EQ(trackedResources().back().handle, 0);

  const HWND hwnd = as<TMsgBar>(b).hwnd();
  const int left = static_cast<int>(as<TMsgItem>(p).nLeft().integer());
  const auto pictureAt = [&]() -> COLORREF {
    repaintNow(hwnd);
    for (int x = left; x < left + 23; ++x) {
      const COLORREF c = windowPixel(hwnd, x, 8);
      if (c == RGB(255, 0, 0) || c == RGB(0, 0, 255)) return c;
    }
    return CLR_INVALID;
  };
  EXPECT_EQ(pictureAt(), RGB(255, 0, 0));
  as<TMsgItem>(p).lActive = false;
  EXPECT_EQ(pictureAt(), RGB(0, 0, 255));
  destroy(owner);
  for (std::size_t n = resourcesBefore; n < trackedResources().size(); ++n) {
    if (trackedResources()[n].handle == 0) continue;
    ADD_FAILURE() << "left: " << trackedResources()[n].type << " " << trackedResources()[n].chain;
  }
}

TEST_F(MsgBar, NothingIsLeftAfterTheWindowCloses) {
  const Value b = newBar({.lClock = true, .lDate = true, .lKbd = true, .l2007 = true});
  newPane(b, 50);
  repaintNow(as<TMsgBar>(b).hwnd());
  const Value timer = as<TMsgBar>(b).oTimer;
  ASSERT_TRUE(timer.isObject());
  auto& t = as<TTimer>(timer);
  EXPECT_EQ(t.nInterval.integer(), 400);
  EXPECT_TRUE(t.lActive.logical());
  destroy(owner);
  EXPECT_TRUE(GETMSGBARDEFAULT().isNil());
  EXPECT_TRUE(as<TWindow>(owner).oMsgBar.isNil());
  EXPECT_EQ(TMsgItem::liveCount(), itemsBefore);
  EXPECT_FALSE(t.lActive.logical());
  // Out of the registry: its identifier runs nothing any more.
  int ticks = 0;
  t.bAction = counter(ticks);
  TIMEREVENT(t.nId);
  EXPECT_EQ(ticks, 0);
  for (std::size_t n = resourcesBefore; n < trackedResources().size(); ++n) {
    ADD_FAILURE() << "left: " << trackedResources()[n].type << " " << trackedResources()[n].chain;
  }
}

// A bar without a font asks New for its own; when a live font has those settings New answers it,
// and that font is the bar's: the bar paints with its handle, holds one use and gives it back.
TEST_F(MsgBar, TheDefaultFontIsTheLiveFontOfTheSameSettings) {
  const Value live =
      lanmere::construct<TFont>({.cFaceName = "MS Sans Serif", .nWidth = 0, .nHeight = -12});
  auto& font = static_cast<TFont&>(*live.object());
  const long long uses = font.nCount.integer();
  const Value b = newBar({});
  EXPECT_TRUE(as<TMsgBar>(b).oFont.sharesStorageWith(live));
  EXPECT_EQ(font.nCount.integer(), uses + 1);
  ASSERT_TRUE(as<TMsgBar>(b).oFont.isObject());
  EXPECT_FALSE(lanmere::isEmpty(static_cast<TFont&>(*as<TMsgBar>(b).oFont.object()).hFont))
      << "the bar paints with a font that has no handle";
  destroy(owner);
  EXPECT_EQ(font.nCount.integer(), uses);
  font.End();
  EXPECT_TRUE(lanmere::isEmpty(font.hFont)) << "a use was left behind: the font stays";
}

}  // namespace
}  // namespace kestrel::test
