// The event methods the dispatcher sends exist in the window classes' tables: a name misspelt
// in the event-name table or in a class table would silently switch that event off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/classkind.h"
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
      // A window gets no framework click, change, colours or validation messages, is never
      // initialised by the dialog manager, and leaves the keys and states only controls answer
      // to the default procedure.
      {TWindow::Class(),
       {"CHANGE", "CLICK", "COLORS", "FILLMEASURE", "KSLOSTFOCUS", "INITIATE", "KEYUP", "SYSCHAR",
        "SYSKEYDOWN", "CAPTURECHANGED", "UPDATEUISTATE", "PRINTCLIENT"}},
      {TDialog::Class(),
       {"CHANGE", "CLICK", "COLORS", "FILLMEASURE", "KSLOSTFOCUS", "KEYUP", "SYSCHAR", "SYSKEYDOWN",
        "CAPTURECHANGED", "UPDATEUISTATE"}},
      // A list box's items are measured by the list box class.
      {TControl::Class(), {"FILLMEASURE", "PRINTCLIENT"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.info.name);
    EXPECT_EQ(unanswered(row.info), row.unanswered);
  }
}

// A class matched by name is that class or one derived from it.
TEST(ClassKind, AClassIsOfItsOwnNameAndOfItsAncestors) {
  const lanmere::Value dialog = lanmere::Value(lanmere::make<TDialog>());
  const lanmere::Value window = lanmere::Value(lanmere::make<TWindow>());
  const struct {
    const lanmere::Value& object;
    const char* name;
    bool is;
  } rows[] = {{dialog, "TDIALOG", true},
              {dialog, "TWINDOW", true},
              {window, "TDIALOG", false},
              {window, "TFOLDER", false},
              {lanmere::Value(), "TWINDOW", false},
              {lanmere::Value(7), "TWINDOW", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(isKindOf(row.object, row.name), row.is);
  }
  EXPECT_TRUE(isKindOf(dialog, {"TFOLDER", "TDIALOG"}));
  EXPECT_FALSE(isKindOf(window, kFolderClasses));
}

}  // namespace
}  // namespace kestrel::test
