// ALERT in this process, called by name: what it shows for its arguments, where the focus starts,
// how the text box and the dialog are sized, that the text box takes no typing, that its font is
// released, and an alert opened from another alert's button.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "errors/core_modules.h"
#include "errors/ui_modules.h"
#include "framework/controls/modules.h"
#include "framework/core/handles.h"
#include "framework/core/modules.h"
#include "framework/core/tdialog.h"
#include "framework/core/winlist.h"
#include "framework/display/modules.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/object.h"
#include "tests/support/ui.h"

namespace kestrel::test {
namespace {

using lanmere::Value;

const std::string kCloseBox = "(close box)";
const std::string kGoOn = "(go on)";  // nothing pressed: the next step goes on

std::string valText(const Value& value) {
  return lanmere::callFunction("CVALTOCHAR", {value}).string();
}

// The alert's children other than its buttons: the text box and the icon.
HWND textBox(HWND dialog) {
  return FindWindowExA(dialog, nullptr, "Edit", nullptr);
}
HWND iconControl(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string name = className(child);
    if (name != "Edit" && name != "Button") return child;
  }
  return nullptr;
}
RECT childRect(HWND dialog, HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
long width(const RECT& r) {
  return r.right - r.left;
}
long height(const RECT& r) {
  return r.bottom - r.top;
}
// The alert's font, as its text box has it.
HFONT alertFont(HWND dialog) {
  return reinterpret_cast<HFONT>(SendMessageA(textBox(dialog), WM_GETFONT, 0, 0));
}
// A text's width in the alert's font, as the screen draws it.
long textWidthIn(HWND dialog, const std::string& text) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, alertFont(dialog));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return size.cx;
}
std::pair<DWORD, DWORD> selection(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

class Alert : public ::testing::Test {
 protected:
  void SetUp() override {
    lanmere::clearModules();
    for (auto layer : {errorsUiModules, displayModules, servicesModules, controlsModules,
                       coreModules, errorsCoreModules, lanmere::builtinModules}) {
      for (const lanmere::ModuleTable* module : layer()) lanmere::registerModule(*module);
    }
  }
  void TearDown() override {
    EXPECT_EQ(TDialog::liveCount(), liveDialogs_);
    lanmere::clearModules();
  }

  // Calls ALERT by name with `args`. `look` runs inside its loop once it is on the display and
  // answers the caption to press, kCloseBox, kGoOn, or "" to be asked again on the next tick.
  static Value alert(std::vector<Value> args, std::function<std::string(HWND)> look,
                     std::vector<DialogSteps::Step> more = {}) {
    std::vector<DialogSteps::Step> steps{[look](HWND dialog) {
      if (!dialog || focusedId(dialog) == 0 || windowPixel(dialog, 0, 0) == CLR_INVALID) {
        return false;
      }
      const std::string press = look(dialog);
      if (press.empty()) return false;
      if (press == kCloseBox) {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      } else if (press != kGoOn) {
        EXPECT_TRUE(pressButton(dialog, press)) << press;
      }
      return true;
    }};
    steps.insert(steps.end(), more.begin(), more.end());
    DialogSteps driver(steps);
    const Value answer = lanmere::callFunction("ALERT", lanmere::Args(args));
    driver.rethrow();
    EXPECT_TRUE(driver.done());
    return answer;
  }

 private:
  long liveDialogs_ = TDialog::liveCount();
};

TEST_F(Alert, ShowsItsArgumentsAndAnswersTheOptionPressed) {
  const Value three = Value::list({"&Yes", "&No", "&Maybe"});
  struct Case {
    const char* name;
    std::vector<Value> args;
    std::string title, text;
    std::vector<std::string> captions;
    LPCSTR icon;
    std::string press;
    long long answer;
  } cases[] = {
      {"no arguments", {}, "Attention", "Alert dialog box\r\n", {"&OK"}, IDI_EXCLAMATION, "&OK", 1},
      {"close box",
       {},
       "Attention",
       "Alert dialog box\r\n",
       {"&OK"},
       IDI_EXCLAMATION,
       kCloseBox,
       0},
      {"three options",
       {"Pick one", three, "Choice", 3, 32516},
       "Choice",
       "Pick one\r\n",
       {"&Yes", "&No", "&Maybe"},
       IDI_ASTERISK,
       "&No",
       2},
      {"empty list",
       {"x", Value::list()},
       "Attention",
       "x\r\n",
       {"&OK"},
       IDI_EXCLAMATION,
       "&OK",
       1},
      {"no list", {"x", "Yes"}, "Attention", "x\r\n", {"&OK"}, IDI_EXCLAMATION, "&OK", 1},
      {"lines cut at blanks",
       {"ab   \r\ncd\r\n" + std::string(300, 'e')},
       "Attention",
       "ab\r\ncd\r\n" + std::string(254, 'e') + "\r\n" + std::string(46, 'e') + "\r\n",
       {"&OK"},
       IDI_EXCLAMATION,
       "&OK",
       1},
      {"a number",
       {42, Value::list({1, 2}), 7},
       valText(7),
       valText(42) + "\r\n",
       {valText(1), valText(2)},
       IDI_EXCLAMATION,
       valText(2),
       2},
      {"a logical",
       {true},
       "Attention",
       valText(true) + "\r\n",
       {"&OK"},
       IDI_EXCLAMATION,
       "&OK",
       1},
      {"a list",
       {Value::list({1, "a"})},
       "Attention",
       valText(Value::list({1, "a"})) + "\r\n",
       {"&OK"},
       IDI_EXCLAMATION,
       "&OK",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Value answer = alert(c.args, [&](HWND dialog) {
      const BoxInfo box = readBox(dialog);
      EXPECT_EQ(box.title, c.title);
      EXPECT_EQ(windowText(textBox(dialog)), c.text);
      const HWND icon = iconControl(dialog);
      if (icon == nullptr) {
        ADD_FAILURE() << "no icon";
      } else {
        const Value object = OWNDFROMHWND(handleNumber(icon));
        EXPECT_EQ(handleFrom<HICON>(lanmere::send(object, "hIcon")), LoadIconA(nullptr, c.icon));
        const RECT at = childRect(dialog, icon);
        EXPECT_EQ(at.left, 18);
        EXPECT_EQ(at.top, 20);
        // Drawn without background: its corner shows the dialog's face.
        EXPECT_EQ(windowPixel(icon, 0, 0), windowPixel(dialog, 5, 5));
      }
      if (box.buttons.size() != c.captions.size()) {
        ADD_FAILURE() << box.buttons.size() << " buttons";
        return std::string(kCloseBox);
      }
      // Left to right, equally wide (at least 100), 7 apart, inside the client area.
      for (std::size_t i = 0; i < box.buttons.size(); ++i) {
        const RECT& r = box.buttons[i].rect;
        EXPECT_EQ(box.buttons[i].text, c.captions[i]);
        EXPECT_EQ(width(r), width(box.buttons[0].rect));
        EXPECT_GE(width(r), 100);
        EXPECT_EQ(r.top, box.buttons[0].rect.top);
        if (i > 0) {
          EXPECT_EQ(r.left, box.buttons[i - 1].rect.right + 7);
        }
        EXPECT_LE(r.right, box.client.right);
        EXPECT_LE(r.bottom, box.client.bottom);
      }
      if (c.press == "&No") {
        EXPECT_TRUE(saveScreenshot("alert_three_options.bmp"));
      }
      return c.press;
    });
    EXPECT_EQ(answer.integer(), c.answer);
  }
}

TEST_F(Alert, TheFocusStartsOnTheDefaultOptionOrTheTextBox) {
  struct Case {
    Value defaultOption;
    int control;  // 0 the text box, n the n-th option
  } cases[] = {{2, 2}, {3, 3}, {0, 0}, {9, 1}, {4, 1}, {-1, 1}, {Value(), 1}, {"2", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(valText(c.defaultOption));
    alert({"Focus", Value::list({"&One", "&Two", "&Three"}), Value(), c.defaultOption},
          [&](HWND dialog) {
            const BoxInfo box = readBox(dialog);
            const int expected =
                c.control == 0 ? GetDlgCtrlID(textBox(dialog)) : box.buttons.at(c.control - 1).id;
            EXPECT_EQ(box.focusedId, expected);
            return std::string("&One");
          });
  }
}

TEST_F(Alert, TheTextBoxAndTheDialogTakeTheSizeOfTheirTexts) {
  std::string forty;
  long widest = 0;
  for (int i = 1; i <= 40; ++i) forty += "Line number " + std::to_string(i) + "\r\n";
  const std::string wide(90, 'W');
  const std::string title(70, 'T');
  struct Case {
    const char* name;
    std::string message, title;
    bool hScroll, vScroll;
    std::function<long(HWND)> boxWidth, boxHeight, dialogWidth;
  } cases[] = {
      {"forty lines", forty, "Attention", false, true,
       [&](HWND d) {
         widest = 0;
         for (int i = 1; i <= 40; ++i) {
           widest = std::max(widest, textWidthIn(d, "Line number " + std::to_string(i)));
         }
         return widest + 10;
       },
       [](HWND) { return 400L; }, nullptr},
      {"a wide line", wide, "Attention", true, true, [](HWND) { return 500L; },
       [](HWND) { return 100L; }, [](HWND) { return 580L; }},
      {"a long title", "Short", title, false, false, nullptr, nullptr,
       [&](HWND d) { return textWidthIn(d, title) + 80; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    alert({c.message, Value(), c.title}, [&](HWND dialog) {
      const HWND edit = textBox(dialog);
      const LONG style = GetWindowLongA(edit, GWL_STYLE);
      EXPECT_EQ((style & WS_HSCROLL) != 0, c.hScroll);
      EXPECT_EQ((style & WS_VSCROLL) != 0, c.vScroll);
      EXPECT_EQ(style & WS_BORDER, 0);
      const RECT box = childRect(dialog, edit);
      EXPECT_EQ(box.left, 70);
      EXPECT_EQ(box.top, 25);
      if (c.boxWidth) {
        EXPECT_EQ(width(box), c.boxWidth(dialog));
      }
      if (c.boxHeight) {
        EXPECT_EQ(height(box), c.boxHeight(dialog));
      }
      RECT outer{};
      GetWindowRect(dialog, &outer);
      if (c.dialogWidth) {
        EXPECT_EQ(width(outer), c.dialogWidth(dialog));
      }
      // Centred on the screen's work area.
      RECT area{};
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
      EXPECT_LE(std::abs((outer.left - area.left) - (area.right - outer.right)), 1);
      return std::string("&OK");
    });
  }
}

TEST_F(Alert, TheTextBoxTakesNoTypingAndShowsNoSelection) {
  const std::string text = "Nothing to change here\r\n";
  HWND other = nullptr;
  alert({"Nothing to change here", Value(), Value(), 0},
        [&](HWND dialog) {
          const HWND edit = textBox(dialog);
          EXPECT_EQ(GetFocus(), edit);
          EXPECT_EQ(selection(edit).first, selection(edit).second);
          typeText("xy");
          pressKeys({VK_BACK});
          pressKeys({VK_DELETE});
          pressKeys({VK_CONTROL, 'V'});
          return kGoOn;
        },
        {[&](HWND dialog) {
           EXPECT_EQ(windowText(textBox(dialog)), text);
           // Another window takes the activation; coming back restores the focus to the box.
           other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   100, 100, nullptr, nullptr, nullptr, nullptr);
           SetActiveWindow(other);
           return true;
         },
         [&](HWND) {
           if (GetActiveWindow() != other) return false;
           DestroyWindow(other);
           return true;
         },
         [&](HWND dialog) {
           if (GetActiveWindow() != dialog) {
             SetActiveWindow(dialog);
             return false;
           }
           const HWND edit = textBox(dialog);
           EXPECT_EQ(GetFocus(), edit);
           EXPECT_EQ(windowText(edit), text);
           EXPECT_EQ(selection(edit).first, selection(edit).second);
           EXPECT_TRUE(pressButton(dialog, "&OK"));
           return true;
         }});
}

TEST_F(Alert, ItsFontIsReleasedAndAnAlertOpensFromAnotherAlertsButton) {
  auto fontRecords = [] {
    long n = 0;
    for (const TrackedResource& r : trackedResources()) n += r.type == "FONT" ? 1 : 0;
    return n;
  };
  const long before = fontRecords();
  long long font = 0;
  Value inner;
  const Value outer = alert(
      {"Outer", Value::list({"&One", "&Two"})},
      [&](HWND dialog) {
        font = reinterpret_cast<long long>(alertFont(dialog));
        LOGFONTA logical{};
        GetObjectA(alertFont(dialog), sizeof logical, &logical);
        EXPECT_EQ(logical.lfHeight, -14);
        EXPECT_STREQ(logical.lfFaceName, lanmere::callFunction("GETSYSFONT").string().c_str());
        EXPECT_EQ(fontRecords(), before + 1);
        // "&Two" first opens an alert of its own, then does what it always does.
        const Value button = OWNDFROMHWND(handleNumber(findButton(dialog, "&Two")));
        const Value action = lanmere::send(button, "bAction");
        lanmere::send(
            button, "_bAction", {lanmere::block([&inner, action](lanmere::Args args) {
              inner = lanmere::callFunction("ALERT", {"Inner", Value::list({"&A", "&B"})});
              return lanmere::evalArgs(action, args);
            })});
        return std::string("&Two");
      },
      {[&](HWND dialog) {
        if (!dialog || windowText(textBox(dialog)) != "Inner\r\n") return false;
        // The same font again: the inner alert takes one more use of it.
        EXPECT_EQ(reinterpret_cast<long long>(alertFont(dialog)), font);
        EXPECT_EQ(fontRecords(), before + 1);
        return pressButton(dialog, "&B");
      }});
  EXPECT_EQ(outer.integer(), 2);
  EXPECT_EQ(inner.integer(), 2);
  EXPECT_NE(font, 0);
  EXPECT_EQ(fontRecords(), before);
  for (const TrackedResource& r : trackedResources()) EXPECT_NE(r.handle, font);
}

}  // namespace
}  // namespace kestrel::test
