// The help functions: what each asks of the WinHelp and HTML Help services (recorded through
// the services' seam), the boxes they show, the pop-up file, and the real HTML Help library.
#include "framework/services/helpfile.h"

#include <windows.h>

#include <htmlhelp.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/services/help.h"
#include "runtime/binding.h"
#include "runtime/error.h"
#include "tests/support/files.h"
#include "tests/support/ui.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::Args;
using lanmere::Value;
using test::BoxInfo;
using test::TempFolder;

using Function = Value (*)(Args);

struct Call {
  char service;  // 'W' WinHelp, 'H' HTML Help
  std::string file;
  UINT command;
  std::string data;  // texts as they are, records summarised, numbers in decimal
  bool operator==(const Call&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Call& c) {
  return out << c.service << " " << c.file << " " << c.command << " [" << c.data << "]";
}

// Records every service call while alive; the real services come back afterwards.
class Recorder {
 public:
  Recorder() {
    setWinHelpService([this](HWND, const char* file, UINT command, ULONG_PTR data) {
      const bool text = command == HELP_KEY || command == HELP_PARTIALKEY;
      calls.push_back(
          {'W', file, command,
           text ? std::string(reinterpret_cast<const char*>(data)) : std::to_string(data)});
      return ULONG_PTR{1};
    });
    setHtmlHelpService([this](HWND window, const char* file, UINT command, ULONG_PTR data) {
      calls.push_back({'H', file ? file : "", command, htmlData(window, command, data)});
      return ULONG_PTR{0};
    });
  }
  ~Recorder() {
    setWinHelpService({});
    setHtmlHelpService({});
  }

  std::vector<Call> calls;
  HH_POPUP popup{};
  HWND popupWindow = nullptr;

 private:
  std::string htmlData(HWND window, UINT command, ULONG_PTR data) {
    if (command == HH_DISPLAY_TOPIC || command == HH_DISPLAY_INDEX) {
      return reinterpret_cast<const char*>(data);
    }
    if (command == HH_DISPLAY_SEARCH) {
      const auto* query = reinterpret_cast<const HH_FTS_QUERY*>(data);
      EXPECT_EQ(query->cbStruct, static_cast<int>(sizeof(HH_FTS_QUERY)));
      EXPECT_TRUE(query->fExecute);
      return std::string("query:") + query->pszSearchQuery;
    }
    if (command == HH_DISPLAY_TEXT_POPUP) {
      popup = *reinterpret_cast<const HH_POPUP*>(data);
      popupWindow = window;
      EXPECT_EQ(popup.cbStruct, static_cast<int>(sizeof(HH_POPUP)));
      EXPECT_STREQ(popup.pszFont, "Tahoma, 8, , ");
      EXPECT_EQ(popup.rcMargins.left, -1);
      EXPECT_EQ(popup.rcMargins.bottom, -1);
      return popup.pszText ? std::string("popup:") + popup.pszText
                           : "popup#" + std::to_string(popup.idString);
    }
    return std::to_string(data);
  }
};

Value call(Function f, std::vector<Value> args = {}) {
  return f(Args(args));
}

class Help : public ::testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(chm, "");
    test::writeFile(hlp, "");
    SETHELPTOPIC("");
    SETHELPPOPUP({});
  }
  TempFolder dir;
  const std::string chm = dir / "Guide.CHM";
  const std::string hlp = dir / "guide.hlp";
};

// Each row: the help file and current topic, a call, and the one service call it makes.
TEST_F(Help, EachFunctionAsksItsService) {
  struct Row {
    std::string helpFile;
    Value current;
    Function function;
    std::vector<Value> args;
    Call expected;
  };
  const Row rows[] = {
      {chm, "", CHMHELPTOPIC, {}, {'H', chm, HH_DISPLAY_TOC, "0"}},
      {chm, "", CHMHELPTOPIC, {42}, {'H', chm, HH_HELP_CONTEXT, "42"}},
      {chm, "", CHMHELPTOPIC, {"intro"}, {'H', chm, HH_DISPLAY_TOPIC, "intro.htm"}},
      {chm, "", CHMHELPTOPIC, {"intro#part"}, {'H', chm, HH_DISPLAY_TOPIC, "intro.htm#part"}},
      {chm, "", CHMHELPTOPIC, {"page.HTM#part"}, {'H', chm, HH_DISPLAY_TOPIC, "page.HTM#part"}},
      {chm, "", CHMHELPTOPIC, {"a#b.htm"}, {'H', chm, HH_DISPLAY_TOPIC, "a.htm#b.htm"}},
      {chm, "cur", CHMHELPTOPIC, {Value()}, {'H', chm, HH_DISPLAY_TOPIC, "cur"}},
      {chm, 7, CHMHELPTOPIC, {Value()}, {'H', chm, HH_DISPLAY_TOC, "0"}},
      {chm, "", CHMHELPINDEX, {"word"}, {'H', chm, HH_DISPLAY_INDEX, "word"}},
      {chm, "cur", CHMHELPINDEX, {}, {'H', chm, HH_DISPLAY_INDEX, "cur"}},
      {chm, "", CHMHELPSEARCH, {"find me"}, {'H', chm, HH_DISPLAY_SEARCH, "query:find me"}},
      {chm, "cur", CHMHELPSEARCH, {}, {'H', chm, HH_DISPLAY_SEARCH, "query:cur"}},
      // The public functions choose HTML Help by the file name.
      {chm, "", HELPTOPIC, {}, {'H', chm, HH_DISPLAY_TOC, "0"}},
      {chm, "", HELPTOPIC, {"x"}, {'H', chm, HH_DISPLAY_TOPIC, "x.htm"}},
      {chm, "", HELPTOPIC, {5}, {'H', chm, HH_HELP_CONTEXT, "5"}},
      {chm, "", HELPINDEX, {}, {'H', chm, HH_DISPLAY_TOC, "0"}},
      {chm, "", HELPINDEX, {"k"}, {'H', chm, HH_DISPLAY_TOPIC, "k.htm"}},
      {chm, "cur", HELPSEARCH, {}, {'H', chm, HH_DISPLAY_INDEX, ""}},
      {chm, "", HELPSEARCH, {"s"}, {'H', chm, HH_DISPLAY_INDEX, "s"}},
      {chm, "", HELPPOPUP, {"tip"}, {'H', "", HH_DISPLAY_TEXT_POPUP, "popup:tip"}},
      // Classic help.
      {hlp, "", HELPTOPIC, {5}, {'W', hlp, HELP_CONTEXT, "5"}},
      {hlp, "", HELPTOPIC, {"key"}, {'W', hlp, HELP_KEY, "key"}},
      {hlp, "page.HTM#x", HELPTOPIC, {}, {'W', hlp, HELP_KEY, "page"}},
      {hlp, "plain", HELPTOPIC, {}, {'W', hlp, HELP_KEY, "plain"}},
      {hlp, 12, HELPTOPIC, {}, {'W', hlp, HELP_CONTEXT, "12"}},
      {hlp, "", HELPINDEX, {"ignored"}, {'W', hlp, HELP_FINDER, "0"}},
      {hlp, "", HELPSEARCH, {"abc"}, {'W', hlp, HELP_PARTIALKEY, "abc"}},
      {hlp, "", HELPSEARCH, {}, {'W', hlp, HELP_PARTIALKEY, ""}},
      {hlp, "", HELPPOPUP, {77}, {'W', hlp, HELP_CONTEXTPOPUP, "77"}},
      {hlp, "", WINHELP, {"other.hlp"}, {'W', "other.hlp", HELP_CONTENTS, "0"}},
      {hlp, "", WINHELP, {"o.hlp", 257, "k"}, {'W', "o.hlp", HELP_KEY, "k"}},
  };
  for (const Row& row : rows) {
    SETHELPFILE(row.helpFile);
    SETHELPTOPIC(row.current);
    Recorder recorder;
    EXPECT_TRUE(call(row.function, row.args).isNil());
    EXPECT_EQ(recorder.calls, std::vector<Call>{row.expected});
  }
  Recorder recorder;
  call(WINHELP, {chm, 1, 1});  // an HTML help file: nothing
  EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(Help, StopBoxesWhenThereIsNothingToShow) {
  const std::string missing = dir / "missing.hlp";
  struct Row {
    std::string file;
    Function function;
    std::vector<Value> args;
    std::string title;
    std::string text;
  } rows[] = {
      {"", HELPTOPIC, {}, " Attention", "No Help file defined with SetHelpFile()!"},
      {missing,
       HELPINDEX,
       {},
       "Stop",
       "Help file '" + missing + "' does not exist\r\nor its name (with path) is too long!"},
      {chm, CHMHELPPOPUP, {5}, "Stop", "No Help popup file available"},
  };
  Recorder recorder;
  for (const Row& row : rows) {
    SETHELPFILE(row.file);
    Value noFile[] = {Value("")};
    SETHELPPOPUP(Args(noFile));
    std::vector<BoxInfo> seen;
    Value result;
    {
      test::ModalDriver driver([&](const BoxInfo& box) {
        seen.push_back(box);
        return IDOK;
      });
      result = call(row.function, row.args);
    }
    EXPECT_TRUE(result.isLogical() && !result.logical()) << row.text;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, row.title);
    EXPECT_EQ(seen[0].text, row.text);
  }
  EXPECT_TRUE(recorder.calls.empty());
}

TEST(PopupFile, TopicLookup) {
  struct Row {
    std::string contents;
    long long topic;
    std::string text;
  } rows[] = {
      {".topic 5\r\nFive\r\n.topic 6\r\nSix\r\n", 5, "Five"},
      {".topic 5\r\nlower\r\n.Topic 5\r\nupper\r\n", 5, "upper"},
      {".topic 50\r\nFifty\r\n", 5, ""},
      {".topic 5\r\nFive\r\n", 7, ""},
      {"x\r\n.topic 9\r\nlast", 9, "last"},
      {".topic 9\r\n", 9, ""},
  };
  for (const Row& row : rows) EXPECT_EQ(popupTopicText(row.contents, row.topic), row.text);
}

class FakeWindow : public lanmere::Object {
  LM_CLASS(FakeWindow, lanmere::Object)
  Value hWnd;
};
LM_DEFINE_CLASS(FakeWindow) {
  c.data(LM_FIELDS(hWnd));
}

TEST_F(Help, PopupsFromThePopupFileAtScreenPositions) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 120, 50, 50, nullptr,
                                nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const Value handle(static_cast<long long>(reinterpret_cast<std::intptr_t>(window)));
  Value object(lanmere::make<FakeWindow>());
  test::as<FakeWindow>(object).hWnd = handle;
  const std::string popups = dir / "popups.txt";
  test::writeFile(popups, ".topic 5\r\nFive lines\r\n");
  SETHELPFILE(chm);
  Value settings[] = {Value(popups), Value(), Value(), Value(0x0000FF), Value(0xFFFFFF)};
  SETHELPPOPUP(Args(settings));

  Recorder recorder;
  call(CHMHELPPOPUP, {5, 5, 7, handle});
  EXPECT_EQ(recorder.calls.back(), (Call{'H', "", HH_DISPLAY_TEXT_POPUP, "popup:Five lines"}));
  EXPECT_EQ(recorder.popup.pt.x, 105);
  EXPECT_EQ(recorder.popup.pt.y, 127);
  EXPECT_EQ(recorder.popupWindow, window);
  EXPECT_EQ(recorder.popup.clrForeground, 0x0000FFu);
  EXPECT_EQ(recorder.popup.clrBackground, 0xFFFFFFu);

  call(CHMHELPPOPUP, {"  say hello  ", {}, {}, object, 1, 2});  // x and y from the settings
  EXPECT_EQ(recorder.calls.back().data, "popup:say hello");
  EXPECT_EQ(recorder.popup.pt.x, 120);
  EXPECT_EQ(recorder.popup.pt.y, 130);
  EXPECT_EQ(recorder.popup.clrForeground, 1u);

  SetCursorPos(300, 200);
  POINT mouse;
  GetCursorPos(&mouse);
  call(CHMHELPPOPUP, {"above the mouse", "x", {}, handle});
  EXPECT_EQ(recorder.popup.pt.x, mouse.x);
  EXPECT_EQ(recorder.popup.pt.y, mouse.y - 20);

  const std::size_t before = recorder.calls.size();
  call(CHMHELPPOPUP, {6, 1, 1, handle});  // no such topic: nothing is shown
  call(CHMHELPPOPUP, {"   ", 1, 1, handle});
  EXPECT_EQ(recorder.calls.size(), before);

  Value missingFile[] = {Value("absent.txt")};
  SETHELPPOPUP(Args(missingFile));
  call(CHMHELPPOPUP, {8, {}, {}, handle});
  EXPECT_EQ(recorder.calls.back(),
            (Call{'H', chm + "::/absent.txt", HH_DISPLAY_TEXT_POPUP, "popup#8"}));
  DestroyWindow(window);
}

TEST(HelpInfo, ControlHandleOfAHelpMessagesRecord) {
  HELPINFO info{};
  info.cbSize = sizeof info;
  info.iContextType = HELPINFO_WINDOW;
  info.hItemHandle = reinterpret_cast<HANDLE>(0x1234);
  const Value address(static_cast<long long>(reinterpret_cast<std::intptr_t>(&info)));
  EXPECT_EQ(HELPCTRLHWND(address).integer(), 0x1234);
  EXPECT_EQ(HELPCTRLHWND(Value::pointer(&info)).integer(), 0x1234);
  info.cbSize = sizeof info - 1;
  EXPECT_EQ(HELPCTRLHWND(address).integer(), 0);
  EXPECT_EQ(HELPCTRLHWND(Value(0)).integer(), 0);
  EXPECT_EQ(HELPCTRLHWND(Value()).integer(), 0);
}

BOOL CALLBACK collectWindows(HWND window, LPARAM list) {
  return lanmere::guardCallback(FALSE, [&]() -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  });
}

std::vector<HWND> threadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), collectWindows, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

TEST_F(Help, TheRealHtmlHelpLibrary) {
  ASSERT_NE(htmlHelpEntry(), nullptr);  // "hhctrl.ocx" with its "HtmlHelpA"
  SETHELPFILE(dir / "absent.chm");
  const std::vector<HWND> before = threadWindows();
  {
    test::ModalDriver driver([](const BoxInfo&) { return IDOK; });
    EXPECT_TRUE(call(CHMHELPTOPIC, {"intro"}).isNil());
  }
  for (HWND window : threadWindows()) {
    if (std::find(before.begin(), before.end(), window) == before.end()) DestroyWindow(window);
  }
  for (const lanmere::FunctionEntry& entry : helpModule().entries) {
    if (std::string_view(entry.name) == "CHMEXIT$") entry.call({});
  }
  EXPECT_FALSE(htmlHelpLoaded());
  EXPECT_EQ(GetModuleHandleA("hhctrl.ocx"), nullptr);
}

}  // namespace
}  // namespace kestrel
