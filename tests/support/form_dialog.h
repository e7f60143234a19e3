// The busy dialog of the soak test and the dialog benchmark: 20 controls bound to program values
// (4 labels, 6 edit fields with pictures, 4 push buttons, a list box of 100 items, a combo box of
// 50), owned by a window with a menu, a message bar, a font and a brush of its own. A cycle opens
// the dialog, types into the first field, picks a list item and closes it as a user would, with
// input posted to the dialog's own loop: no timers, so a thousand cycles stay quick.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/value.h"
#include "tests/support/values.h"

namespace kestrel::test {

// The program values the dialog's controls show and edit.
struct FormValues {
  Var name{lanmere::Value(std::string(12, ' '))}, count{lanmere::Value(0)},
      amount{lanmere::Value(0.0)}, when{lanmere::Value::date(0)},
      code{lanmere::Value(std::string(8, ' '))}, note{lanmere::Value(std::string(20, ' '))},
      pick{lanmere::Value(1)}, choice{lanmere::Value(1)};
};

// The owning window: menu bar, message bar, font and brush; destroyed with the object.
class FormOwner {
 public:
  FormOwner();
  ~FormOwner();
  FormOwner(const FormOwner&) = delete;
  FormOwner& operator=(const FormOwner&) = delete;
  const lanmere::Value& window() const { return window_; }

 private:
  lanmere::Value window_;
};

// The dialog, made through New with its controls made through New (not yet activated).
lanmere::Value formDialog(const lanmere::Value& owner, FormValues& values);
// The controls' layout in pixels, shared with the plain Win32 copy of the dialog.
namespace form {
inline constexpr int kWidth = 440, kHeight = 340;
inline constexpr int kLabels = 4, kFields = 6, kButtons = 4, kListItems = 100, kComboItems = 50;
inline constexpr int kRowStep = 32, kFieldWidth = 130, kRowHeight = 22;
inline constexpr int kListTop = 10, kListLeft = 250, kListWidth = 170, kListHeight = 150;
inline constexpr int kComboTop = 170, kComboHeight = 120;
inline constexpr int kButtonTop = 270, kButtonWidth = 90, kButtonHeight = 26;
inline constexpr const char* kPictures[kFields] = {"@!", "99999",    "@Z 9,999.99",
                                                   "@D", "!!!-9999", "@K"};
std::string itemText(int n);  // "Item 7"
}  // namespace form

// What one cycle did.
struct FormCycle {
  lanmere::Value result;   // the dialog's nResult
  bool ended = false;      // the dialog window is gone
  bool abandoned = false;  // it was still up after ten seconds and was ended
};
// Opens the dialog modal or modeless, types `typed` into the first field, clicks the list item
// `listItem` (1-based, among the first visible ones) and closes it with the OK button or Esc
// (pressed on a button).
FormCycle runForm(const lanmere::Value& owner, FormValues& values, bool modal, bool ok,
                  const std::string& typed, int listItem);

}  // namespace kestrel::test
