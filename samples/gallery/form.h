// The gallery's form child: one control of each kind, bound to the program's values, with a
// required field that OK checks; saved to a form file and rebuilt from one; printed.
#pragma once

#include <optional>
#include <string>

#include "runtime/closure.h"
#include "runtime/value.h"

namespace gallery {

// The program's values a form edits: each control reads and writes one cell.
struct FormValues {
  lanmere::Ref<lanmere::Cell> name, amount, due, code, quantity, notes, colour, country, size,
      level;
  FormValues();
  // "Name: Ada; Amount: 1,234.50; ...", as the message bar and the printout show the values.
  std::string describe() const;
  // The values in their order, and back (a list of ten).
  lanmere::Value asList() const;
  void assign(const lanmere::Value& list);
};

// A new form child in `frame` showing `values`; the message bar shows every change.
lanmere::Value newForm(const lanmere::Value& frame, const FormValues& values);

// The values the form child's controls show now; none when `child` is no form child.
std::optional<FormValues> formValuesOf(const lanmere::Value& child);

// Saves the form child's controls and values into `file`; true when written.
bool saveForm(const lanmere::Value& child, const std::string& file);
// A new form child rebuilt from `file`, values and all; nil when the file was refused.
lanmere::Value openForm(const lanmere::Value& frame, const std::string& file);

// Prints the form's values and a box on the default printer, under a wait message.
void printForm(const lanmere::Value& child);

}  // namespace gallery
