#include "framework/services/tstruct.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "errors/kserror.h"
#include "framework/core/showalert.h"
#include "runtime/builtins.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::size_t kAddressBytes = sizeof(void*);
constexpr char kTextFill = ' ';

enum Descriptor : std::size_t { kName = 1, kCode = 2, kSize = 3, kOffset = 4 };

struct Member {
  std::size_t number;
  int code;  // 0 for a code that is not a whole number
  std::size_t size;
  std::size_t offset;
};

int codeOf(const Value& code) {
  const bool whole = code.isNumber() && code.number() == static_cast<double>(code.integer());
  return whole && code.integer() > 0 && code.integer() <= 0xFFFF ? static_cast<int>(code.integer())
                                                                 : 0;
}

// The bytes a code reads and writes; 0 for code 8 (its size is always given) and unknown codes.
std::size_t codeWidth(int code) {
  switch (code) {
    case kMemberByte:
    case kMemberChar:
      return 1;
    case kMemberShort:
    case kMemberBool:
      return 2;
    case kMemberLong:
    case kMemberPointer:
    case kMemberHandle:
    case kMemberDword:
      return 4;
    default:
      return 0;
  }
}

bool isKnown(int code) {
  return code == kMemberText || codeWidth(code) > 0;
}

bool holdsAddress(int code) {
  return code == kMemberLong || code == kMemberPointer || code == kMemberHandle ||
         code == kMemberDword;
}

// The low 64 bits of the two's complement of a number's integer part.
std::uint64_t lowBits(const Value& number) {
  if (!number.isFloat()) return static_cast<std::uint64_t>(number.integer());
  const double whole = std::trunc(number.number());
  if (!std::isfinite(whole)) return 0;
  constexpr double kTwo63 = 9223372036854775808.0;
  constexpr double kTwo64 = 2 * kTwo63;
  if (whole > -kTwo63 && whole < kTwo63) {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(whole));
  }
  // So large a double is a multiple of 2048: the remainder is exact and fits.
  const double wrapped = std::fmod(whole, kTwo64);
  return wrapped >= 0 ? static_cast<std::uint64_t>(wrapped)
                      : std::uint64_t{0} - static_cast<std::uint64_t>(-wrapped);
}

std::string littleEndian(std::uint64_t bits, std::size_t bytes) {
  std::string text(bytes, '\0');
  for (std::size_t i = 0; i < bytes && i < 8; ++i) text[i] = static_cast<char>(bits >> (8 * i));
  return text;
}

// A little-endian number of `width` bytes read from the member's own bytes: signed when the
// member holds all of them, else the missing high bytes are 0.
long long readNumber(std::string_view bytes, std::size_t width) {
  const std::size_t n = bytes.size() < width ? bytes.size() : width;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < n; ++i) {
    bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  }
  if (n < width) return static_cast<long long>(bits);
  const std::uint64_t sign = std::uint64_t{1} << (8 * width - 1);
  return static_cast<long long>(bits ^ sign) - static_cast<long long>(sign);
}

// A number, logical or anything else as the little-endian integer of `width` bytes.
std::string scalarBytes(const Value& value, std::size_t width) {
  if (value.isNumber()) return littleEndian(lowBits(value), width);
  return littleEndian(value.logical() ? 1 : 0, width);
}

std::string fitted(std::string bytes, std::size_t size, char fill) {
  bytes.resize(size, fill);
  return bytes;
}

// The member `number` names, when it is a whole number from 1 to the member count and the
// member lies wholly inside `buffer`.
std::optional<Member> locate(const Value& members, const Value& buffer, const Value& number) {
  if (!number.isNumber() || number.number() != static_cast<double>(number.integer())) return {};
  const long long n = number.integer();
  if (!members.isList() || n < 1 || n > static_cast<long long>(members.length())) return {};
  const Value& descriptor = members.item(static_cast<std::size_t>(n));
  const long long size = descriptor.item(kSize).integer();
  const long long offset = descriptor.item(kOffset).integer();
  const auto length = static_cast<long long>(buffer.isText() ? buffer.length() : 0);
  if (!buffer.isText() || size < 1 || offset < 0 || offset > length || size > length - offset) {
    return {};
  }
  return Member{static_cast<std::size_t>(n), codeOf(descriptor.item(kCode)),
                static_cast<std::size_t>(size), static_cast<std::size_t>(offset)};
}

Value memberError(long long genCode, long long subCode, std::string_view operation,
                  lanmere::ErrorArgs args) {
  return lanmere::raiseRuntimeErrorSubstitute(
      {.genCode = genCode, .subCode = subCode, .operation = operation, .args = std::move(args)});
}

// Messages the class does not define: "_NAME" assigns member NAME, any other name reads it.
Value memberByName(lanmere::Object& self, const lanmere::Symbol* message, lanmere::Args args) {
  auto& record = static_cast<TStruct&>(self);
  std::string_view name = message->name;
  const bool assigns = name.starts_with('_');
  if (assigns) name.remove_prefix(1);
  if (const std::size_t n = record.memberNumber(name)) {
    const Value number(static_cast<long long>(n));
    return assigns ? record.SetMember(number, lanmere::arg(args, 1)) : record.GetMember(number);
  }
  lanmere::Ref<lanmere::ErrorRecord> error = lanmere::errorNew();
  error->subSystem = "BASE";
  error->subCode = assigns ? kStructAssignUnknownSubCode : kStructReadUnknownSubCode;
  error->severity = 2;
  error->description = "Message not found";
  error->operation = record.ClassName() + ":" + std::string(name);
  handToErrorBlock(Value(error));
  return {};
}

}  // namespace

LM_DEFINE_CLASS(TStruct) {
  c.data(LM_FIELDS(cBuffer, aMembers));
  c.methods(LM_METHODS(New, AddMember, SetMember, GetMember, SizeOf));
  c.fallback(&memberByName);
  c.creatable();
}

Value TStruct::New() {
  cBuffer = "";
  aMembers = Value::list();
  keptTexts_.clear();
  return Value(lanmere::Ref<TStruct>(this));
}

Value TStruct::AddMember(const Value& name, const Value& code, const Value& size) {
  const int known = codeOf(code);
  long long bytes = static_cast<long long>(codeWidth(known));
  const std::size_t used = cBuffer.isText() ? cBuffer.length() : 0;
  const bool wholeSize = size.isNumber() && size.number() == static_cast<double>(size.integer());
  if (!size.isNil()) bytes = wholeSize ? size.integer() : 0;
  const std::size_t limit = lanmere::maxTextLength();
  if (bytes < 1 || used > limit || static_cast<unsigned long long>(bytes) > limit - used) {
    return memberError(1, kStructSizeSubCode, "ADDMEMBER",
                       lanmere::ErrorArgs::of({name, code, size}));
  }
  if (!aMembers.isList()) aMembers = Value::list();
  long long offset = 0;
  if (aMembers.length() > 0) {
    const Value& last = aMembers.item(aMembers.length());
    offset = last.item(kOffset).integer() + last.item(kSize).integer();
  }
  aMembers.listData()->items.push_back(
      Value::list({Value(lanmere::upper(name.text())), code, Value(bytes), Value(offset)}));
  if (cBuffer.isText()) cBuffer.append(std::string(static_cast<std::size_t>(bytes), '\0'));
  return {};
}

Value TStruct::SetMember(const Value& number, const Value& value) {
  const std::optional<Member> member = locate(aMembers, cBuffer, number);
  if (!member) {
    return memberError(2, kStructMemberSubCode, "SETMEMBER",
                       lanmere::ErrorArgs::of({number, value}));
  }
  if (!isKnown(member->code)) {
    showAlert(kConversionMissing);
    return value;
  }
  std::string bytes;
  std::optional<lanmere::Bytes> kept;
  switch (member->code) {
    case kMemberByte:
    case kMemberChar:
      bytes = value.isText() ? std::string(value.text().substr(0, 1)) : scalarBytes(value, 1);
      break;
    case kMemberShort:
      bytes = value.isText() ? std::string(value.text().substr(0, 2)) : scalarBytes(value, 2);
      break;
    case kMemberBool: {
      const bool set = value.isNumber() ? value.number() != 0
                       : value.isText() ? value.length() > 0
                                        : value.logical();
      bytes = littleEndian(set ? 1 : 0, 2);
      break;
    }
    case kMemberText:
      bytes = value.isNumber() ? lanmere::allTrim(lanmere::str(value)) : value.string();
      bytes = fitted(std::move(bytes), member->size, kTextFill);
      break;
    default:  // the 32-bit codes
      if (!value.isText()) {
        bytes = scalarBytes(value, codeWidth(member->code));
      } else if (member->size < kAddressBytes) {
        return memberError(1, kStructAddressSubCode, "SETMEMBER",
                           lanmere::ErrorArgs::of({number, value}));
      } else {
        kept.emplace(value.text());
      }
  }
  if (kept) {
    lanmere::Bytes& copy = keptTexts_[member->number] = std::move(*kept);
    bytes = littleEndian(reinterpret_cast<std::uintptr_t>(copy.c_str()), kAddressBytes);
  } else if (holdsAddress(member->code)) {
    keptTexts_.erase(member->number);
  }
  bytes = fitted(std::move(bytes), member->size, '\0');
  cBuffer.mutableText().replace(member->offset, member->size, bytes.data(), bytes.size());
  return Value(bytes);
}

Value TStruct::GetMember(const Value& number) {
  const std::optional<Member> member = locate(aMembers, cBuffer, number);
  if (!member) {
    return memberError(2, kStructMemberSubCode, "GETMEMBER", lanmere::ErrorArgs::of({number}));
  }
  const std::string_view bytes = cBuffer.text().substr(member->offset, member->size);
  switch (member->code) {
    case kMemberByte:
    case kMemberChar:
      return Value(static_cast<long long>(static_cast<unsigned char>(bytes[0])));
    case kMemberShort:
      return Value(readNumber(bytes, 2));
    case kMemberBool:
      return Value(readNumber(bytes, 2) == 1);
    case kMemberLong:
    case kMemberDword:
      return Value(readNumber(bytes, 4));
    case kMemberText:
      return Value(lanmere::allTrim(bytes));
    default:
      showAlert(kConversionMissing);
      return {};
  }
}

long long TStruct::SizeOf() const {
  return cBuffer.isText() ? static_cast<long long>(cBuffer.length()) : 0;
}

std::size_t TStruct::memberNumber(std::string_view name) const {
  std::size_t n = 0;
  for (const Value& descriptor : aMembers.items()) {
    ++n;
    if (descriptor.item(kName).isText() && descriptor.item(kName).text() == name) return n;
  }
  return 0;
}

Value TSTRUCT() {
  return Value(lanmere::make<TStruct>());
}

const lanmere::ModuleTable& tStructModule() {
  TStruct::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{"framework/services/tstruct.cpp",
                                           {lanmere::fn<&TSTRUCT>("TSTRUCT")}};
  return module;
}

}  // namespace kestrel
