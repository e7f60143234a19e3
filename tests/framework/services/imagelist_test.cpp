// Image lists: images drawn with the system's ImageList_Draw onto a known background in a 32-bit
// section and read back, the bitmap objects the list keeps and ends, the tracker's records, and
// handles this module already destroyed.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "framework/controls/gdiobj.h"
#include "framework/controls/icons.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/services/imagelist.h"
#include "framework/services/timagelist.h"
#include "tests/support/drawing.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::Canvas;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);  // the background drawn on
constexpr COLORREF kIconRed = RGB(255, 0, 0);   // the test icon's square and centre
constexpr COLORREF kIconGreen = RGB(0, 128, 0);
constexpr int kSide = 16;

// A 32-bit bitmap of kSide x kSide pixels, recorded as the framework's bitmaps are.
HBITMAP makeBitmap(const std::function<COLORREF(int x, int y)>& pixel) {
  std::vector<DWORD> bits(kSide * kSide);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const COLORREF c = pixel(x, y);
      bits[y * kSide + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
    }
  }
  return trackedCreate("CREATEBITMAP", "BMP",
                       [&] { return CreateBitmap(kSide, kSide, 1, 32, bits.data()); });
}

// A monochrome mask, white (transparent) where `clear` holds.
HBITMAP makeMask(const std::function<bool(int x, int y)>& clear) {
  std::vector<WORD> rows(kSide);  // 16 pixels: one word per row
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      if (clear(x, y)) rows[y] |= static_cast<WORD>(0x80 >> (x % 8) << (x < 8 ? 0 : 8));
    }
  }
  return trackedCreate("CREATEBITMAP", "BMP",
                       [&] { return CreateBitmap(kSide, kSide, 1, 1, rows.data()); });
}

// An object whose End counts its calls.
class Counted : public lanmere::Object {
  LM_CLASS(Counted, lanmere::Object)
 public:
  int ends = 0;
  virtual Value End() {
    ++ends;
    return {};
  }
};
LM_DEFINE_CLASS(Counted) {
  c.methods(LM_METHODS(End));
}

// A bitmap object as programs hand them to the list: hBitmap, and End that deletes the bitmap.
class TestBitmap : public Counted {
  LM_CLASS(TestBitmap, Counted)
 public:
  Value hBitmap = 0;
  Value End() override {
    DELETEOBJECT(hBitmap);
    return Counted::End();
  }
};
LM_DEFINE_CLASS(TestBitmap) {
  c.data(LM_FIELDS(hBitmap));
}

// An icon object: hIcon (the list must not end it).
class TestIcon : public Counted {
  LM_CLASS(TestIcon, Counted)
 public:
  Value hIcon = 0;
};
LM_DEFINE_CLASS(TestIcon) {
  c.data(LM_FIELDS(hIcon));
}

Value bitmapObject(HBITMAP bitmap) {
  const auto object = lanmere::make<TestBitmap>();
  object->hBitmap = handleNumber(bitmap);
  return Value(object);
}
TestBitmap& asBitmap(const Value& v) {
  return static_cast<TestBitmap&>(*v.object());
}
TImageList& asList(const Value& v) {
  return static_cast<TImageList&>(*v.object());
}
HIMAGELIST listOf(const Value& list) {
  return handleOf<HIMAGELIST>(asList(list).hImageList);
}

class ImageLists : public test::DrawingTest {
 protected:
  void registerModules() override {
    DrawingTest::registerModules();
    test::registerModules({{&imageListModule(), &tImageListModule()}});
  }
  // A list the module did not make, made before any test destroys a list, so that it cannot
  // hold a value the module remembers as destroyed.
  static void SetUpTestSuite() { foreign_ = ImageList_Create(16, 16, ILC_COLOR24, 0, 4); }
  static inline HIMAGELIST foreign_ = nullptr;

  void SetUp() override {
    DrawingTest::SetUp();
    iconFile_ = folder_ / "test icon.ico";
    ASSERT_TRUE(test::writeFile(iconFile_, test::resourceBytes("TESTICONFILE")));
  }
  static std::size_t records(const std::string& tag) { return test::liveRecords(tag); }
  static Value newList() { return lanmere::construct<TImageList>(); }
  // Image `index` drawn over the background colour.
  static COLORREF drawn(const Value& list, int index, int x, int y) {
    Canvas canvas(kSide, kSide);
    const HBRUSH background = CreateSolidBrush(kYellow);
    RECT all{0, 0, kSide, kSide};
    FillRect(canvas.dc(), &all, background);
    DeleteObject(background);
    EXPECT_TRUE(ILDRAW(asList(list).hImageList, index, handleNumber(canvas.dc()), 0, 0).logical());
    return canvas.at(x, y);
  }

  // Lists of four bitmaps and an icon from a file leave no record behind, and every bitmap
  // object is ended exactly once.
  void buildAndEnd(int lists) {
    std::vector<Value> bitmaps;
    for (int i = 0; i < lists; ++i) {
      const Value list = newList();
      for (int b = 0; b < 4; ++b) {
        bitmaps.push_back(bitmapObject(makeBitmap([](int, int) { return kRed; })));
        asList(list).Add(bitmaps.back(), {});
      }
      ASSERT_EQ(asList(list).AddIcon(iconFile_).integer(), 4);
      asList(list).End();
    }
    EXPECT_EQ(records(kImageListTag), 0u);
    EXPECT_EQ(records(kIconTag), 0u);
    EXPECT_EQ(records("BMP"), 0u);
    EXPECT_TRUE(std::all_of(bitmaps.begin(), bitmaps.end(),
                            [](const Value& b) { return asBitmap(b).ends == 1; }));
  }

  std::string iconFile_;
};

TEST_F(ImageLists, NewListsSixteenSquareImagesAndKeepsEveryObjectGiven) {
  const Value list = newList();
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(listOf(list), &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  EXPECT_EQ(records(kImageListTag), 1u);

  const Value first = bitmapObject(makeBitmap([](int, int) { return kRed; }));
  const Value second = bitmapObject(makeBitmap([](int, int) { return kGreen; }));
  const Value mask = bitmapObject(makeMask([](int, int) { return false; }));
  EXPECT_EQ(asList(list).Add(first, {}).integer(), 0);
  EXPECT_EQ(asList(list).Add(second, mask).integer(), 1);
  const Value& kept = asList(list).aBitmaps;
  ASSERT_EQ(kept.length(), 4u);
  EXPECT_TRUE(kept.item(1).sharesStorageWith(first));
  EXPECT_TRUE(kept.item(2).isNil());
  EXPECT_TRUE(kept.item(3).sharesStorageWith(second));
  EXPECT_TRUE(kept.item(4).sharesStorageWith(mask));
  EXPECT_EQ(ImageList_GetImageCount(listOf(list)), 2);
  asList(list).End();
}

// Each way in, drawn with the list's background colour none, then blue: opaque pixels keep the
// image's colour, transparent ones show the background and then blue.
TEST_F(ImageLists, ImagesDrawTheirColoursAndTheBackgroundWhereTransparent) {
  const auto leftHalf = [](int x, int) { return x < kSide / 2; };
  const Value icon = lanmere::make<TestIcon>();
  static_cast<TestIcon&>(*icon.object()).hIcon =
      LOADICON(handleNumber(resourceModule()), "TESTICON");
  struct Case {
    const char* name;
    std::function<Value(TImageList&)> add;
    POINT clear, opaque;
    COLORREF color;
  };
  const std::vector<Case> cases = {
      {"bitmap and mask",
       [&](TImageList& l) {
         return l.Add(bitmapObject(makeBitmap(
                          [&](int x, int y) { return leftHalf(x, y) ? RGB(0, 0, 0) : kGreen; })),
                      bitmapObject(makeMask(leftHalf)));
       },
       {2, 8},
       {12, 8},
       kGreen},
      {"masked magenta",
       [&](TImageList& l) {
         return l.AddMasked(bitmapObject(makeBitmap(
                                [&](int x, int y) { return leftHalf(x, y) ? kMagenta : kRed; })),
                            static_cast<long long>(kMagenta));
       },
       {2, 8},
       {12, 8},
       kRed},
      {"icon file",
       [&](TImageList& l) { return l.AddIcon(iconFile_); },
       {0, 0},
       {8, 8},
       kIconGreen},
      {"icon resource",
       [&](TImageList& l) { return l.AddIcon("TESTICON"); },
       {0, 0},
       {3, 3},
       kIconRed},
      {"icon object", [&](TImageList& l) { return l.AddIcon(icon); }, {15, 15}, {8, 8}, kIconGreen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Value list = newList();
    ASSERT_EQ(c.add(asList(list)).integer(), 0);
    EXPECT_EQ(drawn(list, 0, c.clear.x, c.clear.y), kYellow);
    EXPECT_EQ(drawn(list, 0, c.opaque.x, c.opaque.y), c.color);
    EXPECT_EQ(asList(list).SetBkColor(static_cast<long long>(kBlue)).integer(),
              static_cast<long long>(CLR_NONE));
    EXPECT_EQ(asList(list).SetBkColor(static_cast<long long>(kBlue)).integer(),
              static_cast<long long>(kBlue));
    EXPECT_EQ(drawn(list, 0, c.clear.x, c.clear.y), kBlue);
    EXPECT_EQ(drawn(list, 0, c.opaque.x, c.opaque.y), c.color);
    asList(list).End();
  }
  // AddMasked blackens the masked pixels of the bitmap it is given, as the system does.
  const Value list = newList();
  const Value masked =
      bitmapObject(makeBitmap([&](int x, int y) { return leftHalf(x, y) ? kMagenta : kRed; }));
  asList(list).AddMasked(masked, static_cast<long long>(kMagenta));
  const auto maskedBitmap = handleOf<HBITMAP>(asBitmap(masked).hBitmap);
  EXPECT_EQ(test::bitmapPixel(maskedBitmap, 2, 8), RGB(0, 0, 0));
  EXPECT_EQ(test::bitmapPixel(maskedBitmap, 12, 8), kRed);
  asList(list).End();
  // The caller's icon is neither ended nor destroyed; the icons loaded by name are gone.
  EXPECT_EQ(static_cast<TestIcon&>(*icon.object()).ends, 0);
  EXPECT_EQ(records(kIconTag), 1u);
  EXPECT_TRUE(DESTROYICON(static_cast<TestIcon&>(*icon.object()).hIcon).logical());
  EXPECT_EQ(records("BMP"), 0u);
}

TEST_F(ImageLists, ReadBitmapCutsAStripAndAMissingFileLeavesNoList) {
  const std::string strip = folder_ / "strip.bmp";
  ASSERT_TRUE(test::writeBitmapFile(strip, 3 * kSide, kSide, [](int x, int y) {
    if (x < kSide) return kRed;
    if (x < 2 * kSide) return kGreen;
    const int u = x - 2 * kSide;
    const bool frame = u < 2 || u >= kSide - 2 || y < 2 || y >= kSide - 2;
    return frame ? kMagenta : kBlue;
  }));
  const Value list = newList();
  const HIMAGELIST created = listOf(list);
  Value args[] = {Value(strip)};
  EXPECT_TRUE(asList(list).ReadBitmap(lanmere::Args(args)).isNil());
  ASSERT_NE(listOf(list), nullptr);
  EXPECT_EQ(records(kImageListTag), 1u);  // the list made by New is gone
  EXPECT_EQ(ImageList_GetImageCount(listOf(list)), 3);
  EXPECT_EQ(drawn(list, 1, 8, 8), kGreen);
  EXPECT_EQ(drawn(list, 2, 8, 8), kBlue);
  EXPECT_EQ(drawn(list, 2, 0, 0), kYellow);

  const Value bitmap = bitmapObject(makeBitmap([](int, int) { return kRed; }));
  Value missing[] = {Value(folder_ / "missing.bmp")};
  asList(list).ReadBitmap(lanmere::Args(missing));
  EXPECT_EQ(asList(list).hImageList.integer(), 0);
  EXPECT_EQ(records(kImageListTag), 0u);
  EXPECT_EQ(asList(list).Add(bitmap, {}).integer(), -1);
  EXPECT_EQ(ILADD(handleNumber(created), asBitmap(bitmap).hBitmap, 0).integer(), -1);
  asList(list).End();
  EXPECT_EQ(asBitmap(bitmap).ends, 1);
  EXPECT_EQ(records(kImageListTag), 0u);
}

TEST_F(ImageLists, EndDestroysTheListAndEndsEachDistinctObjectOnce) {
  const Value list = newList();
  const Value both = bitmapObject(makeBitmap([](int, int) { return kRed; }));
  const Value twice = bitmapObject(makeBitmap([](int, int) { return kGreen; }));
  const Value once = bitmapObject(makeBitmap([](int, int) { return kBlue; }));
  TImageList& l = asList(list);
  l.Add(both, both);
  l.Add(twice, {});
  l.AddMasked(twice, static_cast<long long>(kMagenta));
  l.Add(once, twice);
  EXPECT_EQ(l.AddIcon(iconFile_).integer(), 4);
  EXPECT_EQ(records(kIconTag), 0u);
  EXPECT_TRUE(l.End().isNil());
  EXPECT_EQ(records(kImageListTag), 0u);
  EXPECT_EQ(l.aBitmaps.length(), 0u);
  EXPECT_EQ(l.hImageList.integer(), 0);
  l.End();
  for (const Value* bitmap : {&both, &twice, &once}) EXPECT_EQ(asBitmap(*bitmap).ends, 1);
  EXPECT_EQ(records("BMP"), 0u);
}

TEST_F(ImageLists, AListAlreadyDestroyedOrNoneFailsWithoutTheSystem) {
  const Value dead = ILCREATE(16, 16);
  ASSERT_TRUE(ILDESTROY(dead).logical());
  const HBITMAP bitmap = makeBitmap([](int, int) { return kRed; });
  const Value icon = LOADICON(handleNumber(resourceModule()), "TESTICON");
  for (const Value& handle : {dead, Value(0)}) {
    SCOPED_TRACE(handle.integer());
    EXPECT_EQ(ILADD(handle, handleNumber(bitmap), 0).integer(), -1);
    EXPECT_EQ(ILADDMASKED(handle, handleNumber(bitmap), 0).integer(), -1);
    EXPECT_EQ(ILADDICON(handle, icon).integer(), -1);
    EXPECT_EQ(ILSETBKCOLOR(handle, 0).integer(), static_cast<long long>(CLR_NONE));
    EXPECT_FALSE(ILDRAW(handle, 0, 0, 0, 0).logical());
    EXPECT_FALSE(ILDESTROY(handle).logical());
  }
  // A list this module did not make still reaches the system.
  EXPECT_EQ(ILADD(handleNumber(foreign_), handleNumber(bitmap), 0).integer(), 0);
  EXPECT_TRUE(ILDESTROY(handleNumber(foreign_)).logical());
  DESTROYICON(icon);
  DELETEOBJECT(handleNumber(bitmap));
}

// The system hands a destroyed list's value to a new list: the list made by `make` that holds
// `value`, trying a few (the others are dropped), or null when the system reused no value.
HIMAGELIST madeAt(HIMAGELIST value, const std::function<HIMAGELIST()>& make,
                  const std::function<void(HIMAGELIST)>& drop) {
  for (int tries = 0; tries < 8; ++tries) {
    const HIMAGELIST made = make();
    if (made == value) return made;
    drop(made);
  }
  return nullptr;
}

// A stale handle must not reach a list another owner made at its value (the destroyed list's
// memory is that list now); a list made here at such a value is served.
TEST_F(ImageLists, AStaleHandleLeavesTheListNowAtItsValueAlone) {
  const HBITMAP bitmap = makeBitmap([](int, int) { return kRed; });
  const Value stale = ILCREATE(16, 16);
  ILDESTROY(stale);
  const HIMAGELIST other = madeAt(
      handleOf<HIMAGELIST>(stale), [] { return ImageList_Create(16, 16, ILC_COLOR24, 0, 4); },
      [](HIMAGELIST l) { ImageList_Destroy(l); });
  if (other == nullptr) GTEST_SKIP() << "the system reused no value";
  EXPECT_EQ(ILADD(stale, handleNumber(bitmap), 0).integer(), -1);
  EXPECT_FALSE(ILDESTROY(stale).logical());
  EXPECT_EQ(ImageList_Add(other, bitmap, nullptr), 0);  // still alive, and untouched
  ImageList_Destroy(other);

  const Value again = ILCREATE(16, 16);  // usually at the value again
  ASSERT_TRUE(ILDESTROY(again).logical());
  const HIMAGELIST here = madeAt(
      handleOf<HIMAGELIST>(again), [] { return handleOf<HIMAGELIST>(ILCREATE(16, 16)); },
      [](HIMAGELIST l) { ILDESTROY(handleNumber(l)); });
  if (here == nullptr) GTEST_SKIP() << "the system reused no value";
  EXPECT_EQ(ILADD(handleNumber(here), handleNumber(bitmap), 0).integer(), 0);
  EXPECT_TRUE(ILDESTROY(handleNumber(here)).logical());
  DELETEOBJECT(handleNumber(bitmap));
}

TEST_F(ImageLists, BadSizesAndBitmapsAreArgumentErrorsThatMakeAndKeepNothing) {
  test::ErrorCatcher errors(Value("substitute"));
  // Each wrong size in each place a size is taken.
  const std::vector<Value> bad = {0, -1, 32768, Value(1.5), "16", Value::list()};
  for (const Value& size : bad) {
    SCOPED_TRACE(testing::Message() << "size " << size.integer() << " " << size.string());
    const std::size_t before = errors.records.size();
    EXPECT_EQ(ILCREATE(size, 16).string(), "substitute");
    EXPECT_EQ(ILCREATE(16, size).string(), "substitute");
    EXPECT_EQ(lanmere::construct<TImageList>({.nWidth = 16, .nHeight = size}).string(),
              "substitute");
    EXPECT_EQ(ILLOADIMAGE(iconFile_, size, 0, 0).string(), "substitute");
    ASSERT_EQ(errors.records.size(), before + 4);
    EXPECT_EQ(errors.last().genCode.integer(), 1);
    EXPECT_EQ(errors.last().subCode.integer(), kImageListSizeSubCode);
  }
  EXPECT_EQ(records(kImageListTag), 0u);
  const std::size_t raised = errors.records.size();
  for (const auto& [width, height] :
       std::vector<std::pair<Value, Value>>{{1, 1}, {32767, 2}, {Value(24.0), 24}}) {
    const Value list = ILCREATE(width, height);
    EXPECT_NE(list.integer(), 0);
    ILDESTROY(list);
  }
  EXPECT_EQ(errors.records.size(), raised);

  // A bad width for ReadBitmap keeps the list it has.
  const Value list = newList();
  const HIMAGELIST made = listOf(list);
  Value readArgs[] = {Value(iconFile_), Value(0)};
  EXPECT_EQ(asList(list).ReadBitmap(lanmere::Args(readArgs)).string(), "substitute");
  EXPECT_EQ(listOf(list), made);
  EXPECT_EQ(records(kImageListTag), 1u);
  const Value bitmap = bitmapObject(makeBitmap([](int, int) { return kRed; }));
  for (const Value& wrong : {Value(5), Value("bitmap"), Value(lanmere::make<TestIcon>())}) {
    EXPECT_EQ(asList(list).Add(wrong, {}).string(), "substitute");
    EXPECT_EQ(asList(list).Add(bitmap, wrong).string(), "substitute");
    EXPECT_EQ(asList(list).AddMasked(wrong, 0).string(), "substitute");
    EXPECT_EQ(errors.last().subCode.integer(), kImageListBitmapSubCode);
  }
  EXPECT_EQ(asList(list).aBitmaps.length(), 0u);
  EXPECT_EQ(asList(list).AddIcon("NOSUCHICON").integer(), -1);
  EXPECT_EQ(records(kIconTag), 0u);
  EXPECT_EQ(ImageList_GetImageCount(listOf(list)), 0);
  asList(list).End();
  EXPECT_EQ(asBitmap(bitmap).ends, 0);
  DELETEOBJECT(asBitmap(bitmap).hBitmap);
}

// The counts are exact, so 50 lists show one leak per list; the thousand-list run is the same
// check, run on request (--gtest_also_run_disabled_tests).
TEST_F(ImageLists, ListsBuiltAndEndedLeaveNothingBehind) {
  buildAndEnd(50);
}

TEST_F(ImageLists, DISABLED_AThousandListsLeaveNothingBehind) {
  buildAndEnd(1000);
}

}  // namespace
}  // namespace kestrel
