// Values a test hands to the run-time: closures that answer, count or hold a program variable, and
// the object behind a value as its C++ class. Portable: both builds use them.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "runtime/closure.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace kestrel::test {

// A closure whose frame the call stack names "(b)TEST".
inline lanmere::Value closure(std::function<lanmere::Value(lanmere::Args)> body) {
  return lanmere::block(std::move(body), "(b)TEST");
}

// A closure that answers `answer` whatever it is given.
inline lanmere::Value fixed(lanmere::Value answer) {
  return closure([answer](lanmere::Args) { return answer; });
}

// A closure that counts its evaluations in `count` and answers `answer`.
inline lanmere::Value counter(int& count, lanmere::Value answer = {}) {
  return closure([&count, answer](lanmere::Args) {
    ++count;
    return answer;
  });
}

// A program variable as the controls reach one: a shared cell behind the run-time's own
// setter-getter closure. *var is the value the program sees.
struct Var {
  explicit Var(lanmere::Value initial = {}) : cell(new lanmere::Cell(std::move(initial))) {}
  lanmere::Value block() const { return lanmere::setGet(cell); }
  lanmere::Value& operator*() const { return cell->value; }

  lanmere::Ref<lanmere::Cell> cell;
};

// The object a value holds, as class T. A value of another class (or none) throws, so a test
// that reaches the wrong object fails where it looks instead of reading stray memory.
template <class T>
T& as(const lanmere::Value& value) {
  auto* object = dynamic_cast<T*>(value.object());
  if (!object) throw std::logic_error(std::string("the value holds no ") + typeid(T).name());
  return *object;
}

// The items of a list as texts ("<not text>" for an item of another type) and as whole numbers.
inline std::vector<std::string> textsOf(const lanmere::Value& list) {
  std::vector<std::string> texts;
  for (const lanmere::Value& item : list.items()) {
    texts.push_back(item.isText() ? item.string() : "<not text>");
  }
  return texts;
}
inline std::vector<long long> integersOf(const lanmere::Value& list) {
  std::vector<long long> numbers;
  for (const lanmere::Value& item : list.items()) numbers.push_back(item.integer());
  return numbers;
}

// Equal as a program compares a stored value: numbers by value (1 and 1.0 alike), the rest
// exactly.
inline bool sameValue(const lanmere::Value& a, const lanmere::Value& b) {
  if (a.isNumber() && b.isNumber()) return a.number() == b.number();
  return lanmere::exactlyEqual(a, b);
}

}  // namespace kestrel::test
