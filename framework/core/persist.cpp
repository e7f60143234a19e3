#include "framework/core/persist.h"

#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

#include "framework/core/messages.h"
#include "runtime/builtins.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::size_t kFieldBytes = 2;
constexpr std::string_view kLineEnd = "\r\n";
constexpr long long kNestedIndent = 3;

// Unwinds a Save whose record would not fit, after the error was raised.
struct RecordTooLong {};

std::string field16(std::size_t n) {
  return {static_cast<char>(n & 0xFF), static_cast<char>((n >> 8) & 0xFF)};
}

bool sameValue(const Value& a, const Value& b) {
  if (a.isList() && b.isList()) {
    if (a.length() != b.length()) return false;
    for (std::size_t i = 1; i <= a.length(); ++i) {
      if (!sameValue(a.item(i), b.item(i))) return false;
    }
    return true;
  }
  return lanmere::exactlyEqual(a, b);
}

// The members named in the class's aProperties whose values differ from a default instance's.
// A given reference is used as it is; otherwise a new instance made with New serves, and is
// given back with End.
std::vector<std::pair<std::string, Value>> differingMembers(const Value& self,
                                                            Value reference = {}) {
  std::vector<std::pair<std::string, Value>> members;
  const bool made = reference.isNil();
  if (made) reference = lanmere::createObject(self.object()->ClassName());
  if (made && !reference.isNil()) reference = tell(reference, msg::New);
  const Value names = tell(self, msg::aProperties);
  for (const Value& name : names.items()) {
    const Value mine = lanmere::send(self, name.text());
    if (reference.isObject() && sameValue(mine, lanmere::send(reference, name.text()))) continue;
    members.emplace_back(name.string(), mine);
  }
  if (made && reference.isObject()) tell(reference, msg::End);
  return members;
}

// Reads the 2-byte fields and the texts of a record, never past its end.
class Reader {
 public:
  explicit Reader(std::string_view data) : data_(data) {}
  bool done() const { return pos_ >= data_.size(); }
  bool field(std::size_t& n) {
    if (data_.size() - pos_ < kFieldBytes) return false;
    const auto low = static_cast<unsigned char>(data_[pos_]);
    const auto high = static_cast<unsigned char>(data_[pos_ + 1]);
    pos_ += kFieldBytes;
    const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    if (value < 0) return false;
    n = static_cast<std::size_t>(value);
    return true;
  }
  bool bytes(std::size_t n, std::string_view& out) {
    if (data_.size() - pos_ < n) return false;
    out = data_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  // A typed value: letter, payload length, payload.
  bool value(char& type, std::string_view& payload) {
    std::string_view letter;
    std::size_t length = 0;
    if (!bytes(1, letter) || !field(length) || !bytes(length, payload)) return false;
    type = letter[0];
    return true;
  }
  std::string_view rest() const { return data_.substr(pos_); }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// The value a record of `type` holds; nil for a kind that does not load.
bool decode(char type, std::string_view payload, Value& out) {
  switch (type) {
    case 'A':
      out = readList(payload);
      return true;
    case 'O':
      out = readObject(payload);
      return true;
    case 'C':
      out = Value(payload);
      return true;
    case 'L':
      out = Value(payload == ".T.");
      return true;
    case 'D':
      out = lanmere::ctod(payload);
      return true;
    case 'N': {
      Value text[] = {Value(payload)};
      out = lanmere::VAL(text);
      return true;
    }
    default:
      return false;
  }
}

std::string textForm(const Value& value) {
  return value.isText() ? "\"" + value.string() + "\"" : value.isNil() ? "NIL" : scalarText(value);
}

// The element lines of a list member, each nested list with its own heading.
std::string listText(const std::string& name, const Value& list, long long indent) {
  std::string out;
  const std::string blanks(static_cast<std::size_t>(indent + kNestedIndent), ' ');
  for (std::size_t i = 1; i <= list.length(); ++i) {
    const std::string element = name + "[" + std::to_string(i) + "]";
    const Value& item = list.item(i);
    if (item.isList()) {
      out += blanks + "::" + element + " = Array( " + std::to_string(item.length()) + " )";
      out += std::string(kLineEnd) + std::string(kLineEnd) + listText(element, item, indent);
    } else {
      out += blanks + "::" + element + " = " + textForm(item) + std::string(kLineEnd);
    }
  }
  return out;
}

}  // namespace

std::string recordField(std::size_t n) {
  if (n > kMaxRecordField) {
    lanmere::raiseRuntimeError({.genCode = 1,
                                .subCode = kRecordTooLongSubCode,
                                .description = "Record too long",
                                .operation = "Save",
                                .args = lanmere::ErrorArgs::of({Value(static_cast<long long>(n))}),
                                .flags = lanmere::kCanDefault});
    throw RecordTooLong{};
  }
  return field16(n);
}

std::string scalarText(const Value& value) {
  switch (value.type()) {
    case lanmere::Type::Text:
      return value.string();
    case lanmere::Type::Integer:
    case lanmere::Type::Float:
      return lanmere::allTrim(lanmere::str(value));
    case lanmere::Type::Logical:
      return value.logical() ? ".T." : ".F.";
    case lanmere::Type::Date:
      return lanmere::dtoc(value);
    case lanmere::Type::Closure:
      return "{|| ... }";
    default:
      return "";
  }
}

std::string scalarRecord(const Value& value) {
  const std::string text = scalarText(value);
  return std::string(1, lanmere::typeLetter(value)) + recordField(text.size()) + text;
}

std::string listRecord(const Value& list) {
  std::string elements = recordField(list.length());
  for (const Value& item : list.items()) elements += valueRecord(item);
  return "A" + recordField(elements.size()) + elements;
}

std::string valueRecord(const Value& value) {
  if (value.isList()) return listRecord(value);
  if (value.isObject()) return tell(value, msg::Save).string();
  return scalarRecord(value);
}

std::string saveObject(const Value& self) {
  try {
    std::string entries;
    const auto members = differingMembers(self);
    for (const auto& [name, value] : members) {
      entries += recordField(name.size()) + name + valueRecord(value);
    }
    const std::string className = self.object()->ClassName();
    std::string payload =
        recordField(className.size()) + className + recordField(members.size()) + entries;
    return "O" + recordField(payload.size()) + payload;
  } catch (const RecordTooLong&) {
    return "";
  }
}

void loadObject(const Value& self, std::string_view data, const EventBinder& onEvent) {
  Reader reader(data);
  std::size_t count = 0;
  if (!reader.field(count)) return;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t nameLength = 0;
    std::string_view nameBytes, payload;
    char type = 0;
    if (!reader.field(nameLength) || !reader.bytes(nameLength, nameBytes) ||
        !reader.value(type, payload)) {
      return;
    }
    std::string name(nameBytes);
    if (name == "n_Style") name = "nStyle";
    Value value;
    if (!decode(type, payload, value)) continue;
    if (type == 'C' && onEvent && name.starts_with("On")) {
      const Value action = onEvent(self, payload);
      if (!action.isNil()) value = action;
    }
    if (lanmere::understands(self, "_" + name)) lanmere::send(self, "_" + name, {value});
  }
}

Value readList(std::string_view payload) {
  Reader reader(payload);
  Value list = Value::list();
  std::size_t count = 0;
  if (!reader.field(count)) return list;
  for (std::size_t i = 0; i < count; ++i) {
    char type = 0;
    std::string_view item;
    if (!reader.value(type, item)) break;
    Value value;
    decode(type, item, value);
    list.listData()->items.push_back(value);
  }
  return list;
}

Value readObject(std::string_view payload) {
  Reader reader(payload);
  std::size_t length = 0;
  std::string_view className;
  if (!reader.field(length) || !reader.bytes(length, className)) return {};
  Value object = lanmere::createObject(className);
  if (object.isObject()) tell(object, msg::Load, Value(reader.rest()));
  return object;
}

std::string saveToText(const Value& self, std::string_view varName, long long indent,
                       const Value& reference) {
  const bool nested = indent > 0;
  std::string className = self.object()->ClassName();
  if (nested) {
    for (std::size_t i = 2; i < className.size(); ++i) {
      className[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(className[i])));
    }
  }
  const std::string blanks(static_cast<std::size_t>(indent < 0 ? 0 : indent), ' ');
  const std::string end(kLineEnd);
  std::string out = "OBJECT " + std::string(nested ? "::" : "") + std::string(varName) + " AS " +
                    className + end + end;
  for (const auto& [name, value] : differingMembers(self, reference)) {
    if (value.isList()) {
      out += std::string(blanks.size() + kNestedIndent, ' ') + "::" + name + " = Array( " +
             std::to_string(value.length()) + " )" + end + end + listText(name, value, indent);
    } else if (value.isObject()) {
      out += end + tell(value, msg::SaveToText, Value(indent + kNestedIndent)).string();
    } else {
      out += blanks + "   ::" + name + " = " + textForm(value) + end;
    }
  }
  return out + end + blanks + "ENDOBJECT" + (nested ? end : "");
}

}  // namespace kestrel
