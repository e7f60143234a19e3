// The one dynamic value type of the run-time: nil, logical, number (integer or floating with its
// decimals), date, timestamp, text, list, hash, closure, object, pointer and symbol.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/memory.h"
#include "runtime/symbol.h"

namespace lanmere {

// Base of every shared run-time allocation. The run-time is single-threaded: the count is a
// plain integer.
class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;
  virtual ~RefCounted() = default;

  void retain() const noexcept { ++refs_; }
  void release() const noexcept {
    if (--refs_ == 0) delete this;
  }
  long refs() const noexcept { return refs_; }

  static void* operator new(std::size_t bytes) { return countedAllocate(bytes); }
  static void operator delete(void* block, std::size_t bytes) noexcept {
    countedFree(block, bytes);
  }

 private:
  mutable long refs_ = 0;
};

// Intrusive shared pointer to a RefCounted.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(T* p) noexcept : p_(p) {  // NOLINT: implicit by design, like a shared pointer
    if (p_) p_->retain();
  }
  Ref(const Ref& other) noexcept : Ref(other.p_) {}
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) noexcept : Ref(other.get()) {}
  ~Ref() {
    if (p_) p_->release();
  }
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... A>
Ref<T> make(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

enum class Type : std::uint8_t {
  Nil,
  Logical,
  Integer,
  Float,
  Date,
  Timestamp,
  Text,
  List,
  Hash,
  Closure,
  Object,
  Pointer,
  Symbol,
};

using Bytes = std::basic_string<char, std::char_traits<char>, CountingAllocator<char>>;

class Value;
class Closure;
class Object;
using Args = std::span<Value>;

struct TextData : RefCounted {
  Bytes bytes;
};

struct ListData;
struct HashData;

class Value {
 public:
  Value() noexcept {}
  Value(bool logical) noexcept : type_(Type::Logical) { u_.logical = logical; }
  Value(int number) noexcept : Value(static_cast<long long>(number)) {}
  Value(long number) noexcept : Value(static_cast<long long>(number)) {}
  Value(unsigned number) noexcept : Value(static_cast<long long>(number)) {}
  Value(long long number) noexcept : type_(Type::Integer) { u_.integer = number; }
  // A floating value carries the decimals that STR shows; a computed value gets 2.
  Value(double number, int decimals = 2) noexcept : type_(Type::Float) {
    u_.floating = number;
    decimals_ = static_cast<std::uint8_t>(decimals < 0 ? 0 : decimals > 99 ? 99 : decimals);
  }
  Value(const char* text) : Value(std::string_view(text)) {}
  Value(std::string_view text);
  Value(const std::string& text) : Value(std::string_view(text)) {}
  Value(Bytes&& text);
  Value(const Ref<ListData>& list) noexcept;
  Value(const Ref<HashData>& hash) noexcept;
  Value(Ref<Closure> closure) noexcept;
  Value(Ref<Object> object) noexcept;
  // References to subclasses. The exact classes are left out first, so the constraint never asks
  // about a class that is still incomplete here (clang checks it where g++ does not).
  template <class T>
  requires(!std::is_same_v<T, Object> && !std::is_same_v<T, Closure> &&
           std::is_base_of_v<Object, T>) Value(const Ref<T>& object)
  noexcept : Value(Ref<Object>(object)) {}
  template <class T>
  requires(!std::is_same_v<T, Object> && !std::is_same_v<T, Closure> &&
           std::is_base_of_v<Closure, T>) Value(const Ref<T>& closure)
  noexcept : Value(Ref<Closure>(closure)) {}
  Value(const Symbol* sym) noexcept : type_(Type::Symbol) { u_.symbol = sym; }

  static Value date(std::int32_t julian) noexcept;  // 0 is the blank date
  static Value timestamp(std::int32_t julian, std::int32_t millisecond) noexcept;
  static Value pointer(void* p) noexcept;
  static Value list(std::initializer_list<Value> items = {});
  static Value hash();

  Value(const Value& other) noexcept
      : type_(other.type_), decimals_(other.decimals_), u_(other.u_) {
    if (holdsRef()) u_.ref->retain();
  }
  Value(Value&& other) noexcept : type_(other.type_), decimals_(other.decimals_), u_(other.u_) {
    other.type_ = Type::Nil;
  }
  Value& operator=(const Value& other) noexcept {
    Value copy(other);
    swap(copy);
    return *this;
  }
  Value& operator=(Value&& other) noexcept {
    Value moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~Value() {
    if (holdsRef()) u_.ref->release();
  }
  void swap(Value& other) noexcept {
    std::swap(type_, other.type_);
    std::swap(decimals_, other.decimals_);
    std::swap(u_, other.u_);
  }

  Type type() const noexcept { return type_; }
  bool isNil() const noexcept { return type_ == Type::Nil; }
  bool isLogical() const noexcept { return type_ == Type::Logical; }
  bool isNumber() const noexcept { return type_ == Type::Integer || type_ == Type::Float; }
  bool isInteger() const noexcept { return type_ == Type::Integer; }
  bool isFloat() const noexcept { return type_ == Type::Float; }
  bool isDate() const noexcept { return type_ == Type::Date; }
  bool isTimestamp() const noexcept { return type_ == Type::Timestamp; }
  bool isText() const noexcept { return type_ == Type::Text; }
  bool isList() const noexcept { return type_ == Type::List; }
  bool isHash() const noexcept { return type_ == Type::Hash; }
  bool isClosure() const noexcept { return type_ == Type::Closure; }
  bool isObject() const noexcept { return type_ == Type::Object; }
  bool isPointer() const noexcept { return type_ == Type::Pointer; }
  bool isSymbol() const noexcept { return type_ == Type::Symbol; }

  bool logical() const noexcept { return type_ == Type::Logical && u_.logical; }
  // Numbers convert between their two kinds; any other value reads as 0.
  long long integer() const noexcept;
  double number() const noexcept;
  int decimals() const noexcept { return type_ == Type::Float ? decimals_ : 0; }
  std::int32_t julian() const noexcept { return isDate() || isTimestamp() ? u_.time.julian : 0; }
  std::int32_t millisecond() const noexcept { return isTimestamp() ? u_.time.millisecond : 0; }
  void* pointer() const noexcept { return isPointer() ? u_.pointer : nullptr; }
  const Symbol* symbol() const noexcept { return isSymbol() ? u_.symbol : nullptr; }

  // The accessors below hand out a view into the storage this value holds. On a temporary the
  // view outlives its storage once the full expression ends (`for (v : f().items())` reads a
  // freed list), so they refuse a temporary: name the value first, or copy with string().
  // item() of a temporary answers a copy instead: it outlives the list it came from.

  // The text's bytes; empty for a non-text.
  std::string_view text() const& noexcept;
  std::string_view text() const&& = delete;
  std::string string() const { return std::string(text()); }
  std::size_t length() const noexcept;  // bytes of a text, items of a list or hash
  // Makes this variable's text private (unshared) and returns it for writing in place.
  Bytes& mutableText() &;
  Bytes& mutableText() && = delete;
  // Appends to a text; amortised O(1) when no one else holds the text.
  void append(std::string_view bytes);

  ListData* listData() const& noexcept;
  ListData* listData() const&& = delete;
  HashData* hashData() const& noexcept;
  HashData* hashData() const&& = delete;
  Closure* closure() const& noexcept;
  Closure* closure() const&& = delete;
  Object* object() const& noexcept;
  Object* object() const&& = delete;
  // List items, 1-based as the language counts; out of range reads nil.
  const Value& item(std::size_t position) const& noexcept;
  Value item(std::size_t position) const&& noexcept { return item(position); }
  std::span<Value> items() const& noexcept;
  std::span<Value> items() const&& = delete;

  // Identity of a shared reference (lists, hashes, closures, objects); null otherwise.
  const void* identity() const noexcept { return holdsRef() ? u_.ref : nullptr; }
  bool sharesStorageWith(const Value& other) const noexcept {
    return holdsRef() && identity() == other.identity();
  }

 private:
  Value(Type type, RefCounted* ref) noexcept : type_(type) {
    u_.ref = ref;
    if (ref) {
      ref->retain();
    } else {
      type_ = Type::Nil;
    }
  }
  bool holdsRef() const noexcept { return type_ >= Type::Text && type_ <= Type::Object; }

  Type type_ = Type::Nil;
  std::uint8_t decimals_ = 0;
  union Payload {
    bool logical;
    long long integer;
    double floating;
    struct {
      std::int32_t julian;
      std::int32_t millisecond;
    } time;
    void* pointer;
    const Symbol* symbol;
    RefCounted* ref;
  } u_{};
};

// Lists and hashes are defined after Value, whose complete type their storage needs. Releasing
// one releases the lists and hashes it holds through a work list, not by recursion, so a list
// nested a million deep goes without exhausting the stack.
struct ListData : RefCounted {
  ListData() = default;
  ~ListData() override;
  std::vector<Value, CountingAllocator<Value>> items;
};

struct HashData : RefCounted {
  HashData() = default;
  ~HashData() override;
  std::vector<std::pair<Value, Value>, CountingAllocator<std::pair<Value, Value>>> entries;
  Value* find(const Value& key);
};

inline Value::Value(const Ref<ListData>& list) noexcept : Value(Type::List, list.get()) {}
inline Value::Value(const Ref<HashData>& hash) noexcept : Value(Type::Hash, hash.get()) {}

inline ListData* Value::listData() const& noexcept {
  return isList() ? static_cast<ListData*>(u_.ref) : nullptr;
}
inline HashData* Value::hashData() const& noexcept {
  return isHash() ? static_cast<HashData*>(u_.ref) : nullptr;
}

inline Value nil;  // a shared nil for references to missing values

// "Empty": nil, false, 0, an empty text or list or hash, or a blank date.
bool isEmpty(const Value& value) noexcept;
// Exact equality: texts byte for byte, numbers by value, reference types by identity.
bool exactlyEqual(const Value& a, const Value& b) noexcept;
// The type letter of a value: "U" nil, "L", "N", "D", "T", "C", "A", "H", "B", "O", "P", "S".
char typeLetter(const Value& value) noexcept;

// Argument n (1-based) of a call, or nil when it was not passed.
inline const Value& arg(Args args, std::size_t n) noexcept {
  return n >= 1 && n <= args.size() ? args[n - 1] : nil;
}

}  // namespace lanmere
