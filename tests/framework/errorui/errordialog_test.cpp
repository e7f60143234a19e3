// The error dialog in this process: its geometry from its documented numbers (the dialog and
// control classes convert them as they convert any), its buttons for each combination of flags,
// its label and its logo as the display shows them.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "errors/core_modules.h"
#include "framework/controls/modules.h"
#include "framework/core/dialogbox.h"
#include "framework/core/modules.h"
#include "framework/core/tdialog.h"
#include "framework/display/modules.h"
#include "framework/errorui/errordialog.h"
#include "framework/errorui/logo.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "runtime/builtins.h"
#include "runtime/error.h"
#include "tests/support/modules.h"
#include "tests/support/ui.h"

// Rectangles compared and printed by the assertions (the system's type lives in no namespace).
bool operator==(const RECT& a, const RECT& b) {
  return EqualRect(&a, &b) != FALSE;
}

std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace kestrel::test {
namespace {

using lanmere::Value;

// Where a control of a dialog built in memory lands: it writes its edges as Int(16 x v / by)
// and Int(8 x v / bx) dialog units (inclusive edges), which the system places at units x by / 8
// and x bx / 4 pixels.
struct Units {
  int bx, by;
  Units() {
    const long long units = GETDLGBASEUNITS();
    bx = static_cast<int>(units & 0xFFFF);
    by = static_cast<int>((units >> 16) & 0xFFFF);
  }
  RECT control(double top, double left, double bottom, double right) const {
    const int y = static_cast<int>(16 * top / by), x = static_cast<int>(8 * left / bx);
    const int cy = static_cast<int>(16 * bottom / by) - y + 1;
    const int cx = static_cast<int>(8 * right / bx) - x + 1;
    const int pixelX = MulDiv(x, bx, 4), pixelY = MulDiv(y, by, 8);
    return {pixelX, pixelY, pixelX + MulDiv(cx, bx, 4), pixelY + MulDiv(cy, by, 8)};
  }
  // A control placed at (top, left) with that size, as the constructors take it.
  RECT sized(long long top, long long left, long long width, long long height) const {
    return control(top, left, top + height - 1, left + width - 1);
  }
};

const std::vector<std::string> kStack = {"   Called from: x.cpp => FIRST( 10 )",
                                         "   Called from: y.cpp => MAIN( 2 )"};

class ErrorDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    lanmere::clearModules();
    registerModules({displayModules(), servicesModules(), controlsModules(), coreModules(),
                     errorsCoreModules(), lanmere::builtinModules()});
  }
  void TearDown() override {
    EXPECT_EQ(TDialog::liveCount(), liveDialogs_);
    lanmere::clearModules();
  }

  // Shows the dialog for a record with `flags`; `look` runs inside its loop once it is ready
  // and answers the caption of the button to press, or "" to be asked again on the next tick.
  Value show(unsigned flags, bool ntFamily, std::function<std::string(HWND)> look) {
    lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
    error->flags = flags;
    Report report;
    report.errorLine = "   Error description: Error BASE/1001  Open error: a&b\r\n";
    report.stackList = {"   Called from: x.cpp => FIRST( 10 )",
                        "   Called from: y.cpp => MAIN( 2 )"};
    HBITMAP logo = nullptr;
    Value answer;
    {
      DialogSteps steps({[&](HWND dialog) {
        // Ready: controls bound, focus given, and shown on the display.
        if (!dialog || focusedId(dialog) == 0 || windowPixel(dialog, 0, 0) == CLR_INVALID) {
          return false;
        }
        const std::string caption = look(dialog);
        if (caption.empty()) return false;  // looking again on the next tick
        EXPECT_TRUE(pressButton(dialog, caption)) << caption;
        return true;
      }});
      answer = errorDialog(*error, report, ntFamily, logo);
      steps.rethrow();
      EXPECT_TRUE(steps.done());
    }
    EXPECT_NE(logo, nullptr);
    deleteLogo(logo);
    return answer;
  }

  Units units;

 private:
  long liveDialogs_ = TDialog::liveCount();
};

TEST_F(ErrorDialog, TheButtonRowForEachCombinationOfFlags) {
  struct Case {
    unsigned flags;
    bool ntFamily;
    std::vector<std::pair<std::string, double>> row;  // captions with their left, in creation order
    std::string defaultButton;
    std::string press;
    Value answer;
  } cases[] = {
      {0, true, {{"&Quit", 97.5}}, "&Quit", "&Quit", Value()},
      {lanmere::kCanRetry, true, {{"&Retry", 153.75}, {"&Quit", 41.25}}, "", "&Retry", true},
      {lanmere::kCanDefault, false, {{"&Quit", 41.25}, {"&Default", 150}}, "", "&Default", false},
      {lanmere::kCanRetry | lanmere::kCanDefault,
       false,
       {{"&Retry", 22.5}, {"&Quit", 97.5}, {"&Default", 172.5}},
       "&Quit",
       "&Quit",
       Value()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.press + (c.ntFamily ? " NT" : ""));
    const long buttonTop = (c.ntFamily ? 350 : 300) / 2 - 11 - 2;
    const Value answer = show(c.flags, c.ntFamily, [&](HWND dialog) {
      const BoxInfo box = readBox(dialog);
      EXPECT_EQ(box.title, "Kestrel for Lanmere");
      // The documented pixels are the dialog's client pixels; the NT family's is 50 higher.
      EXPECT_NEAR(box.client.right, 450, units.bx);
      EXPECT_NEAR(box.client.bottom, c.ntFamily ? 350 : 300, units.by / 2);
      if (box.buttons.size() != c.row.size() + 1) {
        ADD_FAILURE() << box.buttons.size() << " buttons";
        return std::string("&Quit");
      }
      for (std::size_t i = 0; i < c.row.size(); ++i) {
        const ButtonInfo& button = box.buttons[i];
        EXPECT_EQ(button.text, c.row[i].first);
        const auto left = static_cast<long long>(c.row[i].second);
        EXPECT_EQ(button.rect, units.sized(buttonTop, left, 30, 11)) << button.text;
        EXPECT_EQ(button.id == box.defaultId, button.text == c.defaultButton) << button.text;
      }
      // The list reaches down to 2 above the buttons, 25 lower on the NT family; the system
      // list box keeps whole lines, so its bottom may stop short of it by less than a line.
      if (box.lists.size() == 1) {
        const RECT& list = box.lists[0].rect;
        const RECT asked = units.sized(33, 3, 220, buttonTop - 35);
        EXPECT_EQ(list.top, asked.top);
        EXPECT_EQ(list.left, asked.left);
        EXPECT_EQ(list.right, asked.right);
        const auto line = static_cast<long>(
            SendMessageA(GetDlgItem(dialog, box.lists[0].id), LB_GETITEMHEIGHT, 0, 0));
        EXPECT_LE(list.bottom, asked.bottom);
        EXPECT_GT(list.bottom, asked.bottom - line);
      } else {
        ADD_FAILURE() << box.lists.size() << " lists";
      }
      const ButtonInfo& report = box.buttons.back();
      EXPECT_EQ(report.text, "See error.log file");
      EXPECT_EQ(report.rect, units.sized(21, 175, 46, 10));
      for (const ButtonInfo& button : box.buttons) {
        EXPECT_LE(button.rect.bottom, box.client.bottom) << button.text;
        EXPECT_LE(button.rect.right, box.client.right) << button.text;
      }
      return std::string(c.press);
    });
    EXPECT_TRUE(answer.isNil() ? c.answer.isNil()
                               : c.answer.isLogical() && answer.logical() == c.answer.logical());
  }
}

TEST_F(ErrorDialog, ALoneQuitTheLabelTheStackListAndTheLogo) {
  int listId = 0;
  show(0, true, [&](HWND dialog) {
    // Alt+S, the label's mnemonic, has reached the list: done.
    if (listId != 0) return std::string(focusedId(dialog) == listId ? "&Quit" : "");
    const BoxInfo box = readBox(dialog);
    const RECT client = box.client;
    if (box.buttons.size() != 2u || box.statics.size() < 2u || box.lists.size() != 1u) {
      ADD_FAILURE() << box.buttons.size() << " buttons, " << box.statics.size() << " labels, "
                    << box.lists.size() << " lists";
      return std::string("&Quit");
    }
    const RECT& quit = box.buttons[0].rect;
    EXPECT_LE(std::abs((quit.left + quit.right) - (client.left + client.right)), units.bx);

    // The label: the error line as it is, centred, no mnemonic, in the rectangle it was moved to.
    const StaticInfo& label = box.statics[0];
    EXPECT_EQ(label.text, "   Error description: Error BASE/1001  Open error: a&b\r\n");
    EXPECT_EQ(label.style & (SS_NOPREFIX | SS_CENTER), SS_NOPREFIX | SS_CENTER);
    EXPECT_EQ(label.rect, units.control(3, 52, 25, 168));
    const StaticInfo& stackLabel = box.statics[1];
    EXPECT_EQ(stackLabel.text, "&Stack List");
    EXPECT_EQ(stackLabel.style & SS_NOPREFIX, 0);
    EXPECT_EQ(stackLabel.rect.top, units.control(24, 6, 24, 6).top);
    EXPECT_EQ(stackLabel.rect.left, units.control(24, 6, 24, 6).left);

    // The logo at (6, 6) of the client area, as the display shows it.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    for (const POINT at : {POINT{0, 0}, POINT{24, 17}, POINT{10, 10}, POINT{24, 30}}) {
      EXPECT_EQ(windowPixel(dialog, 6 + at.x, 6 + at.y), logoPixel(at.x, at.y))
          << at.x << "," << at.y;
    }
    EXPECT_NE(windowPixel(dialog, 5, 5), logoPixel(0, 0));

    // The stack list, its first line selected; the focus starts on it.
    const ListInfo& list = box.lists[0];
    EXPECT_EQ(list.lines, kStack);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(box.focusedId, list.id);
    listId = list.id;
    SetFocus(GetDlgItem(dialog, box.buttons[0].id));
    pressKeys({VK_MENU, 'S'});
    return std::string();
  });
}

}  // namespace
}  // namespace kestrel::test
