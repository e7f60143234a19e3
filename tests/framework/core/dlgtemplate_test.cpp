// Dialog templates in both builds: the writer byte for byte, the reader on whole templates and on
// every truncation under the sanitizers (random bytes and texts are the fuzz target's).
#include "framework/core/dlgtemplate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/runtime/builtins_fixture.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrel {
namespace {

using lanmere::Value;

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out.push_back(static_cast<char>(b));
  return out;
}

std::u16string units(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// The character the system's code page gives a byte (the portable build has Latin-1).
char16_t systemChar(unsigned char byte, CodePage page) {
#ifdef _WIN32
  wchar_t wide = 0;
  MultiByteToWideChar(page == CodePage::Oem ? CP_OEMCP : CP_ACP, 0,
                      reinterpret_cast<const char*>(&byte), 1, &wide, 1);
  return static_cast<char16_t>(wide);
#else
  (void)page;
  return byte;
#endif
}

ParsedTemplate parsed(const TemplateReading& reading) {
  if (const auto* refusal = std::get_if<TemplateRefusal>(&reading)) {
    ADD_FAILURE() << "refused at " << refusal->offset << ": " << refusal->reason;
    return {};
  }
  return std::get<ParsedTemplate>(reading);
}

// Reads from a buffer of exactly the template's size, so that AddressSanitizer sees any read
// past its end.
TemplateReading readExactly(std::string_view bytes) {
  std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
  std::copy(bytes.begin(), bytes.end(), copy.get());
  return readDialogTemplate(std::string_view(copy.get(), bytes.size()));
}

Value callWith(const char* function, std::vector<Value> args) {
  return lanmere::callFunction(function, lanmere::Args(args));
}

class DialogTemplates : public lanmere::test::BuiltinsTest {
 protected:
  static void SetUpTestSuite() {
    BuiltinsTest::SetUpTestSuite();
    static const bool registered = (lanmere::registerModule(dlgTemplateModule()), true);
    (void)registered;
  }
};

TEST_F(DialogTemplates, HeadersByteForByte) {
  const struct {
    const char* what;
    std::vector<Value> args;
    std::string expected;
  } cases[] = {
      {"a bare 2: pop-up, transparent; empty title; width and height + 1",
       {0, 10, 20, 29, 59, "", 2},
       bytes(
           {0x02, 0, 0, 0x80, 0x20, 0, 0, 0, 0, 0, 20, 0, 10, 0, 40, 0, 20, 0, 0, 0, 0, 0, 0, 0})},
      {"a bare visible style; nil numbers are 0; title padded to 4",
       {3, Value(), -5, 9, Value(), "A", 0x10000000},
       bytes({0, 0, 0,  0xC0, 0, 0, 0, 0, 3,   0, 0xFB, 0xFF, 0, 0,
              6, 0, 10, 0,    0, 0, 0, 0, 'A', 0, 0,    0,    0, 0})},
      {"a font entry only with both font arguments, and then bit 0x40",
       {1, 0, 0, 0, 0, "A", 0x80C80080, 8, "MS"},
       bytes({0xC0, 0x00, 0xC8, 0x80, 0,   0, 0, 0, 1, 0, 0,   0, 0,   0, 1, 0, 1, 0,
              0,    0,    0,    0,    'A', 0, 0, 0, 8, 0, 'M', 0, 'S', 0, 0, 0, 0, 0})},
      {"a point size alone writes no font entry and clears bit 0x40",
       {0, 0, 0, 0, 0, "", 0x40, 8},
       bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0})},
      {"a title ends at its first zero byte",
       {0, 0, 0, 0, 0, std::string("AB\0CD", 5), 0},
       bytes({0, 0, 0, 0, 0, 0, 0, 0, 0,   0, 0,   0, 0, 0,
              1, 0, 1, 0, 0, 0, 0, 0, 'A', 0, 'B', 0, 0, 0})},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.what);
    const Value made = callWith("CDLG2CHR", each.args);
    EXPECT_EQ(made.string(), each.expected);
  }
}

TEST_F(DialogTemplates, AnItemByteForByte) {
  const Value made = call("CCTRL2CHR", {1, 2, 10, 50, 101, 0x50010000, "Button", "OK"});
  EXPECT_EQ(made.string(), bytes({0,   0, 0x01, 0x50, 0,   0, 0,   0, 2,   0, 1,   0, 49,  0,
                                  10,  0, 101,  0,    'B', 0, 'u', 0, 't', 0, 't', 0, 'o', 0,
                                  'n', 0, 0,    0,    'O', 0, 'K', 0, 0,   0, 0,   0}));
  const Value empty = call("CCTRL2CHR");  // nil numbers and texts: an item of 24 bytes
  EXPECT_EQ(empty.string(),
            bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// The title, the face name and the item's class are read in the OEM code page, the item's
// caption in the ANSI one.
TEST_F(DialogTemplates, HighBytesWidenWithTheirFieldsCodePage) {
  const unsigned char high = 0x82;
  const std::string text(1, static_cast<char>(high));
  const std::u16string oem(1, systemChar(high, CodePage::Oem));
  const std::u16string ansi(1, systemChar(high, CodePage::Ansi));
#ifdef _WIN32
  ASSERT_NE(oem, ansi) << "the two code pages should differ for this byte";
#endif
  const std::string bytes = call("CDLG2CHR", {1, 0, 0, 0, 0, text, 0, 8, text}).string() +
                            call("CCTRL2CHR", {0, 0, 0, 0, 7, 0, text, text}).string();
  const ParsedTemplate back = parsed(readExactly(bytes));
  ASSERT_EQ(back.items.size(), 1u);
  EXPECT_EQ(back.title.text, oem);
  ASSERT_TRUE(back.font);
  EXPECT_EQ(back.font->face, oem);
  EXPECT_EQ(back.items[0].windowClass.text, oem);
  EXPECT_EQ(back.items[0].title.text, ansi);
}

TEST_F(DialogTemplates, AHeaderWithoutControlsIsTheWholeTemplatePaddedTo4) {
  for (std::size_t length = 0; length < 6; ++length) {
    SCOPED_TRACE(length);
    const std::string header = call("CDLG2CHR", {0, 1, 2, 3, 4, std::string(length, 'x')}).string();
    EXPECT_EQ(header.size() % 4, 0u);
    const ParsedTemplate back = parsed(readExactly(header));
    EXPECT_EQ(back.title.text, std::u16string(length, u'x'));
    EXPECT_TRUE(back.items.empty());
    EXPECT_LE(header.size() - back.size, 3u);
  }
}

TEST_F(DialogTemplates, ThreeItemsParseBackToTheSameFields) {
  std::string bytes = call("CDLG2CHR", {3, 5, 6, 105, 206, "Title", 0x80C80080}).string();
  const std::vector<std::vector<Value>> items = {
      {1, 2, 13, 52, 101, 0x50010000, "Button", "&OK"},
      {-20, -30, 20, 30, 65535, 0x50810080, "Edit", ""},
      {0, 0, 0, 0, 0, 0, "TSAY", "A label that is longer"}};
  for (const auto& item : items) bytes += callWith("CCTRL2CHR", item).string();
  const ParsedTemplate back = parsed(readExactly(bytes));
  EXPECT_FALSE(back.extended);
  EXPECT_EQ(back.style, 0x80C80080u);
  EXPECT_EQ(back.count, 3);
  EXPECT_EQ((std::vector<int>{back.x, back.y, back.cx, back.cy}),
            (std::vector<int>{6, 5, 201, 101}));
  EXPECT_EQ(back.title.text, units("Title"));
  EXPECT_FALSE(back.font);
  EXPECT_EQ(back.size, bytes.size());
  ASSERT_EQ(back.items.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto& a = items[i];
    const TemplateItem& item = back.items[i];
    const long long top = a[0].integer(), left = a[1].integer();
    EXPECT_EQ((std::vector<long long>{item.x, item.y, item.cx, item.cy, item.id, item.style}),
              (std::vector<long long>{left, top, a[3].integer() - left + 1,
                                      a[2].integer() - top + 1, a[4].integer(), a[5].integer()}));
    EXPECT_EQ(item.windowClass.text, units(a[6].text()));
    EXPECT_EQ(item.title.text, units(a[7].text()));
    EXPECT_TRUE(item.creationData.empty());
  }
}

// The extended form as a resource compiler writes it: ordinals for the class and the item
// class, a font with weight, italic and character set, creation data.
TEST_F(DialogTemplates, TheExtendedFormIsReadWhole) {
  const std::string bytes =
      ::kestrel::bytes({1, 0, 0xFF, 0xFF, 7, 0, 0, 0,       // version, signature, help id
                        0, 0, 0, 0, 0x40, 0, 0xC8, 0x80,    // extended style, style with a font
                        1, 0, 1, 0, 2, 0, 30, 0, 40, 0,     // one item, x, y, cx, cy
                        0, 0, 0xFF, 0xFF, 0x70, 0,          // no menu, class by ordinal 0x70
                        'T', 0, 0, 0,                       // title
                        9, 0, 0xBC, 2, 1, 0, 'F', 0, 0, 0,  // 9 points, weight 700, italic,
                                                            // charset 0, face
                        0, 0,                               // to the item's boundary
                        5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        0x50,  // help id, extended style, style
                        3, 0, 4, 0, 50, 0, 14, 0, 0x39, 0x30, 0,
                        0,                                          // x, y, cx, cy, id 12345
                        0xFF, 0xFF, 0x80, 0, 'G', 0, 'o', 0, 0, 0,  // the button class, title
                        2, 0, 0xAB, 0xCD});                         // two bytes of creation data
  const ParsedTemplate back = parsed(readExactly(bytes));
  EXPECT_TRUE(back.extended);
  EXPECT_EQ(back.helpId, 7u);
  EXPECT_EQ(back.windowClass, (TemplateName{true, 0x70, {}}));
  ASSERT_TRUE(back.font);
  EXPECT_EQ(back.font->pointSize, 9);
  EXPECT_EQ(back.font->weight, 700);
  EXPECT_EQ(back.font->italic, 1);
  EXPECT_EQ(back.font->face, u"F");
  ASSERT_EQ(back.items.size(), 1u);
  EXPECT_EQ(back.items[0].id, 12345u);
  EXPECT_EQ(back.items[0].helpId, 5u);
  EXPECT_EQ(back.items[0].style, 0x50000000u);
  EXPECT_EQ(back.items[0].windowClass, (TemplateName{true, 0x80, {}}));
  EXPECT_EQ(back.items[0].title.text, u"Go");
  EXPECT_EQ(back.items[0].creationData, ::kestrel::bytes({0xAB, 0xCD}));
  EXPECT_EQ(back.size, bytes.size());
}

TEST_F(DialogTemplates, ValuesOutsideTheir16BitFieldsRaiseTheArgumentError) {
  const struct {
    const char* function;
    long long subCode;
    std::vector<Value> args;
  } cases[] = {
      {"CDLG2CHR", kDialogHeaderSubCode, {65536, 0, 0, 0, 0}},
      {"CDLG2CHR", kDialogHeaderSubCode, {-1, 0, 0, 0, 0}},
      {"CDLG2CHR", kDialogHeaderSubCode, {0, 0, -32769, 0, 0}},
      {"CDLG2CHR", kDialogHeaderSubCode, {0, 0, 0, 0, 32767}},  // width 32768
      {"CDLG2CHR", kDialogHeaderSubCode, {0, 0, 0, 1LL << 40, 0}},
      {"CDLG2CHR", kDialogHeaderSubCode, {0, 0, 0, 0, 0, "", 0, 70000, "Face"}},
      {"CCTRL2CHR", kDialogItemSubCode, {0, 0, 0, 0, 65536}},
      {"CCTRL2CHR", kDialogItemSubCode, {40000, 0, 40000, 0, 1}},
      {"CCTRL2CHR", kDialogItemSubCode, {0, -40000, 0, 0, 1}},
  };
  for (const auto& each : cases) {
    SCOPED_TRACE(each.function);
    const Value result = callWith(each.function, each.args);
    EXPECT_TRUE(argumentError(result, each.subCode, each.function, each.args));
  }
  EXPECT_TRUE(raised.empty());
  call("CDLG2CHR", {65535, -32768, 32767, -32768 + 32766, 32767 - 32767});
  EXPECT_TRUE(raised.empty()) << "the limits themselves fit";
}

// Every cut short of the last item is refused inside the input (AddressSanitizer watches the
// exact buffer).
TEST_F(DialogTemplates, EveryTruncationIsRefusedInsideTheInput) {
  std::string whole = call("CDLG2CHR", {2, 1, 2, 30, 40, "Cut", 0, 8, "Face"}).string();
  whole += call("CCTRL2CHR", {1, 1, 5, 5, 1, 0, "Button", "One"}).string();
  whole += call("CCTRL2CHR", {1, 1, 5, 5, 2, 0, "Edit", ""}).string();
  const std::size_t size = parsed(readExactly(whole)).size;
  for (std::size_t cut = 0; cut < size; ++cut) {
    const TemplateReading reading = readExactly(std::string_view(whole).substr(0, cut));
    const auto* refusal = std::get_if<TemplateRefusal>(&reading);
    ASSERT_NE(refusal, nullptr) << "cut " << cut;
    EXPECT_LE(refusal->offset, cut);
    EXPECT_FALSE(refusal->reason.empty());
  }
}

}  // namespace
}  // namespace kestrel
