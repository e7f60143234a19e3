// The event methods the dispatcher sends exist in the window classes' tables: a name misspelt
// in the event-name table or in a class table would silently switch that event off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/tcontrol.h"
#include "framework/core/tdialog.h"
#include "framework/core/twindow.h"
#include "framework/core/wndhandleevent.h"

namespace kestrel::test {
namespace {

using Names = std::vector<std::string>;

// The names of the event-name table that resolve to no method of the class.
Names unanswered(const lanmere::ClassInfo& info) {
  Names missing;
  for (int slot = kFirstEventSlot; slot <= kLastEventSlot; ++slot) {
    const lanmere::Symbol* event = eventSymbol(slot);
    if (!event) continue;
    const lanmere::Resolved* found = info.resolve(event);
    if (!found || found->kind != lanmere::Resolved::Kind::Method) missing.push_back(event->name);
  }
  return missing;
}

TEST(EventNames, EachWindowClassAnswersTheEventsItsMessagesReach) {
  const struct {
    const lanmere::ClassInfo& info;
    Names unanswered;
  } rows[] = {
      // A window gets no framework click, change, colours or validation messages, and is never
      // initialised by the dialog manager.
      {TWindow::Class(),
       {"CHANGE", "CLICK", "COLORS", "DISPLAY", "FILLMEASURE", "KSLOSTFOCUS", "INITIATE"}},
      {TDialog::Class(), {"CHANGE", "CLICK", "COLORS", "FILLMEASURE", "KSLOSTFOCUS"}},
      // A list box's items are measured by the list box class.
      {TControl::Class(), {"FILLMEASURE"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.info.name);
    EXPECT_EQ(unanswered(row.info), row.unanswered);
  }
}

// The control's own messages reach these methods by name as well.
TEST(EventNames, TheControlAnswersItsOwnEvents) {
  for (const char* name : {"HELPTOPIC", "KEYUP", "SYSCHAR", "SYSKEYDOWN", "CAPTURECHANGED"}) {
    SCOPED_TRACE(name);
    const lanmere::Resolved* found = TControl::Class().resolve(lanmere::symbol(name));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->kind, lanmere::Resolved::Kind::Method);
  }
}

}  // namespace
}  // namespace kestrel::test
