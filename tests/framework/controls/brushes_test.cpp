// TBrush and the drawing natives: sharing by key, stock and pattern brushes, files and
// resources, gradients painted into memory bitmaps, resizing and cropping, and the tracker's
// records of every creation service.
#include "framework/controls/tbrush.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "framework/controls/bitmaps.h"
#include "framework/controls/gdiobj.h"
#include "framework/core/colors.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"
#include "tests/support/drawing.h"
#include "tests/support/ui.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;
using test::bitmapPixel;
using test::Canvas;
using test::DrawingTest;

// A window as a brush sees it: a drawing rectangle and, for Cropped, its brush.
class TestPane : public lanmere::Object {
  LM_CLASS(TestPane, lanmere::Object)
  Value hWnd = 0;
  Value oBrush;
  Value aRect;
  Value DataRect() { return aRect; }
};
LM_DEFINE_CLASS(TestPane) {
  c.data(LM_FIELDS(hWnd, oBrush, aRect));
  c.methods(LM_METHODS(DataRect));
}

Value pane(Value rect, Value brush = {}) {
  Ref<TestPane> p = lanmere::make<TestPane>();
  p->aRect = rect;
  p->oBrush = brush;
  return Value(p);
}

Ref<TBrush> brush(Value style, Value color = {}, Value file = {}, Value resource = {},
                  Value image = {}, Value mode = {}) {
  Value made = lanmere::make<TBrush>()->New(style, color, file, resource, image, mode);
  return Ref<TBrush>(&test::as<TBrush>(made));
}

bool listed(const TBrush* b) {
  const auto items = TBrush::brushes().items();
  return std::any_of(items.begin(), items.end(), [&](const Value& v) { return v.object() == b; });
}

int channel(COLORREF c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

// The picture of the file brushes and of the test resource (test_bitmap.bmp): 4 x 4 pixels, red
// growing to the right, green downwards.
constexpr int kSide = 4;
COLORREF testPixel(int x, int y) {
  return RGB(x * 60, y * 60, 30);
}

void writeTestBitmap(const std::string& path) {
  test::writeBitmapFile(path, kSide, kSide, testPixel);
}

class Brushes : public DrawingTest {
 protected:
  std::string bitmapFile() {
    const std::string path = folder_ / "pattern.bmp";
    writeTestBitmap(path);
    return path;
  }
  void expectNothingTracked() {
    lanmere::callFunction("CHECKRES");
    EXPECT_EQ(file("checkres.txt"), test::kLogPrefix + std::string(100, '=') + "\t\r\n");
  }
};

TEST_F(Brushes, TheFiveGreysAreStockBrushesNeverDeleted) {
  const struct {
    long color;
    int stock;
  } cases[] = {{rgb(255, 255, 255), WHITE_BRUSH},
               {0, BLACK_BRUSH},
               {rgb(192, 192, 192), LTGRAY_BRUSH},
               {rgb(128, 128, 128), GRAY_BRUSH},
               {rgb(64, 64, 64), DKGRAY_BRUSH}};
  for (const auto& c : cases) {
    Ref<TBrush> b = brush({}, c.color);
    EXPECT_EQ(handleOf<HGDIOBJ>(b->hBrush), GetStockObject(c.stock)) << c.color;
    EXPECT_TRUE(b->lSystem.logical());
    b->End();
    EXPECT_NE(GetObjectType(GetStockObject(c.stock)), 0u);
    EXPECT_FALSE(listed(b.get()));
  }
  Ref<TBrush> hollow = brush("NULL");
  EXPECT_EQ(handleOf<HGDIOBJ>(hollow->hBrush), GetStockObject(NULL_BRUSH));
  hollow->End();
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Brushes, PatternBrushesShareAndTheLastEndDeletesBrushAndBitmap) {
  Ref<TBrush> first = brush("BRICKS");
  Ref<TBrush> second = brush("BRICKS");
  ASSERT_EQ(first.get(), second.get());
  EXPECT_EQ(first->nCount.integer(), 2);
  const HGDIOBJ brushHandle = handleOf<HGDIOBJ>(first->hBrush),
                bitmapHandle = handleOf<HGDIOBJ>(first->hBitmap);
  first->End();
  EXPECT_NE(GetObjectType(brushHandle), 0u);
  EXPECT_NE(GetObjectType(bitmapHandle), 0u);
  second->End();
  EXPECT_EQ(GetObjectType(brushHandle), 0u);
  EXPECT_EQ(GetObjectType(bitmapHandle), 0u);
  expectNothingTracked();
}

TEST_F(Brushes, AColourKeysHatchedAndSolidBrushesAlike) {
  Ref<TBrush> hatched = brush("CROSS", 255);
  Ref<TBrush> solid = brush({}, 255);
  EXPECT_EQ(solid.get(), hatched.get());
  EXPECT_EQ(hatched->nCount.integer(), 2);
  EXPECT_EQ(hatched->uSource.string(), "CLR_HRED");
  hatched->End();
  hatched->End();
  expectNothingTracked();
}

TEST_F(Brushes, BrushesOfOneBitmapHandleShareAndOwnIt) {
  const Value bitmap = KSBRUSHES(3);
  Ref<TBrush> first = brush({}, {}, {}, {}, bitmap);
  Ref<TBrush> second = brush({}, {}, {}, {}, bitmap);
  ASSERT_EQ(first.get(), second.get());
  EXPECT_EQ(first->nCount.integer(), 2);
  EXPECT_EQ(first->cBmpFile.string(), std::to_string(bitmap.integer()));
  first->End();
  EXPECT_NE(GetObjectType(handleOf<HGDIOBJ>(bitmap)), 0u) << "the other holder still draws with it";
  second->End();
  EXPECT_EQ(GetObjectType(handleOf<HGDIOBJ>(bitmap)), 0u) << "the brush owned the bitmap";
  second->End();  // once more: nothing left to delete
  expectNothingTracked();
}

TEST_F(Brushes, PatternBitmapsArePixelForPixelTopRowFirst) {
  const std::pair<char, COLORREF> colours[] = {
      {'L', RGB(192, 192, 192)}, {'W', RGB(255, 255, 255)}, {'D', RGB(128, 128, 128)}};
  for (int n = 1; n <= kPatternCount; ++n) {
    const Value bitmap = KSBRUSHES(n);
    ASSERT_NE(bitmap.integer(), 0);
    for (int y = 0; y < kPatternSize; ++y) {
      for (int x = 0; x < kPatternSize; ++x) {
        const char letter = kPatternRows[n - 1][y][x];
        const auto it = std::find_if(std::begin(colours), std::end(colours),
                                     [&](const auto& c) { return c.first == letter; });
        EXPECT_EQ(bitmapPixel(handleOf<HBITMAP>(bitmap), x, y), it->second)
            << "pattern " << n << " at " << x << "," << y;
      }
    }
    EXPECT_TRUE(DELETEOBJECT(bitmap).logical());
  }
  EXPECT_EQ(KSBRUSHES(0).integer(), 0);
  EXPECT_EQ(KSBRUSHES(5).integer(), 0);
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Brushes, EveryHatchStyle) {
  const char* const styles[] = {"HORIZONTAL", "VERTICAL", "FDIAGONAL",
                                "BDIAGONAL",  "CROSS",    "DIAGCROSS"};
  for (int i = 0; i < 6; ++i) {
    Ref<TBrush> b = brush(styles[i], rgb(1, 2, 3));
    LOGBRUSH logical{};
    ASSERT_EQ(GetObjectA(handleOf<HGDIOBJ>(b->hBrush), sizeof logical, &logical),
              int{sizeof logical});
    EXPECT_EQ(logical.lbStyle, UINT{BS_HATCHED}) << styles[i];
    EXPECT_EQ(logical.lbHatch, ULONG_PTR(i)) << styles[i];
    EXPECT_EQ(logical.lbColor, RGB(1, 2, 3));
    b->End();
  }
  expectNothingTracked();
}

TEST_F(Brushes, FilesAndResources) {
  const std::string path = bitmapFile();
  Ref<TBrush> stretched = brush("STRETCH", {}, path);
  EXPECT_TRUE(stretched->cStyle.isNil());
  EXPECT_EQ(stretched->nResizeMode.integer(), 1);
  EXPECT_EQ(bitmapPixel(handleOf<HBITMAP>(stretched->hBitmap), 2, 1), testPixel(2, 1));
  Ref<TBrush> again = brush("STRETCH", {}, path);
  EXPECT_NE(again.get(), stretched.get()) << "a resizable brush is never shared";

  Ref<TBrush> fixedFile = brush({}, {}, path);
  EXPECT_EQ(fixedFile->nResizeMode.integer(), 0);
  EXPECT_NE(fixedFile->hBrush.integer(), 0);
  Ref<TBrush> missing = brush({}, {}, folder_ / "missing.bmp");
  EXPECT_TRUE(lanmere::isEmpty(missing->hBrush));
  EXPECT_EQ(missing->nCount.integer(), 1);
  EXPECT_TRUE(listed(missing.get()));

  Ref<TBrush> resource = brush({}, {}, {}, "TESTBMP");
  ASSERT_NE(resource->hBitmap.integer(), 0);
  EXPECT_EQ(bitmapSize(handleOf<HBITMAP>(resource->hBitmap)).cx, 4);
  EXPECT_EQ(bitmapPixel(handleOf<HBITMAP>(resource->hBitmap), 3, 2), testPixel(3, 2));
  EXPECT_EQ(trackedResources().back().type, "BRUSH");

  for (TBrush* b : {stretched.get(), again.get(), fixedFile.get(), missing.get(), resource.get()}) {
    b->End();
    EXPECT_FALSE(listed(b));
  }
  expectNothingTracked();
}

TEST_F(Brushes, SourceAndTextForms) {
  Ref<TBrush> hatched = brush("CROSS", 255);
  EXPECT_EQ(hatched->cGenPRG({}).string(), "   DEFINE BRUSH oBrush STYLE 'CROSS' COLOR CLR_HRED");
  EXPECT_EQ(hatched->SaveToText({}).string(),
            "OBJECT oBrush AS TBRUSH\r\n\r\n   ::cStyle = \"CROSS\"\r\n   ::nRGBColor = 255\r\n"
            "\r\nENDOBJECT");
  Ref<TBrush> solid = brush({}, rgb(1, 2, 3));
  EXPECT_EQ(solid->cGenPRG("oB").string(), "   DEFINE BRUSH oB COLOR RGB(   1,   2,   3 )");
  Ref<TBrush> fromFile = brush({}, {}, "x.bmp");
  EXPECT_EQ(fromFile->cGenPRG({}).string(), "   DEFINE BRUSH oBrush FILE 'x.bmp'");
  hatched->End();
  solid->End();
  fromFile->End();
}

const COLORREF kC1 = RGB(200, 0, 0), kC2 = RGB(0, 200, 0), kC3 = RGB(0, 0, 200);
Value twoBands() {
  return Value::list(
      {Value::list({0.5, long(kC1), long(kC2)}), Value::list({0.5, long(kC2), long(kC3)})});
}

// Rows 0 to 49 run from c1 to c2 and rows 50 to `last` from c2 to c3, every row painted.
void expectTwoBands(const std::function<COLORREF(int)>& row, int last) {
  EXPECT_EQ(row(0), kC1);
  EXPECT_EQ(row(50), kC2);
  for (int y = 1; y <= last; ++y) {
    const bool second = y >= 50;
    const int falling = second ? 8 : 0, rising = second ? 16 : 8;
    if (y == 50) continue;
    EXPECT_LE(channel(row(y), falling), channel(row(y - 1), falling)) << "row " << y;
    EXPECT_GE(channel(row(y), rising), channel(row(y - 1), rising)) << "row " << y;
    EXPECT_NE(row(y), RGB(255, 255, 255)) << "unpainted row " << y;
  }
  EXPECT_GT(channel(row(49), 8), 190);
}

TEST_F(Brushes, GradientsPaintEveryRow) {
  Canvas canvas(4, 101);
  Value args[] = {canvas.handle(), 0, 0, 99, 3, twoBands()};
  lanmere::callFunction("GRADIENTFILL", lanmere::Args(args));
  expectTwoBands([&](int y) { return canvas.at(2, y); }, 99);
  EXPECT_EQ(canvas.at(2, 100), RGB(255, 255, 255));

  // One row: colour 1.
  lanmere::callFunction(
      "GRADIENT", {canvas.handle(), Value::list({100, 0, 100, 3}), long(kC3), long(kC1), true});
  EXPECT_EQ(canvas.at(0, 100), kC3);
}

TEST_F(Brushes, BandedFillsEndAtTheirEdges) {
  const COLORREF first = RGB(200, 0, 0), second = RGB(100, 0, 100), white = RGB(255, 255, 255);
  for (const char* name : {"VGRADIENTFILL", "HGRADIENTFILL"}) {
    Canvas canvas(20, 20);
    lanmere::callFunction(
        name, {canvas.handle(), Value::list({2, 2, 11, 11}), long(first), long(RGB(0, 0, 200)), 2});
    const bool vertical = name[0] == 'V';
    auto at = [&](int along, int across) {
      return vertical ? canvas.at(across, along) : canvas.at(along, across);
    };
    EXPECT_EQ(at(2, 2), first) << name;
    EXPECT_EQ(at(6, 11), first) << name;
    EXPECT_EQ(at(7, 2), second) << name;
    EXPECT_EQ(at(11, 11), second) << name;
    EXPECT_EQ(at(12, 11), white) << name;
    EXPECT_EQ(at(11, 12), white) << name;
    EXPECT_EQ(at(1, 5), white) << name;
    EXPECT_EQ(at(5, 1), white) << name;
  }
}

TEST_F(Brushes, FillRectCoversItsInclusiveEdgesOnly) {
  const COLORREF green = RGB(0, 128, 0), white = RGB(255, 255, 255);
  Canvas canvas(12, 12);
  const HBRUSH brush = CreateSolidBrush(green);
  const Value handle = static_cast<long long>(reinterpret_cast<std::uintptr_t>(brush));
  struct Case {
    const char* what;
    Value rect;
    bool filled;
  };
  const Case cases[] = {{"not a list", Value(5), false},
                        {"three edges", Value::list({1, 1, 4}), false},
                        {"top 2, left 3, bottom 6, right 8", Value::list({2, 3, 6, 8}), true}};
  for (const Case& c : cases) {
    EXPECT_EQ(lanmere::callFunction("FILLRECT", {canvas.handle(), c.rect, handle}).logical(),
              c.filled)
        << c.what;
  }
  EXPECT_EQ(canvas.at(3, 2), green);
  EXPECT_EQ(canvas.at(8, 6), green);
  EXPECT_EQ(canvas.at(2, 2), white);
  EXPECT_EQ(canvas.at(9, 6), white);
  EXPECT_EQ(canvas.at(8, 7), white);
  EXPECT_EQ(canvas.at(3, 1), white);
  DeleteObject(brush);
}

TEST_F(Brushes, AGradientBrushIsBuiltByResizeAndRebuiltOnlyForANewRectangle) {
  Ref<TBrush> gradient = brush({}, {}, {}, {}, twoBands());
  Ref<TBrush> other = brush({}, {}, {}, {}, twoBands());
  EXPECT_NE(gradient.get(), other.get());
  EXPECT_EQ(gradient->hBrush.integer(), 0);
  other->End();
  EXPECT_TRUE(listed(gradient.get())) << "ending one gradient brush leaves the other";

  Value window = pane(Value::list({10, 20, 109, 24}));
  Value x = 1, y = 2;
  const Value rect = gradient->Resize(window, x, y);
  EXPECT_EQ(x.integer(), 21);
  EXPECT_EQ(y.integer(), 12);
  EXPECT_EQ(rect.item(3).integer(), 109);
  const HBITMAP bitmap = handleOf<HBITMAP>(gradient->hBitmap);
  EXPECT_EQ(bitmapSize(bitmap).cy, 99);
  expectTwoBands([&](int row) { return bitmapPixel(bitmap, 1, row); }, 98);

  const long long brushHandle = gradient->hBrush.integer();
  gradient->Resize(window, x, y);
  EXPECT_EQ(gradient->hBrush.integer(), brushHandle) << "same rectangle, same brush";
  lanmere::send(window, "_aRect", {Value::list({0, 0, 50, 30})});
  gradient->Resize(window, x, y);
  EXPECT_NE(gradient->hBrush.integer(), brushHandle);
  EXPECT_EQ(bitmapSize(handleOf<HBITMAP>(gradient->hBitmap)).cx, 30);
  gradient->End();
  expectNothingTracked();
}

TEST_F(Brushes, ResizedSizesForEachMode) {
  const SIZE own{40, 20};
  const struct {
    long width, height, mode;
    SIZE expected;
  } cases[] = {{20, 20, 0, {40, 20}}, {20, 20, 1, {20, 20}}, {20, 20, 2, {40, 20}},
               {20, 20, 3, {20, 10}}, {20, 5, 2, {20, 10}},  {20, 5, 3, {10, 5}},
               {20, 20, 9, {40, 20}}, {0, 10, 1, {20, 10}},  {80, 0, 1, {80, 40}},
               {0, 0, 1, {40, 20}}};
  for (const auto& c : cases) {
    const SIZE size = resizedSize(own, c.width, c.height, c.mode);
    EXPECT_EQ(size.cx, c.expected.cx) << c.width << "x" << c.height << " mode " << c.mode;
    EXPECT_EQ(size.cy, c.expected.cy) << c.width << "x" << c.height << " mode " << c.mode;
  }
  Ref<TBrush> source = brush({}, {}, bitmapFile());
  Value resized = source->Resized(8, {}, 1);
  EXPECT_EQ(bitmapSize(handleOf<HBITMAP>(lanmere::send(resized, "hBitmap"))).cy, 8);
  lanmere::send(resized, "End");
  source->End();
  expectNothingTracked();
}

TEST_F(Brushes, ACroppedBrushHoldsThePartUnderTheRectangle) {
  Ref<TBrush> parentBrush = brush("STRETCH", {}, bitmapFile());
  Value container = pane(Value::list({0, 0, 8, 8}), Value(parentBrush));
  Value cropped = parentBrush->Cropped(container, Value::list({2, 3, 6, 7}));
  const HBITMAP part = handleOf<HBITMAP>(lanmere::send(cropped, "hBitmap"));
  EXPECT_EQ(bitmapSize(part).cx, 4);
  const Value whole = lanmere::callFunction("RESIZEBITMAP", {parentBrush->hBmpOrgl, 8, 8, 1});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(bitmapPixel(part, x, y), bitmapPixel(handleOf<HBITMAP>(whole), x + 3, y + 2));
    }
  }
  DELETEOBJECT(whole);
  lanmere::send(cropped, "End");
  parentBrush->End();
  expectNothingTracked();
}

TEST_F(Brushes, EachCreationServiceRecordsItsTag) {
  Canvas canvas(4, 4);
  const Value bitmap = KSBRUSHES(1);
  const struct {
    const char* service;
    std::vector<Value> args;
    const char* tag;
  } cases[] = {
      {"CREATESOLIDBRUSH", {255}, "BRUSH"},
      {"CREATEHATCHBRUSH", {1, 255}, "BRUSH"},
      {"CREATEPATTERNBRUSH", {bitmap}, "BRUSH"},
      {"KSBRUSHES", {2}, "BMP"},
      {"GRADIENTBMP", {canvas.handle(), 4, 4, twoBands()}, "BMP"},
      {"GRADIENTBRUSH", {canvas.handle(), {}, {}, 4, 4, twoBands()}, "BRUSH"},
      {"RESIZEIMG", {bitmap, 4, 4}, "BMP -> ResizeImg"},
      {"CROPIMAGE", {bitmap, 0, 0, 4, 4}, "BMP"},
      {"READBITMAP", {0, bitmapFile()}, "BMP"},
      {"LOADBITMAP", {lanmere::callFunction("GETRESOURCES"), "TESTBMP"}, "BMP"},
  };
  for (const auto& c : cases) {
    std::vector<Value> args = c.args;
    const Value h = lanmere::callFunction(c.service, lanmere::Args(args));
    EXPECT_NE(h.integer(), 0) << c.service;
    ASSERT_EQ(trackedResources().size(), 2u) << c.service;
    EXPECT_EQ(trackedResources().back().type, c.tag) << c.service;
    EXPECT_TRUE(DELETEOBJECT(h).logical()) << c.service;
  }
  // A handle deleted behind the framework's back loses its record, and the answer is false.
  const Value stray = CREATESOLIDBRUSH(1);
  DeleteObject(handleOf<HGDIOBJ>(stray));
  EXPECT_FALSE(DELETEOBJECT(stray).logical());
  EXPECT_TRUE(DELETEOBJECT(bitmap).logical());
  expectNothingTracked();
}

}  // namespace
}  // namespace kestrel
