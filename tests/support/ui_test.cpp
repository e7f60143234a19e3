#include "tests/support/ui.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"

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
  ModalDriver driver([](const BoxInfo& box) { return box.buttons.size() == 2 ? IDNO : IDCANCEL; });
  EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
  ASSERT_EQ(driver.seen().size(), 1u);
  EXPECT_EQ(driver.seen()[0].buttons[0].text, "&Yes");
}

TEST(Screenshot, WritesABitmapOfTheDisplay) {
  const TempFolder folder;
  const std::string path = folder / "kestrel-shot.bmp";
  ASSERT_TRUE(saveScreenshot(path));
  const std::string bytes = readFile(path);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_GT(bytes.size(), static_cast<std::size_t>(GetSystemMetrics(SM_CXSCREEN) *
                                                   GetSystemMetrics(SM_CYSCREEN) * 3));
}

}  // namespace
}  // namespace kestrel::test
