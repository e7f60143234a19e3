#include "framework/errorui/alert.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "errors/report.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/icons.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/tfont.h"
#include "framework/controls/ticon.h"
#include "framework/controls/tmultiget.h"
#include "framework/core/args.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/tdialog.h"
#include "framework/core/twindow.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/object.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kDefaultMessage = "Alert dialog box";
constexpr const char* kDefaultTitle = "Attention";
constexpr const char* kDefaultOption = "&OK";
constexpr long long kAlertFontHeight = -14;
constexpr std::size_t kLineLength = 254;
constexpr long long kLinePad = 10;
constexpr double kIconRow = 10.0 / 7, kIconCol = 2.25;  // text rows and columns
constexpr long long kSystemExclamation = 32515;         // IDI_EXCLAMATION
constexpr long long kMaxTextHeight = 400, kMaxTextWidth = 500, kMinScrolledHeight = 100;
constexpr long long kTextTop = 25, kTextLeft = 70;
constexpr long long kSideRoom = 80, kRowRoom = 10;
constexpr long long kMinButtonWidth = 100, kCaptionRoom = 50, kButtonGap = 7;
constexpr long long kMinTextRoom = 20, kBelowText = 50, kBelowButtons = 50;
constexpr double kButtonHeightFactor = 1.7;
constexpr UINT kSelectRange = EM_SETSEL;  // 177

std::string asText(const Value& value) {
  return value.isText() ? value.string() : reportValueText(value);
}

// A list that is not one, or holds nothing, gives the single "&OK".
std::vector<std::string> optionCaptions(const Value& options) {
  std::vector<std::string> captions;
  if (options.isList()) {
    for (const Value& option : options.items()) captions.push_back(asText(option));
  }
  if (captions.empty()) captions.emplace_back(kDefaultOption);
  return captions;
}

// The control that starts with the focus: 1 the text box, 2 and on the options. A default that
// is no number or lies below 0, or one past the last option, gives the first option.
std::size_t focusedControl(const Value& defaultOption, std::size_t optionCount) {
  const Value number = orDefault(defaultOption, Value(1));
  if (!number.isNumber() || number.number() < 0) return 2;
  const auto control = static_cast<std::size_t>(number.integer()) + 1;
  return control > optionCount + 1 ? 2 : control;
}

struct Lines {
  std::string display;  // each line without its trailing blanks, ended by CR LF
  long long width = 0;  // the widest line + 10
  long long height = 0;
};

Lines measureLines(TWindow& dialog, const std::string& message, long long charHeight) {
  Lines lines;
  for (const std::string& whole : lanmere::memoLines(message, kLineLength)) {
    const std::string line(lanmere::trimRight(whole));
    lines.display += line + "\r\n";
    lines.height += charHeight;
    lines.width = std::max(lines.width, dialog.GetWidth(Value(line)).integer() + kLinePad);
  }
  return lines;
}

// The icon beside the text: from a file that exists, else the program's resource of that name;
// a number is a system icon, shared and never destroyed. It takes no part in the control list.
void addIcon(const Value& dialog, TWindow& window, const Value& icon) {
  const Value chosen = orDefault(icon, Value(kSystemExclamation));
  Value resName, icoFile;
  if (chosen.isText()) {
    const bool file = pathExists(chosen.string());
    (file ? icoFile : resName) = chosen;
  }
  const Value control = lanmere::construct<TIcon>({.nRow = kIconRow,
                                                   .nCol = kIconCol,
                                                   .cResName = resName,
                                                   .cIcoFile = icoFile,
                                                   .lBorder = false,
                                                   .oWnd = dialog});
  if (!control.isObject()) return;
  if (chosen.isNumber()) tell(control, msg::_hIcon, LOADICON(0, chosen));
  auto& controls = window.aControls.listData()->items;
  controls.erase(std::remove_if(controls.begin(), controls.end(),
                                [&](const Value& c) { return c.sharesStorageWith(control); }),
                 controls.end());
  // Drawn without background: the "NULL" brush, and an erase that leaves the dialog's face.
  const Value brush = tell(lanmere::createObject("TBRUSH"), msg::New, "NULL");
  tell(control, msg::SetBrush, brush);
  tell(brush, msg::End);  // the icon holds its own use
  tell(control, msg::_bEraseBkGnd, lanmere::block([](Args) { return Value(1); }, "(b)DLGINIT"));
}

// The read-only text box: no border, on the button face, scroll bars only when the text needs
// them. It keeps the focus it is given but shows no selection and no caret under the mouse.
Value addTextBox(const Value& dialog, const Value& font, const std::string& display,
                 long long width, long long height, bool hScroll, bool vScroll) {
  const Value box = lanmere::construct<TMultiGet>(
      {.nRow = kTextTop,
       .nCol = kTextLeft,
       .bSetGet = lanmere::setGet(lanmere::make<lanmere::Cell>(Value(display))),
       .oWnd = dialog,
       .nWidth = width,
       .nHeight = height,
       .oFont = font,
       .lHScroll = hScroll,
       .nClrBack = sysColor(COLOR_BTNFACE),
       .lPixel = true,
       .lReadOnly = true,
       .lNoBorder = true,
       .lNoVScroll = !vScroll});
  const Value handle = tell(box, msg::hWnd);
  tell(box, msg::_bMMoved,
       lanmere::block(
           [handle](Args) {
             HideCaret(handleFrom<HWND>(handle));
             return Value();
           },
           "(b)DLGINIT"));
  tell(box, msg::_bGotFocus,
       lanmere::block(
           [handle](Args) {
             PostMessageA(handleFrom<HWND>(handle), kSelectRange, 0, 0);
             return Value();
           },
           "(b)DLGINIT"));
  return box;
}

// DLGINIT runs once the dialog's window exists, with its font set; sizes in pixels. Answers
// false: it gave the focus itself.
LM_ARGS(DLGINITArgs, oDlg, oFont, cMessage, aOptions, cTitle, nDefault, uIcon)
Value DLGINIT(Args args) {
  const DLGINITArgs a = DLGINITArgs::from(args);
  const Value& dialog = a.oDlg;
  const Value& font = a.oFont;
  auto& window = static_cast<TWindow&>(*dialog.object());
  const long long charHeight = window.nChrHeight.integer();

  const Lines lines = measureLines(window, asText(a.cMessage), charHeight);
  addIcon(dialog, window, a.uIcon);

  long long boxWidth = lines.width, boxHeight = lines.height;
  bool hScroll = false, vScroll = false;
  if (boxHeight > kMaxTextHeight) {
    boxHeight = kMaxTextHeight;
    vScroll = true;
  }
  if (boxWidth > kMaxTextWidth) {
    boxWidth = kMaxTextWidth;
    hScroll = vScroll = true;
  }
  if (vScroll) boxHeight = std::max(kMinScrolledHeight, boxHeight);
  std::vector<Value> controls{
      addTextBox(dialog, font, lines.display, boxWidth, boxHeight, hScroll, vScroll)};

  const std::vector<std::string> captions = optionCaptions(a.aOptions);
  const auto count = static_cast<long long>(captions.size());
  const std::string title = asText(a.cTitle);
  long long width = std::max(boxWidth, window.GetWidth(Value(title)).integer()) + kSideRoom;
  long long buttonWidth = kMinButtonWidth;
  for (const std::string& caption : captions) {
    buttonWidth = std::max(buttonWidth, window.GetWidth(Value(caption)).integer() + kCaptionRoom);
  }
  const long long buttonTop = std::max(boxHeight, kMinTextRoom) + kBelowText;
  const double buttonHeight = static_cast<double>(charHeight) * kButtonHeightFactor;
  const double height = buttonHeight + static_cast<double>(buttonTop + kBelowButtons);
  const long long rowWidth = count * buttonWidth + (count + 2) * kButtonGap;
  if (rowWidth > width) width = rowWidth + kRowRoom;
  const double firstLeft = static_cast<double>(width - count * buttonWidth - (count + 14)) / 2;

  for (long long n = 1; n <= count; ++n) {
    const Value action = lanmere::block(
        [n](Args pressed) {
          const Value owner = tell(lanmere::arg(pressed, 1), msg::oWnd);
          tell(owner, msg::_Cargo, n);
          tell(owner, msg::End);
          return Value();
        },
        "(b)DLGINIT");
    const double left = firstLeft + static_cast<double>((n - 1) * (buttonWidth + kButtonGap));
    controls.push_back(
        lanmere::construct<TButton>({.nRow = buttonTop,
                                     .nCol = left,
                                     .cCaption = captions[static_cast<std::size_t>(n - 1)],
                                     .oWnd = dialog,
                                     .bAction = action,
                                     .nWidth = buttonWidth,
                                     .nHeight = buttonHeight,
                                     .lDefault = false,
                                     .lPixel = true}));
  }

  const std::size_t focus = focusedControl(a.nDefault, captions.size());
  tell(controls[focus - 1], msg::SetFocus);

  window.Move(Value(0), Value(0), Value(width), Value(static_cast<long long>(height)));
  window.Center();
  return false;
}

constexpr std::size_t kDlgInitEntry = 1;

const lanmere::FunctionEntry& dlgInitEntry();

}  // namespace

Value ALERT(Args args) {
  const Value message = orDefault(lanmere::arg(args, 1), Value(kDefaultMessage));
  const Value options = lanmere::arg(args, 2);  // anything but a list of options gives "&OK"
  const Value title = orDefault(lanmere::arg(args, 3), Value(kDefaultTitle));
  const Value defaultOption = orDefault(lanmere::arg(args, 4), Value(1));
  const Value icon = lanmere::arg(args, 5);

  const DefaultWindowKeeper keepDefault;
  const Value font = lanmere::construct<TFont>(
      {.cFaceName = GETSYSFONT(), .nWidth = 0, .nHeight = kAlertFontHeight});
  struct Release {  // the font goes with the alert, however it ends
    const Value& font;
    ~Release() {
      if (font.isObject()) static_cast<TFont&>(*font.object()).End();
    }
  } release{font};

  const Value dialog = lanmere::construct<TDialog>(
      {.cCaption = title.isText() ? title : Value(asText(title)), .oFont = font});
  auto& window = static_cast<TWindow&>(*dialog.object());
  window.Cargo = 0;
  tell(dialog, msg::_lHelpIcon, false);

  const Value init = lanmere::block(
      [=](Args initArgs) {
        auto values = DLGINITArgs{.oDlg = lanmere::arg(initArgs, 1),
                                  .oFont = font,
                                  .cMessage = message,
                                  .aOptions = options,
                                  .cTitle = title,
                                  .nDefault = defaultOption,
                                  .uIcon = icon}
                          .list();
        return dlgInitEntry().call(Args(values));
      },
      "(b)ALERT");
  struct Forget {  // the init closure holds the font and the arguments: not past this call
    TWindow& dialog;
    ~Forget() { dialog.bInit = Value(); }
  } forget{window};
  TDialog::ActivateArgs{.lCentered = false, .lModal = true, .bInit = init}.sendTo(dialog);
  return window.Cargo;
}

const lanmere::ModuleTable& alertModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&ALERT>("ALERT"),
       lanmere::fn<&DLGINIT>("DLGINIT", lanmere::kStatic | lanmere::kDefined)}};
  return module;
}

namespace {

const lanmere::FunctionEntry& dlgInitEntry() {
  return alertModule().entries[kDlgInitEntry];
}

}  // namespace

}  // namespace kestrel
