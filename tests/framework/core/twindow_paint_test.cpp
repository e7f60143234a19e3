// TWindow's painting, colours and fonts, transparency, generated texts and tooltips, read back
// from the display and from the system.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/core/colors.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/builtins.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Value;

long long rgb(int red, int green, int blue) {
  return static_cast<long long>(RGB(red, green, blue));
}

// A window shown on top, painted, ready to be read back.
Value topWindow() {
  Value w = shownWindow(50, 50, 149, 249);
  SetWindowPos(hwndOf(w), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return w;
}

void repaint(const Value& w) {
  InvalidateRect(hwndOf(w), nullptr, TRUE);
  callWindows([&] { return UpdateWindow(hwndOf(w)); });
}

// A window that keeps the font it is given and answers it, as controls do.
class TFontProbe : public TWindow {
  LM_CLASS(TFontProbe, TWindow)
  int setFonts = 0;
  WPARAM font = 0;
  // As a dialog's New: the font is stored without taking a use.
  Value New(Args args) override {
    if (!args.empty()) oFont = args[0];
    return TWindow::New({});
  }
  Value HandleEvent(const Value& nMsg, const Value& w, const Value& l) override {
    if (nMsg.integer() == WM_SETFONT) {
      ++setFonts;
      font = static_cast<WPARAM>(w.integer());
    }
    if (nMsg.integer() == WM_GETFONT) return static_cast<long long>(font);
    return TWindow::HandleEvent(nMsg, w, l);
  }
};
LM_DEFINE_CLASS(TFontProbe) {
  c.creatable();
}

// A window whose painting steps say that they ran; its Paint breaks on request.
class TPaintSteps : public TWindow {
  LM_CLASS(TPaintSteps, TWindow)
  std::vector<std::string> steps;
  bool breakPaint = false;
  Value BeginPaint() override {
    steps.push_back("BeginPaint");
    return TWindow::BeginPaint();
  }
  Value Paint() override {
    steps.push_back("Paint");
    if (breakPaint) lanmere::doBreak();
    return TWindow::Paint();
  }
  Value EndPaint() override {
    steps.push_back("EndPaint");
    TWindow::EndPaint();
    return 9;
  }
};
LM_DEFINE_CLASS(TPaintSteps) {
  c.creatable();
}

long long count(const Value& resource) {
  return lanmere::send(resource, "nCount").integer();
}

TEST(Painting, PaintAnswersBPaintedAndThePaneShowsTheBrushColour) {
  Value w = topWindow();
  lanmere::send(w, "SetColor", {0, rgb(0, 0, 255)});
  int painted = 0;
  as<TWindow>(w).bPainted = closure([&](Args a) {
    ++painted;
    EXPECT_TRUE(a[2].sharesStorageWith(w));
    EXPECT_EQ(a[1].length(), sizeof(PAINTSTRUCT));
    return Value(42);
  });
  repaint(w);
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(windowPixel(hwndOf(w), 10, 10), rgb(0, 0, 255));
  // Paint's answer, between BeginPaint and EndPaint as the dispatcher sends them.
  struct Case {
    Value bPainted;
    long long answer;
  };
  for (const Case& c : {Case{as<TWindow>(w).bPainted, 42}, Case{Value(), 0}}) {
    as<TWindow>(w).bPainted = c.bPainted;
    lanmere::send(w, "BeginPaint");
    EXPECT_EQ(lanmere::send(w, "Paint").integer(), c.answer);
    lanmere::send(w, "EndPaint");
    EXPECT_EQ(as<TWindow>(w).nPaintCount.integer(), 0);
  }
  EXPECT_EQ(SendMessageA(hwndOf(w), WM_ERASEBKGND, 0, 0), 1);
  destroy(w);
}

// The paint message: BeginPaint, Paint and EndPaint in this order, EndPaint's answer the result;
// EndPaint runs also when Paint breaks.
TEST(Painting, DisplayPaintsBetweenBeginAndEndAlsoWhenPaintBreaks) {
  TPaintSteps::Class();
  const Value w = pixelWindow(50, 50, 149, 249, "", "TPAINTSTEPS");
  auto& window = static_cast<TPaintSteps&>(as<TWindow>(w));
  for (const bool breaks : {false, true}) {
    SCOPED_TRACE(breaks);
    window.steps.clear();
    window.breakPaint = breaks;
    LRESULT result = 0;
    bool broke = false;
    lanmere::beginSequence(
        [&] { result = callWindows([&] { return SendMessageA(hwndOf(w), WM_PAINT, 0, 0); }); },
        [&](const Value&) { broke = true; });
    EXPECT_EQ(broke, breaks);
    EXPECT_EQ(window.steps, (std::vector<std::string>{"BeginPaint", "Paint", "EndPaint"}));
    EXPECT_EQ(result, breaks ? 0 : 9);
    EXPECT_EQ(window.nPaintCount.integer(), 0);
  }
  destroy(w);
}

TEST(Painting, EraseClosureSayAndGradientDrawIntoTheWindow) {
  Value w = topWindow();
  as<TWindow>(w).bEraseBkGnd = closure([](Args a) {
    const HBRUSH red = CreateSolidBrush(rgb(255, 0, 0));
    RECT all{0, 0, 400, 400};
    FillRect(handleFrom<HDC>(a[0]), &all, red);
    DeleteObject(red);
    return Value();
  });
  as<TWindow>(w).bPainted = closure([&](Args) {
    lanmere::send(w, "Say", {0, 0, "WWWW", rgb(0, 0, 0), rgb(0, 255, 0), Value(), true});
    return Value(0);
  });
  repaint(w);
  EXPECT_EQ(windowPixel(hwndOf(w), 90, 60), rgb(255, 0, 0));
  int black = 0;
  int green = 0;
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 20; ++x) {
      const COLORREF pixel = windowPixel(hwndOf(w), x, y);
      black += pixel == rgb(0, 0, 0);
      green += pixel == rgb(0, 255, 0);
    }
  }
  EXPECT_GT(black, 0);
  EXPECT_GT(green, 0);

  as<TWindow>(w).bEraseBkGnd = Value();
  as<TWindow>(w).bPainted = Value();
  lanmere::send(w, "Gradient", {Value::list({Value::list({1, rgb(255, 0, 0), rgb(0, 0, 255)})})});
  repaint(w);
  RECT client{};
  GetClientRect(hwndOf(w), &client);
  // The ramp steps in whole 256ths: the last row is within a few units of the last stop.
  auto similar = [](COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= 8 &&
           std::abs(GetGValue(a) - GetGValue(b)) <= 8 && std::abs(GetBValue(a) - GetBValue(b)) <= 8;
  };
  EXPECT_EQ(windowPixel(hwndOf(w), 5, 0), rgb(255, 0, 0));
  EXPECT_TRUE(similar(windowPixel(hwndOf(w), 5, client.bottom - 1), RGB(0, 0, 255)));
  EXPECT_FALSE(similar(windowPixel(hwndOf(w), 5, client.bottom / 2), RGB(0, 0, 255)));
  destroy(w);
}

TEST(Painting, ABreakInBPaintedLeavesNoPaintStateBehind) {
  Value w = topWindow();
  as<TWindow>(w).bPainted = closure([](Args) -> Value { lanmere::doBreak(Value("out")); });
  Value caught;
  lanmere::beginSequence([&] { repaint(w); }, [&](const Value& v) { caught = v; });
  EXPECT_EQ(caught.text(), "out");
  EXPECT_EQ(as<TWindow>(w).nPaintCount.integer(), 0);
  EXPECT_TRUE(as<TWindow>(w).hDC.isNil());
  EXPECT_TRUE(as<TWindow>(w).cPS.isNil());
  int painted = 0;
  as<TWindow>(w).bPainted = closure([&](Args) { return Value(++painted); });
  repaint(w);
  EXPECT_EQ(painted, 1);
  // GetDC and ReleaseDC share the count and never go below 0.
  lanmere::send(w, "GetDC");
  EXPECT_EQ(as<TWindow>(w).nPaintCount.integer(), 1);
  lanmere::send(w, "ReleaseDC");
  lanmere::send(w, "ReleaseDC");
  EXPECT_EQ(as<TWindow>(w).nPaintCount.integer(), 0);
  EXPECT_TRUE(as<TWindow>(w).hDC.isNil());
  destroy(w);
}

// A bPainted that paints the window again inside (as one that drains the queue does) keeps its
// own paint: the inner one ends its own, and the outer finds its context and record again.
TEST(Painting, ANestedPaintKeepsTheOuterPaintsState) {
  Value w = topWindow();
  int paints = 0;
  bool kept = false;
  as<TWindow>(w).bPainted = closure([&](Args) {
    if (++paints == 1) {
      const long long dc = as<TWindow>(w).hDC.integer();
      const std::string record = as<TWindow>(w).cPS.string();
      repaint(w);
      kept = dc != 0 && as<TWindow>(w).hDC.integer() == dc &&
             as<TWindow>(w).cPS.string() == record && as<TWindow>(w).nPaintCount.integer() == 1;
    }
    return Value(0);
  });
  repaint(w);
  EXPECT_EQ(paints, 2);
  EXPECT_TRUE(kept);
  EXPECT_EQ(as<TWindow>(w).nPaintCount.integer(), 0);
  EXPECT_TRUE(as<TWindow>(w).hDC.isNil());
  EXPECT_TRUE(as<TWindow>(w).cPS.isNil());
  destroy(w);
}

// ---- Colours and fonts ----

TEST(Colors, AColorPairGivesItsColoursAndASolidBrush) {
  Value w = pixelWindow(30, 30, 120, 200);
  lanmere::send(w, "SetColor", {"W+/B"});
  EXPECT_EQ(as<TWindow>(w).nClrText.integer(), rgb(255, 255, 255));
  EXPECT_EQ(as<TWindow>(w).nClrPane.integer(), rgb(0, 0, 128));
  EXPECT_EQ(lanmere::send(as<TWindow>(w).oBrush, "nRGBColor").integer(), rgb(0, 0, 128));
  destroy(w);
}

TEST(Colors, SettingTheBrushOrFontAlreadyHeldCountsNothing) {
  Value w = pixelWindow(30, 30, 120, 200);
  Value brush = newBrush(rgb(1, 2, 3));
  Value font = newFont("Arial", -11);
  lanmere::send(w, "SetBrush", {brush});
  lanmere::send(w, "SetFont", {font});
  const Value hBrush = lanmere::send(brush, "hBrush");
  struct Case {
    const char* method;
    Value resource;
    std::vector<Value> args;
  };
  for (const Case& c : {Case{"SetBrush", brush, {brush}}, Case{"SetColor", brush, {0, 0, brush}},
                        Case{"SetFont", font, {font}}}) {
    std::vector<Value> args = c.args;
    lanmere::send(w, lanmere::symbol(c.method), Args(args));
    EXPECT_EQ(count(c.resource), 2) << c.method;
  }
  EXPECT_EQ(lanmere::send(brush, "hBrush").integer(), hBrush.integer());
  EXPECT_NE(GetObjectType(handleFrom<HGDIOBJ>(hBrush)), 0u);
  destroy(w);
  EXPECT_EQ(count(brush), 1);
  EXPECT_EQ(count(font), 1);
  lanmere::send(brush, "End");
  lanmere::send(font, "End");
}

TEST(Fonts, AFontStoredWithoutAUseIsCountedByTheFirstSetFont) {
  Value font = newFont("Arial", -15);
  Value w = lanmere::send(Value(lanmere::make<TFontProbe>()), "New", {font});
  auto& probe = as<TFontProbe>(w);
  EXPECT_EQ(count(font), 1);
  for (int call = 1; call <= 2; ++call) {
    lanmere::send(w, "SetFont", {font});
    EXPECT_EQ(count(font), 2);
    EXPECT_EQ(probe.setFonts, call);
  }
  Value other = newFont("Arial", -17);
  lanmere::send(w, "SetFont", {other});
  EXPECT_EQ(count(font), 1);
  EXPECT_EQ(count(other), 2);
  EXPECT_EQ(SendMessageA(hwndOf(w), WM_GETFONT, 0, 0),
            static_cast<LRESULT>(lanmere::send(other, "hFont").integer()));
  destroy(w);
  EXPECT_EQ(count(other), 1);
  lanmere::send(font, "End");
  lanmere::send(other, "End");
}

TEST(Fonts, AWindowWithoutFontGetsTheSystemFontOfHeight12) {
  Value w = pixelWindow(30, 30, 120, 200);
  const Value font = as<TWindow>(w).oFont;
  ASSERT_TRUE(font.isObject());
  EXPECT_EQ(lanmere::send(font, "nInpHeight").integer(), -12);
  EXPECT_GT(as<TWindow>(w).nChrHeight.integer(), 0);
  EXPECT_GT(as<TWindow>(w).nChrWidth.integer(), 0);
  destroy(w);
}

TEST(Alpha, OpacityAndSeeThroughColourMakeTheWindowLayered) {
  Value w = pixelWindow(30, 30, 120, 200);
  const HWND hwnd = hwndOf(w);
  auto layered = [&] { return (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) != 0; };
  lanmere::send(w, "_nOpacity", {0x180});  // masked to 8 bits
  EXPECT_TRUE(layered());
  BYTE alpha = 0;
  COLORREF key = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(alpha, 0x80);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
  lanmere::send(w, "_nSeeThroClr", {0x7F00FF00LL});
  ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
  EXPECT_EQ(key, 0x00FF00u);
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
  as<TWindow>(w).hAlphaColor = Value();
  as<TWindow>(w).hAlphaLevel = Value();
  lanmere::send(w, "SetAlphaLevel");
  EXPECT_FALSE(layered());
  Value child = childWindow(w, 10);
  lanmere::send(child, "_nOpacity", {100});
  EXPECT_FALSE(GetWindowLongPtrA(hwndOf(child), GWL_EXSTYLE) & WS_EX_LAYERED);
  destroy(w);
}

// ---- Generated texts ----

TEST(Texts, SourceLinesOfAWindowWithFontAndBrush) {
  Value w = pixelWindow(10, 20, 109, 219, "Main");
  Value font = newFont("Arial", -12);
  Value brush = newBrush(rgb(255, 0, 0));
  lanmere::send(w, "SetFont", {font});
  lanmere::send(w, "SetColor", {rgb(0, 0, 255), rgb(255, 0, 0), brush});
  const std::string expected =
      "   " + lanmere::send(font, "cGenPrg", {"oFont"}).string() + "\r\n" +
      lanmere::send(brush, "cGenPRG", {"oBrush"}).string() + "\r\n" +
      "   DEFINE WINDOW oWnd FROM 10, 20 TO 109, 219 PIXEL TITLE \"Main\" COLOR " +
      colorCode(rgb(0, 0, 255)) + ", " + colorCode(rgb(255, 0, 0)) +
      " FONT oFont BRUSH oBrush\r\n   ACTIVATE WINDOW oWnd\r\n";
  const Value generated = lanmere::send(w, "cGenPrg");
  EXPECT_EQ(generated.text(), expected);
  // The dialog class derives its text by replacing the words.
  Value args[] = {generated, "WINDOW", "DIALOG"};
  Value dialog = lanmere::STRTRAN(args);
  Value again[] = {dialog, "oWnd", "oDlg"};
  dialog = lanmere::STRTRAN(again);
  EXPECT_NE(dialog.text().find("   DEFINE DIALOG oDlg FROM 10, 20 TO 109, 219 PIXEL"),
            std::string::npos);
  EXPECT_NE(dialog.text().find("   ACTIVATE DIALOG oDlg\r\n"), std::string::npos);
  destroy(w);
  lanmere::send(font, "End");
  lanmere::send(brush, "End");
}

TEST(Texts, SaveToTextWritesTheDifferingProperties) {
  Value w = pixelWindow(10, 20, 109, 219, "Main");
  as<TWindow>(w).cVarName = "oMain";
  as<TWindow>(w).Cargo = 7;
  const Value font = as<TWindow>(w).oFont;
  const std::string expected =
      "OBJECT oMain AS TWINDOW\r\n\r\n"
      "   ::cTitle = \"Main\"\r\n"
      "   ::cVarName = \"oMain\"\r\n"
      "   ::nClrText = " +
      std::to_string(as<TWindow>(w).nClrText.integer()) +
      "\r\n"
      "   ::nClrPane = " +
      std::to_string(as<TWindow>(w).nClrPane.integer()) +
      "\r\n"
      "   ::nTop = 10\r\n   ::nLeft = 20\r\n   ::nWidth = 200\r\n   ::nHeight = 100\r\n"
      "   ::Cargo = 7\r\n\r\n" +
      lanmere::send(font, "SaveToText", {3}).string() + "\r\nENDOBJECT";
  EXPECT_EQ(lanmere::send(w, "SaveToText").string(), expected);
  EXPECT_EQ(lanmere::send(w, "SaveToRC").string(), "");
  destroy(w);
}

TEST(ToolTips, TheTipShowsTheTextAndGoesAway) {
  Value w = topWindow();
  as<TWindow>(w).cToolTip = closure([](Args) { return Value("Tip text"); });
  lanmere::send(w, "ShowToolTip");
  const HWND tip = toolTipState().tip;
  ASSERT_TRUE(IsWindow(tip));
  char name[64] = {};
  GetClassNameA(tip, name, sizeof name);
  EXPECT_STREQ(name, "tooltips_class32");
  EXPECT_EQ(GetWindowLongPtrA(tip, GWL_STYLE) & (TTS_ALWAYSTIP | TTS_NOPREFIX),
            TTS_ALWAYSTIP | TTS_NOPREFIX);
  char text[64] = {};
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = hwndOf(w);
  tool.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "Tip text");
  EXPECT_TRUE(IsWindowVisible(tip));
  lanmere::send(w, "DestroyToolTip");
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(toolTipState().tip, nullptr);
  destroy(w);
}

}  // namespace
}  // namespace kestrel::test
