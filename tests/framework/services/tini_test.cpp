#include "framework/services/tini.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/builtins.h"
#include "tests/support/files.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;
using test::TempFolder;

std::string readEntry(const std::string& file, const char* section, const char* entry) {
  char buffer[256];
  GetPrivateProfileStringA(section, entry, "<none>", buffer, sizeof buffer, file.c_str());
  return buffer;
}

class Ini : public ::testing::Test {
 protected:
  void SetUp() override {
    lanmere::setDateFormat("MM/DD/YY");
    path = dir / "settings.ini";
    ini = lanmere::make<TIni>();
    ini->New(Value(path));
  }
  TempFolder dir;
  std::string path;
  Ref<TIni> ini;
};

TEST_F(Ini, NewAppendsIniOnlyToANameWithoutADot) {
  auto name = [](Value file) {
    auto o = lanmere::make<TIni>();
    o->New(file);
    EXPECT_TRUE(o->lAutoSet.logical());
    return o->cIniFile.string();
  };
  EXPECT_EQ(name("app"), "app.ini");
  EXPECT_EQ(name("c:\\x\\app.cfg"), "c:\\x\\app.cfg");
  EXPECT_EQ(name("app."), "app.");
  EXPECT_EQ(name(""), "");
  EXPECT_EQ(name(Value()), "");
}

TEST_F(Ini, ReadingADefaultWritesIt) {
  EXPECT_EQ(ini->Get("Main", "Count", 5).integer(), 5);
  EXPECT_EQ(ini->Get("Main", "Name", "dflt").text(), "dflt");
  EXPECT_EQ(ini->Get("Main", "Flag", true).logical(), true);
  EXPECT_EQ(readEntry(path, "Main", "Count"), "5");
  EXPECT_EQ(readEntry(path, "Main", "Name"), "dflt");
  EXPECT_EQ(readEntry(path, "Main", "Flag"), ".T.");
  // A value that differs from the default is left as it is.
  WritePrivateProfileStringA("Main", "Count", "42", path.c_str());
  EXPECT_EQ(ini->Get("Main", "Count", 5).integer(), 42);
  EXPECT_EQ(readEntry(path, "Main", "Count"), "42");
  // Without auto-set nothing is written.
  ini->lAutoSet = false;
  EXPECT_EQ(ini->Get("Main", "Other", 9).integer(), 9);
  EXPECT_EQ(readEntry(path, "Main", "Other"), "<none>");
}

TEST_F(Ini, ValuesConvertByTheDefaultsType) {
  ini->lAutoSet = false;
  WritePrivateProfileStringA("T", "Yes", ".t.", path.c_str());
  WritePrivateProfileStringA("T", "No", "yes", path.c_str());
  EXPECT_TRUE(ini->Get("T", "Yes", false).logical());
  EXPECT_FALSE(ini->Get("T", "No", true).logical());

  // Written in the current date format; a four-digit year keeps the century on the way back.
  const Value date = Value::date(lanmere::julianFromDate(2022, 11, 30));
  ini->Set("T", "When", date);
  EXPECT_EQ(readEntry(path, "T", "When"), "11/30/22");
  lanmere::setDateFormat("YYYY-MM-DD");
  ini->Set("T", "When", date);
  EXPECT_EQ(readEntry(path, "T", "When"), "2022-11-30");
  const Value read = ini->Get("T", "When", Value::date(0));
  ASSERT_TRUE(read.isDate());
  EXPECT_EQ(read.julian(), date.julian());

  ini->Set("T", "Minus", -7);
  EXPECT_EQ(readEntry(path, "T", "Minus"), "-7");
  EXPECT_EQ(ini->Get("T", "Minus", 0).integer(), -7);
  ini->Set("T", "Text", "some words");
  // No default: the current value gives the type.
  EXPECT_EQ(ini->Get("T", "Minus", Value(), 100).integer(), -7);
  EXPECT_EQ(ini->Get("T", "Text", Value(), "").text(), "some words");
}

TEST_F(Ini, LongTextsAreReadWhole) {
  const std::string text(6000, 'q');
  ini->Set("Big", "Text", text);
  EXPECT_EQ(ini->Get("Big", "Text", "").text(), text);
}

TEST_F(Ini, SectionsInFileOrder) {
  EXPECT_EQ(ini->Sections().length(), 0u);  // no file yet
  test::writeFile(path, "");
  EXPECT_EQ(ini->Sections().length(), 0u);
  test::writeFile(path, "[Zeta]\r\na=1\r\n[Alpha]\r\nb=2\r\n[Mid]\r\n");
  const Value sections = ini->Sections();
  ASSERT_EQ(sections.length(), 3u);
  EXPECT_EQ(sections.item(1).text(), "Zeta");
  EXPECT_EQ(sections.item(2).text(), "Alpha");
  EXPECT_EQ(sections.item(3).text(), "Mid");
}

TEST_F(Ini, SectionsBeyondTheFirstBufferAreAllListed) {
  std::string content;
  for (int n = 0; n < 300; ++n) content += "[Section number " + std::to_string(1000 + n) + "]\r\n";
  test::writeFile(path, content);
  const Value sections = ini->Sections();
  ASSERT_EQ(sections.length(), 300u);
  EXPECT_EQ(sections.item(300).text(), "Section number 1299");
}

TEST_F(Ini, DeleteSectionAndEntry) {
  test::writeFile(path, "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  ini->DelEntry("A", "x");
  EXPECT_EQ(readEntry(path, "A", "x"), "<none>");
  EXPECT_EQ(readEntry(path, "A", "y"), "2");
  ini->DelSection("B");
  EXPECT_EQ(readEntry(path, "B", "z"), "<none>");
  const Value sections = ini->Sections();
  ASSERT_EQ(sections.length(), 1u);
  EXPECT_EQ(sections.item(1).text(), "A");
}

TEST_F(Ini, ReachedByMessages) {
  lanmere::clearModules();
  lanmere::registerModule(tIniModule());
  Value object = lanmere::callFunction("TINI");
  EXPECT_TRUE(lanmere::createObject("TIni").isObject());
  lanmere::clearModules();
  ASSERT_TRUE(object.isObject());
  EXPECT_EQ(object.object()->ClassName(), "TINI");
  lanmere::send(object, "New", {Value(path)});
  lanmere::send(object, "Set", {"S", "E", 12});
  EXPECT_EQ(lanmere::send(object, "Get", {"S", "E", 0}).integer(), 12);
  EXPECT_EQ(lanmere::send(object, "cIniFile").text(), path);
}

TEST_F(Ini, TheUsersProfile) {
  auto profile = lanmere::make<TIni>();
  profile->New("");
  profile->lAutoSet = false;
  profile->Set("KestrelIniTest", "Key", "value");
  EXPECT_EQ(profile->Get("KestrelIniTest", "Key", "none").text(), "value");
  profile->DelSection("KestrelIniTest");
  EXPECT_EQ(profile->Get("KestrelIniTest", "Key", "none").text(), "none");
}

}  // namespace
}  // namespace kestrel
