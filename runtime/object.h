// Classes and objects: every class has one reflection table (name, parents, data members in
// declaration order, class data, methods) through which messages sent by name reach the same
// C++ members that C++ callers use.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <source_location>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/value.h"

namespace lanmere {

class Object;
struct ClassInfo;

using MethodFn = Value (*)(Object& self, Args args);
using FallbackFn = Value (*)(Object& self, const Symbol* message, Args args);

struct DataSlot {
  const Symbol* name;
  Value Object::*field;
};

struct ClassDataSlot {
  const Symbol* name;
  std::shared_ptr<Value> value;  // shared with subclasses that do not redeclare it
};

struct MethodSlot {
  const Symbol* name;
  MethodFn method = nullptr;
  Value inlineMethod;  // a closure receiving the object first
};

// How a message resolves for one class.
struct Resolved {
  enum class Kind { Data, AssignData, ClassData, AssignClassData, Method, InlineMethod } kind;
  Value Object::*field = nullptr;
  Value* classValue = nullptr;
  MethodFn method = nullptr;
  const Value* inlineMethod = nullptr;
  const ClassInfo* owner = nullptr;
  const Symbol* name = nullptr;
};

struct ClassInfo {
  std::string name;  // upper case
  std::vector<const ClassInfo*> parents;
  std::vector<DataSlot> data;  // own members, in declaration order
  std::vector<ClassDataSlot> classData;
  std::vector<MethodSlot> methods;
  FallbackFn fallback = nullptr;  // answers messages the class does not define
  Ref<Object> (*create)() = nullptr;
  std::string_view module;  // the source file that declares the class
  int handle = 0;           // 1, 2, ... in registration order

  // Resolves a message once; later sends with the same symbol cost one hash look-up.
  const Resolved* resolve(const Symbol* message) const;
  bool derivesFrom(const ClassInfo& other) const;
  // Every data member, the parents' first, in declaration order.
  std::vector<DataSlot> allData() const;
  FallbackFn inheritedFallback() const;

 private:
  void build() const;
  mutable bool built_ = false;
  mutable std::unordered_map<const Symbol*, Resolved> table_;
};

class Object : public RefCounted {
 public:
  static const ClassInfo& Class();
  virtual const ClassInfo& classInfo() const { return Class(); }
  std::string ClassName() const { return classInfo().name; }
};

template <auto M>
Value methodThunk(Object& self, Args args);  // runtime/binding.h

// Fills a class's table; classes use it through LM_CLASS and LM_DEFINE_CLASS
// (runtime/binding.h), which name the class, its parent and each member once.
template <class T>
class ClassBuilder {
 public:
  explicit ClassBuilder(std::string_view name,
                        std::source_location where = std::source_location::current()) {
    info_->name = upper(name);
    info_->module = where.file_name();
  }
  ClassBuilder& parent(const ClassInfo& parent) {
    info_->parents.push_back(&parent);
    return *this;
  }
  // Data members, in declaration order: c.data(LM_FIELDS(nTop, nLeft)).
  ClassBuilder& data(std::initializer_list<std::pair<std::string_view, Value T::*>> fields) {
    for (const auto& [name, field] : fields) {
      info_->data.push_back({symbol(name), static_cast<Value Object::*>(field)});
    }
    return *this;
  }
  ClassBuilder& classData(std::string_view name, Value initial = {}) {
    info_->classData.push_back({symbol(name), std::make_shared<Value>(std::move(initial))});
    return *this;
  }
  // Methods answered by members of the same names: c.methods(LM_METHODS(Move, Paint)).
  ClassBuilder& methods(std::initializer_list<std::pair<std::string_view, MethodFn>> entries) {
    for (const auto& [name, fn] : entries) info_->methods.push_back({symbol(name), fn});
    return *this;
  }
  // A method whose message name differs from its member: c.method<&TFont::Equals>("==").
  template <auto M>
  ClassBuilder& method(std::string_view name) {
    info_->methods.push_back({symbol(name), &methodThunk<M>});
    return *this;
  }
  ClassBuilder& inlineMethod(std::string_view name, Value closure) {
    info_->methods.push_back({symbol(name), nullptr, std::move(closure)});
    return *this;
  }
  ClassBuilder& fallback(FallbackFn fn) {
    info_->fallback = fn;
    return *this;
  }
  ClassBuilder& creatable() {
    info_->create = []() -> Ref<Object> { return Ref<Object>(new T()); };
    return *this;
  }
  // Registers the class and returns its table, which lives as long as the process.
  const ClassInfo& build();

 private:
  std::unique_ptr<ClassInfo> info_ = std::make_unique<ClassInfo>();
};

const ClassInfo& registerClass(std::unique_ptr<ClassInfo> info);

template <class T>
const ClassInfo& ClassBuilder<T>::build() {
  return registerClass(std::move(info_));
}

// The class registered under handle n (1-based), or null.
const ClassInfo* classByHandle(int handle);
const ClassInfo* classByName(std::string_view name);
// A new instance of the named class, or nil when no creatable class has that name.
Value createObject(std::string_view className);

// Sends a message by name. A data member answers its value, "_member" assigns its argument and
// answers it, a method runs in a frame named "CLASS:METHOD". An object that does not understand
// the message raises "No exported method" (genCode 13) or, for an assignment, "No exported
// variable" (genCode 16), through the substitution protocol.
Value send(const Value& receiver, const Symbol* message, Args args = {},
           std::source_location where = std::source_location::current());
Value send(const Value& receiver, std::string_view message, std::initializer_list<Value> args = {},
           std::source_location where = std::source_location::current());
// Runs what a message resolved to for the receiver's class (`ClassInfo::resolve`), as `send` does
// after resolving: callers that resolve once per class and symbol use it on hot paths.
Value invoke(Object& receiver, const Resolved& resolved, Args args,
             std::source_location where = std::source_location::current());
bool understands(const Value& receiver, const Symbol* message);
bool understands(const Value& receiver, std::string_view message);
// The class name of any value, as CLASSNAME gives it ("ARRAY", "CHARACTER", ...).
std::string className(const Value& value);

}  // namespace lanmere
