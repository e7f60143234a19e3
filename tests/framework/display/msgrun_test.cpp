// Wait messages as a user sees them: the note is looked at from inside its own wait, through the
// wait's replaceable clock, then checked gone.
#include "framework/display/msgrun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/controls/fontapi.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/tdialog.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/drawing.h"
#include "tests/support/errors.h"
#include "tests/support/ui.h"
#include "tests/support/values.h"

namespace kestrel {
namespace {

using lanmere::Args;
using lanmere::Value;
using test::as;

constexpr double kDialogColumn = 7.9;  // pixels of a dialog's text column

// A tick count that moves `step` milliseconds per read; `onRead` runs at each read.
struct FakeClock {
  static inline unsigned long long now = 0;
  static inline unsigned long long step = 0;
  static inline std::vector<unsigned long long> reads;
  static inline std::function<void()> onRead;
  static unsigned long long read() {
    reads.push_back(now);
    if (onRead) onRead();
    return std::exchange(now, now + step);
  }
  static void reset(unsigned long long start, unsigned long long stepMs) {
    now = start;
    step = stepMs;
    reads.clear();
    onRead = nullptr;
  }
  static unsigned long long span() { return reads.size() < 2 ? 0 : reads.back() - reads.front(); }
};

// What a user sees of a note: its window, its object, its inside width and where its text's ink
// is.
struct Note {
  HWND box = nullptr;
  std::string className, caption;
  LONG style = 0;
  RECT rect{};
  int clientWidth = 0;
  int inkTop = -1, inkLeft = -1, inkRight = -1;  // ink rows and columns of the client area
  Value dialog;
};

Note lookAtNote() {
  Note note;
  note.box = test::currentDialog();
  if (!note.box || !IsWindowVisible(note.box)) return note;
  note.className = test::className(note.box);
  note.caption = test::windowText(note.box);
  note.style = GetWindowLongA(note.box, GWL_STYLE);
  GetWindowRect(note.box, &note.rect);
  note.dialog = modalDialogObject(note.box);
  RECT client{};
  GetClientRect(note.box, &client);
  note.clientWidth = client.right;
  test::Canvas canvas(client.right, client.bottom);
  const HDC screen = GetDC(note.box);
  BitBlt(canvas.dc(), 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
  ReleaseDC(note.box, screen);
  const COLORREF back = canvas.at(0, 0);
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; ++x) {
      if (canvas.at(x, y) == back) continue;
      if (note.inkTop < 0) note.inkTop = y;
      if (note.inkLeft < 0 || x < note.inkLeft) note.inkLeft = x;
      note.inkRight = std::max(note.inkRight, x);
    }
  }
  return note;
}

int centre(long a, long b) {
  return static_cast<int>((a + b) / 2);
}

// An enumeration callback is a CALLBACK function: a lambda has the wrong calling convention in
// the 32-bit build.
BOOL CALLBACK countWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<long long*>(counter);
  return TRUE;
}

long long threadWindows() {
  long long count = 0;
  EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// A shown main window the notes centre over, and the fake clock in place of the system's.
class WaitMessages : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SETWNDAPP(test::number(hwnd));
    previous_ = setWaitClock(&FakeClock::read);
    FakeClock::reset(0, 100);
  }
  void TearDown() override {
    FakeClock::onRead = nullptr;
    setWaitClock(previous_);
    WindowTest::TearDown();
    test::dropQuitMessages();  // the main window posted one as it went
  }

 private:
  WaitClock previous_ = nullptr;
};

TEST_F(WaitMessages, DefaultNoteIsPaintedCentredAndGoneAfterOneSecond) {
  const long live = TDialog::liveCount();
  Note note;
  FakeClock::onRead = [&] {
    if (FakeClock::reads.size() == 2) note = lookAtNote();
  };
  EXPECT_TRUE(MSGRUN(Value(), Value(), Value()).isNil());
  EXPECT_EQ(FakeClock::span(), 1000u);
  ASSERT_NE(note.box, nullptr) << "no note was up during the wait";
  EXPECT_EQ(note.className, "#32770");
  EXPECT_EQ(note.style & (WS_POPUP | DS_MODALFRAME), WS_POPUP | DS_MODALFRAME);
  EXPECT_NE(note.style & WS_CAPTION, WS_CAPTION);
  // The note is as wide inside as its text + 4 columns ("Please, wait..." has 15).
  EXPECT_NEAR(note.clientWidth, static_cast<int>(19 * kDialogColumn), 1);
  RECT main{};
  GetWindowRect(hwnd, &main);
  EXPECT_NEAR(centre(note.rect.left, note.rect.right), centre(main.left, main.right), 1);
  EXPECT_NEAR(centre(note.rect.top, note.rect.bottom), centre(main.top, main.bottom), 1);
  ASSERT_GE(note.inkTop, 11) << "the note's text is not painted where it belongs";
  // The odd blank goes right, and the field counts whole blanks, leaving less than one more
  // unfilled on the right.
  const long blank = textWidth(nullptr, " ", nullptr);
  EXPECT_NEAR(note.inkLeft, note.clientWidth - 1 - note.inkRight, 2 * blank);
  note.dialog = Value();
  EXPECT_FALSE(IsWindow(note.box));
  EXPECT_EQ(TDialog::liveCount(), live);
}

TEST_F(WaitMessages, TitleIsTheCaptionAndTheLongerTextSetsTheWidth) {
  struct Case {
    Value message, title;
    std::string caption;
    std::size_t columns;
  };
  const Case cases[] = {
      {"Short", "A much longer title", "A much longer title", 19},
      {"A note longer than its title", "Title", "Title", 28},
      {123456789012345, true, ".T.", 15},  // non-texts in the message boxes' text form
  };
  for (const Case& c : cases) {
    Note note;
    std::string shownMessage;
    const Value action = lanmere::block([&](Args args) {
      note = lookAtNote();
      shownMessage = as<TDialog>(lanmere::arg(args, 1)).cMsg.string();
      return Value();
    });
    MSGRUN(c.message, c.title, action);
    ASSERT_NE(note.box, nullptr);
    EXPECT_EQ(note.caption, c.caption);
    EXPECT_EQ(note.style & WS_CAPTION, WS_CAPTION);
    EXPECT_NEAR(note.clientWidth, static_cast<int>((c.columns + 4) * kDialogColumn), 1);
    EXPECT_EQ(shownMessage, c.message.isText() ? c.message.string() : "123456789012345");
  }
}

TEST_F(WaitMessages, ActionGetsTheNoteRepaintsItAndGivesTheAnswer) {
  Note first, second;
  Value given;
  const Value answer = MSGRUN("Wait", Value(), lanmere::block([&](Args args) {
                                given = lanmere::arg(args, 1);
                                first = lookAtNote();
                                auto& dialog = as<TDialog>(given);
                                dialog.cMsg = "Now a much longer note";
                                dialog.Refresh(Value());
                                UpdateWindow(dialog.hwnd());
                                second = lookAtNote();
                                return Value("done");
                              }));
  EXPECT_EQ(answer.string(), "done");
  ASSERT_TRUE(given.isObject());
  EXPECT_EQ(given.object(), first.dialog.object()) << "the action got another dialog";
  EXPECT_LT(second.inkLeft, first.inkLeft - 10) << "the new text was not painted";
  EXPECT_GT(second.inkRight, first.inkRight + 10);
}

TEST_F(WaitMessages, BreakInTheActionLeavesNoNoteAndTheNextOneWorks) {
  const long live = TDialog::liveCount();
  HWND box = nullptr;
  Value recovered;
  lanmere::beginSequence(
      [&] {
        MSGRUN("Breaking", Value(), lanmere::block([&](Args) -> Value {
                 box = test::currentDialog();
                 lanmere::doBreak("stopped");
               }));
        ADD_FAILURE() << "the break did not leave MSGRUN";
      },
      [&](const Value& value) { recovered = value; });
  EXPECT_EQ(recovered.string(), "stopped");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(test::currentDialog(), nullptr);
  EXPECT_EQ(TDialog::liveCount(), live);
  EXPECT_EQ(MSGRUN("Again", Value(), lanmere::block([](Args) { return Value(7); })).integer(), 7);
}

TEST_F(WaitMessages, MsgWaitKeepsTheNoteForItsSeconds) {
  struct Case {
    Value seconds;
    unsigned long long span;
  };
  for (const Case& c : {Case{Value(), 4000}, Case{0.5, 500}}) {
    FakeClock::reset(0, 100);
    std::string seen;
    FakeClock::onRead = [&] {
      if (FakeClock::reads.size() == 2) seen = test::windowText(test::currentDialog());
    };
    EXPECT_TRUE(MSGWAIT("", "Saved", c.seconds).isNil());
    EXPECT_EQ(FakeClock::span(), c.span);
    EXPECT_EQ(seen, "Saved");
  }
}

TEST_F(WaitMessages, WaitSecondsByTheClock) {
  struct Case {
    Value seconds;
    unsigned long long start, step;
    std::size_t reads;
    unsigned long long span;
  };
  const Case cases[] = {
      {Value(), 0, 100, 11, 1000},       // nil is one second
      {0, 0, 100, 1, 0},                 // one read
      {-1, 0, 100, 0, 0},                // at once
      {0.25, 0, 10, 26, 250},            // fractions count
      {0.25, 0, 100, 4, 300},            // the first read past the span ends it
      {1, 0xFFFFFF00ull, 64, 17, 1024},  // across the 32-bit count's wrap
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.seconds.number() << " from " << c.start);
    FakeClock::reset(c.start, c.step);
    EXPECT_TRUE(WAITSECONDS(c.seconds).isNil());
    EXPECT_EQ(FakeClock::reads.size(), c.reads);
    EXPECT_EQ(FakeClock::span(), c.span);
  }
}

TEST_F(WaitMessages, WaitSecondsWithTheSystemClockDispatchesNothing) {
  setWaitClock(nullptr);
  constexpr UINT kProbe = WM_APP + 39;
  PostMessageA(hwnd, kProbe, 0, 0);
  const ULONGLONG before = GetTickCount64();
  WAITSECONDS(0.2);
  EXPECT_GE(GetTickCount64() - before, 200u);
  MSG message{};
  EXPECT_TRUE(PeekMessageA(&message, hwnd, kProbe, kProbe, PM_REMOVE));
}

TEST_F(WaitMessages, BadInputIsAnArgumentErrorAndShowsNoNote) {
  const long live = TDialog::liveCount();
  test::ErrorCatcher catcher(Value("handled"));
  EXPECT_EQ(WAITSECONDS("1").string(), "handled");
  EXPECT_EQ(MSGRUN("x", Value(), 5).string(), "handled");
  EXPECT_EQ(MSGWAIT("x", Value(), "4").string(), "handled");
  ASSERT_EQ(catcher.records.size(), 3u);
  for (const auto& record : catcher.records) {
    EXPECT_EQ(record->genCode.integer(), 1);
    EXPECT_EQ(record->subCode.integer(), kWaitArgumentSubCode);
  }
  EXPECT_TRUE(FakeClock::reads.empty());
  EXPECT_EQ(TDialog::liveCount(), live);
}

// Exact counts: a note left behind per run shows as the number of runs.
TEST_F(WaitMessages, RunsLeaveNoDialogAndNoWindow) {
  constexpr int kRuns = 20;
  const long live = TDialog::liveCount();
  const long long registered = NWINDOWS();
  const long long windows = threadWindows();
  const Value empty = lanmere::block([](Args) { return Value(); });
  for (int i = 0; i < kRuns; ++i) MSGRUN(Value(), Value(), empty);
  EXPECT_EQ(TDialog::liveCount(), live);
  EXPECT_EQ(NWINDOWS(), registered);
  EXPECT_EQ(threadWindows(), windows);
}

}  // namespace
}  // namespace kestrel
