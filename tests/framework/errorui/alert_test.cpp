// ALERT in this process, called by name: what it shows for its arguments, where the focus starts,
// how the text box and the dialog are sized, that the text box takes no typing, that its font is
// released, and an alert opened from another alert's button.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "errors/core_modules.h"
#include "framework/controls/modules.h"
#include "framework/core/handles.h"
#include "framework/core/modules.h"
#include "framework/core/tdialog.h"
#include "framework/core/winlist.h"
#include "framework/display/modules.h"
#include "framework/errorui/ui_modules.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/object.h"
#include "tests/support/modules.h"
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
// The alert font's character height, as the dialog measures it.
long charHeight(HWND dialog) {
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, alertFont(dialog));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
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
    registerModules({errorsUiModules(), displayModules(), servicesModules(), controlsModules(),
                     coreModules(), errorsCoreModules(), lanmere::builtinModules()});
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
  const std::string cut = "ab\r\ncd\r\n" + std::string(254, 'e') + "\r\n" + std::string(46, 'e');
  struct Case {
    std::vector<Value> args;
    std::string text = "Alert dialog box";  // the text box shows it with a line end
    std::vector<std::string> captions = {"&OK"};
    std::string title = "Attention", press = "&OK";
    long long answer = 1;
    LPCSTR icon = IDI_EXCLAMATION;
  } cases[] = {
      {.args = {}},
      {.args = {}, .press = kCloseBox, .answer = 0},
      {.args = {"Pick one", three, "Choice", 3, 32516},
       .text = "Pick one",
       .captions = {"&Yes", "&No", "&Maybe"},
       .title = "Choice",
       .press = "&No",
       .answer = 2,
       .icon = IDI_ASTERISK},
      {.args = {"x", Value::list()}, .text = "x"},
      {.args = {"x", "Yes"}, .text = "x"},
      {.args = {"ab   \r\ncd\r\n" + std::string(300, 'e')}, .text = cut},
      {.args = {42, Value::list({1, 2}), 7},
       .text = valText(42),
       .captions = {valText(1), valText(2)},
       .title = valText(7),
       .press = valText(2),
       .answer = 2},
      {.args = {true}, .text = valText(true)},
      {.args = {Value::list({1, "a"})}, .text = valText(Value::list({1, "a"}))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20) + " / " + c.press);
    const Value answer = alert(c.args, [&](HWND dialog) {
      const BoxInfo box = readBox(dialog);
      EXPECT_EQ(box.title, c.title);
      EXPECT_EQ(windowText(textBox(dialog)), c.text + "\r\n");
      const HWND icon = iconControl(dialog);
      if (icon == nullptr) {
        ADD_FAILURE() << "no icon";
      } else {
        const Value object = OWNDFROMHWND(handleNumber(icon));
        EXPECT_EQ(handleFrom<HICON>(lanmere::send(object, "hIcon")), LoadIconA(nullptr, c.icon));
        const RECT at = rectInParent(icon);
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
        const RECT& first = box.buttons[0].rect;
        EXPECT_EQ(box.buttons[i].text, c.captions[i]);
        EXPECT_TRUE(width(r) == width(first) && width(r) >= 100 && r.top == first.top);
        EXPECT_EQ(r.left, i == 0 ? r.left : box.buttons[i - 1].rect.right + 7);
        EXPECT_TRUE(r.right <= box.client.right && r.bottom <= box.client.bottom);
      }
      // The documented geometry: button top = max(text box height, 20) + 50; dialog height =
      // character height x 1.7 + button top + 50; first left = (dialog width - n x button
      // width - (n + 14)) / 2.
      const long top = std::max(height(rectInParent(textBox(dialog))), 20L) + 50;
      const long count = static_cast<long>(box.buttons.size());
      RECT outer{};
      GetWindowRect(dialog, &outer);
      EXPECT_EQ(box.buttons[0].rect.top, top);
      EXPECT_EQ(height(outer), static_cast<long>(charHeight(dialog) * 1.7 + top + 50));
      EXPECT_EQ(box.buttons[0].rect.left,
                (width(outer) - count * width(box.buttons[0].rect) - (count + 14)) / 2);
      if (c.press == "&No") {
        EXPECT_TRUE(saveScreenshot("alert_three_options.bmp"));
      }
      return c.press;
    });
    EXPECT_EQ(answer.integer(), c.answer);
  }
}

// Esc leaves the alert without an option: 0.
TEST_F(Alert, EscAnswersZero) {
  const Value answer = alert({"Leave"}, [](HWND) { return std::string(kGoOn); }, {[](HWND) {
                               pressKeys({VK_ESCAPE});
                               return true;
                             }});
  EXPECT_EQ(answer.integer(), 0);
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
            EXPECT_EQ(box.focusedId, c.control == 0 ? GetDlgCtrlID(textBox(dialog))
                                                    : box.buttons.at(c.control - 1).id);
            return std::string("&One");
          });
  }
}

TEST_F(Alert, TheTextBoxAndTheDialogTakeTheSizeOfTheirTexts) {
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += "Same line\r\n";
  const std::string title(70, 'T');
  // An expected width: `pixels`, plus the width of `text` in the alert's font when there is one.
  struct Width {
    long pixels;
    std::string text;
  };
  struct Case {
    std::string message, title;
    bool hScroll, vScroll;
    Width box;
    long boxHeight;  // 0: not looked at
    Width dialog;    // {0, ""}: not looked at
  } cases[] = {
      {forty, "Attention", false, true, {10, "Same line"}, 400, {0, ""}},
      {std::string(90, 'W'), "Attention", true, true, {500, ""}, 100, {580, ""}},
      {"Short", title, false, false, {10, "Short"}, 0, {80, title}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.substr(0, 10) + " / " + c.title.substr(0, 10));
    alert({c.message, Value(), c.title}, [&](HWND dialog) {
      auto expected = [&](const Width& w) {
        return w.pixels + (w.text.empty() ? 0 : textWidthIn(dialog, w.text));
      };
      const HWND edit = textBox(dialog);
      const LONG style = GetWindowLongA(edit, GWL_STYLE);
      EXPECT_EQ((style & WS_HSCROLL) != 0, c.hScroll);
      EXPECT_EQ((style & WS_VSCROLL) != 0, c.vScroll);
      EXPECT_EQ(style & WS_BORDER, 0);
      const RECT box = rectInParent(edit);
      EXPECT_TRUE(box.left == 70 && box.top == 25) << box.left << "," << box.top;
      EXPECT_EQ(width(box), expected(c.box));
      EXPECT_EQ(height(box), c.boxHeight == 0 ? height(box) : c.boxHeight);
      RECT outer{}, area{};
      GetWindowRect(dialog, &outer);
      EXPECT_EQ(width(outer), c.dialog.pixels == 0 ? width(outer) : expected(c.dialog));
      // Centred on the screen's work area.
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
      EXPECT_LE(std::abs((outer.left - area.left) - (area.right - outer.right)), 1);
      return std::string("&OK");
    });
  }
}

TEST_F(Alert, TheTextBoxTakesNoTypingAndShowsNoSelection) {
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
        {[&](HWND dialog) {  // the keys have been handled by now
          EXPECT_EQ(windowText(textBox(dialog)), "Nothing to change here\r\n");
          return pressButton(dialog, "&OK");
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
