#include "framework/services/trect.h"

#include <algorithm>
#include <limits>

#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

enum Element : std::size_t { kTop = 1, kLeft = 2, kBottom = 3, kRight = 4 };
constexpr std::size_t kElements = 4;

// Coordinate arithmetic: integers stay integers unless the result overflows; anything that is
// not a number counts 0.
Value combine(const Value& a, const Value& b, bool subtract) {
  if (!a.isFloat() && !b.isFloat()) {
    long long result = 0;
    const bool overflow = subtract ? __builtin_sub_overflow(a.integer(), b.integer(), &result)
                                   : __builtin_add_overflow(a.integer(), b.integer(), &result);
    if (!overflow) return Value(result);
  }
  const double result = subtract ? a.number() - b.number() : a.number() + b.number();
  return Value(result, std::max(a.decimals(), b.decimals()));
}
Value plus(const Value& a, const Value& b) {
  return combine(a, b, false);
}
Value minus(const Value& a, const Value& b) {
  return combine(a, b, true);
}

std::int32_t clamped32(const Value& coordinate) {
  return static_cast<std::int32_t>(std::clamp<long long>(coordinate.integer(),
                                                         std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max()));
}

// Signed 32-bit little-endian at `offset`; bytes past the end of the text read as 0.
std::int32_t readInt32(std::string_view bytes, std::size_t offset) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
    bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return static_cast<std::int32_t>(bits);
}

bool isElementIndex(const Value& index) {
  return index.isNumber() && index.number() == static_cast<double>(index.integer()) &&
         index.integer() >= 1 && index.integer() <= static_cast<long long>(kElements);
}

}  // namespace

LM_DEFINE_CLASS(TRect) {
  c.data(LM_FIELDS(aRect));
  c.methods(LM_METHODS(New, nTop, nLeft, nBottom, nRight, _nTop, _nLeft, _nBottom, _nRight, nHeight,
                       nWidth, _nHeight, _nWidth, cRect, _cRect, MoveBy, MoveTo));
  c.method<&TRect::Equals>("==");
  c.method<&TRect::Item>("[]");
  c.creatable();
}

Value TRect::New(const Value& top, const Value& left, const Value& bottom, const Value& right) {
  if (top.isList()) {
    Value copy = Value::list();
    for (const Value& item : top.items()) copy.listData()->items.push_back(item);
    aRect = copy;
    slot(kElements);  // pads a short list with 0
  } else {
    auto zeroIfNil = [](const Value& v) { return v.isNil() ? Value(0) : v; };
    aRect = Value::list({zeroIfNil(top), zeroIfNil(left), zeroIfNil(bottom), zeroIfNil(right)});
  }
  return Value(lanmere::Ref<TRect>(this));
}

Value& TRect::slot(std::size_t position) {
  if (!aRect.isList()) aRect = Value::list();
  auto& items = aRect.listData()->items;
  while (items.size() < kElements) items.push_back(Value(0));
  return items[position - 1];
}

Value TRect::nTop() const {
  return at(kTop);
}
Value TRect::nLeft() const {
  return at(kLeft);
}
Value TRect::nBottom() const {
  return at(kBottom);
}
Value TRect::nRight() const {
  return at(kRight);
}
Value TRect::_nTop(const Value& value) {
  return slot(kTop) = value;
}
Value TRect::_nLeft(const Value& value) {
  return slot(kLeft) = value;
}
Value TRect::_nBottom(const Value& value) {
  return slot(kBottom) = value;
}
Value TRect::_nRight(const Value& value) {
  return slot(kRight) = value;
}

Value TRect::nHeight() const {
  return plus(minus(at(kBottom), at(kTop)), 1);
}
Value TRect::nWidth() const {
  return plus(minus(at(kRight), at(kLeft)), 1);
}
Value TRect::_nHeight(const Value& height) {
  slot(kBottom) = minus(plus(at(kTop), height), 1);
  return nHeight();
}
Value TRect::_nWidth(const Value& width) {
  slot(kRight) = minus(plus(at(kLeft), width), 1);
  return nWidth();
}

std::array<std::int32_t, 4> TRect::binary() const {
  return {clamped32(at(kLeft)), clamped32(at(kTop)), clamped32(at(kRight)), clamped32(at(kBottom))};
}

std::string TRect::cRect() const {
  std::string bytes;
  bytes.reserve(kRectBytes);
  for (std::int32_t coordinate : binary()) {
    const auto bits = static_cast<std::uint32_t>(coordinate);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(bits >> (8 * i)));
  }
  return bytes;
}

Value TRect::_cRect(const Value& bytes) {
  if (!bytes.isText()) {
    return lanmere::raiseRuntimeErrorSubstitute({.genCode = 1,
                                                 .subCode = kRectBytesSubCode,
                                                 .operation = "_CRECT",
                                                 .args = lanmere::ErrorArgs::of({bytes})});
  }
  const std::string_view text = bytes.text();
  aRect = Value::list(
      {readInt32(text, 4), readInt32(text, 0), readInt32(text, 12), readInt32(text, 8)});
  return bytes;
}

Value TRect::MoveBy(const Value& rows, const Value& columns) {
  slot(kTop) = plus(at(kTop), rows);
  slot(kBottom) = plus(at(kBottom), rows);
  slot(kLeft) = plus(at(kLeft), columns);
  slot(kRight) = plus(at(kRight), columns);
  return Value(lanmere::Ref<TRect>(this));
}

Value TRect::MoveTo(const Value& top, const Value& left) {
  const Value rows = top.isNil() ? Value(0) : minus(top, at(kTop));
  const Value columns = left.isNil() ? Value(0) : minus(left, at(kLeft));
  return MoveBy(rows, columns);
}

bool TRect::operator==(const TRect& other) const {
  for (std::size_t i = 1; i <= kElements; ++i) {
    if (!lanmere::exactlyEqual(at(i), other.at(i))) return false;
  }
  return true;
}

Value TRect::Equals(const Value& other) const {
  const lanmere::Object* object = other.object();
  if (!object || !object->classInfo().derivesFrom(Class())) return false;
  return *this == static_cast<const TRect&>(*object);
}

Value TRect::Item(const Value& index, const Value& value) {
  if (!isElementIndex(index)) {
    return lanmere::raiseRuntimeErrorSubstitute({.genCode = 2,
                                                 .subCode = kRectIndexSubCode,
                                                 .operation = "[]",
                                                 .args = lanmere::ErrorArgs::of({index, value})});
  }
  const auto position = static_cast<std::size_t>(index.integer());
  if (value.isNil()) return at(position);
  return slot(position) = value;
}

Value TRECT() {
  return Value(lanmere::make<TRect>());
}

const lanmere::ModuleTable& tRectModule() {
  TRect::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{"framework/services/trect.cpp",
                                           {lanmere::fn<&TRECT>("TRECT")}};
  return module;
}

}  // namespace kestrel
