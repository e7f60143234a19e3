#include "tests/support/dialog_fixture.h"

#include <cmath>

#include "framework/controls/modules.h"
#include "framework/core/dialogbox.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/modules.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/display/modules.h"
#include "framework/services/restrack.h"
#include "runtime/functions.h"

namespace kestrel::test {

LM_DEFINE_CLASS(TTestCtrl) {
  c.data(LM_FIELDS(hWnd, nOldProc, nId, oWnd, lCancel, nHelpId, bValid, bAction, lTransparent,
                   cClassName, cCaption, nStyle, nTop, nLeft, nBottom, nRight));
  c.methods(LM_METHODS(HandleEvent, cToChar, Initiate, lValid));
  c.creatable();
}

Value TTestCtrl::HandleEvent(const Value& nMsg, const Value&, const Value&) {
  switch (nMsg.integer()) {
    case kWmFrameworkClick:
      log.push_back("CLICK");
      lanmere::eval(bAction, {Value(lanmere::Ref<TTestCtrl>(this))});
      return 0;
    case kWmFrameworkChange:
      log.push_back("CHANGE");
      return 0;
    case WM_DESTROY:
      unlinkWindow(*this);
      hWnd = 0;
      oWnd = Value();
      bAction = Value();
      bValid = Value();
      return {};
    default:
      return {};
  }
}

Value TTestCtrl::cToChar() {
  const long long units = GETDLGBASEUNITS();
  const double bx = static_cast<double>(units & 0xFFFF);
  const double by = static_cast<double>((units >> 16) & 0xFFFF);
  auto y = [&](const Value& v) { return static_cast<long long>(std::trunc(16 * v.number() / by)); };
  auto x = [&](const Value& v) { return static_cast<long long>(std::trunc(8 * v.number() / bx)); };
  const long long style = nStyle.isNil()
                              ? static_cast<long long>(WS_CHILD | WS_VISIBLE | WS_TABSTOP)
                              : nStyle.integer();
  return lanmere::callFunction(
      "CCTRL2CHR", {y(nTop), x(nLeft), y(nBottom), x(nRight), nId, style, cClassName, cCaption});
}

Value TTestCtrl::Initiate(const Value& hDlg) {
  hWnd = handleNumber(GetDlgItem(handleFrom<HWND>(hDlg), static_cast<int>(nId.integer())));
  linkWindow(*this);
  return {};
}

Value TTestCtrl::lValid() {
  const Value answer = lanmere::eval(bValid);
  return !(answer.isLogical() && !answer.logical());
}

LM_DEFINE_CLASS(TLoggedDialog) {
  c.creatable();
}

Value TLoggedDialog::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  messages.push_back(nMsg.integer());
  return TDialog::HandleEvent(nMsg, nWParam, nLParam);
}

Value newDialog(const TDialog::NewArgs& args, const char* className) {
  return args.sendTo(lanmere::createObject(className));
}

Value pixelDialog(long long top, long long left, long long bottom, long long right,
                  const char* caption, const char* className) {
  return newDialog({.nTop = top,
                    .nLeft = left,
                    .nBottom = bottom,
                    .nRight = right,
                    .cCaption = caption,
                    .lPixels = true},
                   className);
}

Value resourceDialog(const Value& resource, const char* className) {
  return newDialog({.cResName = resource}, className);
}

Value addControl(const Value& dialog, const char* windowClass, const Value& id, const char* caption,
                 long long top, long long left, long long bottom, long long right,
                 long long style) {
  const Value made = Value(lanmere::make<TTestCtrl>());
  TTestCtrl& control = as<TTestCtrl>(made);
  control.nId = id;
  control.oWnd = dialog;
  control.cClassName = windowClass;
  control.cCaption = caption;
  control.nTop = top;
  control.nLeft = left;
  control.nBottom = bottom;
  control.nRight = right;
  if (style) control.nStyle = style | WS_CHILD | WS_VISIBLE;
  as<TDialog>(dialog).DefControl(made);
  return made;
}

void activate(const Value& dialog, const TDialog::ActivateArgs& how) {
  how.sendTo(dialog);
}

Value runModal(const Value& dialog, std::vector<std::function<bool(HWND)>> steps,
               const TDialog::ActivateArgs& how) {
  DialogSteps driver(std::move(steps));
  activate(dialog, how);
  driver.rethrow();
  EXPECT_TRUE(driver.done());
  return as<TDialog>(dialog).nResult;
}

void DialogTest::SetUp() {
  lanmere::clearModules();
  registerModules({displayModules(), controlsModules(), coreModules()});
  previousBlock_ = lanmere::errorBlock();
  lanmere::errorBlock(closure([this](lanmere::Args args) -> Value {
    const auto* record = static_cast<const lanmere::ErrorRecord*>(lanmere::arg(args, 1).object());
    errors.push_back(
        {record->subCode.integer(), record->subSystem.string(), record->operation.string()});
    return false;
  }));
  TLoggedDialog::Class();  // known by name before the first createObject
  TTestCtrl::Class();
}

void DialogTest::TearDown() {
  lanmere::restoreErrorBlock(previousBlock_);
  EXPECT_EQ(modalDepth(), 0u);
  EXPECT_FALSE(isRunning());
  EXPECT_EQ(dialogNesting(), 0);
  lanmere::clearModules();
}

LiveObjects liveObjects() {
  LiveObjects live = LiveObjects::now();
  live.add("tracked resources", static_cast<long long>(trackedResources().size()))
      .add("window objects", TWindow::liveCount())
      .add("dialog objects", TDialog::liveCount())
      .add("controls", TControl::liveCount());
  return live;
}

Leftovers::Leftovers() : before_(liveObjects()) {}

void Leftovers::expectNoMore() const {
  EXPECT_EQ(liveObjects().grownSince(before_), "");
}

namespace {
WindowCreations* activeCreations = nullptr;
}  // namespace

WindowCreations::WindowCreations() {
  activeCreations = this;
  hook_ = SetWindowsHookExA(WH_CBT, onCbt, nullptr, GetCurrentThreadId());
}

WindowCreations::~WindowCreations() {
  UnhookWindowsHookEx(hook_);
  activeCreations = nullptr;
}

LRESULT CALLBACK WindowCreations::onCbt(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && activeCreations) ++activeCreations->count_;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool ready(HWND dialog) {
  return dialog && focusedId(dialog) != 0;
}

Step focusOn(const Value& control) {
  return [control](HWND) {
    const HWND hwnd = as<TControl>(control).hwnd();
    if (!hwnd || !IsWindowVisible(GetParent(hwnd))) return false;
    SendMessageA(GetParent(hwnd), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hwnd), TRUE);
    return true;
  };
}

Step focused(const Value& control) {
  return [control](HWND) {
    const HWND hwnd = as<TControl>(control).hwnd();
    return GetFocus() == hwnd || IsChild(hwnd, GetFocus());
  };
}

Step keys(std::initializer_list<WORD> chord) {
  return [held = std::vector<WORD>(chord)](HWND) { return pressKeys(held), true; };
}

Step endWith(const Value& dialog, long long result) {
  return [dialog, result](HWND) { return lanmere::send(dialog, "End", {result}), true; };
}

namespace {
Value newClipboard() {
  return lanmere::send(lanmere::createObject("TCLIPBOARD"), "New");
}
}  // namespace

void setClipboard(const std::string& text) {
  lanmere::send(newClipboard(), "SetText", {text});
}

std::string clipboardText() {
  return lanmere::send(newClipboard(), "GetText").string();
}

}  // namespace kestrel::test
