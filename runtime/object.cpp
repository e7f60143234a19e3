#include "runtime/object.h"

#include <algorithm>

#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace lanmere {

namespace {
std::vector<std::unique_ptr<ClassInfo>>& registry() {
  static std::vector<std::unique_ptr<ClassInfo>> classes;
  return classes;
}
}  // namespace

const ClassInfo& registerClass(std::unique_ptr<ClassInfo> info) {
  auto& classes = registry();
  info->handle = static_cast<int>(classes.size()) + 1;
  classes.push_back(std::move(info));
  return *classes.back();
}

const ClassInfo* classByHandle(int handle) {
  auto& classes = registry();
  return handle >= 1 && handle <= static_cast<int>(classes.size()) ? classes[handle - 1].get()
                                                                   : nullptr;
}

const ClassInfo* classByName(std::string_view name) {
  const std::string key = upper(name);
  for (auto& info : registry()) {
    if (info->name == key) return info.get();
  }
  return nullptr;
}

Value createObject(std::string_view className) {
  const ClassInfo* info = classByName(className);
  if (!info || !info->create) return {};
  return Value(info->create());
}

const ClassInfo& Object::Class() {
  static const ClassInfo& info = ClassBuilder<Object>("OBJECT").build();
  return info;
}

bool ClassInfo::derivesFrom(const ClassInfo& other) const {
  if (this == &other) return true;
  return std::any_of(parents.begin(), parents.end(),
                     [&](const ClassInfo* p) { return p->derivesFrom(other); });
}

std::vector<DataSlot> ClassInfo::allData() const {
  std::vector<DataSlot> result;
  for (const ClassInfo* parent : parents) {
    for (const DataSlot& slot : parent->allData()) {
      const bool seen = std::any_of(result.begin(), result.end(),
                                    [&](const DataSlot& s) { return s.name == slot.name; });
      if (!seen) result.push_back(slot);
    }
  }
  for (const DataSlot& slot : data) {
    auto same = std::find_if(result.begin(), result.end(),
                             [&](const DataSlot& s) { return s.name == slot.name; });
    if (same == result.end()) {
      result.push_back(slot);
    } else {
      *same = slot;
    }
  }
  return result;
}

FallbackFn ClassInfo::inheritedFallback() const {
  if (fallback) return fallback;
  for (const ClassInfo* parent : parents) {
    if (FallbackFn fn = parent->inheritedFallback()) return fn;
  }
  return nullptr;
}

void ClassInfo::build() const {
  // Parents first, so the class's own declarations override what it inherits.
  for (const ClassInfo* parent : parents) {
    parent->resolve(nullptr);
    for (const auto& [name, resolved] : parent->table_) table_[name] = resolved;
  }
  for (const DataSlot& slot : data) {
    table_[slot.name] = {
        Resolved::Kind::Data, slot.field, nullptr, nullptr, nullptr, this, slot.name};
    table_[symbol("_" + slot.name->name)] = {
        Resolved::Kind::AssignData, slot.field, nullptr, nullptr, nullptr, this, slot.name};
  }
  for (const ClassDataSlot& slot : classData) {
    table_[slot.name] = {
        Resolved::Kind::ClassData, nullptr, slot.value.get(), nullptr, nullptr, this, slot.name};
    table_[symbol("_" + slot.name->name)] = {Resolved::Kind::AssignClassData,
                                             nullptr,
                                             slot.value.get(),
                                             nullptr,
                                             nullptr,
                                             this,
                                             slot.name};
  }
  for (const MethodSlot& slot : methods) {
    if (slot.method) {
      table_[slot.name] = {
          Resolved::Kind::Method, nullptr, nullptr, slot.method, nullptr, this, slot.name};
    } else {
      table_[slot.name] = {Resolved::Kind::InlineMethod, nullptr, nullptr,  nullptr,
                           &slot.inlineMethod,           this,    slot.name};
    }
  }
  built_ = true;
}

const Resolved* ClassInfo::resolve(const Symbol* message) const {
  if (!built_) build();
  if (!message) return nullptr;
  auto found = table_.find(message);
  return found == table_.end() ? nullptr : &found->second;
}

Value invoke(Object& object, const Resolved& resolved, Args args, std::source_location where) {
  switch (resolved.kind) {
    case Resolved::Kind::Data:
      return object.*resolved.field;
    case Resolved::Kind::AssignData:
      return object.*resolved.field = args.empty() ? Value() : args[0];
    case Resolved::Kind::ClassData:
      return *resolved.classValue;
    case Resolved::Kind::AssignClassData:
      return *resolved.classValue = args.empty() ? Value() : args[0];
    case Resolved::Kind::Method: {
      Ref<Object> keep(&object);
      Frame frame(resolved.owner->name, resolved.name->name, args, resolved.owner->module,
                  static_cast<int>(where.line()));
      return resolved.method(object, args);
    }
    case Resolved::Kind::InlineMethod: {
      Ref<Object> keep(&object);
      std::vector<Value> withSelf;
      withSelf.reserve(args.size() + 1);
      withSelf.push_back(Value(keep));
      withSelf.insert(withSelf.end(), args.begin(), args.end());
      Frame frame(resolved.owner->name, resolved.name->name, args, resolved.owner->module,
                  static_cast<int>(where.line()));
      return evalArgs(*resolved.inlineMethod, withSelf);
    }
  }
  return {};
}

Value send(const Value& receiver, const Symbol* message, Args args, std::source_location where) {
  atLine(where);
  Object* object = receiver.object();
  const ClassInfo* info = object ? &object->classInfo() : nullptr;
  const Resolved* resolved = info ? info->resolve(message) : nullptr;
  if (resolved) return invoke(*object, *resolved, args, where);
  if (info) {
    if (FallbackFn fallback = info->inheritedFallback()) {
      Ref<Object> keep(object);
      return fallback(*object, message, args);
    }
  }
  const bool assigns = !message->name.empty() && message->name[0] == '_';
  std::string_view operation(message->name);
  if (assigns) operation.remove_prefix(1);
  return raiseRuntimeErrorSubstitute({.genCode = assigns ? 16 : 13,
                                      .subCode = assigns ? 1005 : 1004,
                                      .operation = operation,
                                      .args = ErrorArgs::of({receiver})});
}

Value send(const Value& receiver, std::string_view message, std::initializer_list<Value> args,
           std::source_location where) {
  std::vector<Value> list(args);
  return send(receiver, symbol(message), Args(list), where);
}

bool understands(const Value& receiver, const Symbol* message) {
  Object* object = receiver.object();
  return object && object->classInfo().resolve(message) != nullptr;
}

bool understands(const Value& receiver, std::string_view message) {
  return understands(receiver, symbol(message));
}

std::string className(const Value& value) {
  switch (value.type()) {
    case Type::Nil:
      return "NIL";
    case Type::Logical:
      return "LOGICAL";
    case Type::Integer:
    case Type::Float:
      return "NUMERIC";
    case Type::Date:
      return "DATE";
    case Type::Timestamp:
      return "TIMESTAMP";
    case Type::Text:
      return "CHARACTER";
    case Type::List:
      return "ARRAY";
    case Type::Hash:
      return "HASH";
    case Type::Closure:
      return "BLOCK";
    case Type::Object:
      return value.object()->ClassName();
    case Type::Pointer:
      return "POINTER";
    case Type::Symbol:
      return "SYMBOL";
  }
  return "";
}

}  // namespace lanmere
