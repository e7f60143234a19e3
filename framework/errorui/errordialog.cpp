#include "framework/errorui/errordialog.h"

#include <shellapi.h>

#include <functional>
#include <utility>

#include "errors/settings.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/tlistbox.h"
#include "framework/controls/tsay.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/tdialog.h"
#include "framework/core/twindow.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "framework/errorui/handlerwork.h"
#include "framework/errorui/logo.h"
#include "runtime/closure.h"
#include "runtime/object.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

// The numbers handed to the dialog and control constructors, which convert them.
constexpr double kDialogWidth = 450;
constexpr long long kDialogHeight = 300;
constexpr long long kDialogHeightNt = 350;
constexpr double kButtonWidth = 30;
constexpr long long kButtonHeight = 11;
constexpr long long kListTop = 33, kListLeft = 3, kListWidth = 220;
constexpr long long kNoPrefix = SS_NOPREFIX;  // 128: an "&" of the message is shown as it is
constexpr int kLogoAt = 6;

struct Layout {
  long long height;
  long long buttonTop;
  long long listHeight;
  double retryLeft = 0;
  double quitLeft = 0;
  double defaultLeft = 0;
  bool quitIsDefault = false;
};

// A quarter of the dialog's width is the centre of the button row.
Layout layoutFor(bool canRetry, bool canDefault, bool ntFamily) {
  Layout layout;
  layout.height = ntFamily ? kDialogHeightNt : kDialogHeight;
  layout.buttonTop = layout.height / 2 - 11 - 2;
  layout.listHeight = layout.buttonTop - kListTop - 2;
  const int count = 1 + (canRetry ? 1 : 0) + (canDefault ? 1 : 0);
  if (canRetry) {
    layout.retryLeft = count == 2 ? (1.5 * kDialogWidth - count * kButtonWidth) / (2 * count)
                                  : kDialogWidth / 12 - kButtonWidth / 2;
  }
  layout.quitIsDefault = count != 2;
  layout.quitLeft =
      count == 2 ? kDialogWidth / (4 * 2) - kButtonWidth / 2 : kDialogWidth / 4 - kButtonWidth / 2;
  layout.defaultLeft = kDialogWidth / 3 + layout.retryLeft;
  return layout;
}

Value text(std::string value) {
  return lanmere::block([value = std::move(value)](Args) { return Value(value); },
                        "(b)ERRORDIALOG");
}

// A button's action: the handler's own work (the re-entry guard is up while it runs).
Value action(std::function<void(const Value& button)> body) {
  return lanmere::block(
      [body = std::move(body)](Args args) {
        const HandlerWork work;
        body(lanmere::arg(args, 1));
        return Value();
      },
      "(b)ERRORDIALOG");
}

// Ends the dialog of the button that was pressed.
void endDialogOf(const Value& button) {
  tell(tell(button, msg::oWnd), msg::End);
}

Value newButton(const Value& dialog, long long top, double left, const std::string& caption,
                const Value& onClick, double width, long long height, bool isDefault) {
  return lanmere::construct<TButton>({.nRow = top,
                                      .nCol = left,
                                      .cCaption = caption,
                                      .oWnd = dialog,
                                      .bAction = onClick,
                                      .nWidth = width,
                                      .nHeight = height,
                                      .lDefault = isDefault,
                                      .lPixel = true});
}

}  // namespace

void viewReportFile(const std::string& fullName) {
  const bool blank = fullName.find_first_of(" \t") != std::string::npos;
  std::string command = "Notepad.exe " + (blank ? "\"" + fullName + "\"" : fullName);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return;
  }
  callSystem<"shell32.dll", "ShellExecuteA", decltype(::ShellExecuteA)>(
      nullptr, "open", fullName.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

Value errorDialog(const lanmere::ErrorRecord& error, const Report& report, bool ntFamily,
                  HBITMAP& logo) {
  const Layout layout = layoutFor(error.canRetry(), error.canDefault(), ntFamily);
  const DefaultWindowKeeper keepDefault;
  const lanmere::Ref<lanmere::Cell> result = lanmere::make<lanmere::Cell>();

  logo = createLogo();
  // A width and height make the size pixels.
  const Value dialog = lanmere::construct<TDialog>({.cCaption = kErrorDialogCaption,
                                                    .nWidth = static_cast<long long>(kDialogWidth),
                                                    .nHeight = layout.height});

  // Text rows and columns first, then the rectangle the label really takes.
  const Value label = lanmere::construct<TSay>({.nRow = 0,
                                                .nCol = 20,
                                                .bText = text(report.errorLine),
                                                .oWnd = dialog,
                                                .lCentered = true,
                                                .lPixel = false,
                                                .nWidth = 400,
                                                .nHeight = 20});
  tell(label, msg::_nStyle, tell(label, msg::nStyle).integer() | kNoPrefix);
  tell(label, msg::_nTop, 3);
  tell(label, msg::_nLeft, 52);
  tell(label, msg::_nBottom, 25);
  tell(label, msg::_nRight, 168);

  lanmere::construct<TSay>(
      {.nRow = 24, .nCol = 6, .bText = text("&Stack List"), .oWnd = dialog, .lPixel = true});

  // The stack list, bound to the dialog's selected line: the first one to begin with.
  Value lines = Value::list();
  for (const std::string& line : report.stackList) lines.listData()->items.push_back(line);
  const lanmere::Ref<lanmere::Cell> selected = lanmere::make<lanmere::Cell>(
      report.stackList.empty() ? Value("") : Value(report.stackList.front()));
  lanmere::construct<TListBox>({.nRow = kListTop,
                                .nCol = kListLeft,
                                .bSetGet = lanmere::setGet(selected),
                                .aItems = lines,
                                .nWidth = kListWidth,
                                .nHeight = layout.listHeight,
                                .oWnd = dialog,
                                .lPixel = true,
                                .lMulti = false,
                                .lSort = false});

  if (error.canRetry()) {
    newButton(dialog, layout.buttonTop, layout.retryLeft, "&Retry",
              action([result](const Value& b) {
                result->value = true;
                endDialogOf(b);
              }),
              kButtonWidth, kButtonHeight, false);
  }
  newButton(dialog, layout.buttonTop, layout.quitLeft, "&Quit",
            action([](const Value& b) { endDialogOf(b); }), kButtonWidth, kButtonHeight,
            layout.quitIsDefault);
  if (error.canDefault()) {
    newButton(dialog, layout.buttonTop, layout.defaultLeft, "&Default",
              action([result](const Value& b) {
                result->value = false;
                endDialogOf(b);
              }),
              kButtonWidth, kButtonHeight, false);
  }
  newButton(dialog, 21, 175, "See " + errorFileName() + " file",
            action([](const Value&) { viewReportFile(errorReportName()); }), 46, 10, false);

  const Value logoNumber = handleNumber(logo);
  const Value paint = lanmere::block(
      [logoNumber](Args args) {
        const HandlerWork work;
        drawLogo(handleFrom<HDC>(lanmere::arg(args, 1)), handleFrom<HBITMAP>(logoNumber), kLogoAt,
                 kLogoAt);
        return Value();
      },
      "(b)ERRORDIALOG");
  // From the dialog's initialisation on, its modal loop serves other windows too.
  HandlerPause pause;
  const Value init = lanmere::block(
      [&pause](Args) {
        pause.begin();
        return Value();
      },
      "(b)ERRORDIALOG");
  struct Forget {  // the init closure knows this frame: it must not outlive it
    TWindow& dialog;
    ~Forget() { dialog.bInit = Value(); }
  } forget{static_cast<TWindow&>(*dialog.object())};
  TDialog::ActivateArgs{.bPainted = paint, .lCentered = true, .lModal = true, .bInit = init}.sendTo(
      dialog);
  return result->value;
}

}  // namespace kestrel
