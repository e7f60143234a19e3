// What the dialog tests share: the framework's modules and a recording error block, dialogs made
// through New and activated through Activate as a program does it, test controls that answer the
// messages a dialog sends its controls, and the steps a user takes in a dialog.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/core/tcontrol.h"
#include "framework/core/tdialog.h"
#include "framework/services/modules.h"
#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"
#include "tests/support/live_objects.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {

using lanmere::Value;

// A control as the dialog sees one: it answers nId, hWnd, cToChar, Initiate, lValid, lCancel and
// nHelpId, records the framework messages it gets ("CLICK", "CHANGE") and evaluates bAction on
// a click; it lets go of its window and its dialog when the window is destroyed.
class TTestCtrl : public lanmere::Object {
  LM_CLASS(TTestCtrl, lanmere::Object)
  TTestCtrl() { ++live; }
  ~TTestCtrl() override { --live; }

  Value hWnd = 0, nOldProc, nId, oWnd, lCancel = false, nHelpId, bValid, bAction;
  Value lTransparent = false;
  Value cClassName = "Edit", cCaption = "", nStyle;
  Value nTop = 0, nLeft = 0, nBottom = 0, nRight = 0;  // pixels inside the dialog
  std::vector<std::string> log;

  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam);
  // The item of an in-memory template, with the control's factors 16 and 8.
  Value cToChar();
  Value Initiate(const Value& hDlg);
  Value lValid();

  static inline int live = 0;
};

// A dialog whose HandleEvent records every message number it gets.
class TLoggedDialog : public TDialog {
  LM_CLASS(TLoggedDialog, TDialog)
  Value HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) override;
  std::vector<long long> messages;
};

// New of `className` (TDialog or a class derived from it) with these arguments.
Value newDialog(const TDialog::NewArgs& args, const char* className = "TDIALOG");
// A dialog built in memory at pixels (top, left, bottom, right).
Value pixelDialog(long long top, long long left, long long bottom, long long right,
                  const char* caption = "Fields", const char* className = "TDIALOG");
// A dialog from a resource of the test program.
Value resourceDialog(const Value& resource, const char* className = "TDIALOG");
// A test control of the dialog, added with DefControl.
Value addControl(const Value& dialog, const char* windowClass, const Value& id, const char* caption,
                 long long top, long long left, long long bottom, long long right,
                 long long style = 0);
void activate(const Value& dialog, const TDialog::ActivateArgs& how = {});
// Activates a modal dialog driven by `steps` from inside its loop; answers nResult.
Value runModal(const Value& dialog, std::vector<std::function<bool(HWND)>> steps,
               const TDialog::ActivateArgs& how = {});

// The framework's modules registered, an error block that records every record and answers
// false, and the loop state checked after each test: no modal dialog left on the stack, the
// running flag down, no Activate in progress.
class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  struct Raised {
    long long subCode = 0;
    std::string subSystem;
    std::string operation;
  };
  std::vector<Raised> errors;

 private:
  Value previousBlock_;
};

// A dialog test whose controls also reach the services (menus, the clipboard, the resource
// tracker).
class ControlTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    registerModules({servicesModules()});
  }
};

// A dialog test with a shown top-level window to put controls on, destroyed after the test.
class WindowTest : public DialogTest {
 protected:
  void TearDown() override {
    destroy(window);
    DialogTest::TearDown();
  }
  Value window = shownWindow(100, 100, 400, 500, "Controls");
  HWND hwnd = hwndOf(window);
};

// ---- Steps a user takes in a dialog (DialogSteps) ----

using Step = DialogSteps::Step;
using steps::check;
using steps::inputPending;
using steps::settle;
using steps::type;

// Waits until the dialog is up with the keyboard focus on one of its controls.
bool ready(HWND dialog);
// Gives the control the focus as the dialog's keyboard interface does; waits for the control's
// window and a visible dialog.
Step focusOn(const Value& control);
// Waits until the keyboard focus is on the control or inside it (a combo box's edit area).
Step focused(const Value& control);
// Presses the keys of a chord (one key, or a modifier and a key).
Step keys(std::initializer_list<WORD> chord);
// Ends the dialog with `result` through its End.
Step endWith(const Value& dialog, long long result = 1);

// The clipboard's text, set and read through the framework's clipboard class.
void setClipboard(const std::string& text);
std::string clipboardText();

// The live-object counts and the framework's own: tracked resources, window, dialog and control
// objects.
LiveObjects liveObjects();

// What dialogs leave behind: takes liveObjects() when made; expectNoMore() fails the test where
// any count grew.
class Leftovers {
 public:
  Leftovers();
  void expectNoMore() const;

 private:
  LiveObjects before_;
};

// Counts the windows this thread creates while it lives.
class WindowCreations {
 public:
  WindowCreations();
  ~WindowCreations();
  WindowCreations(const WindowCreations&) = delete;
  WindowCreations& operator=(const WindowCreations&) = delete;
  int count() const { return count_; }

 private:
  static LRESULT CALLBACK onCbt(int code, WPARAM wParam, LPARAM lParam);
  HHOOK hook_ = nullptr;
  int count_ = 0;
};

}  // namespace kestrel::test
