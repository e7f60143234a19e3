#include "framework/display/msgrun.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "framework/controls/tfont.h"
#include "framework/core/tdialog.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/display/msgbox.h"
#include "framework/display/xpad.h"
#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

// Short enough that a wait ends within a few milliseconds of its span, long enough that a
// waiting program leaves the processor alone.
constexpr unsigned long long kWaitSliceMs = 5;

constexpr long long kNoteStyle = WS_POPUP | DS_MODALFRAME;  // no caption
constexpr long long kTitledNoteStyle = DS_MODALFRAME;       // the dialog manager adds the caption
constexpr long long kNoteRow = 11;                          // pixels from the top
constexpr int kNoteMargin = 4;                              // columns beside the longer text
constexpr double kDefaultWaitSeconds = 1;
constexpr double kMsgWaitSeconds = 4;

unsigned long long systemTicks() {
  return GetTickCount64();
}

WaitClock& waitClock() {
  static WaitClock clock = &systemTicks;
  return clock;
}

void waitFor(double seconds) {
  if (std::isnan(seconds) || seconds < 0) return;
  const double span = seconds * 1000;
  const WaitClock clock = waitClock();
  const unsigned long long start = clock();
  // The difference of two 64-bit counts: right across any wrap of the 32-bit count.
  for (unsigned long long now = start; static_cast<double>(now - start) < span; now = clock()) {
    const double left = span - static_cast<double>(now - start);
    Sleep(static_cast<DWORD>(std::min<double>(kWaitSliceMs, std::ceil(left))));
  }
}

}  // namespace

WaitClock setWaitClock(WaitClock clock) {
  return std::exchange(waitClock(), clock ? clock : &systemTicks);
}

Value WAITSECONDS(const Value& seconds) {
  if (!seconds.isNil() && !seconds.isNumber()) return lanmere::argumentError(kWaitArgumentSubCode);
  waitFor(seconds.isNil() ? kDefaultWaitSeconds : seconds.number());
  return {};
}

Value MSGRUN(const Value& message, const Value& title, const Value& action) {
  if (!action.isNil() && !action.isClosure()) return lanmere::argumentError(kWaitArgumentSubCode);
  const std::string note = message.isNil() ? std::string("Please, wait...") : msgBoxText(message);
  const Value work = action.isNil() ? lanmere::block(
                                          [](Args) {
                                            waitFor(kDefaultWaitSeconds);
                                            return Value();
                                          },
                                          "(b)MSGRUN")
                                    : action;
  const bool titled = !title.isNil();
  const std::string caption = titled ? msgBoxText(title) : std::string();
  const auto columns = static_cast<long long>(std::max(note.size(), caption.size())) + kNoteMargin;
  // New makes the note the default window; it must not stay so once gone, however it goes (a
  // BREAK ends it without its Destroy).
  const DefaultWindowKeeper keeper;
  const Value dialog =
      lanmere::construct<TDialog>({.nTop = 0,
                                   .nLeft = 0,
                                   .nBottom = titled ? 4 : 3,
                                   .nRight = columns,
                                   .cCaption = titled ? Value(caption) : Value(),
                                   .nStyle = titled ? kTitledNoteStyle : kNoteStyle});
  auto& box = static_cast<TDialog&>(*dialog.object());
  box.cMsg = note;
  const Value width = box.nRight.number() - box.nLeft.number();
  // The closures take the dialog from their arguments: holding it would make a cycle.
  const auto result = std::make_shared<Value>();
  box.bStart = lanmere::block(
      [work, result](Args args) {
        const Value& self = lanmere::arg(args, 1);
        *result = lanmere::eval(work, {self});
        static_cast<TDialog&>(*self.object()).End();
        SYSREFRESH();
        return Value();
      },
      "(b)MSGRUN");
  // The note is drawn in the font its padding measures with, the screen's default one: drawn in
  // the dialog's narrower font the padded note sat left of centre.
  const Value screenFont = lanmere::construct<TFont>();
  const struct GiveBack {
    const Value& font;
    ~GiveBack() { static_cast<TFont&>(*font.object()).End(); }
  } giveBack{screenFont};
  const Value painted = lanmere::block(
      [width, screenFont](Args args) {
        const Value& self = lanmere::arg(args, 3);
        auto& window = static_cast<TWindow&>(*self.object());
        const Value text = XPADC(Value(msgBoxText(window.cMsg)), width, Value());
        Value say[] = {kNoteRow, 0, text, Value(), Value(), screenFont, true, true};
        window.Say(say);
        return Value();
      },
      "(b)MSGRUN");
  TDialog::ActivateArgs{.bLClicked = box.bLClicked,
                        .bMoved = box.bMoved,
                        .bPainted = painted,
                        .lCentered = true,
                        .bRClicked = box.bRClicked,
                        .lCenterInWnd = true}
      .sendTo(dialog);
  return *result;
}

Value MSGWAIT(const Value& message, const Value& title, const Value& seconds) {
  if (!seconds.isNil() && !seconds.isNumber()) return lanmere::argumentError(kWaitArgumentSubCode);
  const double span = seconds.isNil() ? kMsgWaitSeconds : seconds.number();
  return MSGRUN(message, title,
                lanmere::block(
                    [span](Args) {
                      waitFor(span);
                      return Value();
                    },
                    "(b)MSGWAIT"));
}

const lanmere::ModuleTable& msgRunModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__, {fn<&WAITSECONDS>("WAITSECONDS"), fn<&MSGRUN>("MSGRUN"), fn<&MSGWAIT>("MSGWAIT")}};
  return module;
}

}  // namespace kestrel
