#include "framework/services/files.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "framework/display/msgbox.h"
#include "runtime/builtins.h"
#include "tests/support/files.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::TempFolder;

Value call(Value (*f)(lanmere::Args), std::initializer_list<Value> args) {
  std::vector<Value> list(args);
  return f(list);
}

TEST(NewFileName, CountsUpFromOneAndRefusesPast999) {
  TempFolder dir;
  const std::string root = dir / "log";
  EXPECT_EQ(call(CNEWFILENAME, {root, "txt"}).text(), root + "1.txt");
  test::writeFile(root + "1.txt", "");
  EXPECT_EQ(call(CNEWFILENAME, {root, "txt"}).text(), root + "2.txt");
  // A gap is filled first.
  test::writeFile(root + "3.txt", "");
  EXPECT_EQ(call(CNEWFILENAME, {root, "txt"}).text(), root + "2.txt");
  for (int n = 2; n <= kMaxNewFileNumber; ++n) {
    if (n != 3) test::writeFile(root + std::to_string(n) + ".txt", "");
  }
  EXPECT_TRUE(call(CNEWFILENAME, {root, "txt"}).isNil());
  EXPECT_EQ(call(CNEWFILENAME, {root, "log"}).text(), root + "1.log");
}

TEST(TempFile, NeverRepeatsAndSkipsExistingFiles) {
  TempFolder dir;
  const std::string prefix = dir.path() + "\\";
  std::set<std::string> names;
  for (int n = 0; n < 20; ++n) names.insert(call(CTEMPFILE, {prefix, "tmp"}).string());
  EXPECT_EQ(names.size(), 20u);
  const std::regex form(std::regex_replace(prefix, std::regex(R"(\\)"), R"(\\)") +
                        R"([0-9]+\.tmp)");
  for (const std::string& name : names) EXPECT_TRUE(std::regex_match(name, form)) << name;

  // Files for the next few hundred milliseconds' numbers already exist.
  const DWORD now = GetTickCount();
  for (DWORD n = now; n < now + 300; ++n) test::writeFile(prefix + std::to_string(n), "");
  const std::string name = call(CTEMPFILE, {prefix}).string();
  EXPECT_FALSE(test::fileExists(name)) << name;
  EXPECT_EQ(name.find('.', prefix.size()), std::string::npos);  // no extension, no dot

  EXPECT_TRUE(call(CTEMPFILE, {prefix, ".x"}).string().ends_with(".x"));
  EXPECT_TRUE(call(CTEMPFILE, {}).string().find_first_not_of("0123456789") == std::string::npos);
}

TEST(IsDir, OnlyASingleDirectoryEntry) {
  TempFolder dir;
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  test::writeFile(dir / "file.txt", "x");
  EXPECT_TRUE(call(LISDIR, {dir / "sub"}).logical());
  EXPECT_TRUE(call(LISDIR, {dir / "sub\\"}).logical());
  EXPECT_TRUE(call(LISDIR, {dir / "sub/"}).logical());
  EXPECT_FALSE(call(LISDIR, {dir / "file.txt"}).logical());
  EXPECT_FALSE(call(LISDIR, {dir / "missing"}).logical());
  EXPECT_FALSE(call(LISDIR, {dir / "*"}).logical());  // a pattern listing several entries
  EXPECT_TRUE(call(LISDIR, {dir / "s*"}).logical());  // ... or only the one folder
  EXPECT_FALSE(call(LISDIR, {""}).logical());
  EXPECT_FALSE(call(LISDIR, {}).logical());
}

TEST(FileInfo, SizeDateAndTimeOfTheFirstMatch) {
  TempFolder dir;
  const std::string file = dir / "data.bin";
  test::writeFile(file, std::string(1234, 'x'));
  EXPECT_EQ(call(FSIZE, {file}).integer(), 1234);
  EXPECT_EQ(call(FSIZE, {dir / "missing"}).integer(), 0);
  EXPECT_EQ(call(FSIZE, {dir / "*.bin"}).integer(), 1234);

  // Set a known write time and read it back.
  SYSTEMTIME local{2021, 7, 0, 14, 9, 5, 3, 0};
  FILETIME localFile, utc;
  SystemTimeToFileTime(&local, &localFile);
  LocalFileTimeToFileTime(&localFile, &utc);
  HANDLE h =
      CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &utc));
  CloseHandle(h);

  const Value date = call(FDATE, {file});
  ASSERT_TRUE(date.isDate());
  EXPECT_EQ(date.julian(), lanmere::julianFromDate(2021, 7, 14));
  EXPECT_EQ(call(FTIME, {file}).text(), "09:05:03");
  const Value none = call(FDATE, {dir / "missing"});
  EXPECT_TRUE(none.isDate());
  EXPECT_EQ(none.julian(), 0);
  EXPECT_EQ(call(FTIME, {dir / "missing"}).text(), "");
}

int dispatched = 0;
LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_APP) ++dispatched;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(FindFile, FourLevelsBelowTheStartAndMessagesKeepFlowing) {
  TempFolder dir;
  // target.txt at depth 0 to 5; a differently cased one at depth 1.
  std::string level = dir.path();
  std::vector<std::string> expected;
  for (int depth = 0; depth <= 5; ++depth) {
    if (depth > 0) {
      level += "\\d" + std::to_string(depth);
      CreateDirectoryA(level.c_str(), nullptr);
    }
    test::writeFile(level + "\\target.txt", "");
    if (depth <= kFindFileDepth) expected.push_back(level + "\\target.txt");
  }
  CreateDirectoryA((dir / "other").c_str(), nullptr);
  test::writeFile(dir / "other\\TARGET.TXT", "");
  test::writeFile(dir / "other\\target.txt.bak", "");
  expected.push_back(dir / "other\\target.txt");

  WNDCLASSA wc{};
  wc.lpfnWndProc = countingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KestrelFindFileTest";
  RegisterClassA(&wc);
  HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  dispatched = 0;
  PostMessageA(window, WM_APP, 0, 0);

  Value found = call(AFINDFILE, {"target.txt", dir.path()});
  EXPECT_EQ(dispatched, 1);
  DestroyWindow(window);
  ASSERT_TRUE(found.isList());
  std::set<std::string> got;
  for (const Value& v : found.items()) got.insert(v.string());
  EXPECT_EQ(got, std::set<std::string>(expected.begin(), expected.end()));
  EXPECT_EQ(found.length(), expected.size());

  // A list passed in is appended to and returned.
  Value list = Value::list({"first"});
  Value same = call(AFINDFILE, {"TARGET.TXT", dir / "d1\\d2\\d3\\d4", list});
  EXPECT_TRUE(same.sharesStorageWith(list));
  // Depth 0 and 1 below the new start, in the order the folder lists them.
  ASSERT_EQ(list.length(), 3u);
  EXPECT_EQ(list.item(1).string(), "first");
  const std::set<std::string> appended{list.item(2).string(), list.item(3).string()};
  EXPECT_EQ(appended, (std::set<std::string>{dir / "d1\\d2\\d3\\d4\\TARGET.TXT",
                                             dir / "d1\\d2\\d3\\d4\\d5\\TARGET.TXT"}));
}

TEST(Drives, ListsTheSystemDrive) {
  const Value all = call(ADRIVES, {});
  std::set<std::string> drives;
  for (const Value& v : all.items()) {
    ASSERT_EQ(v.length(), 2u);
    EXPECT_EQ(v.text()[1], ':');
    drives.insert(v.string());
  }
  EXPECT_TRUE(drives.contains("C:"));
  for (const Value& v : call(ADRIVES, {1}).items()) {
    EXPECT_TRUE(v.string() == "A:" || v.string() == "B:") << v.string();
  }
  const Value others = call(ADRIVES, {2});
  for (const Value& v : others.items()) EXPECT_GE(v.text()[0], 'C');
  EXPECT_EQ(call(ADRIVES, {3}).length(), 0u);
}

TEST(KernelServices, MoveAndRemoveThroughTheLoadedLibrary) {
  TempFolder dir;
  test::writeFile(dir / "a.txt", "abc");
  EXPECT_TRUE(call(MOVEFILE, {dir / "a.txt", dir / "b.txt"}).logical());
  EXPECT_FALSE(test::fileExists(dir / "a.txt"));
  EXPECT_EQ(test::readFile(dir / "b.txt"), "abc");
  EXPECT_FALSE(call(MOVEFILE, {dir / "a.txt", dir / "c.txt"}).logical());

  CreateDirectoryA((dir / "full").c_str(), nullptr);
  test::writeFile(dir / "full\\x", "");
  CreateDirectoryA((dir / "empty").c_str(), nullptr);
  EXPECT_FALSE(call(REMOVEDIR, {dir / "full"}).logical());
  EXPECT_TRUE(call(REMOVEDIR, {dir / "empty"}).logical());
  EXPECT_FALSE(test::fileExists(dir / "empty"));
}

TEST(KernelServices, AFailedLoadShowsTheAlert) {
  lanmere::registerModule(msgBoxModule());  // the alert is reached by name
  test::ModalDriver driver([](const test::BoxInfo&) { return IDOK; });
  EXPECT_EQ(loadLibraryOrAlert("kestrel-no-such-library.dll"), nullptr);
  lanmere::clearModules();
  ASSERT_EQ(driver.seen().size(), 1u);
  EXPECT_EQ(driver.seen()[0].title, "Alert");
  EXPECT_EQ(driver.seen()[0].text, "Error code: 0 loading kestrel-no-such-library.dll");
}

}  // namespace
}  // namespace kestrel
