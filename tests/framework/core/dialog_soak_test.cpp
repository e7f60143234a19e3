// A thousand open-and-close cycles of a busy dialog as a program runs it all day: after the first
// ten, nothing the process holds may grow, and its private memory barely moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "framework/core/tdialog.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/form_dialog.h"
#include "tests/support/live_objects.h"

namespace kestrel::test {
namespace {

// KESTREL_SOAK_CYCLES changes the count for a quick look; the suite runs the thousand.
int cycles() {
  const char* text = std::getenv("KESTREL_SOAK_CYCLES");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 1000;
}
constexpr int kSettled = 10;         // counts are taken after these
constexpr int kMemorySettled = 100;  // and the memory after these (fewer in a short run)
constexpr std::size_t kMemorySlack = 1 << 20;

class DialogSoak : public ControlTest, public ::testing::WithParamInterface<bool> {};

// Each cycle types into the first field and picks a list item, so the program's values take what
// was typed (the field is left for the list, which stores it) and picked, whichever way the dialog
// then closes: odd cycles press OK (result 1), even ones Esc, which the dialog answers with Cancel
// (result 2).
TEST_P(DialogSoak, NothingGrowsAfterTheFirstCycles) {
  const bool modal = GetParam();
  const int count = cycles();
  const int memoryFrom = std::min(kMemorySettled, std::max(kSettled, count / 10));
  const FormOwner owner;
  FormValues values;
  LiveObjects settled;
  std::size_t memorySettled = 0;
  const std::string blank(12, ' ');
  for (int cycle = 1; cycle <= count; ++cycle) {
    const bool ok = cycle % 2 == 1;
    const int item = 1 + cycle % 5;
    *values.name = Value(blank);
    const FormCycle done = runForm(owner.window(), values, modal, ok, "abc", item);
    const std::string name = values.name.cell->value.string();
    const bool right = done.ended && done.result.isNumber() &&
                       done.result.integer() == (ok ? 1 : 2) && name == "ABC" + blank.substr(3) &&
                       (*values.pick).integer() == item;
    if (!right) {
      ADD_FAILURE() << "cycle " << cycle << (ok ? " (OK)" : " (Esc)") << ": ended " << done.ended
                    << ", result " << lanmere::className(done.result) << " "
                    << (done.result.isNumber() ? done.result.integer() : -1) << ", name '" << name
                    << "', pick " << (*values.pick).integer();
      return;
    }
    if (cycle == kSettled) settled = liveObjects();
    if (cycle == memoryFrom) memorySettled = privateBytes();
  }
  const LiveObjects last = liveObjects();
  EXPECT_EQ(last.grownSince(settled), "") << "after " << kSettled << ": " << settled.describe()
                                          << "\nafter " << count << ": " << last.describe();
  const std::size_t memory = privateBytes();
  EXPECT_GT(memorySettled, 0u);
  EXPECT_LE(memory, memorySettled + kMemorySlack)
      << "private bytes " << memorySettled << " after " << memoryFrom << " cycles, " << memory
      << " after " << count;
}

// Built twice (tests/framework/core/CMakeLists.txt): the modal program and the modeless one.
#if KESTREL_SOAK_MODAL
INSTANTIATE_TEST_SUITE_P(Modal, DialogSoak, ::testing::Values(true));
#else
INSTANTIATE_TEST_SUITE_P(Modeless, DialogSoak, ::testing::Values(false));
#endif

}  // namespace
}  // namespace kestrel::test
