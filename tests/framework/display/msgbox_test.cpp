// The message boxes as a user meets them: each box is read and answered from inside its own
// modal loop.
#include "framework/display/msgbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::BoxInfo;
using test::ModalDriver;

// Enumeration callbacks are CALLBACK functions: a lambda has the wrong calling convention in
// the 32-bit build.
BOOL CALLBACK findIcon(HWND child, LPARAM param) {
  return lanmere::guardCallback(FALSE, [&]() -> BOOL {
    if (test::className(child) == "Static" &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      *reinterpret_cast<HICON*>(param) =
          reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      return FALSE;
    }
    return TRUE;
  });
}

BOOL CALLBACK collectText(HWND child, LPARAM param) {
  return lanmere::guardCallback(FALSE, [&]() -> BOOL {
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(test::windowText(child));
    return TRUE;
  });
}

// The icon a box shows, as the handle its icon static holds.
HICON boxIcon(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&icon));
  return icon;
}

struct Shown {
  BoxInfo box;
  HICON icon = nullptr;
};

// Calls `function` with `args` while a driver answers the one box it shows with `button`.
template <class F>
std::pair<Value, std::vector<Shown>> showing(F function, std::vector<Value> args,
                                             int button = IDOK) {
  std::vector<Shown> shown;
  Value result;
  {
    ModalDriver driver([&](const BoxInfo& box) {
      shown.push_back({box, boxIcon(box.hwnd)});
      return button;
    });
    result = function(lanmere::Args(args));
  }
  return {result, shown};
}

std::vector<std::string> buttonTexts(const BoxInfo& box) {
  std::vector<std::string> texts;
  for (const auto& button : box.buttons) texts.push_back(button.text);
  return texts;
}

TEST(MessageBoxes, TitlesIconsAndButtonsOfEachFunction) {
  struct Case {
    lanmere::Value (*function)(lanmere::Args);
    const char* title;
    LPCSTR icon;
    std::vector<std::string> buttons;
    int press;
  };
  const Case cases[] = {
      {NMSGBOX, "Alert", IDI_WARNING, {"OK"}, IDOK},
      {MSGALERT, "Alert", IDI_WARNING, {"OK"}, IDOK},
      {MSGINFO, "Information", IDI_INFORMATION, {"OK"}, IDOK},
      {MSGSTOP, "Stop", IDI_ERROR, {"OK"}, IDOK},
      {MSGYESNO, "Select an option", IDI_QUESTION, {"&Yes", "&No"}, IDNO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    const auto [result, shown] = showing(c.function, {Value("Hello")}, c.press);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].box.title, c.title);
    EXPECT_EQ(shown[0].box.text, "Hello");
    EXPECT_EQ(shown[0].icon, LoadIconA(nullptr, c.icon));
    EXPECT_EQ(buttonTexts(shown[0].box), c.buttons);
    if (c.function == MSGYESNO) {
      EXPECT_EQ(result.type(), lanmere::Type::Logical);
    } else {
      EXPECT_TRUE(result.isNil());
    }
  }
}

TEST(MessageBoxes, YesNoIsTrueOnlyForYes) {
  EXPECT_TRUE(showing(MSGYESNO, {Value("Go on?")}, IDYES).first.logical());
  const Value no = showing(MSGYESNO, {Value("Go on?")}, IDNO).first;
  EXPECT_TRUE(no.isLogical());
  EXPECT_FALSE(no.logical());
}

TEST(MessageBoxes, TitleOnlyFromExactlyTwoArguments) {
  EXPECT_EQ(showing(MSGINFO, {}).second.at(0).box.title, "Information");
  EXPECT_EQ(showing(MSGINFO, {}).second.at(0).box.text, "");
  EXPECT_EQ(showing(MSGINFO, {Value("t"), Value("My title")}).second.at(0).box.title, "My title");
  // A nil second argument still counts: it is converted like any other value.
  EXPECT_EQ(showing(MSGSTOP, {Value("t"), Value()}).second.at(0).box.title, "nil");
  const auto three = showing(NMSGBOX, {Value("t"), Value("ignored"), Value("x")}).second;
  EXPECT_EQ(three.at(0).box.title, "Alert");
  EXPECT_EQ(three.at(0).box.text, "t");
}

TEST(MessageBoxes, EachConvertedArgumentKeepsItsOwnText) {
  const auto shown = showing(MSGINFO, {Value(1), Value(2)}).second;
  EXPECT_EQ(shown.at(0).box.text, "1");
  EXPECT_EQ(shown.at(0).box.title, "2");
  const auto both = showing(MSGINFO, {Value(true), Value(2.5, 1)}).second;
  EXPECT_EQ(both.at(0).box.text, ".T.");
  EXPECT_EQ(both.at(0).box.title, "2.500000");
}

TEST(MessageBoxes, TextEndsAtAZeroByte) {
  const auto shown = showing(MSGINFO, {Value(std::string_view("abc\0def", 7))}).second;
  EXPECT_EQ(shown.at(0).box.text, "abc");
}

class Named : public lanmere::Object {
  LM_CLASS(Named, lanmere::Object)
};
LM_DEFINE_CLASS_AS(Named, "TBOXTHING") {}

TEST(MessageBoxes, ConversionOfEachKindOfValue) {
  int dummy = 0;
  const std::pair<Value, std::string> rows[] = {
      {Value(), "nil"},
      {Value(true), ".T."},
      {Value(false), ".F."},
      {Value(42), "42"},
      {Value(-7), "-7"},
      {Value(5000000000LL), "5000000000"},
      {Value(-5000000000LL), "-5000000000"},
      {Value(3.5, 1), "3.500000"},
      {Value(-0.25, 2), "-0.250000"},
      {Value::date(lanmere::julianFromDate(2024, 3, 5)),
       lanmere::dtoc(Value::date(lanmere::julianFromDate(2024, 3, 5)))},
      {Value::list({Value(1)}), "Array"},
      {Value(lanmere::make<Named>()), "Object"},
      {lanmere::block([](lanmere::Args) { return Value(); }), "ValtoChar not suported type yet"},
      {Value::hash(), "ValtoChar not suported type yet"},
      {Value::pointer(&dummy), "ValtoChar not suported type yet"},
      {Value::timestamp(lanmere::julianFromDate(2024, 3, 5), 1000),
       "ValtoChar not suported type yet"},
      {Value(lanmere::symbol("MAIN")), "ValtoChar not suported type yet"},
  };
  for (const auto& [value, text] : rows) {
    EXPECT_EQ(msgBoxText(value), text) << text;
  }
  EXPECT_EQ(rows[9].second, "03/05/24");
  // The same conversion reaches the box.
  EXPECT_EQ(showing(MSGINFO, {Value()}).second.at(0).box.text, "nil");
  EXPECT_EQ(showing(MSGINFO, {Value::list()}).second.at(0).box.text, "Array");
}

TEST(MessageBoxes, OwnerIsTheActiveWindowAtTheCall) {
  HWND window = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  ASSERT_EQ(GetActiveWindow(), window);
  EXPECT_EQ(showing(MSGINFO, {Value("owned")}).second.at(0).box.owner, window);
  EXPECT_EQ(showing(MSGYESNO, {Value("owned")}, IDYES).second.at(0).box.owner, window);
  DestroyWindow(window);
  ASSERT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(showing(MSGINFO, {Value("alone")}).second.at(0).box.owner, nullptr);
}

struct About {
  std::vector<std::string> texts;  // the title, then the texts of its controls
  HWND owner = nullptr;
};

About showingAbout(std::vector<Value> args) {
  About about;
  ModalDriver driver([&](const BoxInfo& box) {
    about.texts.push_back(box.title);
    about.owner = box.owner;
    EnumChildWindows(box.hwnd, collectText, reinterpret_cast<LPARAM>(&about.texts));
    return IDOK;
  });
  EXPECT_TRUE(MSGABOUT(lanmere::Args(args)).isNil());
  return about;
}

bool holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(MessageBoxes, AboutBoxShowsBothTextsOwnedByTheActiveWindow) {
  HWND window = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                                100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  SetActiveWindow(window);
  ASSERT_EQ(GetActiveWindow(), window);
  const About both = showingAbout({Value("Weather"), Value("Kestrel weather reports")});
  ASSERT_FALSE(both.texts.empty()) << "no About box";
  EXPECT_NE(both.texts[0].find("Weather"), std::string::npos) << both.texts[0];
  EXPECT_TRUE(holds(both.texts, "Kestrel weather reports"));
  EXPECT_EQ(both.owner, window);
  // With the application text alone, the additional text is "About".
  const About one = showingAbout({Value("Weather")});
  ASSERT_FALSE(one.texts.empty()) << "no About box";
  EXPECT_NE(one.texts[0].find("Weather"), std::string::npos) << one.texts[0];
  EXPECT_TRUE(holds(one.texts, "About"));
  EXPECT_EQ(one.owner, window);
  DestroyWindow(window);
}

// A hook that refuses every window this thread tries to create.
LRESULT CALLBACK refuseWindows(int code, WPARAM wParam, LPARAM lParam) {
  return lanmere::guardCallback(LRESULT{0}, [&]() -> LRESULT {
    return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
  });
}

TEST(MessageBoxes, YesNoIsFalseWhenTheBoxCannotBeShown) {
  // A box that does show anyway is answered Yes, so the test fails instead of waiting.
  ModalDriver driver([](const BoxInfo&) { return IDYES; });
  HHOOK hook = SetWindowsHookExA(WH_CBT, refuseWindows, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Value text("never shown");
  const Value answer = MSGYESNO({&text, 1});
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(answer.isLogical());
  EXPECT_FALSE(answer.logical());
  EXPECT_TRUE(driver.seen().empty());
}

TEST(MessageBoxes, RequestParkedDuringTheBoxIsRaisedAfterIt) {
  bool parked = false;
  {
    ModalDriver driver([&](const BoxInfo&) {
      // As our own window procedure would: the quit cannot cross the box's frames.
      lanmere::guardCallback(0, []() -> int { lanmere::requestQuit(); });
      parked = lanmere::hasParked();
      return IDOK;
    });
    Value text("quit inside");
    EXPECT_THROW(MSGINFO({&text, 1}), lanmere::QuitException);
  }
  EXPECT_TRUE(parked);
  EXPECT_FALSE(lanmere::hasParked());
  lanmere::clearRequest();
}

}  // namespace
}  // namespace kestrel
