#include "runtime/value.h"

#include <cmath>
#include <cstring>

#include "runtime/closure.h"
#include "runtime/object.h"

namespace lanmere {

Value::Value(std::string_view text) : type_(Type::Text) {
  auto* data = new TextData;
  data->bytes.assign(text.data(), text.size());
  data->retain();
  u_.ref = data;
}

Value::Value(Bytes&& text) : type_(Type::Text) {
  auto* data = new TextData;
  data->bytes = std::move(text);
  data->retain();
  u_.ref = data;
}

Value::Value(Ref<Closure> closure) noexcept : Value(Type::Closure, closure.get()) {}
Value::Value(Ref<Object> object) noexcept : Value(Type::Object, object.get()) {}

Value Value::date(std::int32_t julian) noexcept {
  Value v;
  v.type_ = Type::Date;
  v.u_.time = {julian, 0};
  return v;
}

Value Value::timestamp(std::int32_t julian, std::int32_t millisecond) noexcept {
  Value v;
  v.type_ = Type::Timestamp;
  v.u_.time = {julian, millisecond};
  return v;
}

Value Value::pointer(void* p) noexcept {
  Value v;
  v.type_ = Type::Pointer;
  v.u_.pointer = p;
  return v;
}

Value Value::list(std::initializer_list<Value> items) {
  auto data = make<ListData>();
  data->items.assign(items.begin(), items.end());
  return Value(data);
}

Value Value::hash() { return Value(make<HashData>()); }

long long Value::integer() const noexcept {
  if (type_ == Type::Integer) return u_.integer;
  if (type_ == Type::Float) {
    const double d = u_.floating;
    if (!std::isfinite(d)) return 0;
    if (d >= 9.2e18) return INT64_MAX;
    if (d <= -9.2e18) return INT64_MIN;
    return static_cast<long long>(d);
  }
  return 0;
}

double Value::number() const noexcept {
  if (type_ == Type::Integer) return static_cast<double>(u_.integer);
  if (type_ == Type::Float) return u_.floating;
  return 0;
}

std::string_view Value::text() const& noexcept {
  if (type_ != Type::Text) return {};
  const Bytes& bytes = static_cast<TextData*>(u_.ref)->bytes;
  return {bytes.data(), bytes.size()};
}

std::size_t Value::length() const noexcept {
  switch (type_) {
    case Type::Text: return static_cast<TextData*>(u_.ref)->bytes.size();
    case Type::List: return static_cast<ListData*>(u_.ref)->items.size();
    case Type::Hash: return static_cast<HashData*>(u_.ref)->entries.size();
    default: return 0;
  }
}

Bytes& Value::mutableText() & {
  if (type_ != Type::Text) *this = Value(std::string_view());
  auto* data = static_cast<TextData*>(u_.ref);
  if (data->refs() > 1) {
    auto* copy = new TextData;
    copy->bytes = data->bytes;
    copy->retain();
    data->release();
    u_.ref = copy;
    data = copy;
  }
  return data->bytes;
}

void Value::append(std::string_view bytes) { mutableText().append(bytes.data(), bytes.size()); }

Closure* Value::closure() const& noexcept {
  return type_ == Type::Closure ? static_cast<Closure*>(u_.ref) : nullptr;
}

Object* Value::object() const& noexcept {
  return type_ == Type::Object ? static_cast<Object*>(u_.ref) : nullptr;
}

const Value& Value::item(std::size_t position) const& noexcept {
  if (type_ != Type::List) return nil;
  auto& items = static_cast<ListData*>(u_.ref)->items;
  return position >= 1 && position <= items.size() ? items[position - 1] : nil;
}

std::span<Value> Value::items() const& noexcept {
  if (type_ != Type::List) return {};
  auto& items = static_cast<ListData*>(u_.ref)->items;
  return {items.data(), items.size()};
}

namespace {

// While a list or hash is released, the lists and hashes it held wait in the outermost release's
// work list and are released one after another by its loop, never inside each other.
std::vector<Value>* pendingReleases = nullptr;

void defer(Value& value, std::vector<Value>& work) noexcept {
  if (!value.isList() && !value.isHash()) return;
  try {
    work.push_back(std::move(value));
  } catch (...) {
    // No room to defer it: it is released in place, the one case that nests.
  }
}

template <class Defer>
void releaseIteratively(Defer deferContents) noexcept {
  if (pendingReleases) {
    deferContents(*pendingReleases);
    return;
  }
  std::vector<Value> work;
  pendingReleases = &work;
  deferContents(work);
  while (!work.empty()) {
    Value last = std::move(work.back());
    work.pop_back();
  }  // `last` goes here; what it held joins `work`
  pendingReleases = nullptr;
}

}  // namespace

ListData::~ListData() {
  releaseIteratively([this](std::vector<Value>& work) {
    for (Value& item : items) defer(item, work);
  });
}

HashData::~HashData() {
  releaseIteratively([this](std::vector<Value>& work) {
    for (auto& [key, value] : entries) {
      defer(key, work);
      defer(value, work);
    }
  });
}

Value* HashData::find(const Value& key) {
  for (auto& [k, v] : entries) {
    if (exactlyEqual(k, key)) return &v;
  }
  return nullptr;
}

bool isEmpty(const Value& value) noexcept {
  switch (value.type()) {
    case Type::Nil: return true;
    case Type::Logical: return !value.logical();
    case Type::Integer:
    case Type::Float: return value.number() == 0;
    case Type::Date: return value.julian() == 0;
    case Type::Timestamp: return value.julian() == 0 && value.millisecond() == 0;
    case Type::Text:
    case Type::List:
    case Type::Hash: return value.length() == 0;
    case Type::Pointer: return value.pointer() == nullptr;
    case Type::Closure:
    case Type::Object:
    case Type::Symbol: return false;
  }
  return false;
}

bool exactlyEqual(const Value& a, const Value& b) noexcept {
  if (a.isNumber() && b.isNumber()) {
    if (a.isInteger() && b.isInteger()) return a.integer() == b.integer();
    return a.number() == b.number();
  }
  if (a.type() != b.type()) return false;
  switch (a.type()) {
    case Type::Nil: return true;
    case Type::Logical: return a.logical() == b.logical();
    case Type::Date:
    case Type::Timestamp: return a.julian() == b.julian() && a.millisecond() == b.millisecond();
    case Type::Text: return a.text() == b.text();
    case Type::Pointer: return a.pointer() == b.pointer();
    case Type::Symbol: return a.symbol() == b.symbol();
    default: return a.identity() == b.identity();
  }
}

char typeLetter(const Value& value) noexcept {
  switch (value.type()) {
    case Type::Nil: return 'U';
    case Type::Logical: return 'L';
    case Type::Integer:
    case Type::Float: return 'N';
    case Type::Date: return 'D';
    case Type::Timestamp: return 'T';
    case Type::Text: return 'C';
    case Type::List: return 'A';
    case Type::Hash: return 'H';
    case Type::Closure: return 'B';
    case Type::Object: return 'O';
    case Type::Pointer: return 'P';
    case Type::Symbol: return 'S';
  }
  return 'U';
}

}  // namespace lanmere
