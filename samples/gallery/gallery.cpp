// The Kestrel gallery: an MDI frame with a menu and its shortcuts, a button bar and a message bar
// with the clock and the date, whose children show the framework's controls (the form) and its
// drawing objects (the drawing); the form is printed, saved, opened again, copied from and
// pasted into; About shows an ALERT and "Raise an error" meets the default error handler.
#include <string>

#include "app/startup.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/services/menubuild.h"
#include "framework/services/tbar.h"
#include "framework/services/tclipboard.h"
#include "framework/services/tmdiframe.h"
#include "framework/services/tmsgbar.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"
#include "samples/gallery/drawing.h"
#include "samples/gallery/form.h"
#include "samples/gallery/status.h"

using namespace kestrel;
using lanmere::Args, lanmere::Value;

namespace gallery {
namespace {

// The form file Save form writes and Open form reads, in the current folder.
constexpr const char* kFormFile = "gallery.kfm";
constexpr long long kControlKey = 8;  // the accelerator flag of the Ctrl key
constexpr long long kTextFormat = 1;  // the clipboard's plain-text format

// The frame, reached by the menu's and the bar's actions without holding it (the menu belongs
// to the frame: a closure holding the frame would keep both alive).
Value& theFrame() {
  static Value frame;
  return frame;
}

TMdiFrame* frameObject() {
  return theFrame().isObject() ? dynamic_cast<TMdiFrame*>(theFrame().object()) : nullptr;
}

Value activeChild() {
  TMdiFrame* frame = frameObject();
  return frame ? frame->activeChild() : Value();
}

// ---- The actions, shared by the menu, the shortcuts and the bar ----

Value newFormAction(Args) {
  newForm(theFrame(), FormValues());
  return {};
}

Value newDrawingAction(Args) {
  newDrawing(theFrame());
  return {};
}

Value saveFormAction(Args) {
  const Value child = activeChild();
  if (!formValuesOf(child)) {
    showStatus("Save form: no form is active");
  } else if (saveForm(child, kFormFile)) {
    showStatus(std::string("Saved the form in ") + kFormFile);
  } else {
    showStatus(std::string("The form could not be saved in ") + kFormFile);
  }
  return {};
}

Value openFormAction(Args) {
  if (openForm(theFrame(), kFormFile).isObject()) {
    showStatus(std::string("Opened the form in ") + kFormFile);
  }
  return {};
}

Value printAction(Args) {
  printForm(activeChild());
  return {};
}

Value exitAction(Args) {
  return lanmere::send(theFrame(), "End");
}

// The focused control of the active child, or nil.
Value focusedControl() {
  const Value child = activeChild();
  return child.isObject() ? lanmere::send(child, "oCtlFocus") : Value();
}

Value copyAction(Args) {
  const Value control = focusedControl();
  if (!control.isObject()) {
    showStatus("Copy: no field has the focus");
    return {};
  }
  const std::string text(lanmere::trimRight(
      lanmere::callFunction("CVALTOCHAR", {lanmere::send(control, "VarGet")}).string()));
  const Value clipboard =
      lanmere::send(Value(lanmere::make<TClipBoard>()), "New", {Value(kTextFormat), theFrame()});
  showStatus(lanmere::send(clipboard, "SetText", {Value(text)}).logical()
                 ? "Copied: " + text
                 : std::string("Copy: the clipboard is not available"));
  return {};
}

Value cutAction(Args) {
  const Value control = focusedControl();
  return control.isObject() ? lanmere::send(control, "Cut") : Value();
}

Value pasteAction(Args) {
  const Value control = focusedControl();
  if (!control.isObject()) {
    showStatus("Paste: no field has the focus");
    return {};
  }
  const Value clipboard =
      lanmere::send(Value(lanmere::make<TClipBoard>()), "New", {Value(kTextFormat), theFrame()});
  const Value text = lanmere::send(clipboard, "GetText");
  if (!text.isText()) {
    showStatus("Paste: the clipboard holds no text");
    return {};
  }
  lanmere::send(control, "VarPut", {text});
  lanmere::send(control, "Refresh");
  showStatus("Pasted: " + text.string());
  return {};
}

Value tileAction(Args) {
  return lanmere::send(theFrame(), "Tile");
}

Value cascadeAction(Args) {
  return lanmere::send(theFrame(), "Cascade");
}

Value closeAllAction(Args) {
  return lanmere::send(theFrame(), "CloseAll");
}

Value aboutAction(Args) {
  return lanmere::callFunction(
      "ALERT", {Value("Kestrel gallery\nEvery class of the framework in one program."),
                Value::list({"&OK"}), Value("About the gallery")});
}

Value raiseErrorAction(Args) {
  const auto error = lanmere::errorNew();
  error->subSystem = "GALLERY";
  error->subCode = 1;
  error->description = "An error raised on purpose";
  error->operation = "Raise an error";
  lanmere::launchError(error.get());
  return {};
}

using Action = Value (*)(Args);

struct Item {
  const char* prompt;
  const char* message;
  Action action;
  long long key = 0;  // Ctrl + this key, when not 0
};

void addItems(std::initializer_list<Item> items) {
  lanmere::callWith(MENUBEGIN, MENUBEGINArgs{});
  for (const Item& item : items) {
    if (!item.prompt) {  // a separator
      lanmere::callWith(MENUADDITEM, MENUADDITEMArgs{});
      continue;
    }
    MENUADDITEMArgs args{
        .cPrompt = item.prompt, .cMsg = item.message, .bAction = lanmere::block(item.action)};
    if (item.key) {
      args.nVKState = kControlKey;
      args.nVirtKey = item.key;
    }
    lanmere::callWith(MENUADDITEM, args);
  }
  MENUEND();
}

Value buildMenu() {
  lanmere::callWith(MENUBEGIN, MENUBEGINArgs{});
  lanmere::callWith(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&File"});
  addItems({{"&New form\tCtrl+N", "A new form with every control", newFormAction, 'N'},
            {"New &drawing", "A new drawing of fonts, brushes and pens", newDrawingAction},
            {"&Open form...\tCtrl+O", "A new form rebuilt from gallery.kfm", openFormAction, 'O'},
            {"&Save form...\tCtrl+S", "Saves the active form in gallery.kfm", saveFormAction, 'S'},
            {"&Print\tCtrl+P", "Prints the active form's values", printAction, 'P'},
            {nullptr, nullptr, nullptr},
            {"E&xit", "Ends the gallery", exitAction}});
  lanmere::callWith(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&Edit"});
  addItems({{"Cu&t", "Moves the field's selection to the clipboard", cutAction},
            {"&Copy", "Copies the field's value to the clipboard", copyAction},
            {"&Paste", "Puts the clipboard's text in the field", pasteAction}});
  lanmere::callWith(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&Window"});
  addItems({{"&Tile", "Tiles the children", tileAction},
            {"&Cascade", "Cascades the children", cascadeAction},
            {"Close &all", "Closes every child", closeAllAction}});
  lanmere::callWith(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&Help"});
  addItems(
      {{"&About...", "About the gallery", aboutAction},
       {"&Raise an error", "Raises a run-time error for the default handler", raiseErrorAction}});
  return MENUEND();
}

struct BarButton {
  const char* image;  // the bitmap resource
  const char* tip;
  Action action;
  bool group = false;  // a gap before it
};

void buildBar(const Value& frame) {
  const Value bar = lanmere::construct<TBar>({.oWnd = frame, .nBtnWidth = 28, .nBtnHeight = 28});
  const BarButton buttons[] = {
      {"NEW", "New form", newFormAction},    {"OPEN", "Open form", openFormAction},
      {"SAVE", "Save form", saveFormAction}, {"PRINT", "Print", printAction},
      {"COPY", "Copy", copyAction, true},    {"PASTE", "Paste", pasteAction},
      {"ABOUT", "About", aboutAction, true}};
  for (const BarButton& b : buttons) {
    lanmere::construct<TBtnBmp, TBtnBmp::NewBarArgs>({.oBar = bar,
                                                      .cResName1 = b.image,
                                                      .cMsg = b.tip,
                                                      .bAction = lanmere::block(b.action),
                                                      .lGroup = b.group,
                                                      .cToolTip = b.tip});
  }
}

Value MAIN() {
  const Value frame = lanmere::construct<TMdiFrame>({.nTop = 20,
                                                     .nLeft = 20,
                                                     .nBottom = 620,
                                                     .nRight = 940,
                                                     .cTitle = "Kestrel gallery",
                                                     .oMenu = buildMenu(),
                                                     .oIcon = "GALLERY",
                                                     .lPixel = true});
  theFrame() = frame;
  buildBar(frame);
  lanmere::construct<TMsgBar>(
      {.oWnd = frame, .cMsg = "Kestrel gallery", .lClock = true, .lDate = true});
  TWindow::ActivateArgs{}.sendTo(frame);  // shows the frame and runs the loop until it closes
  theFrame() = Value();
  return {};
}

}  // namespace

void showStatus(const std::string& text) {
  if (!theFrame().isObject()) return;
  // The default message: it stays when a control's own message goes with its focus.
  lanmere::send(theFrame(), "SetMsg", {Value(text), Value(true)});
}

}  // namespace gallery

// The program's module: its MAIN, and the framework's terminal and default error handler.
const lanmere::ModuleTable& applicationModule() {
  static const lanmere::ModuleTable module{
      "samples/gallery/gallery.cpp",
      {lanmere::fn<&gallery::MAIN>("MAIN", lanmere::kPublic | lanmere::kFirst | lanmere::kDefined),
       lanmere::referenced("KS_GT"), lanmere::referenced("ERRORSYS")}};
  return module;
}
