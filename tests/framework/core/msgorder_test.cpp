// The order of messages and event methods in the control protocols (a button click, validation
// on Tab and on a click, focus moves), in the style of the system's own message tests: every
// control of a dialog writes what it gets into one trace, and each test compares the trace,
// kept to the lines the protocol is about, with a literal list.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/controls/tbutton.h"
#include "framework/core/fwmessages.h"
#include "framework/core/tcontrol.h"
#include "tests/framework/core/tcontrol_test_ids.h"
#include "tests/support/dialog_fixture.h"

namespace kestrel::test {

using Trace = std::vector<std::string>;

namespace {

Trace trace;

std::string idOf(const TWindow& window) {
  return window.nId.isNumber() ? std::to_string(window.nId.integer()) : "?";
}

void note(const TWindow& window, const std::string& what) {
  trace.push_back(idOf(window) + " " + what);
}

// The messages worth a line; the rest (painting, hit tests, the dialog manager's queries) vary
// between systems.
const char* messageName(long long message) {
  switch (message) {
    case WM_SETFOCUS:
      return "WM_SETFOCUS";
    case WM_KILLFOCUS:
      return "WM_KILLFOCUS";
    case WM_LBUTTONDOWN:
      return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP:
      return "WM_LBUTTONUP";
    case kWmFrameworkClick:
      return "FW_CLICK";
    case kWmFrameworkLostFocus:
      return "FW_LOSTFOCUS";
    default:
      return nullptr;
  }
}

void noteMessage(const TWindow& window, const Value& nMsg) {
  if (const char* name = messageName(nMsg.integer())) note(window, name);
}

}  // namespace

// A control that traces its messages and the protocol's event methods.
template <class Base>
class Traced : public Base {
 public:
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override {
    noteMessage(*this, nMsg);
    return Base::HandleEvent(nMsg, nWParam, nLParam);
  }
  Value GotFocus(const Value& hWndLost) override {
    note(*this, "GotFocus");
    return Base::GotFocus(hWndLost);
  }
  Value LostFocus(const Value& hWndNew) override {
    note(*this, "LostFocus");
    return Base::LostFocus(hWndNew);
  }
  Value KillFocus(const Value& hWndNew) override {
    note(*this, "KillFocus");
    return Base::KillFocus(hWndNew);
  }
  Value KSLostFocus(const Value& hWndNew) override {
    note(*this, "KSLostFocus");
    return Base::KSLostFocus(hWndNew);
  }
  Value ForWhen() override {
    note(*this, "ForWhen");
    return Base::ForWhen();
  }
  Value LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) override {
    note(*this, "LButtonDown");
    return Base::LButtonDown(nRow, nCol, nFlags);
  }
  Value LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) override {
    note(*this, "LButtonUp");
    return Base::LButtonUp(nRow, nCol, nFlags);
  }
  Value Click() override {
    note(*this, "Click");
    return Base::Click();
  }
};

// An edit field and a push button that trace.
class TTracedField : public Traced<TControl> {
  LM_CLASS(TTracedField, Traced<TControl>)
};
LM_DEFINE_CLASS(TTracedField) {
  c.creatable();
}

class TTracedButton : public Traced<TButton> {
  LM_CLASS(TTracedButton, Traced<TButton>)
};
LM_DEFINE_CLASS(TTracedButton) {
  c.creatable();
}

// A dialog that traces the commands its controls send (with the notification code).
class TTracedDialog : public TDialog {
  LM_CLASS(TTracedDialog, TDialog)
  Value Command(const Value& nWParam, const Value& nLParam) override {
    const long long w = nWParam.integer();
    trace.push_back("dialog Command " + std::to_string(w & 0xFFFF) + " " +
                    std::to_string((w >> 16) & 0xFFFF));
    return TDialog::Command(nWParam, nLParam);
  }
};
LM_DEFINE_CLASS(TTracedDialog) {
  c.creatable();
}

namespace {

class MessageOrder : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    TTracedField::Class();
    TTracedButton::Class();
    TTracedDialog::Class();
    build();
  }
  void build() {
    dialog = resourceDialog("CTLDLG", "TTRACEDDIALOG");
    field(kIdFirst);
    field(kIdSecond);
    const Value go = lanmere::createObject("TTRACEDBUTTON");
    lanmere::send(go, "ReDefine",
                  {kIdGo, closure([](lanmere::Args) {
                     trace.push_back(std::to_string(kIdGo) + " bAction");
                     return Value();
                   }),
                   dialog});
    trace.clear();
  }
  void TearDown() override {
    trace.clear();
    DialogTest::TearDown();
  }

  void field(long long id) {
    const Value made = lanmere::createObject("TTRACEDFIELD");
    lanmere::send(made, "Redefine", {id, dialog});
    // Each field says whether it is valid through `valid`, and traces the question.
    as<TWindow>(made).bValid = closure([this, id](lanmere::Args) {
      trace.push_back(std::to_string(id) + " bValid");
      return Value(valid);
    });
  }

  // Runs the dialog: the focus goes to the first field and the trace starts empty there; then
  // `act` runs, and the trace is taken once `settled` holds and no input is pending.
  Trace run(std::function<void(HWND)> act, std::function<bool(HWND)> settled) {
    Trace got;
    runModal(dialog, {ready,
                      [](HWND hwnd) {
                        SendMessageA(hwnd, WM_NEXTDLGCTL,
                                     reinterpret_cast<WPARAM>(GetDlgItem(hwnd, kIdFirst)), TRUE);
                        return true;
                      },
                      // A step runs from a timer message, which comes only once the queue holds no
                      // posted message and no input: the trace is complete at each step.
                      [](HWND hwnd) {
                        if (focusedId(hwnd) != kIdFirst || inputPending()) return false;
                        trace.clear();
                        return true;
                      },
                      [act](HWND hwnd) {
                        act(hwnd);
                        return true;
                      },
                      [&](HWND hwnd) {
                        if (inputPending() || !settled(hwnd)) return false;
                        got = trace;
                        return true;
                      },
                      endWith(dialog)});
    return got;
  }

  Value dialog;
  bool valid = true;
};

// A click on a button while a valid field has the focus: the press moves the focus, the field's
// validation (posted by its focus loss) runs before the release, and the release clicks.
TEST_F(MessageOrder, AButtonClickValidatesTheFieldLeftThenRunsTheAction) {
  const Trace got = run([](HWND hwnd) { clickCenter(GetDlgItem(hwnd, kIdGo)); },
                        [this](HWND) { return !trace.empty() && trace.back() == "110 bAction"; });
  EXPECT_EQ(got, (Trace{"110 WM_LBUTTONDOWN", "110 LButtonDown", "101 WM_KILLFOCUS",
                        "101 KillFocus", "101 LostFocus",
                        "dialog Command 101 512",  // EN_KILLFOCUS: the edit's own procedure
                        "110 WM_SETFOCUS", "110 GotFocus", "101 FW_LOSTFOCUS", "101 KSLostFocus",
                        "101 bValid", "101 ForWhen", "110 WM_LBUTTONUP", "110 LButtonUp",
                        "dialog Command 110 0", "110 FW_CLICK", "110 Click", "110 bAction"}));
}

// The same click while the field is invalid: the validation takes the focus back, so the button
// loses it before the release and never clicks.
TEST_F(MessageOrder, AnInvalidFieldTakesTheFocusBackBeforeTheButtonClicks) {
  valid = false;
  const Trace got = run([](HWND hwnd) { clickCenter(GetDlgItem(hwnd, kIdGo)); },
                        [](HWND hwnd) { return focusedId(hwnd) == kIdFirst; });
  EXPECT_EQ(got,
            (Trace{"110 WM_LBUTTONDOWN", "110 LButtonDown", "101 WM_KILLFOCUS", "101 KillFocus",
                   "101 LostFocus", "dialog Command 101 512", "110 WM_SETFOCUS", "110 GotFocus",
                   "101 FW_LOSTFOCUS", "101 KSLostFocus", "101 bValid", "110 WM_KILLFOCUS",
                   "110 KillFocus", "110 LostFocus", "101 WM_SETFOCUS", "101 GotFocus",
                   "dialog Command 101 256",  // EN_SETFOCUS
                   "110 WM_LBUTTONUP", "110 LButtonUp"}));
}

// A click on a cancel button (a push button with lCancel, or of a class derived from one) while
// the field is invalid: the field runs ForWhen at once instead of posting its validation, and the
// button's action runs.
TEST_F(MessageOrder, ACancelButtonTakesTheFocusWithoutValidating) {
  for (const char* className : {"TBUTTON", "TTRACEDBUTTON"}) {
    SCOPED_TRACE(className);
    build();
    valid = false;
    const Value cancel = lanmere::createObject(className);
    lanmere::send(cancel, "ReDefine",
                  {IDCANCEL,
                   closure([](lanmere::Args) {
                     trace.push_back("2 bAction");
                     return Value();
                   }),
                   dialog,
                   {},
                   {},
                   {},
                   {},
                   {},
                   {},
                   true});
    Trace got = run([](HWND hwnd) { clickCenter(GetDlgItem(hwnd, IDCANCEL)); },
                    [](HWND) { return !trace.empty() && trace.back() == "2 bAction"; });
    // What the traced button says of itself is not the point here.
    std::erase_if(
        got, [](const std::string& line) { return line.starts_with("2 ") && line != "2 bAction"; });
    EXPECT_EQ(got, (Trace{"101 WM_KILLFOCUS", "101 KillFocus", "101 ForWhen", "101 LostFocus",
                          "dialog Command 101 512", "dialog Command 2 0", "2 bAction"}));
  }
}

// Tab: the dialog manager moves the focus, then the posted validation runs and moves on from the
// field left behind (to where the focus already is); an invalid field gets the focus back.
TEST_F(MessageOrder, TabValidatesAfterTheFocusHasMoved) {
  const struct {
    bool valid;
    int settledOn;
    Trace expected;
  } rows[] = {
      {true,
       kIdSecond,
       {"101 WM_KILLFOCUS", "101 KillFocus", "101 LostFocus", "dialog Command 101 512",
        "102 WM_SETFOCUS", "102 GotFocus", "dialog Command 102 256", "101 FW_LOSTFOCUS",
        "101 KSLostFocus", "101 bValid", "101 ForWhen"}},
      {false,
       kIdFirst,
       {"101 WM_KILLFOCUS", "101 KillFocus", "101 LostFocus", "dialog Command 101 512",
        "102 WM_SETFOCUS", "102 GotFocus", "dialog Command 102 256", "101 FW_LOSTFOCUS",
        "101 KSLostFocus", "101 bValid", "102 WM_KILLFOCUS", "102 KillFocus", "102 LostFocus",
        "dialog Command 102 512", "101 WM_SETFOCUS", "101 GotFocus", "dialog Command 101 256"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.valid);
    build();
    valid = row.valid;
    const Trace got = run([](HWND) { pressKeys({VK_TAB}); },
                          [&](HWND hwnd) { return focusedId(hwnd) == row.settledOn; });
    EXPECT_EQ(got, row.expected);
  }
}

// A click on the other field: its press moves the focus, the validation runs before the release;
// the click does not move the focus on again.
TEST_F(MessageOrder, AClickOnAFieldValidatesTheFieldLeftBeforeTheRelease) {
  const Trace got = run([](HWND hwnd) { clickCenter(GetDlgItem(hwnd, kIdSecond)); },
                        [](HWND) { return !trace.empty() && trace.back() == "102 LButtonUp"; });
  EXPECT_EQ(got,
            (Trace{"102 WM_LBUTTONDOWN", "102 LButtonDown", "101 WM_KILLFOCUS", "101 KillFocus",
                   "101 LostFocus", "dialog Command 101 512", "102 WM_SETFOCUS", "102 GotFocus",
                   "dialog Command 102 256", "101 FW_LOSTFOCUS", "101 KSLostFocus", "101 bValid",
                   "101 ForWhen", "102 WM_LBUTTONUP", "102 LButtonUp"}));
}

// Focus moves between the dialog's controls (the dialog's next-control message, as the framework
// and the mnemonics move it), forwards and backwards over the button.
TEST_F(MessageOrder, FocusMovesBetweenControls) {
  const Trace got = run(
      [](HWND hwnd) {
        for (int id : {kIdGo, kIdSecond}) {
          SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hwnd, id)), TRUE);
        }
      },
      [](HWND) { return !trace.empty() && trace.back() == "110 ForWhen"; });
  EXPECT_EQ(got,
            (Trace{"101 WM_KILLFOCUS", "101 KillFocus", "101 LostFocus", "dialog Command 101 512",
                   "110 WM_SETFOCUS", "110 GotFocus", "110 WM_KILLFOCUS", "110 KillFocus",
                   "110 LostFocus", "102 WM_SETFOCUS", "102 GotFocus", "dialog Command 102 256",
                   "101 FW_LOSTFOCUS", "101 KSLostFocus", "101 bValid", "101 ForWhen",
                   "110 FW_LOSTFOCUS", "110 KSLostFocus", "110 ForWhen"}));
}

}  // namespace
}  // namespace kestrel::test
