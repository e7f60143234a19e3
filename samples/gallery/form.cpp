// The form child. Every control is made with its geometry first and bound afterwards by its
// variable name (cVarName), so a form rebuilt from its file is bound by the same code as a new
// one: the file keeps the controls and, in each control's Cargo, the value it showed.
#include "samples/gallery/form.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls/tbutton.h"
#include "framework/controls/tcombobox.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tget.h"
#include "framework/controls/tlistbox.h"
#include "framework/controls/tmultiget.h"
#include "framework/controls/tradio.h"
#include "framework/controls/tradmenu.h"
#include "framework/controls/tsay.h"
#include "framework/controls/tscrollbar.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tprinter.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/functions.h"
#include "runtime/get.h"
#include "samples/gallery/status.h"

namespace gallery {

using namespace kestrel;
using lanmere::Args, lanmere::Cell, lanmere::Ref, lanmere::Value;

namespace {

constexpr int kLabelCol = 10;
constexpr int kFieldCol = 110;
constexpr int kRightCol = 340;
constexpr int kPrintTextHeight = 10;  // points: the font scales itself to the printer
// The printout's place, in printer pixels (300 to the inch): its lines and the box around them.
constexpr int kPrintTop = 200, kPrintLeft = 200, kPrintRight = 1400, kPrintLine = 60;

Ref<Cell> cell(Value v) {
  return Ref<Cell>(new Cell(std::move(v)));
}

std::string text(const Value& v) {
  return lanmere::callFunction("CVALTOCHAR", {v}).string();
}

// The values of the open forms, by their window objects. The controls' closures own the values,
// so an entry expires with its form.
std::map<const void*, std::weak_ptr<FormValues>>& openForms() {
  static std::map<const void*, std::weak_ptr<FormValues>> forms;
  return forms;
}

struct Binding {
  const char* varName;
  Ref<Cell> FormValues::*value;
  const char* picture = nullptr;  // an edit field's; a form file keeps none
};

constexpr Binding kBindings[] = {
    {"name", &FormValues::name},
    {"amount", &FormValues::amount, "999,999.99"},
    {"due", &FormValues::due, "99/99/9999"},
    {"code", &FormValues::code, "@!"},
    {"quantity", &FormValues::quantity, "999"},
    {"notes", &FormValues::notes},
    {"colour", &FormValues::colour},
    {"country", &FormValues::country},
    {"size", &FormValues::size},
    {"level", &FormValues::level},
};

// A label's text, as the closure a label evaluates.
Value fixedText(const char* text) {
  return lanmere::block([text](Args) { return Value(text); });
}

void label(const Value& child, int row, const char* caption) {
  lanmere::construct<TSay>({.nRow = row + 3,
                            .nCol = kLabelCol,
                            .bText = fixedText(caption),
                            .oWnd = child,
                            .lPixel = true,
                            .nWidth = 95,
                            .nHeight = 18});
}

void named(const Value& control, const char* varName) {
  lanmere::send(control, "_cVarName", {Value(varName)});
}

// A labelled edit field bound to `value`, with its picture when it has one.
void field(const Value& child, int row, const char* caption, const Ref<Cell>& value, int width,
           const char* picture, const char* varName) {
  label(child, row, caption);
  named(lanmere::construct<TGet>({.nRow = row,
                                  .nCol = kFieldCol,
                                  .bSetGet = lanmere::setGet(value),
                                  .oWnd = child,
                                  .nWidth = width,
                                  .nHeight = 22,
                                  .cPicture = picture ? Value(picture) : Value(),
                                  .lPixel = true}),
        varName);
}

// The radio group of sizes. A form file keeps its buttons but not the group, which is made anew.
void sizeGroup(const Value& child, const Ref<Cell>& size) {
  named(lanmere::construct<TRadMenu>({.nRow = 35,
                                      .nCol = kRightCol,
                                      .acItems = Value::list({"&Small", "&Medium", "La&rge"}),
                                      .bSetGet = lanmere::setGet(size),
                                      .oWnd = child,
                                      .nWidth = 100,
                                      .nHeight = 20,
                                      .lPixel = true}),
        "size");
}

// The controls of a new form, unbound: their places, captions and items.
void layOut(const Value& child, const FormValues& v) {
  field(child, 10, "&Name (required)", v.name, 200, nullptr, "name");
  field(child, 40, "&Amount", v.amount, 120, "999,999.99", "amount");
  field(child, 70, "&Due date", v.due, 120, "99/99/9999", "due");
  field(child, 100, "&Code", v.code, 120, "@!", "code");
  label(child, 130, "&Quantity");
  named(lanmere::construct<TGet>({.nRow = 130,
                                  .nCol = kFieldCol,
                                  .bSetGet = lanmere::setGet(v.quantity),
                                  .oWnd = child,
                                  .nWidth = 80,
                                  .nHeight = 22,
                                  .cPicture = "999",
                                  .lPixel = true,
                                  .lSpinner = true,
                                  .bMin = lanmere::block([](Args) { return Value(0); }),
                                  .bMax = lanmere::block([](Args) { return Value(999); })}),
        "quantity");
  label(child, 160, "No&tes");
  named(lanmere::construct<TMultiGet>({.nRow = 160,
                                       .nCol = kFieldCol,
                                       .bSetGet = lanmere::setGet(v.notes),
                                       .oWnd = child,
                                       .nWidth = 200,
                                       .nHeight = 50,
                                       .lPixel = true}),
        "notes");
  label(child, 220, "Co&lour");
  named(lanmere::construct<TListBox>({.nRow = 220,
                                      .nCol = kFieldCol,
                                      .bSetGet = lanmere::setGet(v.colour),
                                      .aItems = Value::list({"Red", "Green", "Blue"}),
                                      .nWidth = 120,
                                      .nHeight = 60,
                                      .oWnd = child,
                                      .lPixel = true}),
        "colour");
  label(child, 290, "Co&untry");
  named(lanmere::construct<TComboBox>({.nRow = 290,
                                       .nCol = kFieldCol,
                                       .bSetGet = lanmere::setGet(v.country),
                                       .aItems = Value::list({"Norway", "Peru", "Japan", "Kenya"}),
                                       .nWidth = 120,
                                       .nHeight = 100,
                                       .oWnd = child,
                                       .lPixel = true}),
        "country");
  lanmere::construct<TSay>({.nRow = 13,
                            .nCol = kRightCol,
                            .bText = fixedText("Size"),
                            .oWnd = child,
                            .lPixel = true,
                            .nWidth = 80,
                            .nHeight = 18});
  sizeGroup(child, v.size);
  lanmere::construct<TSay>({.nRow = 103,
                            .nCol = kRightCol,
                            .bText = fixedText("Level"),
                            .oWnd = child,
                            .lPixel = true,
                            .nWidth = 80,
                            .nHeight = 18});
  named(lanmere::construct<TScrollBar>({.nRow = 125,
                                        .nCol = kRightCol,
                                        .nMin = 0,
                                        .nMax = 10,
                                        .nPgStep = 2,
                                        .lVertical = false,
                                        .oWnd = child,
                                        .nWidth = 120,
                                        .nHeight = 18,
                                        .lPixel = true}),
        "level");
  named(lanmere::construct<TButton>({.nRow = 330,
                                     .nCol = kFieldCol,
                                     .cCaption = "OK",
                                     .oWnd = child,
                                     .nWidth = 80,
                                     .nHeight = 26,
                                     .lPixel = true}),
        "ok");
  named(lanmere::construct<TButton>({.nRow = 330,
                                     .nCol = kFieldCol + 90,
                                     .cCaption = "Cancel",
                                     .oWnd = child,
                                     .nWidth = 80,
                                     .nHeight = 26,
                                     .lPixel = true,
                                     .lCancel = true}),
        "cancel");
}

Value controlNamed(const Value& child, const std::string& varName) {
  const Value controls = lanmere::send(child, "aControls");
  for (const Value& control : controls.items()) {
    const Value name = lanmere::send(control, "cVarName");
    if (name.isText() && name.string() == varName) return control;
  }
  return {};
}

// The closures of every control: values, validation, change notices and the buttons.
void bindControls(const Value& child, const std::shared_ptr<FormValues>& values, bool rebuilt) {
  // The closures hold the values: they live as long as the controls.
  const Value changed = lanmere::block([values](Args) {
    showStatus(values->describe());
    return Value();
  });
  const Value controls = lanmere::send(child, "aControls");
  for (const Value& control : controls.items()) {
    const Value name = lanmere::send(control, "cVarName");
    if (!name.isText()) continue;
    const std::string key = name.string();
    if (key == "ok") {
      lanmere::send(control, "_bAction", {lanmere::block([child, values](Args) {
                      // The required field's bValid answers; a refusal keeps the focus there.
                      const Value field = controlNamed(child, "name");
                      if (!lanmere::send(field, "lValid").logical()) {
                        lanmere::send(field, "SetFocus");
                        showStatus("Refused: the name is required");
                        return Value();
                      }
                      showStatus("Accepted: " + values->describe());
                      return Value();
                    })});
    } else if (key == "cancel") {
      lanmere::send(control, "_bAction",
                    {lanmere::block([child](Args) { return lanmere::send(child, "End"); })});
    } else if (key == "level") {
      const Ref<Cell> level = values->level;
      if (rebuilt) lanmere::send(control, "SetRange", {Value(0), Value(10)});
      lanmere::send(control, "SetPos", {level->value});
      lanmere::send(control, "_bPos", {lanmere::block([level, values](Args a) {
                      level->value = lanmere::arg(a, 1);
                      showStatus(values->describe());
                      return Value();
                    })});
    }
    for (const Binding& b : kBindings) {
      if (key != b.varName || key == "level") continue;
      const Value setGet = lanmere::setGet((*values).*b.value);
      lanmere::send(control, "_bSetGet", {setGet});
      if (rebuilt) {
        // A control made from a file knows its place and items, not its value: an edit field
        // gets a new edit buffer over the value, the lists select it.
        if (b.picture || key == "name") {
          const Value picture = b.picture ? Value(b.picture) : Value();
          lanmere::send(control, "_cPicture", {picture});
          lanmere::send(control, "_oGet",
                        {lanmere::KSGETNEW(Value(20), Value(20), setGet, Value(key), picture)});
        } else if (key == "colour" || key == "country") {
          lanmere::send(control, "Set", {((*values).*b.value)->value});
        }
      }
      lanmere::send(control, "_bChange", {changed});
      if (key == "name") {
        const Ref<Cell> name = values->name;
        lanmere::send(control, "_bValid", {lanmere::block([name](Args) {
                        const bool given = !lanmere::trimRight(name->value.string()).empty();
                        if (!given) showStatus("Refused: the name is required");
                        return Value(given);
                      })});
      }
      lanmere::send(control, "Refresh");
    }
  }
}

}  // namespace

FormValues::FormValues()
    : name(cell(Value(std::string(20, ' ')))),
      amount(cell(Value(0))),
      due(cell(Value("  /  /    "))),
      code(cell(Value("      "))),
      quantity(cell(Value(1))),
      notes(cell(Value(""))),
      colour(cell(Value("Green"))),
      country(cell(Value("Peru"))),
      size(cell(Value(2))),
      level(cell(Value(5))) {}

std::string FormValues::describe() const {
  return "Name: " + std::string(lanmere::trimRight(name->value.string())) +
         "; Amount: " + text(amount->value) + "; Due: " + due->value.string() +
         "; Code: " + std::string(lanmere::trimRight(code->value.string())) +
         "; Quantity: " + text(quantity->value) + "; Colour: " + text(colour->value) +
         "; Country: " + text(country->value) + "; Size: " + text(size->value) +
         "; Level: " + text(level->value);
}

Value FormValues::asList() const {
  Value list = Value::list();
  for (const Binding& b : kBindings) list.listData()->items.push_back(((*this).*b.value)->value);
  return list;
}

void FormValues::assign(const Value& list) {
  std::size_t i = 1;
  for (const Binding& b : kBindings) {
    if (list.isList() && i <= list.length()) ((*this).*b.value)->value = list.item(i);
    ++i;
  }
}

Value newForm(const Value& frame, const FormValues& start) {
  const Value child = lanmere::construct<TMdiChild>({.nTop = 0,
                                                     .nLeft = 0,
                                                     .nBottom = 400,
                                                     .nRight = 480,
                                                     .cTitle = "Form",
                                                     .oWnd = frame,
                                                     .lPixel = true});
  auto values = std::make_shared<FormValues>();
  values->assign(start.asList());
  layOut(child, *values);
  bindControls(child, values, false);
  openForms()[child.identity()] = values;
  return child;
}

std::optional<FormValues> formValuesOf(const Value& child) {
  const auto found = openForms().find(child.identity());
  if (found == openForms().end()) return std::nullopt;
  const auto values = found->second.lock();
  if (!values) {  // the form has closed: its controls held the values
    openForms().erase(found);
    return std::nullopt;
  }
  // The scroll bar keeps its own position.
  values->level->value = lanmere::send(controlNamed(child, "level"), "GetPos");
  return *values;
}

bool saveForm(const Value& child, const std::string& file) {
  const auto values = formValuesOf(child);
  if (!values) return false;
  lanmere::send(child, "_Cargo", {values->asList()});
  return lanmere::send(child, "SaveFile", {Value(file)}).logical();
}

Value openForm(const Value& frame, const std::string& file) {
  // The record is checked whole before anything is made from it.
  if (!lanmere::send(frame, "ReadFile", {Value(file)}).isText()) return {};
  const Value child = lanmere::construct<TMdiChild>({.nTop = 0,
                                                     .nLeft = 0,
                                                     .nBottom = 400,
                                                     .nRight = 480,
                                                     .cTitle = "Form",
                                                     .oWnd = frame,
                                                     .lPixel = true});
  if (!lanmere::send(child, "LoadFile", {Value(file)}).logical()) {
    lanmere::send(child, "End");
    return {};
  }
  auto values = std::make_shared<FormValues>();
  values->assign(lanmere::send(child, "Cargo"));
  std::vector<Value> radios;
  const Value controls = lanmere::send(child, "aControls");
  for (const Value& control : controls.items()) {
    if (control.isObject() && dynamic_cast<TRadio*>(control.object())) radios.push_back(control);
  }
  for (const Value& radio : radios) lanmere::send(radio, "End");
  sizeGroup(child, values->size);
  bindControls(child, values, true);
  openForms()[child.identity()] = values;
  return child;
}

void printForm(const Value& child) {
  const auto values = formValuesOf(child);
  const std::string described = values ? values->describe() : std::string("No form is open");
  lanmere::callFunction(
      "MSGRUN",
      {Value("Printing the form..."), Value("Kestrel gallery"), lanmere::block([described](Args) {
         const Value printer = lanmere::construct<TPrinter>({.cDocument = "Kestrel gallery form"});
         if (lanmere::send(printer, "hDC").integer() == 0) return Value(false);
         // A face of the printer's own: the device's default font may have no glyphs to print.
         const Value font = lanmere::construct<TFont>(
             {.cFaceName = "Arial", .nHeight = -kPrintTextHeight, .oDevice = printer});
         std::vector<std::string> lines{"Kestrel gallery form"};
         for (std::size_t at = 0; at != std::string::npos;) {
           const std::size_t cut = described.find("; ", at);
           lines.push_back(described.substr(at, cut == std::string::npos ? cut : cut - at));
           at = cut == std::string::npos ? cut : cut + 2;
         }
         lanmere::send(printer, "StartPage");
         // The box first: it is filled, and the lines go on top of it.
         const int bottom = kPrintTop + static_cast<int>(lines.size()) * kPrintLine + 50;
         lanmere::send(
             printer, "Box",
             {Value(kPrintTop - 50), Value(kPrintLeft - 50), Value(bottom), Value(kPrintRight)});
         int row = kPrintTop;
         for (const std::string& line : lines) {
           lanmere::send(printer, "Say", {Value(row), Value(kPrintLeft), Value(line), font});
           row += kPrintLine;
         }
         lanmere::send(printer, "EndPage");
         lanmere::send(printer, "End");
         lanmere::send(font, "End");
         return Value(true);
       })});
}

}  // namespace gallery
