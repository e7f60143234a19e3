// TWindow's geometry, size limits, shape drawing and bitmaps, frame styles, the colour dialog,
// DDE execution and scrolling, read back from the system and the display.
#include <gtest/gtest.h>
#include <windows.h>

#include <dde.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/core/fwmessages.h"
#include "framework/core/wndproc.h"
#include "framework/services/trect.h"
#include "runtime/binding.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

TEST(Geometry, MoveSizeBoundsAndCenterPlaceTheWindowAndUpdateItsEdges) {
  Value parent = pixelWindow(0, 0, 299, 399);
  Value child = childWindow(parent, 10);
  RECT client{};
  GetClientRect(hwndOf(parent), &client);
  struct Case {
    const char* method;
    std::vector<Value> args;
    RECT want;  // left, top, right, bottom (exclusive)
  };
  Case cases[] = {
      {"Move", {30, 40, 100, 50}, {40, 30, 140, 80}},
      {"SetSize", {60, 20}, {40, 30, 100, 50}},
      {"SetBounds", {5, 6, 104, 55}, {5, 6, 105, 56}},  // left, top, right, bottom, inclusive
      {"Center",
       {parent},
       {(client.right - 100) / 2, (client.bottom - 50) / 2, (client.right - 100) / 2 + 100,
        (client.bottom - 50) / 2 + 50}},
  };
  for (Case& c : cases) {
    lanmere::send(child, lanmere::symbol(c.method), Args(c.args));
    const RECT got = rectInParent(hwndOf(child));
    EXPECT_EQ(got.left, c.want.left) << c.method;
    EXPECT_EQ(got.top, c.want.top) << c.method;
    EXPECT_EQ(got.right, c.want.right) << c.method;
    EXPECT_EQ(got.bottom, c.want.bottom) << c.method;
    // The edges kept in the object are inclusive.
    EXPECT_EQ(as<TWindow>(child).nTop.integer(), got.top) << c.method;
    EXPECT_EQ(as<TWindow>(child).nLeft.integer(), got.left) << c.method;
    EXPECT_EQ(as<TWindow>(child).nBottom.integer(), got.bottom - 1) << c.method;
    EXPECT_EQ(as<TWindow>(child).nRight.integer(), got.right - 1) << c.method;
  }
  // A top window with no window given is centred in the work area.
  lanmere::send(parent, "Center");
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const RECT top = rectInParent(hwndOf(parent));
  EXPECT_NEAR(top.left - work.left, work.right - top.right, 1);
  EXPECT_NEAR(top.top - work.top, work.bottom - top.bottom, 1);
  destroy(parent);
}

// GetRect (in the parent's client coordinates for a child) and GetCliRect answer rectangles with
// inclusive edges, so SetCoors(GetRect()) leaves a window where it was.
TEST(Geometry, GetRectAndGetCliRectAnswerRectanglesSetCoorsTakesBack) {
  lanmere::registerModule(tRectModule());  // the rectangle is made by name
  Value top = shownWindow(30, 40, 229, 339);
  Value child = childWindow(top, 10);
  for (const Value& w : {top, child}) {
    const RECT before = rectInParent(hwndOf(w));
    RECT client{};
    GetClientRect(hwndOf(w), &client);
    const Value rect = lanmere::send(w, "GetRect");
    const Value cli = lanmere::send(w, "GetCliRect");
    using Edges = std::vector<long long>;
    EXPECT_EQ(integersOf(as<TRect>(rect).aRect),
              (Edges{before.top, before.left, before.bottom - 1, before.right - 1}));
    EXPECT_EQ(integersOf(as<TRect>(cli).aRect), (Edges{0, 0, client.bottom - 1, client.right - 1}));
    for (int round = 0; round < 2; ++round) lanmere::send(w, "SetCoors", {rect});
    const RECT after = rectInParent(hwndOf(w));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
  }
  destroy(top);
}

TEST(Geometry, TheMinMaxListLimitsTheSizeTheSystemGives) {
  Value w = pixelWindow(10, 10, 309, 409);
  // max size, max position, min track size, max track size; nil keeps the system's value.
  as<TWindow>(w).aMinMaxInfo =
      Value::list({Value(), Value(), Value(), Value(), 200, 150, 500, 400});
  MINMAXINFO info{};
  info.ptMaxSize = {1000, 900};
  SendMessageA(hwndOf(w), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMaxSize.x, 1000);
  EXPECT_EQ(info.ptMaxSize.y, 900);
  EXPECT_EQ(info.ptMinTrackSize.x, 200);
  EXPECT_EQ(info.ptMinTrackSize.y, 150);
  EXPECT_EQ(info.ptMaxTrackSize.x, 500);
  EXPECT_EQ(info.ptMaxTrackSize.y, 400);
  struct Case {
    int width, height, wantWidth, wantHeight;
  };
  for (const Case& c :
       {Case{50, 50, 200, 150}, Case{800, 700, 500, 400}, Case{300, 200, 300, 200}}) {
    lanmere::send(w, "SetSize", {c.width, c.height});
    const RECT got = rectInParent(hwndOf(w));
    EXPECT_EQ(got.right - got.left, c.wantWidth) << c.width;
    EXPECT_EQ(got.bottom - got.top, c.wantHeight) << c.height;
  }
  destroy(w);
}

// A window shown on top with a white pane, ready to be read back.
Value whiteWindow() {
  Value w = pixelWindow(60, 60, 219, 319);
  lanmere::send(w, "SetColor", {0, static_cast<long long>(RGB(255, 255, 255))});
  ShowWindow(hwndOf(w), SW_SHOWNORMAL);
  SetWindowPos(hwndOf(w), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  callWindows([&] { return UpdateWindow(hwndOf(w)); });
  return w;
}

TEST(Drawing, CircleFloodFillAndSayBitmapDrawWhereTheyAreAsked) {
  Value w = whiteWindow();
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), green = RGB(0, 160, 0);
  const HPEN pen = CreatePen(PS_SOLID, 1, red);
  // A circle of diameter 61 at row 10, column 20: its left edge at (20, 40), its inside white.
  lanmere::send(w, "Circle", {10, 20, 61, number(pen)});
  EXPECT_EQ(windowPixel(hwndOf(w), 20, 40), red);
  EXPECT_EQ(windowPixel(hwndOf(w), 50, 40), RGB(255, 255, 255));
  // Filling inside the red border stays inside it.
  lanmere::send(w, "FloodFill",
                {40, 50, static_cast<long long>(red), static_cast<long long>(blue)});
  EXPECT_EQ(windowPixel(hwndOf(w), 50, 40), blue);
  EXPECT_EQ(windowPixel(hwndOf(w), 5, 5), RGB(255, 255, 255));
  // A bitmap handle, stretched to 20 x 10 at row 80, column 100.
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
  const HDC memory = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  const HBRUSH fill = CreateSolidBrush(green);
  const RECT all{0, 0, 4, 4};
  FillRect(memory, &all, fill);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  lanmere::send(w, "SayBitmap", {80, 100, number(bitmap), 20, 10});
  EXPECT_EQ(windowPixel(hwndOf(w), 119, 89), green);
  EXPECT_EQ(windowPixel(hwndOf(w), 121, 89), RGB(255, 255, 255));
  EXPECT_EQ(windowPixel(hwndOf(w), 119, 91), RGB(255, 255, 255));
  DeleteObject(fill);
  DeleteObject(bitmap);
  DeleteObject(pen);
  destroy(w);
}

std::uint32_t le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

TEST(Drawing, SaveToBmpWritesTheClientAreaAsA24BitFile) {
  Value w = whiteWindow();
  lanmere::send(w, "SetPixel", {0, 0, static_cast<long long>(RGB(10, 20, 30))});
  const TempFolder folder;
  const std::string file = folder / "kestrel_window.bmp";
  ASSERT_TRUE(lanmere::send(w, "SaveToBmp", {file}).logical());
  const std::string bytes = readFile(file);
  RECT client{};
  GetClientRect(hwndOf(w), &client);
  ASSERT_GT(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(le32(bytes, 2), bytes.size());
  const std::uint32_t offset = le32(bytes, 10);
  EXPECT_EQ(le32(bytes, 18), static_cast<std::uint32_t>(client.right));
  EXPECT_EQ(le32(bytes, 22), static_cast<std::uint32_t>(client.bottom));
  EXPECT_EQ(bytes[28], 24);
  // Rows run bottom-up and each pixel is blue, green, red: the top-left pixel starts the last row.
  const std::size_t stride = (static_cast<std::size_t>(client.right) * 3 + 3) & ~std::size_t{3};
  const std::size_t topLeft = offset + stride * static_cast<std::size_t>(client.bottom - 1);
  ASSERT_LE(topLeft + 6, bytes.size());
  EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft]), 30);
  EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft + 1]), 20);
  EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft + 2]), 10);
  EXPECT_EQ(static_cast<unsigned char>(bytes[topLeft + 3]), 255);
  destroy(w);
}

TEST(Frames, ToolWindowAndShadowChangeTheSystemStyles) {
  Value w = pixelWindow(10, 10, 109, 209);
  for (const bool on : {true, false}) {
    lanmere::send(w, "ToolWindow", {on});
    const LONG_PTR exStyle = GetWindowLongPtrA(hwndOf(w), GWL_EXSTYLE);
    EXPECT_EQ((exStyle & WS_EX_TOOLWINDOW) != 0, on);
    EXPECT_EQ(as<TWindow>(w).nExStyle.integer(), exStyle);
  }
  lanmere::send(w, "Shadow");
  EXPECT_TRUE(GetClassLongPtrA(hwndOf(w), GCL_STYLE) & CS_DROPSHADOW);
  destroy(w);
}

// The colour dialog, answered as a user would: red, green and blue typed, then OK or Cancel.
TEST(Dialogs, SelColorTakesTheChosenColourAndCancelKeepsTheOld) {
  Value w = pixelWindow(10, 10, 109, 209);
  lanmere::send(w, "SetColor", {static_cast<long long>(RGB(1, 2, 3)), 0});
  constexpr int kRed = 706, kGreen = 707, kBlue = 708;  // the dialog's own edit fields
  struct Case {
    bool fore;
    int button;
    long long wantText, wantPane;
  };
  const Case cases[] = {
      {true, IDOK, static_cast<long long>(RGB(10, 20, 30)), 0},
      {false, IDOK, static_cast<long long>(RGB(10, 20, 30)),
       static_cast<long long>(RGB(10, 20, 30))},
      {true, IDCANCEL, static_cast<long long>(RGB(10, 20, 30)),
       static_cast<long long>(RGB(10, 20, 30))},
  };
  for (const Case& c : cases) {
    DialogSteps steps({[&](HWND dialog) {
      if (!dialog || !GetDlgItem(dialog, kBlue)) return false;
      SetDlgItemInt(dialog, kRed, 10, FALSE);
      SetDlgItemInt(dialog, kGreen, 20, FALSE);
      SetDlgItemInt(dialog, kBlue, 30, FALSE);
      PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(c.button), 0);
      return true;
    }});
    lanmere::send(w, "SelColor", {c.fore});
    steps.rethrow();
    EXPECT_TRUE(steps.done());
    EXPECT_EQ(as<TWindow>(w).nClrText.integer(), c.wantText) << c.fore << c.button;
    EXPECT_EQ(as<TWindow>(w).nClrPane.integer(), c.wantPane) << c.fore << c.button;
  }
  destroy(w);
}

// The font dialog, answered OK or Cancel from inside its loop: the window takes the chosen font
// and gives back exactly its own use of the old one, which another holder still shares.
TEST(Dialogs, SelFontTakesTheChosenFontAndGivesTheOldOneBackOnce) {
  Value w = pixelWindow(10, 10, 109, 209);
  Value shared = newFont("Arial", -16);  // this test's own use
  lanmere::send(w, "SetFont", {shared});
  auto count = [](const Value& font) { return lanmere::send(font, "nCount").integer(); };
  ASSERT_EQ(count(shared), 2);
  {
    ModalDriver driver([](const BoxInfo&) { return IDCANCEL; });
    EXPECT_TRUE(lanmere::send(w, "SelFont").sharesStorageWith(shared));
    EXPECT_EQ(driver.seen().size(), 1u);
  }
  EXPECT_EQ(count(shared), 2);
  {
    ModalDriver driver([](const BoxInfo&) { return IDOK; });
    lanmere::send(w, "SelFont");
    EXPECT_EQ(driver.seen().size(), 1u);
  }
  const Value chosen = as<TWindow>(w).oFont;
  EXPECT_FALSE(chosen.sharesStorageWith(shared));
  EXPECT_EQ(count(chosen), 1);
  EXPECT_EQ(count(shared), 1);
  EXPECT_NE(lanmere::send(shared, "hFont").integer(), 0) << "still alive for its other holder";
  lanmere::send(shared, "End");
  destroy(w);
}

// A DDE client window: it keeps the acknowledgement it is posted.
class TDdeClientProbe : public TWindow {
  LM_CLASS(TDdeClientProbe, TWindow)
  MSG ack{};
  Value HandleEvent(const Value& nMsg, const Value& w, const Value& l) override {
    if (nMsg.integer() == WM_DDE_ACK) {
      ack.message = WM_DDE_ACK;
      ack.wParam = static_cast<WPARAM>(w.integer());
      ack.lParam = static_cast<LPARAM>(l.integer());
      return 0;
    }
    return TWindow::HandleEvent(nMsg, w, l);
  }
};
LM_DEFINE_CLASS(TDdeClientProbe) {
  c.creatable();
}

TEST(Dde, AnExecuteRequestReachesTheClosureAndIsAcknowledged) {
  TDdeClientProbe::Class();
  Value server = pixelWindow(10, 10, 109, 209);
  Value client = pixelWindow(10, 220, 109, 419, "", "TDDECLIENTPROBE");
  std::vector<std::string> commands;
  as<TWindow>(server).bDdeExecute = closure([&](Args a) {
    EXPECT_EQ(a[0].integer(), number(hwndOf(client)).integer());
    commands.push_back(a[1].string());
    return Value();
  });
  const char text[] = "[Open(\"weather.txt\")]";
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof text);
  std::memcpy(GlobalLock(memory), text, sizeof text);
  GlobalUnlock(memory);
  // The client posts the request, as the protocol has it; the server answers when it runs.
  PostMessageA(hwndOf(server), WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwndOf(client)),
               reinterpret_cast<LPARAM>(memory));
  ASSERT_TRUE(pumpUntil([&] { return !commands.empty(); }));
  EXPECT_EQ(commands, std::vector<std::string>{text});
  const MSG& ack = static_cast<TDdeClientProbe&>(as<TWindow>(client)).ack;
  ASSERT_TRUE(pumpUntil([&] { return ack.message == WM_DDE_ACK; }));
  EXPECT_EQ(ack.wParam, reinterpret_cast<WPARAM>(hwndOf(server)));
  UINT_PTR status = 0, handle = 0;
  UnpackDDElParam(WM_DDE_ACK, ack.lParam, &status, &handle);
  FreeDDElParam(WM_DDE_ACK, ack.lParam);
  EXPECT_EQ(status & 0x8000, 0x8000u);  // acknowledged
  EXPECT_EQ(handle, reinterpret_cast<UINT_PTR>(memory));
  GlobalFree(memory);
  destroy(client);
  destroy(server);
}

TEST(Dde, AnExecuteBlockWithoutAZeroByteIsReadNoFurtherThanItsEnd) {
  Value server = pixelWindow(10, 10, 109, 209);
  Value client = pixelWindow(10, 220, 109, 419);
  std::vector<std::string> commands;
  as<TWindow>(server).bDdeExecute = closure([&](Args a) {
    commands.push_back(a[1].string());
    return Value();
  });
  // 64 bytes: a size the system cannot round up, so the read would run on past it.
  const std::string bytes(64, 'x');
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size());
  ASSERT_EQ(GlobalSize(memory), bytes.size());
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  PostMessageA(hwndOf(server), WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwndOf(client)),
               reinterpret_cast<LPARAM>(memory));
  ASSERT_TRUE(pumpUntil([&] { return !commands.empty(); }));
  EXPECT_EQ(commands, std::vector<std::string>{bytes});
  destroy(client);  // its acknowledgement goes nowhere
  destroy(server);
  GlobalFree(memory);
}

// What a window's scroll bar or a scroll-bar control is told, as "name position".
std::vector<std::string> scrollCalls;

class TScrollProbe : public lanmere::Object {
  LM_CLASS(TScrollProbe, lanmere::Object)
  Value GoUp() { return note("GoUp"); }
  Value GoDown() { return note("GoDown"); }
  Value PageUp() { return note("PageUp"); }
  Value PageDown() { return note("PageDown"); }
  Value ThumbPos(const Value& n) { return note("ThumbPos", n); }
  Value ThumbTrack(const Value& n) { return note("ThumbTrack", n); }
  Value Destroy() { return {}; }  // a window's bars go with it

 private:
  static Value note(const char* name, const Value& n = Value()) {
    scrollCalls.push_back(std::string(name) +
                          (n.isNumber() ? " " + std::to_string(n.integer()) : ""));
    return {};
  }
};
LM_DEFINE_CLASS(TScrollProbe) {
  c.methods(LM_METHODS(GoUp, GoDown, PageUp, PageDown, ThumbPos, ThumbTrack, Destroy));
  c.creatable();
}

// A framework window standing for a scroll-bar control: it records the framework's messages.
class TScrollControlProbe : public TWindow {
  LM_CLASS(TScrollControlProbe, TWindow)
  Value HandleEvent(const Value& nMsg, const Value& w, const Value& l) override {
    switch (nMsg.integer()) {
      case kWmFrameworkLineUp:
        scrollCalls.push_back("LineUp");
        return 0;
      case kWmFrameworkLineDown:
        scrollCalls.push_back("LineDown");
        return 0;
      case kWmFrameworkPageUp:
        scrollCalls.push_back("PageUp");
        return 0;
      case kWmFrameworkPageDown:
        scrollCalls.push_back("PageDown");
        return 0;
      case kWmFrameworkThumbPos:
        scrollCalls.push_back("ThumbPos " + std::to_string(w.integer()));
        return 0;
      case kWmFrameworkThumbTrack:
        scrollCalls.push_back("ThumbTrack " + std::to_string(w.integer()));
        return 0;
      default:
        return TWindow::HandleEvent(nMsg, w, l);
    }
  }
};
LM_DEFINE_CLASS(TScrollControlProbe) {
  c.creatable();
}

TEST(Scrolling, TheWindowsBarsGoToTheirObjectsAndControlsGetTheFrameworkMessages) {
  TScrollProbe::Class();
  TScrollControlProbe::Class();
  Value w = pixelWindow(10, 10, 209, 309);
  as<TWindow>(w).oVScroll = lanmere::createObject("TSCROLLPROBE");
  as<TWindow>(w).oHScroll = lanmere::createObject("TSCROLLPROBE");
  Value control = childWindow(w, 10, "TSCROLLCONTROLPROBE");
  const std::vector<std::string> want = {"GoUp",     "GoDown",     "PageUp",
                                         "PageDown", "ThumbPos 7", "ThumbTrack 9"};
  const std::vector<std::string> wantControl = {"LineUp",   "LineDown",   "PageUp",
                                                "PageDown", "ThumbPos 7", "ThumbTrack 9"};
  const WPARAM codes[] = {SB_LINEUP,
                          SB_LINEDOWN,
                          SB_PAGEUP,
                          SB_PAGEDOWN,
                          MAKEWPARAM(SB_THUMBPOSITION, 7),
                          MAKEWPARAM(SB_THUMBTRACK, 9),
                          SB_ENDSCROLL};
  struct Case {
    UINT message;
    HWND from;
    const std::vector<std::string>& want;
  };
  for (const Case& c : {Case{WM_VSCROLL, nullptr, want}, Case{WM_HSCROLL, nullptr, want},
                        Case{WM_VSCROLL, hwndOf(control), wantControl}}) {
    scrollCalls.clear();
    for (const WPARAM code : codes) {
      EXPECT_EQ(SendMessageA(hwndOf(w), c.message, code, reinterpret_cast<LPARAM>(c.from)), 0);
    }
    EXPECT_EQ(scrollCalls, c.want) << c.message;
  }
  destroy(w);
}

}  // namespace
}  // namespace kestrel::test
