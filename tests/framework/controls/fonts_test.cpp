// TFont: sharing by use count, stock fonts, the font dialog driven from inside its loop, the
// source-text and record forms, and the font services' tracking.
#include "framework/controls/tfont.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/controls/fontapi.h"
#include "framework/core/persist.h"
#include "framework/core/tracked.h"
#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "tests/support/drawing.h"
#include "tests/support/ui.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;
using test::DrawingTest;

// A device that only answers its pixels per inch, as a printer will.
class TestDevice : public lanmere::Object {
  LM_CLASS(TestDevice, lanmere::Object)
  Value nLogPixelY = 600;
};
LM_DEFINE_CLASS(TestDevice) {
  c.data(LM_FIELDS(nLogPixelY));
}

Ref<TFont> font(Value face, Value height, Value bold = {}, Value italic = {}, Value underline = {},
                Value weight = {}) {
  Value made = lanmere::construct<TFont>({.cFaceName = face,
                                          .nHeight = height,
                                          .lBold = bold,
                                          .nWeight = weight,
                                          .lItalic = italic,
                                          .lUnderline = underline});
  return Ref<TFont>(&test::as<TFont>(made));
}

bool listed(const TFont* f) {
  const auto& fonts = TFont::fonts();
  return std::any_of(fonts.begin(), fonts.end(), [&](const Ref<TFont>& x) { return x.get() == f; });
}

class Fonts : public DrawingTest {};

TEST_F(Fonts, EqualRequestsShareAndFaceNamesCompareByCase) {
  Ref<TFont> first = font("Arial", -12);
  Ref<TFont> second = font("Arial", -12);
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(first->nCount.integer(), 2);
  EXPECT_FALSE(first->lNew.logical());
  Ref<TFont> lower = font("arial", -12);
  EXPECT_NE(lower.get(), first.get());
  EXPECT_TRUE(lower->lNew.logical());
  EXPECT_NE(lower->hFont.integer(), first->hFont.integer());
  lower->End();
  first->End();
  EXPECT_NE(GetObjectType(handleOf<HGDIOBJ>(first->hFont)), 0u) << "one use is still held";
  const Value h = first->hFont;
  first->End();
  EXPECT_EQ(GetObjectType(handleOf<HGDIOBJ>(h)), 0u);
  EXPECT_EQ(first->hFont.integer(), 0);
  EXPECT_FALSE(listed(first.get()));
  first->End();  // a further End deletes nothing
  EXPECT_EQ(first->nCount.integer(), -1);
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Fonts, NoArgumentsIsTheStockSystemFont) {
  Ref<TFont> stock = font({}, {});
  EXPECT_EQ(handleOf<HGDIOBJ>(stock->hFont), GetStockObject(SYSTEM_FONT));
  EXPECT_FALSE(stock->lDestroy.logical());
  EXPECT_FALSE(listed(stock.get()));
  EXPECT_GT(stock->nInpHeight.integer(), 0);
  EXPECT_GT(stock->nInpWidth.integer(), 0);
  Ref<TFont> again = font({}, {});
  EXPECT_NE(again.get(), stock.get()) << "stock fonts are never shared";
  stock->End();
  again->End();
  EXPECT_NE(GetObjectType(GetStockObject(SYSTEM_FONT)), 0u);
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Fonts, SystaHomaNeverGoesBelowTwelvePixels) {
  const struct { long long height, expected; } cases[] = {{-8, -12}, {-14, -14}, {8, 8}};
  for (const auto& c : cases) {
    Ref<TFont> f = font("systahoma", c.height);
    EXPECT_EQ(f->cFaceName.string(), "TAHOMA");
    EXPECT_EQ(f->nInpHeight.integer(), c.expected) << c.height;
    f->End();
  }
}

TEST_F(Fonts, ADeviceReadsTheHeightAsPoints) {
  Value made = lanmere::construct<TFont>(
      {.cFaceName = "Arial", .nHeight = -10, .oDevice = Value(lanmere::make<TestDevice>())});
  auto* f = &test::as<TFont>(made);
  EXPECT_NEAR(f->nInpHeight.number(), -10.0 * 600 / 72, 1e-9);
  f->End();
}

TEST_F(Fonts, RotationWrapsAroundTheCircle) {
  Ref<TFont> base = font("Arial", -12);
  const struct {
    bool rotate;
    long long escapement, by, expected;
  } cases[] = {{true, 3000, 900, 300}, {true, 0, -900, 2700},   {false, 0, 4500, 900},
               {false, 0, -900, 2700}, {false, 0, -4500, 2700}, {false, -900, 0, 2700}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.escapement) + (c.rotate ? " rotated by " : " escapement ") +
                 std::to_string(c.by));
    base->nEscapement = c.escapement;
    Value rotated = c.rotate ? base->Rotate(c.by) : base->Escapement(c.by ? Value(c.by) : Value());
    EXPECT_EQ(lanmere::send(rotated, "nEscapement").integer(), c.expected);
    lanmere::send(rotated, "End");
  }
  base->nEscapement = 0;
  base->End();
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Fonts, TheSystemFontMatchesTheMembers) {
  Ref<TFont> f = font("Arial", -13, true, true, true);
  LOGFONTA logical{};
  ASSERT_EQ(GetObjectA(handleOf<HGDIOBJ>(f->hFont), sizeof logical, &logical), int{sizeof logical});
  EXPECT_EQ(logical.lfHeight, -13);
  EXPECT_EQ(logical.lfWeight, 700);
  EXPECT_TRUE(logical.lfItalic);
  EXPECT_TRUE(logical.lfUnderline);
  EXPECT_STREQ(logical.lfFaceName, "Arial");
  ASSERT_EQ(trackedResources().size(), 1u);
  EXPECT_EQ(trackedResources()[0].type, "FONT");
  f->End();
}

TEST_F(Fonts, BoldMeansAWeightOfAtLeast700) {
  const struct {
    long long weight, expected;
  } cases[] = {{400, 700}, {0, 700}, {800, 800}, {900, 900}};
  for (const auto& c : cases) {
    Ref<TFont> f = font("Arial", -12, true, {}, {}, c.weight);
    EXPECT_EQ(f->nWeight.integer(), c.expected) << c.weight;
    f->End();
  }
}

TEST_F(Fonts, AFailedDeletionLogsOneLineAndKeepsTheFont) {
  Ref<TFont> f = font("Courier New", -17);
  const long long h = f->hFont.integer();
  DeleteObject(handleOf<HGDIOBJ>(f->hFont));  // behind the framework's back
  f->End();
  EXPECT_EQ(file("resources.txt"), test::kLogPrefix +
                                       "DeleteObject( ::hFont ) failed from TFont:End()\t" +
                                       std::to_string(h) + "\t0\t.T.\t\r\n");
  EXPECT_EQ(f->hFont.integer(), h);
  EXPECT_TRUE(listed(f.get()));
}

TEST_F(Fonts, SizeInPointsUsesTheAbsoluteHeightExactly) {
  const HDC screen = GetDC(nullptr);
  const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(ppi, 96) << "the test display";
  const struct {
    long long height;
    double expected;
  } atScreen[] = {{-11, 8}, {-12, 9}, {-13, 10}, {13, 10}};
  for (const auto& c : atScreen) {
    Ref<TFont> f = lanmere::make<TFont>();
    f->nInpHeight = c.height;
    EXPECT_EQ(f->nSize().number(), c.expected) << c.height;
  }
  // At 288 pixels per inch a height of h is h / 4 points: 9.25, 9.5 and 9.
  const struct {
    long long height;
    double expected;
  } rule[] = {{37, 9}, {38, 9.75}, {36, 9}, {39, 10}};
  for (const auto& c : rule) EXPECT_EQ(pointSize(c.height, 288).number(), c.expected) << c.height;
}

TEST_F(Fonts, SourceTextInBothForms) {
  Ref<TFont> plain = font("Arial", -12, true, true);
  EXPECT_EQ(plain->cGenPrg({}).string(),
            "DEFINE FONT oFont NAME 'Arial'  SIZE 5.28,12 BOLD ITALIC");
  plain->nWeight = 800;
  plain->nEscapement = 450;
  plain->nPitchFamily = 2;
  EXPECT_EQ(plain->cGenPrg("oF").string(),
            "DEFINE FONT oF NAME 'Arial'  SIZE 5.28,12 BOLD ITALIC PITCHFAMILY 2 WEIGHT 800 "
            "ESCAPEMENT 450");
  plain->nOrientation = 900;
  plain->nInpWidth = 6;
  EXPECT_EQ(plain->cGenPrg({}).string(),
            "oFont := TFont():New( 'Arial', 6, 12, .f., .t., 450, 900, 800, .t., .f., .f., 0,0, "
            "0, 0,, 2 )");
  plain->nWeight = 700;
  plain->nEscapement = 0;
  plain->nPitchFamily = 0;
  plain->nOrientation = 0;
  plain->nInpWidth = 0;
  plain->End();
}

TEST_F(Fonts, RecordAndTextForms) {
  Ref<TFont> plain = font({}, {});
  const std::string empty = plain->Save().string();
  EXPECT_EQ(empty, std::string("O\x09\0\x05\0TFONT\0\0", 12));
  plain->End();

  Ref<TFont> styled = font("Arial", -12, true, true, true);
  const Value record = styled->Save();
  Ref<TFont> loaded = font({}, {});               // a default font, as Save compared against
  loaded->Load(record.text().substr(3 + 2 + 5));  // past "O", length and the class name
  for (const char* member : {"cFaceName", "lBold", "lItalic", "lUnderline", "lStrikeOut",
                             "nOrientation", "nWeight", "nCharSet", "nInpHeight", "nInpWidth"}) {
    EXPECT_TRUE(lanmere::exactlyEqual(lanmere::send(Value(loaded), member),
                                      lanmere::send(Value(styled), member)))
        << member;
  }
  loaded->End();
  // The stock system font is bold, so lBold equals the default's and is not written.
  EXPECT_EQ(styled->SaveToText({}).string(),
            "OBJECT oFont AS TFONT\r\n\r\n"
            "   ::cFaceName = \"Arial\"\r\n"
            "   ::lItalic = .T.\r\n"
            "   ::lUnderline = .T.\r\n"
            "   ::nWeight = 700\r\n"
            "   ::nInpHeight = -12\r\n"
            "   ::nInpWidth = 0\r\n"
            "\r\nENDOBJECT");
  EXPECT_EQ(styled->SaveToText(3).string(),
            "OBJECT ::oFont AS TFont\r\n\r\n"
            "      ::cFaceName = \"Arial\"\r\n"
            "      ::lItalic = .T.\r\n"
            "      ::lUnderline = .T.\r\n"
            "      ::nWeight = 700\r\n"
            "      ::nInpHeight = -12\r\n"
            "      ::nInpWidth = 0\r\n"
            "\r\n   ENDOBJECT\r\n");
  styled->End();
}

TEST_F(Fonts, ARecordTooLongForItsLengthFieldIsRefused) {
  Ref<TFont> f = lanmere::make<TFont>();
  f->cFaceName = std::string(40000, 'x');
  f->lBold = false;
  long long subCode = 0;
  Value previous = lanmere::errorBlock(lanmere::block([&](lanmere::Args args) {
    subCode = lanmere::send(args[0], "subCode").integer();
    return Value(false);
  }));
  const Value record = f->Save();
  lanmere::errorBlock(previous);
  EXPECT_EQ(record.string(), "");
  EXPECT_EQ(subCode, kRecordTooLongSubCode);
}

TEST_F(Fonts, UnderlinedTwinAndTrackingOfTheFontServices) {
  const Value aFont = Value::list({-15, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"});
  const Value h = lanmere::callFunction("CREATEFONT", {aFont});
  const Value u = lanmere::callFunction("CREATEFONTUNDERLINE", {h});
  // The face as the system draws it: a substitute where Arial is not installed.
  const Value info = lanmere::callFunction("GETFONTINFO", {h});
  EXPECT_FALSE(info.item(4).string().empty());
  EXPECT_FALSE(info.item(3).logical());
  EXPECT_GT(info.item(1).integer(), 0);
  LOGFONTA logical{};
  GetObjectA(handleOf<HGDIOBJ>(u), sizeof logical, &logical);
  EXPECT_TRUE(logical.lfUnderline);
  EXPECT_EQ(logical.lfFaceName, info.item(4).string());
  EXPECT_EQ(logical.lfHeight, info.item(1).integer());
  ASSERT_EQ(trackedResources().size(), 2u);
  EXPECT_EQ(trackedResources()[0].type, "FONT");
  EXPECT_EQ(trackedResources()[1].type, "FONT");
  EXPECT_EQ(lanmere::callFunction("DELETEOBJECT", {h}).logical(), true);
  EXPECT_EQ(lanmere::callFunction("DELETEOBJECT", {u}).logical(), true);
  EXPECT_FALSE(lanmere::callFunction("DELETEOBJECT", {u}).logical()) << "no longer live";
  EXPECT_FALSE(lanmere::callFunction("DELETEOBJECT", {0}).logical());
  EXPECT_TRUE(trackedResources().empty());
}

TEST_F(Fonts, TheDialogFontFaceOfTheNtFamily) {
  // Wine reports the NT family, whose dialog font is the sans serif one.
  EXPECT_EQ(lanmere::callFunction("GETSYSFONT", {}).string(), "Ms Sans Serif");
}

// The font dialog, answered from inside its own loop.
class FontDialog : public DrawingTest {};

TEST_F(FontDialog, OkAnswersTheInitialFontAndWritesTheColourOnlyWithTwoArguments) {
  // A face the system has (the one it draws for "Arial"), at 12 points: a size the dialog lists.
  const Value arial = Value::list({-16, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"});
  const Value made = lanmere::callFunction("CREATEFONT", {arial});
  const std::string face = lanmere::callFunction("GETFONTINFO", {made}).item(4).string();
  lanmere::callFunction("DELETEOBJECT", {made});
  const Value aFont = Value::list({-16, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, face});
  for (std::size_t count : {std::size_t{2}, std::size_t{3}}) {
    test::ModalDriver driver([](const test::BoxInfo&) { return IDOK; });
    Value args[] = {aFont, Value(255), Value()};
    const Value chosen = CHOOSEFONT(lanmere::Args(args, count));
    ASSERT_EQ(driver.seen().size(), 1u);
    ASSERT_EQ(chosen.length(), 14u);
    EXPECT_EQ(chosen.item(14).string(), face);
    EXPECT_EQ(chosen.item(5).integer(), 400);
    EXPECT_FALSE(chosen.item(6).logical());
    EXPECT_EQ(chosen.item(1).integer(), -16);
    if (count == 2) {
      EXPECT_TRUE(args[1].isNumber()) << "the dialog's colour is written back";
    } else {
      EXPECT_EQ(args[1].integer(), 255) << "three arguments: the colour is left alone";
    }
  }
}

TEST_F(FontDialog, CancelWithoutAFontFallsBackAndChooseKeepsTheFont) {
  test::ModalDriver driver([](const test::BoxInfo&) { return IDCANCEL; });
  Value args[] = {Value(), Value(0)};
  const Value chosen = CHOOSEFONT(args);
  EXPECT_EQ(chosen.item(14).string(), "");
  EXPECT_EQ(chosen.item(1).integer(), 0);

  Value made = lanmere::construct<TFont>({.cFaceName = "Arial", .nHeight = -12, .lFromUser = true});
  auto* f = &test::as<TFont>(made);
  EXPECT_EQ(f->cFaceName.string(), "Arial");
  EXPECT_EQ(f->nInpHeight.integer(), -12);
  Value color;
  EXPECT_TRUE(f->Choose(color).sharesStorageWith(made));
  EXPECT_EQ(driver.seen().size(), 3u);
  f->End();
}

}  // namespace
}  // namespace kestrel
