// Closures: callables that capture variables by shared cell, and the setter-getter closure that
// controls use to read and write a program value.
#pragma once

#include <functional>
#include <source_location>
#include <string>

#include "runtime/value.h"

namespace lanmere {

// A variable that closures share (captured by reference).
struct Cell : RefCounted {
  explicit Cell(Value initial = {}) : value(std::move(initial)) {}
  Value value;
};

class Closure : public RefCounted {
 public:
  using Body = std::function<Value(Args)>;
  // `procedure` names the frame the evaluation pushes, as the error report prints it
  // (for example "(b)MAIN"); `where` is the place the closure was written.
  Closure(Body body, std::string procedure,
          std::source_location where = std::source_location::current());

  Value eval(Args args);
  const std::string& procedure() const { return procedure_; }

 private:
  Body body_;
  std::string procedure_;
  std::string_view module_;  // relative to the repository root, measured once
  int line_;
};

// Builds a closure value from a C++ callable taking the argument list.
Value block(Closure::Body body, std::string procedure = "(b)",
            std::source_location where = std::source_location::current());

// Evaluates a closure with arguments; a non-closure evaluates to nil.
Value eval(const Value& closure, std::initializer_list<Value> args = {});
Value evalArgs(const Value& closure, Args args);

// The setter-getter closure over a cell: no argument returns the value, an argument stores it.
Value setGet(Ref<Cell> cell);

}  // namespace lanmere
