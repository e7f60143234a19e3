#include "tests/support/ui.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace kestrel::test {
namespace {

TEST(ModalDriver, ReadsAndAnswersARealMessageBox) {
  ModalDriver driver([](const BoxInfo&) { return IDOK; });
  const int result = MessageBoxA(nullptr, "\r\nabc", "Alert", MB_ICONWARNING | MB_OK);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(driver.seen().size(), 1u);
  const BoxInfo& box = driver.seen()[0];
  EXPECT_EQ(box.className, "#32770");
  EXPECT_EQ(box.title, "Alert");
  EXPECT_EQ(box.text, "\r\nabc");
  EXPECT_TRUE(box.hasIcon);
  ASSERT_EQ(box.buttons.size(), 1u);
  EXPECT_EQ(box.buttons[0].id, IDOK);
  EXPECT_EQ(box.buttons[0].text, "OK");
}

TEST(ModalDriver, PressesTheButtonTheAnswerNames) {
  ModalDriver driver([](const BoxInfo& box) {
    return box.buttons.size() == 2 ? IDNO : IDCANCEL;
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(driver.seen().size(), 1u);
  EXPECT_EQ(driver.seen()[0].buttons[0].text, "&Yes");
}

TEST(Screenshot, WritesABitmapOfTheDisplay) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "kestrel-shot.bmp";
  ASSERT_TRUE(saveScreenshot(path));
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char magic[2] = {};
  ASSERT_EQ(std::fread(magic, 1, 2, file), 2u);
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  std::fclose(file);
  std::remove(path.c_str());
  EXPECT_EQ(magic[0], 'B');
  EXPECT_EQ(magic[1], 'M');
  EXPECT_GT(size, GetSystemMetrics(SM_CXSCREEN) * GetSystemMetrics(SM_CYSCREEN) * 3);
}

}  // namespace
}  // namespace kestrel::test
