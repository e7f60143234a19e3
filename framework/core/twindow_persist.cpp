// The record form of windows, dialogs and controls (Save, Load) and form files (SaveFile,
// LoadFile, ReadFile). A window compares with a windowless instance of its class, so its geometry
// and colours are saved even at their defaults; its controls follow as one "aControls" entry.
// Loading into a live window shows what was loaded: the menu is built and set, the font made
// real, the window moved and coloured. Loading adds: controls already in the window stay.
#include <windows.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/classkind.h"
#include "framework/core/dialogbox.h"
#include "framework/core/messages.h"
#include "framework/core/persist.h"
#include "framework/core/showalert.h"
#include "framework/core/tcontrol.h"
#include "framework/core/twindow.h"
#include "framework/core/win32.h"
#include "framework/core/wndfuncs.h"
#include "runtime/error.h"
#include "runtime/platform.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::string_view kControlsEntry = "aControls";

bool hasEntry(const RecordNode& node, std::string_view name) {
  for (const RecordEntry& entry : node.entries) {
    if (entry.name == name) return true;
  }
  return false;
}

Value entryNumber(const RecordNode& node, std::string_view name, LoadContext& context) {
  for (const RecordEntry& entry : node.entries) {
    if (entry.name == name && entry.value.type == 'N') return nodeValue(entry.value, context);
  }
  return {};
}

TWindow* windowOf(const Value& self) {
  return self.isObject() ? dynamic_cast<TWindow*>(self.object()) : nullptr;
}

// Whether a class's source file is the framework's or the run-time's (the program's classes,
// tests included, live elsewhere).
bool frameworkModule(std::string_view module) {
  std::string path(module);
  for (char& c : path) c = c == '\\' ? '/' : c;
  if (path.starts_with("tests/") || path.find("/tests/") != std::string::npos) return false;
  for (const char* layer : {"framework/", "runtime/", "errors/", "net/"}) {
    if (path.starts_with(layer) || path.find(std::string("/") + layer) != std::string::npos) {
      return true;
    }
  }
  return false;
}

// The data member `name` of `info` or a class it derives from, when a class of the program (no
// framework class) declares it.
Value lanmere::Object::*programMember(const lanmere::ClassInfo& info, const lanmere::Symbol* name) {
  for (const lanmere::DataSlot& slot : info.data) {
    if (slot.name == name) return frameworkModule(info.module) ? nullptr : slot.field;
  }
  for (const lanmere::ClassInfo* parent : info.parents) {
    if (auto field = programMember(*parent, name)) return field;
  }
  return nullptr;
}

// "cVarName": the default window's member of that name refers to the loaded window, when the
// program declared that member and it holds nil or an object (never hWnd, oFont and the like).
void bindVarName(const Value& self, std::string_view name) {
  const Value owner = GETWNDDEFAULT();
  if (!owner.isObject() || owner.sharesStorageWith(self) || name.empty()) return;
  auto field = programMember(owner.object()->classInfo(), lanmere::symbol(name));
  if (!field) return;
  Value& slot = owner.object()->*field;
  if (slot.isNil() || slot.isObject()) slot = self;
}

// The loaded font members made into a real font by TFont():New.
Value realFont(const Value& loaded) {
  const Value made = lanmere::createObject("TFONT");
  if (!made.isObject() || !loaded.isObject()) return {};
  const auto member = [&](std::string_view name) {
    return lanmere::understands(loaded, name) ? lanmere::send(loaded, name) : Value();
  };
  Value args[] = {member("cFaceName"),    member("nInpWidth"),  member("nInpHeight"),
                  Value(false),           member("lBold"),      Value(),
                  member("nOrientation"), member("nWeight"),    member("lItalic"),
                  member("lUnderline"),   member("lStrikeOut"), member("nCharSet")};
  return lanmere::send(made, msg::New, lanmere::Args(args));
}

// ---- Geometry on a shown dialog ----
// A dialog's record holds its geometry in the units its definition takes before Activate,
// whatever its state: the numbers the program gave, which the template turns into dialog units
// with the system's base units and the dialog manager into pixels with the dialog's font.
// Shown, the pixels the user sees are turned back into those numbers (Save) and the numbers
// into pixels (Load), so one record shows the same in either state.

constexpr std::string_view kGeometry[] = {"nTop", "nLeft", "nWidth", "nHeight"};

bool isGeometry(std::string_view name) {
  for (std::string_view each : kGeometry) {
    if (each == name) return true;
  }
  return false;
}

// One axis of a shown dialog's layout.
struct LayoutAxis {
  HWND dialog;
  bool across;
  double units;  // dialog units per system base unit
  long base;     // the system's base unit
  long origin;   // what the definition's numbers are measured from

  long long unitsOf(long long number) const {
    return definitionUnits(static_cast<double>(number - origin), units, base);
  }
  // The least number that becomes `dialogUnits` or more.
  long long numberOf(long long dialogUnits) const {
    return origin +
           static_cast<long long>(std::ceil(static_cast<double>(dialogUnits) * base / units));
  }
  long pixelsOf(long long dialogUnits) const {
    RECT rect{};
    (across ? rect.left : rect.top) = static_cast<LONG>(dialogUnits);
    MapDialogRect(dialog, &rect);
    return across ? rect.left : rect.top;
  }
  // The dialog units the dialog manager makes `pixels` of (the nearest when none does).
  long long unitsOfPixels(long pixels) const {
    const double perUnit = pixelsOf(1000) / 1000.0;
    const long long guess = std::llround(pixels / perUnit);
    for (long long candidate : {guess, guess - 1, guess + 1, guess - 2, guess + 2}) {
      if (pixelsOf(candidate) == pixels) return candidate;
    }
    return guess;
  }
  // A start and a size in the definition's numbers, as pixels.
  std::pair<long, long> pixels(long long start, long long size) const {
    const long long from = unitsOf(start);
    return {pixelsOf(from), pixelsOf(unitsOf(start + size - 1) - from + 1)};
  }
  // The size in the definition's numbers that `pixels` makes `size` pixels of from `start`.
  long long sizeOf(long size, long long start) const {
    return numberOf(unitsOf(start) + unitsOfPixels(size) - 1) - start + 1;
  }
};

// The shown dialog the dialog manager laid out that holds `self` (a control on it), or `self`
// itself when it is a shown dialog; null otherwise.
HWND shownDialog(const Value& self, bool& isControl) {
  TWindow* window = windowOf(self);
  if (!window || !window->hwnd()) return nullptr;
  isControl = !isKindOf(self, "TDIALOG");
  if (!isControl) return window->hwnd();
  const Value owner = lanmere::understands(self, "oWnd") ? lanmere::send(self, "oWnd") : Value();
  TWindow* parent = windowOf(owner);
  if (!parent || !parent->hwnd() || !isKindOf(owner, "TDIALOG")) return nullptr;
  return parent->hwnd();
}

struct Box {
  long long top = 0, left = 0, width = 0, height = 0;
};

// The axes of `dialog`'s layout for a control on it, or for the dialog itself.
std::pair<LayoutAxis, LayoutAxis> layoutAxes(HWND dialog, bool control) {
  const long long units = GETDLGBASEUNITS();
  const long bx = static_cast<long>(loWord(units));
  const long by = static_cast<long>(hiWord(units));
  if (control) {
    return {LayoutAxis{dialog, false, kItemUnitsY, by, 0},
            LayoutAxis{dialog, true, kItemUnitsX, bx, 0}};
  }
  RECT owner{};
  if (const HWND window = GetWindow(dialog, GW_OWNER)) GetWindowRect(window, &owner);
  return {LayoutAxis{dialog, false, kUnitsPerBaseY, by, owner.top},
          LayoutAxis{dialog, true, kUnitsPerBaseX, bx, owner.left}};
}

// What a shown window's record holds of its geometry.
Box definitionBox(const Value& self, HWND dialog, bool control) {
  const HWND hwnd = windowOf(self)->hwnd();
  const auto [down, across] = layoutAxes(dialog, control);
  RECT outer{};
  GetWindowRect(hwnd, &outer);
  if (control) {
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&outer), 2);
    const long long top = down.numberOf(down.unitsOfPixels(outer.top));
    const long long left = across.numberOf(across.unitsOfPixels(outer.left));
    return {top, left, across.sizeOf(outer.right - outer.left, left),
            down.sizeOf(outer.bottom - outer.top, top)};
  }
  // A dialog is placed where its numbers say in pixels; its template gives its client size.
  RECT client{};
  GetClientRect(hwnd, &client);
  return {outer.top, outer.left, across.sizeOf(client.right, outer.left),
          down.sizeOf(client.bottom, outer.top)};
}

// The pixels a shown window takes for the geometry of a record, as Move wants them.
Box pixelBox(const Box& numbers, HWND hwnd, HWND dialog, bool control) {
  const auto [down, across] = layoutAxes(dialog, control);
  const auto [top, height] = down.pixels(numbers.top, numbers.height);
  const auto [left, width] = across.pixels(numbers.left, numbers.width);
  if (control) return {top, left, width, height};
  RECT outer{}, client{};
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &client);
  return {numbers.top, numbers.left, width + (outer.right - outer.left) - client.right,
          height + (outer.bottom - outer.top) - client.bottom};
}

Value savedGeometry(const Value& self, std::string_view name, const Value& value) {
  bool control = false;
  if (!isGeometry(name) && name != "l3D") return value;
  const HWND dialog = shownDialog(self, control);
  if (!dialog) return value;
  if (name == "l3D") {
    // The dialog manager shows a bordered item with a client edge: the look is the definition's,
    // else the next dialog would get both frames.
    const auto* item = dynamic_cast<const TControl*>(self.object());
    return control && item && item->l3DLook.isLogical() ? item->l3DLook : value;
  }
  const Box box = definitionBox(self, dialog, control);
  if (name == "nTop") return control ? Value(box.top) : value;
  if (name == "nLeft") return control ? Value(box.left) : value;
  return name == "nWidth" ? Value(box.width) : Value(box.height);
}

// Each control made by its class's New (no arguments: the default window is its parent), then
// loaded.
void loadControls(const Value& self, const RecordNode& list, LoadContext& context) {
  const DefaultWindowKeeper keeper;
  for (const RecordNode& element : list.elements) {
    if (element.type != 'O') continue;
    SETWNDDEFAULT(self);
    Value control = lanmere::createObject(std::string(element.className));
    if (!control.isObject()) continue;
    control = tell(control, msg::New);
    if (control.isObject()) applyObjectNode(control, element, context);
  }
}

// Every pop-up of a menu set on a window knows the window, where its items' events go.
void reachWindow(const Value& menu, const Value& window, int depth) {
  if (!menu.isObject() || depth > kMaxRecordDepth) return;
  tell(menu, msg::_oWnd, window);
  const Value items = lanmere::send(menu, "aItems");
  for (const Value& item : items.items()) {
    const Value action = tell(item, msg::bAction);
    if (action.isObject()) reachWindow(action, window, depth + 1);
  }
}

bool windowEntry(const Value& self, const RecordEntry& entry, LoadContext& context) {
  TWindow* window = windowOf(self);
  if (!window) return false;
  const bool live = window->hwnd() != nullptr && !context.nested;
  const std::string_view name = entry.name;
  if (name == kControlsEntry) {
    if (!context.nested && entry.value.type == 'A') loadControls(self, entry.value, context);
    return true;
  }
  if (name == "cVarName" && entry.value.type == 'C') {
    window->cVarName = Value(entry.value.text);
    if (!context.nested) bindVarName(self, entry.value.text);
    return true;
  }
  if (name == "l3D") {
    // The look the control was defined with shows already (in a dialog a bordered item has a
    // client edge, which switching the look off would take away, leaving no frame at all).
    const Value look = nodeValue(entry.value, context);
    const auto* item = dynamic_cast<const TControl*>(self.object());
    const bool defined = item && item->l3DLook.isLogical() && look.isLogical() &&
                         item->l3DLook.logical() == look.logical();
    if (!defined) lanmere::send(self, "Set3DLook", {look});
    return true;
  }
  if (!window->hwnd() && (name == "nWidth" || name == "nHeight") && entry.value.type == 'N') {
    // No system window yet: the inclusive edges keep the size until Activate.
    const long long size = nodeValue(entry.value, context).integer();
    if (name == "nWidth") window->nRight = window->nLeft.integer() + size - 1;
    if (name == "nHeight") window->nBottom = window->nTop.integer() + size - 1;
    return true;
  }
  bool control = false;
  if (live && isGeometry(name) && entry.value.type == 'N' && shownDialog(self, control)) {
    return true;  // placed after the entries, from the record's numbers
  }
  if (name == "oFont" && entry.value.type == 'O' && !context.nested) {
    // A real font, also for a window not made yet (a control loaded into a dialog before its
    // Activate): the window's creation shows what it holds.
    const Value font = realFont(nodeValue(entry.value, context));
    if (font.isObject()) {
      window->SetFont(font);
      tell(font, msg::End);  // the window holds its own use now
    }
    return true;
  }
  if (!live || entry.value.type != 'O') return false;
  if (name == "oMenu") {
    const Value menu = nodeValue(entry.value, context);
    const Value old = window->oMenu;
    window->SetMenu(menu);
    reachWindow(menu, self, 0);
    if (old.isObject() && !old.sharesStorageWith(menu)) tell(old, msg::End);
    return true;
  }
  return false;
}

void windowFinish(const Value& self, const RecordNode& node, LoadContext& context) {
  TWindow* window = windowOf(self);
  if (!window || context.nested) return;
  if (window->hwnd()) {
    // Place and size once more after everything: a font loaded after the size changes what a
    // list box makes of its height.
    const Value width = entryNumber(node, "nWidth", context);
    const Value height = entryNumber(node, "nHeight", context);
    const bool placed =
        hasEntry(node, "nTop") || hasEntry(node, "nLeft") || !width.isNil() || !height.isNil();
    bool control = false;
    const HWND dialog = placed ? shownDialog(self, control) : nullptr;
    if (dialog) {
      // On a shown dialog the record's numbers are the definition's (above).
      Box numbers = definitionBox(self, dialog, control);
      const auto take = [&](std::string_view name, long long& field) {
        const Value number = entryNumber(node, name, context);
        if (!number.isNil()) field = number.integer();
      };
      take("nTop", numbers.top);
      take("nLeft", numbers.left);
      take("nWidth", numbers.width);
      take("nHeight", numbers.height);
      const Box box = pixelBox(numbers, window->hwnd(), dialog, control);
      window->Move(box.top, box.left, box.width, box.height);
    } else if (placed) {
      window->Move(window->nTop, window->nLeft, width, height);
    }
    if (hasEntry(node, "nClrText") || hasEntry(node, "nClrPane")) {
      window->SetColor(window->nClrText, window->nClrPane);
    }
  }
  if (isKindOf(self, {"TLISTBOX", "TCOMBOBOX", "TTREEVIEW"}) && hasEntry(node, "aItems")) {
    lanmere::send(self, "SetItems", {lanmere::send(self, "aItems")});
  }
}

void registerWindowLoader() {
  static const bool done = [] {
    addClassLoader({.className = "TWINDOW",
                    .entry = windowEntry,
                    .finish = windowFinish,
                    .extraNames = {std::string(kControlsEntry)},
                    .saved = savedGeometry});
    return true;
  }();
  (void)done;
}

// Raised as the framework's other file errors are (the report file's write error): a record
// made here, since the file goes in its `filename`, which the run-time's raise does not fill.
void raiseFileError(long long genCode, std::string_view operation, const std::string& file,
                    long long osCode) {
  const lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->severity = 2;
  error->subSystem = "BASE";
  error->setGenCode(genCode);
  switch (genCode) {
    case 20: error->subCode = kFormCreateSubCode; break;
    case 21: error->subCode = kFormOpenSubCode; break;
    case 23: error->subCode = kFormReadSubCode; break;
    default: error->subCode = kFormWriteSubCode; break;
  }
  error->operation = std::string(operation);
  error->filename = file;
  error->args = Value::list({Value(file)});
  error->osCode = osCode;
  error->setFlag(lanmere::kCanDefault, true);
  lanmere::launchError(error.get());
}

// The checked record of a form file; false after the error (a missing file is the caller's).
bool readFormFile(const std::string& file, std::string_view operation, std::string& bytes) {
  const long long handle = lanmere::fileOpen(file, 0);
  if (handle < 0) {
    raiseFileError(21, operation, file, lanmere::fileError());
    return false;
  }
  const long long size = lanmere::fileSeek(handle, 0, 2);
  if (size < 0 || lanmere::fileSeek(handle, 0, 0) != 0) {
    const int code = lanmere::fileError();
    lanmere::fileClose(handle);
    raiseFileError(23, operation, file, code);
    return false;
  }
  if (static_cast<std::size_t>(size) > kMaxFormFile) {
    lanmere::fileClose(handle);
    raiseRefusal({0, "Form file too large", kFormTooBigSubCode, 31}, operation);
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  const long long read = lanmere::fileRead(handle, bytes.data(), bytes.size());
  const int code = lanmere::fileError();
  lanmere::fileClose(handle);
  if (read != size) {
    raiseFileError(23, operation, file, code);
    return false;
  }
  const RecordReading reading = parseRecord(bytes);
  if (const auto* refusal = std::get_if<RecordRefusal>(&reading)) {
    raiseRefusal(*refusal, operation);
    return false;
  }
  if (std::get<RecordNode>(reading).type != 'O') {
    raiseRefusal({0, "Form file holds no object record"}, operation);
    return false;
  }
  return true;
}

// The object body of a checked record: past its letter, length and class name.
std::string_view recordBody(std::string_view record) {
  const std::size_t nameLength =
      static_cast<unsigned char>(record[3]) |
      (static_cast<std::size_t>(static_cast<unsigned char>(record[4])) << 8);
  return record.substr(5 + nameLength);
}

}  // namespace

Value TWindow::Save() {
  registerWindowLoader();
  std::vector<std::pair<std::string, Value>> extra;
  if (aControls.isList() && aControls.length() > 0) {
    Value controls = Value::list();
    for (const Value& control : controlsNow()) controls.listData()->items.push_back(control);
    extra.emplace_back(std::string(kControlsEntry), controls);
  }
  return saveObject(self(), SaveReference::Windowless, extra);
}

Value TWindow::Load(const Value& cData) {
  registerWindowLoader();
  if (!cData.isText()) return lanmere::argumentError(kRecordArgumentSubCode);
  return loadObject(self(), cData.text(), {.operation = "Load"});
}

Value TWindow::SaveFile(const Value& cFile) {
  std::string file;
  if (cFile.isText() && !cFile.text().empty()) {
    file = cFile.string();
  } else if (cVarName.isText() && cVarName.text().size() > 1) {
    file = cVarName.string().substr(1) + std::string(kFormExtension);
  } else {
    lanmere::raiseRuntimeError({.genCode = 1,
                                .subCode = kFormNameSubCode,
                                .description = "Form file has no name",
                                .operation = "SaveFile",
                                .args = lanmere::ErrorArgs::of({cFile}),
                                .flags = lanmere::kCanDefault});
    return false;
  }
  const std::string record = Save().string();
  if (record.empty()) return false;  // refused with its error; the old file stays
  // Written aside and renamed over the target, so a failure never leaves half a form.
  const std::string side = file + ".new";
  const long long handle = lanmere::fileCreate(side, 0);
  if (handle < 0) {
    raiseFileError(20, "SaveFile", file, lanmere::fileError());
    return false;
  }
  const long long written = lanmere::fileWrite(handle, record.data(), record.size());
  const int code = lanmere::fileError();
  lanmere::fileClose(handle);
  if (written != static_cast<long long>(record.size())) {
    lanmere::fileErase(side);
    raiseFileError(24, "SaveFile", file, code);
    return false;
  }
  if (!MoveFileExA(side.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const long long error = static_cast<long long>(GetLastError());
    lanmere::fileErase(side);
    raiseFileError(20, "SaveFile", file, error);
    return false;
  }
  return true;
}

Value TWindow::LoadFile(const Value& cFile) {
  registerWindowLoader();
  const std::string file = cFile.isText() ? cFile.string() : std::string();
  if (!lanmere::fileExists(file)) {
    showAlert("File not found: " + file);
    return false;
  }
  std::string bytes;
  if (!readFormFile(file, "LoadFile", bytes)) return false;
  // The class name is not checked against Self: the name filter makes a foreign record harmless.
  return loadObject(self(), recordBody(bytes), {.operation = "LoadFile"});
}

Value TWindow::ReadFile(const Value& cFile) {
  const std::string file = cFile.isText() ? cFile.string() : std::string();
  std::string bytes;
  if (!readFormFile(file, "ReadFile", bytes)) return {};
  return Value(bytes);
}

}  // namespace kestrel
