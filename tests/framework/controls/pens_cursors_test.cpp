// Pens, cursors and icons: sizes read back from the system, cursor masks read back with
// GetIconInfo, icons drawn into memory bitmaps, and the tracker's records of each.
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "framework/controls/cursors.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/icons.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/controls/tcursor.h"
#include "framework/controls/tpen.h"
#include "framework/core/colors.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/display/modules.h"
#include "tests/support/drawing.h"
#include "tests/support/files.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;
using test::bitmapPixel;
using test::Canvas;

// A printer as a pen sees it: its logical pixels per inch.
class TestDevice : public lanmere::Object {
  LM_CLASS(TestDevice, lanmere::Object)
  Value nLogPixelY = 600;
};
LM_DEFINE_CLASS(TestDevice) {
  c.data(LM_FIELDS(nLogPixelY));
}

// The bitmap class this system does not have, as NewBmp recognises it: by class name, members
// read by message; and a program's class derived from it.
class TestBitmap : public lanmere::Object {
  LM_CLASS(TestBitmap, lanmere::Object)
  Value hBitmap = 0;
  Value hPalette = 0;
};
LM_DEFINE_CLASS_AS(TestBitmap, "TBITMAP") {
  c.data(LM_FIELDS(hBitmap, hPalette));
}
class TestOwnBitmap : public TestBitmap {
  LM_CLASS(TestOwnBitmap, TestBitmap)
};
LM_DEFINE_CLASS_AS(TestOwnBitmap, "TOWNBITMAP") {}

class PensCursorsIcons : public test::DrawingTest {
 protected:
  void registerModules() override {
    DrawingTest::registerModules();
    test::registerModules({displayModules()});
  }
  static std::size_t records(const std::string& tag) { return test::liveRecords(tag); }
};

struct CursorShape {
  SIZE size;
  POINT hot;
  bool monochrome;
};

CursorShape shapeOf(HCURSOR cursor) {
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return {};
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  const bool monochrome = info.hbmColor == nullptr;
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return {{mask.bmWidth, monochrome ? mask.bmHeight / 2 : mask.bmHeight},
          {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)},
          monochrome};
}

// The pixel of a monochrome cursor as its AND and XOR bits make it.
CursorPixel cursorPixel(HCURSOR cursor, int x, int y) {
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return CursorPixel::kTransparent;
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  const bool andBit = bitmapPixel(info.hbmMask, x, y) != 0;
  const bool xorBit = bitmapPixel(info.hbmMask, x, y + mask.bmHeight / 2) != 0;
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (andBit) return xorBit ? CursorPixel::kInverted : CursorPixel::kTransparent;
  return xorBit ? CursorPixel::kWhite : CursorPixel::kBlack;
}

TEST_F(PensCursorsIcons, APenForADeviceIsWidenedToItsResolutionAndEndsOnce) {
  Ref<TPen> pen = lanmere::make<TPen>();
  pen->New(Value(), 2, rgb(255, 0, 0), Value(lanmere::make<TestDevice>()));
  const HPEN h = handleOf<HPEN>(pen->hPen);
  LOGPEN info{};
  ASSERT_EQ(GetObjectA(h, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.lopnWidth.x, 17);  // 2 x 600 / 72 = 16.7, rounded
  EXPECT_EQ(info.lopnColor, static_cast<COLORREF>(rgb(255, 0, 0)));
  EXPECT_TRUE(trackedResources().empty());  // pens are not recorded
  pen->End();
  EXPECT_FALSE(isGdiObject(h));
  EXPECT_EQ(pen->hPen.integer(), 0);
  pen->End();
  EXPECT_EQ(pen->hPen.integer(), 0);

  Ref<TPen> plain = lanmere::make<TPen>();
  plain->New();
  ASSERT_EQ(GetObjectA(handleOf<HPEN>(plain->hPen), sizeof info, &info),
            static_cast<int>(sizeof info));
  EXPECT_EQ(info.lopnWidth.x, 1);
  EXPECT_EQ(info.lopnStyle, static_cast<UINT>(PS_SOLID));
  plain->End();
}

TEST_F(PensCursorsIcons, TextWidthIsMeasuredWithTheFontAndLeavesTheContextAsItWas) {
  const HFONT big =
      CreateFontA(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  Canvas canvas(8, 8);
  const std::string text = "Wide text";
  const HGDIOBJ before = GetCurrentObject(canvas.dc(), OBJ_FONT);
  const long long withFont = GETTEXTWIDTH(canvas.handle(), text, handleNumber(big)).integer();
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), before);

  SIZE expected{};
  SelectObject(canvas.dc(), big);
  GetTextExtentPoint32A(canvas.dc(), text.data(), static_cast<int>(text.size()), &expected);
  SelectObject(canvas.dc(), before);
  EXPECT_EQ(withFont, expected.cx);
  EXPECT_LT(GETTEXTWIDTH(canvas.handle(), text, 0).integer(), withFont);
  EXPECT_EQ(GETTEXTWIDTH(0, text, handleNumber(big)).integer(), withFont);
  EXPECT_EQ(GETTEXTWIDTH(0, "", 0).integer(), 0);
  DeleteObject(big);
}

TEST_F(PensCursorsIcons, KeywordsGiveSystemCursorsAndAnUnknownOneShowsTheAlert) {
  Ref<TCursor> sizing = lanmere::make<TCursor>();
  sizing->New(Value(), "sizewe");
  EXPECT_EQ(handleOf<HCURSOR>(sizing->hCursor), LoadCursorA(nullptr, IDC_SIZEWE));
  EXPECT_TRUE(sizing->lPredef.logical());
  sizing->End();
  EXPECT_EQ(shapeOf(LoadCursorA(nullptr, IDC_SIZEWE)).size.cx, 32);  // shared: not destroyed

  test::ModalDriver driver([](const test::BoxInfo&) { return IDOK; });
  Ref<TCursor> wrong = lanmere::make<TCursor>();
  wrong->New(Value(), "sideways");
  EXPECT_TRUE(wrong->hCursor.isNil());
  ASSERT_EQ(driver.seen().size(), 1u);
  EXPECT_EQ(driver.seen()[0].text, "Wrong predefined cursor type!");
  wrong->End();
  EXPECT_EQ(wrong->hCursor.integer(), 0);
}

// The only test that makes the built-ins, so each is created (and recorded) here.
TEST_F(PensCursorsIcons, BuiltInCursorsAreMadeOnceAndNeverDestroyed) {
  struct Builtin {
    const char* name;
    HCURSOR (*get)();
  };
  const Builtin builtins[] = {
      {"stop", [] { return handleOf<HCURSOR>(GETCURSORSTOP()); }},
      {"drag", [] { return handleOf<HCURSOR>(GETCURSORDRAG()); }},
      {"drawn hand", builtinHandCursor},
  };
  for (const Builtin& b : builtins) {
    SCOPED_TRACE(b.name);
    const HCURSOR first = b.get();
    EXPECT_EQ(b.get(), first);
    const CursorShape shape = shapeOf(first);
    EXPECT_EQ(shape.size.cx, 32);
    EXPECT_EQ(shape.size.cy, 32);
    EXPECT_EQ(shape.hot.x, 6);
    EXPECT_EQ(shape.hot.y, 0);
    EXPECT_TRUE(shape.monochrome);
    EXPECT_EQ(cursorPixel(first, 6, 0), CursorPixel::kBlack);
    EXPECT_EQ(cursorPixel(first, 31, 0), CursorPixel::kTransparent);
    EXPECT_FALSE(DESTROYCURSOR(handleNumber(first)).logical());
    EXPECT_EQ(shapeOf(first).size.cx, 32);
  }
  EXPECT_EQ(records("CUR"), 3u);

  const HCURSOR systemHand = LoadCursorA(nullptr, IDC_HAND);
  EXPECT_EQ(handleOf<HCURSOR>(GETCURSORHAND()), systemHand ? systemHand : builtinHandCursor());
  Ref<TCursor> drag = lanmere::make<TCursor>();
  drag->New(Value(), "Drag");
  EXPECT_EQ(handleOf<HCURSOR>(drag->hCursor), builtins[1].get());
  drag->End();
  EXPECT_EQ(shapeOf(builtins[1].get()).size.cx, 32);
  EXPECT_EQ(records("CUR"), 3u);
}

TEST_F(PensCursorsIcons, TwoCursorsFromOneResourceAreEachTheirOwn) {
  Ref<TCursor> a = lanmere::make<TCursor>();
  Ref<TCursor> b = lanmere::make<TCursor>();
  a->New("TESTCURSOR");
  b->New("TESTCURSOR");
  ASSERT_NE(a->hCursor.integer(), 0);
  EXPECT_NE(a->hCursor.integer(), b->hCursor.integer());
  EXPECT_FALSE(a->lPredef.logical());
  EXPECT_EQ(records("CUR"), 2u);
  const HCURSOR second = handleOf<HCURSOR>(b->hCursor);
  a->End();
  EXPECT_EQ(a->hCursor.integer(), 0);
  const CursorShape shape = shapeOf(second);
  EXPECT_EQ(shape.hot.x, 3);
  EXPECT_EQ(shape.hot.y, 5);
  EXPECT_EQ(cursorPixel(second, 0, 0), CursorPixel::kBlack);
  EXPECT_EQ(cursorPixel(second, 5, 5), CursorPixel::kWhite);
  EXPECT_EQ(cursorPixel(second, 5, 21), CursorPixel::kInverted);
  b->End();
  EXPECT_EQ(records("CUR"), 0u);

  Ref<TCursor> missing = lanmere::make<TCursor>();
  missing->New("NOSUCHCURSOR");
  EXPECT_EQ(missing->hCursor.integer(), 0);
  missing->End();
}

// A bitmap of one row: the colours given, left to right.
HBITMAP rowBitmap(const std::vector<COLORREF>& colors) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, static_cast<int>(colors.size()), 2);
  const HDC dc = CreateCompatibleDC(screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  for (std::size_t x = 0; x < colors.size(); ++x) {
    SetPixel(dc, static_cast<int>(x), 0, colors[x]);
    SetPixel(dc, static_cast<int>(x), 1, colors[x]);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

TEST_F(PensCursorsIcons, BitmapCursorsClassifyEachPixelByTheColourLists) {
  const COLORREF ink = RGB(10, 20, 30), paper = RGB(250, 240, 230), flip = RGB(0, 0, 255),
                 between = RGB(15, 25, 35), other = RGB(128, 64, 32);
  const HBITMAP bitmap = rowBitmap({ink, paper, flip, between, other});
  // Nineteen greys, then the paper colour.
  const Value twenty = Value::list(
      {1LL,  2LL,  3LL,  4LL,  5LL,  6LL,  7LL,  8LL,  9LL,  10LL,
       11LL, 12LL, 13LL, 14LL, 15LL, 16LL, 17LL, 18LL, 19LL, static_cast<long long>(paper)});
  ASSERT_EQ(twenty.length(), 20u);
  using K = CursorPixel;
  struct Case {
    const char* name;
    bool ranges;
    Value black, white, invert;
    std::vector<K> expected;  // ink, paper, flip, between, other
  };
  const Case cases[] = {
      {"equality",
       false,
       Value::list({static_cast<long long>(ink)}),
       Value::list({static_cast<long long>(paper)}),
       Value::list({static_cast<long long>(flip)}),
       {K::kBlack, K::kWhite, K::kInverted, K::kTransparent, K::kTransparent}},
      {"channel ranges",
       true,
       Value::list({static_cast<long long>(ink), static_cast<long long>(RGB(20, 30, 40))}),
       twenty,
       Value::list(),
       {K::kBlack, K::kWhite, K::kTransparent, K::kBlack, K::kTransparent}},
      {"no lists",
       false,
       Value(),
       Value(),
       Value(),
       {K::kTransparent, K::kTransparent, K::kTransparent, K::kTransparent, K::kTransparent}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Value made = CREATEBMPCURSOR(handleNumber(bitmap), 0, 1, 2, c.ranges, c.black, c.white,
                                       Value(), c.invert);
    const HCURSOR cursor = handleOf<HCURSOR>(made);
    ASSERT_NE(cursor, nullptr);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(cursorPixel(cursor, x, 1), c.expected[x]) << x;
    EXPECT_EQ(cursorPixel(cursor, 10, 1), K::kTransparent);  // outside the bitmap
    EXPECT_EQ(cursorPixel(cursor, 0, 20), K::kTransparent);
    const CursorShape shape = shapeOf(cursor);
    EXPECT_EQ(shape.size.cx % 16, 0);
    EXPECT_GE(shape.size.cx, GetSystemMetrics(SM_CXCURSOR));
    EXPECT_EQ(shape.hot.x, 2);
    EXPECT_EQ(shape.hot.y, 1);
    EXPECT_TRUE(DESTROYCURSOR(made).logical());
  }
  const Value outside =
      CREATEBMPCURSOR(handleNumber(bitmap), 0, 500, -5, false, Value(), Value(), Value(), Value());
  const CursorShape clamped = shapeOf(handleOf<HCURSOR>(outside));
  EXPECT_EQ(clamped.hot.x, 0);
  EXPECT_EQ(clamped.hot.y, clamped.size.cy - 1);
  DESTROYCURSOR(outside);
  EXPECT_EQ(CREATEBMPCURSOR(0, 0, 0, 0, false, Value(), Value(), Value(), Value()).integer(), 0);
  EXPECT_EQ(records("CUR"), 0u);

  // NewBmp from a handle, a TBitmap (or a class derived from it) or a bitmap button replaces
  // the cursor it had; anything else keeps it.
  Ref<TestBitmap> plain = lanmere::make<TestBitmap>();
  plain->hBitmap = handleNumber(bitmap);
  Ref<TestOwnBitmap> derived = lanmere::make<TestOwnBitmap>();
  derived->hBitmap = handleNumber(bitmap);
  Ref<TBtnBmp> button = lanmere::make<TBtnBmp>();
  button->hBitmap1 = handleNumber(bitmap);
  const Value sources[] = {handleNumber(bitmap), Value(plain), Value(derived), Value(button)};
  for (const Value& source : sources) {
    Ref<TCursor> cursor = lanmere::make<TCursor>();
    cursor->New("TESTCURSOR");
    const Value loaded = cursor->hCursor;
    Value newBmp[] = {source, 0, 0, false, Value::list({static_cast<long long>(ink)})};
    cursor->NewBmp(lanmere::Args(newBmp));
    EXPECT_NE(cursor->hCursor.integer(), loaded.integer());
    EXPECT_EQ(records("CUR"), 1u);
    EXPECT_EQ(cursorPixel(handleOf<HCURSOR>(cursor->hCursor), 0, 0), K::kBlack);
    Value notABitmap[] = {Value("bitmap.bmp")};
    cursor->NewBmp(lanmere::Args(notABitmap));
    EXPECT_EQ(records("CUR"), 1u);
    cursor->End();
    EXPECT_EQ(records("CUR"), 0u);
  }
  button->hBitmap1 = 0;  // the bitmap is the test's
  DeleteObject(bitmap);
}

TEST_F(PensCursorsIcons, IconsArePrivateCopiesThatDrawAndAreForgottenWhenDestroyed) {
  const Value byName = LOADICON(GETRESOURCES(), "TESTICON");
  const Value byNumber = LOADICON(GETRESOURCES(), 77);
  ASSERT_NE(byName.integer(), 0);
  ASSERT_NE(byNumber.integer(), 0);
  EXPECT_NE(byName.integer(), byNumber.integer());
  EXPECT_EQ(records(kIconTag), 2u);
  EXPECT_EQ(LOADICON(GETRESOURCES(), "NOSUCHICON").integer(), 0);

  Canvas canvas(48, 48);
  EXPECT_TRUE(DRAWICON(canvas.handle(), 4, 8, byName).logical());
  EXPECT_EQ(canvas.at(8 + 5, 4 + 5), RGB(255, 0, 0));
  EXPECT_EQ(canvas.at(8 + 15, 4 + 15), RGB(0, 128, 0));
  EXPECT_EQ(canvas.at(8 + 1, 4 + 1), RGB(255, 255, 255));  // transparent corner

  EXPECT_TRUE(DESTROYICON(byName).logical());
  EXPECT_TRUE(DESTROYICON(byNumber).logical());
  EXPECT_EQ(records(kIconTag), 0u);

  const Value warning = LOADICON(0, 32515);
  EXPECT_EQ(handleOf<HICON>(warning), LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));
  EXPECT_EQ(records(kIconTag), 0u);
  EXPECT_FALSE(DESTROYICON(warning).logical());
  Canvas again(32, 32);
  EXPECT_TRUE(DRAWICON(again.handle(), 0, 0, warning).logical());
}

TEST_F(PensCursorsIcons, ExtractIconGivesZeroForAFileWithoutIcons) {
  std::ofstream("plain.txt") << "no icon here\n";
  EXPECT_EQ(EXTRACTICON("plain.txt", 0).integer(), 0);
  EXPECT_EQ(EXTRACTICON("missing.exe", 0).integer(), 0);
  EXPECT_EQ(records(kIconTag), 0u);

  const Value first = EXTRACTICON(test::thisProgram(), 0);
  ASSERT_NE(first.integer(), 0);
  EXPECT_EQ(records(kIconTag), 1u);
  EXPECT_TRUE(DESTROYICON(first).logical());

  // Nothing of this suite is left for CHECKRES to list.
  lanmere::callFunction("CHECKRES", {});
  EXPECT_EQ(file("checkres.txt"), test::kLogPrefix + std::string(100, '=') + "\t\r\n");
}

}  // namespace
}  // namespace kestrel
