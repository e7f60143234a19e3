#include "framework/core/persist.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

#include "framework/core/messages.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::size_t kFieldBytes = 2;
constexpr std::string_view kLineEnd = "\r\n";
constexpr long long kNestedIndent = 3;
constexpr int kEventArguments = 4;

// Unwinds a Save whose record cannot be written, after the error was raised.
struct RecordRefused {};

// The nesting of the Save running on this thread: a value that holds itself meets the limit.
thread_local int saveDepth = 0;

struct DepthGuard {
  DepthGuard() {
    if (++saveDepth > kMaxRecordDepth) {
      --saveDepth;
      lanmere::raiseRuntimeError({.genCode = 31,
                                  .subCode = kRecordDepthSubCode,
                                  .description = "Record nested too deep",
                                  .operation = "Save",
                                  .flags = lanmere::kCanDefault});
      throw RecordRefused{};
    }
  }
  ~DepthGuard() { --saveDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
};

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

// A class-data list of the class (aProperties, aEvents), without making an instance.
Value classList(const lanmere::ClassInfo& info, const lanmere::Symbol* name) {
  const lanmere::Resolved* resolved = info.resolve(name);
  if (resolved && resolved->kind == lanmere::Resolved::Kind::ClassData && resolved->classValue &&
      resolved->classValue->isList()) {
    return *resolved->classValue;
  }
  return Value::list();
}

// The event names of aEvents, whose entries are {name, argument names...} or plain names.
std::vector<std::string> eventNames(const lanmere::ClassInfo& info) {
  std::vector<std::string> names;
  const Value events = classList(info, msg::aEvents);
  for (const Value& event : events.items()) {
    if (event.isText()) names.push_back(event.string());
    if (event.isList() && event.length() > 0 && event.item(1).isText()) {
      names.push_back(event.item(1).string());
    }
  }
  return names;
}

bool listHolds(const Value& list, std::string_view name) {
  for (const Value& item : list.items()) {
    if (item.isText() && item.text() == name) return true;
  }
  return false;
}

// The members named in the class's aProperties whose values differ from a default instance's.
// A given reference is used as it is; otherwise one is made as `kind` says, and a reference made
// with New is given back with End.
std::vector<std::pair<std::string, Value>> differingMembers(const Value& self, Value reference,
                                                            SaveReference kind) {
  std::vector<std::pair<std::string, Value>> members;
  const bool made = reference.isNil();
  const bool withNew = made && kind == SaveReference::New;
  if (made) reference = lanmere::createObject(self.object()->ClassName());
  if (withNew && !reference.isNil()) reference = tell(reference, msg::New);
  const Value names = tell(self, msg::aProperties);
  for (const Value& name : names.items()) {
    const Value mine = lanmere::send(self, name.text());
    if (reference.isObject() && sameValue(mine, lanmere::send(reference, name.text()))) continue;
    members.emplace_back(name.string(), mine);
  }
  if (withNew && reference.isObject()) tell(reference, msg::End);
  return members;
}

bool isMethodName(std::string_view text) {
  if (text.empty() || !(std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_')) {
    return false;
  }
  for (char c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// A decimal number as a record holds it: an optional minus, digits, optional decimals.
bool isDecimal(std::string_view text) {
  std::size_t i = text.starts_with('-') ? 1 : 0;
  const std::size_t digitsFrom = i;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  if (i == digitsFrom) return false;
  if (i == text.size()) return true;
  if (text[i++] != '.' || i == text.size()) return false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  return i == text.size();
}

// ---- The checked reader ----

class Parser {
 public:
  explicit Parser(std::string_view data) : data_(data) {}

  std::optional<RecordRefusal> refusal;
  // A value unlike its letter, reported only when the structure holds (a length that lies is
  // the first thing to name).
  std::optional<RecordRefusal> badValue;

  bool fail(std::size_t at, std::string reason, long long subCode = kRecordCutSubCode,
            long long genCode = 32) {
    if (!refusal) refusal = RecordRefusal{at, std::move(reason), subCode, genCode};
    return false;
  }

  // A 2-byte length or count at `pos`, no larger than the bytes up to `end`.
  bool field(std::size_t& pos, std::size_t end, std::size_t& n) {
    if (end - pos < kFieldBytes) return fail(pos, "Record cut short");
    const auto low = static_cast<unsigned char>(data_[pos]);
    const auto high = static_cast<unsigned char>(data_[pos + 1]);
    const auto value = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
    if (value < 0) return fail(pos, "Record length does not match");
    pos += kFieldBytes;
    n = static_cast<std::size_t>(value);
    return true;
  }

  bool text(std::size_t& pos, std::size_t end, std::string_view& out) {
    std::size_t length = 0;
    const std::size_t at = pos;
    if (!field(pos, end, length)) return false;
    if (length > end - pos) return fail(at, "Record cut short");
    out = data_.substr(pos, length);
    pos += length;
    return true;
  }

  // A typed value from `pos`: letter, length, payload.
  bool value(std::size_t& pos, std::size_t end, int depth, RecordNode& out) {
    out.offset = pos;
    if (pos >= end) return fail(pos, "Record cut short");
    out.type = data_[pos++];
    std::size_t length = 0;
    const std::size_t lengthAt = pos;
    if (!field(pos, end, length)) return false;
    if (length > end - pos) return fail(lengthAt, "Record cut short");
    const std::size_t payloadEnd = pos + length;
    switch (out.type) {
      case 'A':
        if (!list(pos, payloadEnd, depth + 1, out)) return false;
        break;
      case 'O':
        if (!object(pos, payloadEnd, depth + 1, true, out)) return false;
        break;
      case 'N':
        out.text = data_.substr(pos, length);
        if (!isDecimal(out.text)) wrongValue(out.offset, "Record number is no decimal number");
        break;
      case 'L':
        out.text = data_.substr(pos, length);
        if (out.text != ".T." && out.text != ".F.") {
          wrongValue(out.offset, "Record logical is neither .T. nor .F.");
        }
        break;
      default:
        out.text = data_.substr(pos, length);
        break;
    }
    pos = payloadEnd;
    return true;
  }

  void wrongValue(std::size_t at, std::string reason) {
    if (!badValue) badValue = RecordRefusal{at, std::move(reason), kRecordValueSubCode, 33};
  }

  bool depthAllowed(std::size_t at, int depth) {
    if (depth <= kMaxRecordDepth) return true;
    return fail(at, "Record nested too deep", kRecordDepthSubCode, 31);
  }

  bool filled(std::size_t pos, std::size_t end) {
    return pos == end || fail(pos, "Record length does not match");
  }

  // Element count and elements, filling [pos, end) exactly.
  bool list(std::size_t pos, std::size_t end, int depth, RecordNode& out) {
    if (!depthAllowed(out.offset, depth)) return false;
    out.type = 'A';
    std::size_t count = 0;
    if (!field(pos, end, count)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      RecordNode element;
      if (!value(pos, end, depth, element)) return false;
      out.elements.push_back(std::move(element));
    }
    return filled(pos, end);
  }

  // [class-name length, class name,] entry count and entries, filling [pos, end) exactly.
  bool object(std::size_t pos, std::size_t end, int depth, bool named, RecordNode& out) {
    if (!depthAllowed(out.offset, depth)) return false;
    out.type = 'O';
    if (named && !text(pos, end, out.className)) return false;
    std::size_t count = 0;
    if (!field(pos, end, count)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      RecordEntry entry;
      if (!text(pos, end, entry.name) || !value(pos, end, depth, entry.value)) return false;
      out.entries.push_back(std::move(entry));
    }
    return filled(pos, end);
  }

  RecordReading result(bool ok, RecordNode&& node) {
    if (!ok) return *refusal;
    if (badValue) return *badValue;
    return std::move(node);
  }

  std::string_view data_;
};

// ---- Checking a parsed tree against its target ----

bool loads(const lanmere::ClassInfo& info) {
  static const lanmere::Symbol* const load = lanmere::symbol("Load");
  const lanmere::Resolved* resolved = info.resolve(load);
  return info.create && resolved &&
         (resolved->kind == lanmere::Resolved::Kind::Method ||
          resolved->kind == lanmere::Resolved::Kind::InlineMethod);
}

std::vector<MemberKind>& memberKinds() {
  static std::vector<MemberKind> kinds{{"TWINDOW", "oMenu", "TMENU"},
                                       {"TWINDOW", "oFont", "TFONT"},
                                       {"TWINDOW", "aControls", "TCONTROL"},
                                       {"TMENU", "aItems", "TMENUITEM"},
                                       {"TMENUITEM", "bAction", "TMENU"},
                                       {"TMSGBAR", "aItems", "TMSGITEM"},
                                       {"", "Cargo", ""}};
  return kinds;
}

std::vector<ClassLoader>& classLoaders() {
  static std::vector<ClassLoader> loaders;
  return loaders;
}

std::vector<std::pair<std::string, std::function<Value(const Value&)>>>& eventTargets() {
  static std::vector<std::pair<std::string, std::function<Value(const Value&)>>> targets;
  return targets;
}

bool derivesFromName(const lanmere::ClassInfo& info, std::string_view name) {
  if (info.name == name) return true;
  for (const lanmere::ClassInfo* parent : info.parents) {
    if (derivesFromName(*parent, name)) return true;
  }
  return false;
}

std::string upperName(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string memberName(std::string_view name) {
  return name == "n_Style" ? std::string("nStyle") : std::string(name);
}

bool caseEqual(std::string_view a, std::string_view b) {
  return upperName(a) == upperName(b);
}

// What an entry of `info` is: a property, an event, a name a class loader takes, or skipped.
enum class EntryRole { Skipped, Property, Event, Extra };

struct ClassNames {
  Value properties;
  std::vector<std::string> events;
  std::vector<std::string> extras;
  bool onPrefixEvents = false;

  EntryRole role(std::string_view name, char type) const {
    for (const std::string& extra : extras) {
      if (extra == name) return EntryRole::Extra;
    }
    for (const std::string& event : events) {
      if (caseEqual(event, name)) return type == 'C' ? EntryRole::Event : EntryRole::Skipped;
    }
    if (listHolds(properties, name)) {
      if (onPrefixEvents && type == 'C' && name.starts_with("On")) return EntryRole::Event;
      return EntryRole::Property;
    }
    return EntryRole::Skipped;
  }
};

ClassNames namesOf(const lanmere::ClassInfo& info, bool onPrefixEvents) {
  ClassNames names{classList(info, msg::aProperties), eventNames(info), {}, onPrefixEvents};
  for (const ClassLoader& loader : classLoaders()) {
    if (derivesFromName(info, loader.className)) {
      names.extras.insert(names.extras.end(), loader.extraNames.begin(), loader.extraNames.end());
    }
  }
  return names;
}

std::optional<RecordRefusal> checkBody(const lanmere::ClassInfo& info, const RecordNode& body,
                                       int depth);

// Every object in `node` (the node itself or inside its lists) must be a class that loads and is
// or derives from the class the member takes.
std::optional<RecordRefusal> checkObjects(const lanmere::ClassInfo& owner, std::string_view member,
                                          const RecordNode& node, int depth) {
  if (node.type == 'A') {
    for (const RecordNode& element : node.elements) {
      if (auto refused = checkObjects(owner, member, element, depth)) return refused;
    }
    return std::nullopt;
  }
  if (node.type != 'O') return std::nullopt;
  const auto refuse = [&](std::string reason) {
    return RecordRefusal{node.offset, std::move(reason), kRecordClassSubCode, 33};
  };
  const MemberKind* kind = memberKind(owner, member);
  if (!kind) return refuse("Record object not taken by " + std::string(member));
  const lanmere::ClassInfo* info = lanmere::classByName(upperName(node.className));
  if (!info) return refuse("Record class unknown: " + std::string(node.className));
  if (!loads(*info)) return refuse("Record class does not load: " + info->name);
  if (!kind->className.empty() && !derivesFromName(*info, kind->className)) {
    return refuse("Record class " + info->name + " not taken by " + std::string(member));
  }
  return checkBody(*info, node, depth + 1);
}

std::optional<RecordRefusal> checkBody(const lanmere::ClassInfo& info, const RecordNode& body,
                                       int depth) {
  const ClassNames names = namesOf(info, false);
  for (const RecordEntry& entry : body.entries) {
    const std::string name = memberName(entry.name);
    if (names.role(name, entry.value.type) == EntryRole::Skipped) continue;
    if (auto refused = checkObjects(info, name, entry.value, depth)) return refused;
  }
  return std::nullopt;
}

// Objects in a list AREAD reads, or the object OREAD makes: any class that loads.
std::optional<RecordRefusal> checkAnyObjects(const RecordNode& node, int depth) {
  if (node.type == 'A') {
    for (const RecordNode& element : node.elements) {
      if (auto refused = checkAnyObjects(element, depth)) return refused;
    }
    return std::nullopt;
  }
  if (node.type != 'O') return std::nullopt;
  const lanmere::ClassInfo* info = lanmere::classByName(upperName(node.className));
  if (!info) {
    return RecordRefusal{node.offset, "Record class unknown: " + std::string(node.className),
                         kRecordClassSubCode, 33};
  }
  if (!loads(*info)) {
    return RecordRefusal{node.offset, "Record class does not load: " + info->name,
                         kRecordClassSubCode, 33};
  }
  return checkBody(*info, node, depth + 1);
}

Value eventTarget(const Value& owner) {
  for (const auto& [className, target] : eventTargets()) {
    if (derivesFromName(owner.object()->classInfo(), className)) return target(owner);
  }
  Value target = lanmere::understands(owner, msg::oWnd) ? tell(owner, msg::oWnd) : Value();
  return target.isObject() ? target : owner;
}

Value listPayloadValue(const RecordNode& node, LoadContext& context) {
  Value list = Value::list();
  for (const RecordNode& element : node.elements) {
    list.listData()->items.push_back(nodeValue(element, context));
  }
  return list;
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

std::string_view payloadArgument(const Value& payload, bool& ok) {
  ok = payload.isText();
  if (!ok) lanmere::argumentError(kRecordArgumentSubCode);
  return ok ? payload.text() : std::string_view();
}

Value ASAVE(const Value& list) {
  if (!list.isList()) return lanmere::argumentError(kRecordArgumentSubCode);
  return saveList(list);
}

Value AREAD(const Value& payload) {
  bool ok = false;
  const std::string_view bytes = payloadArgument(payload, ok);
  return ok ? readList(bytes) : Value();
}

Value OREAD(const Value& payload) {
  bool ok = false;
  const std::string_view bytes = payloadArgument(payload, ok);
  return ok ? readObject(bytes) : Value();
}

}  // namespace

// ---- Writing ----

std::string recordField(std::size_t n) {
  if (n > kMaxRecordField) {
    lanmere::raiseRuntimeError({.genCode = 1,
                                .subCode = kRecordTooLongSubCode,
                                .description = "Record too long",
                                .operation = "Save",
                                .args = lanmere::ErrorArgs::of({Value(static_cast<long long>(n))}),
                                .flags = lanmere::kCanDefault});
    throw RecordRefused{};
  }
  return field16(n);
}

std::string scalarText(const Value& value) {
  switch (value.type()) {
    case lanmere::Type::Text:
      return value.string();
    case lanmere::Type::Integer:
      return std::to_string(value.integer());  // every digit: STR goes through a double
    case lanmere::Type::Float: {
      std::string text = lanmere::allTrim(lanmere::str(value));
      if (isDecimal(text)) return text;
      // Too wide for STR's field (it shows asterisks): the full decimal text instead.
      char buffer[400];
      const int length =
          std::snprintf(buffer, sizeof buffer, "%.*f", value.decimals(), value.number());
      return length > 0 && static_cast<std::size_t>(length) < sizeof buffer
                 ? std::string(buffer, static_cast<std::size_t>(length))
                 : text;
    }
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
  if (value.isNumber() && !isDecimal(text)) {
    // Infinity and not-a-number have no decimal text: a record of them could not be read.
    lanmere::raiseRuntimeError({.genCode = 33,
                                .subCode = kRecordValueSubCode,
                                .description = "Record number is no decimal number",
                                .operation = "Save",
                                .args = lanmere::ErrorArgs::of({value}),
                                .flags = lanmere::kCanDefault});
    throw RecordRefused{};
  }
  return std::string(1, lanmere::typeLetter(value)) + recordField(text.size()) + text;
}

std::string listRecord(const Value& list) {
  const DepthGuard depth;
  std::string elements = recordField(list.length());
  for (const Value& item : list.items()) elements += valueRecord(item);
  return "A" + recordField(elements.size()) + elements;
}

std::string valueRecord(const Value& value) {
  if (value.isList()) return listRecord(value);
  if (!value.isObject()) return scalarRecord(value);
  std::string record = tell(value, msg::Save).string();
  // The nested Save raised its error already and answered nothing: the whole record fails.
  if (record.empty()) throw RecordRefused{};
  return record;
}

std::string saveObject(const Value& self, SaveReference reference,
                       const std::vector<std::pair<std::string, Value>>& extra) {
  try {
    const DepthGuard depth;
    std::string entries;
    std::size_t count = 0;
    const lanmere::ClassInfo& info = self.object()->classInfo();
    for (auto [name, value] : differingMembers(self, {}, reference)) {
      for (const ClassLoader& loader : classLoaders()) {
        if (loader.saved && derivesFromName(info, loader.className)) {
          value = loader.saved(self, name, value);
        }
      }
      entries += recordField(name.size()) + name + valueRecord(value);
      ++count;
    }
    // Events: a method name given as text, or the closure a Load made from one.
    for (const std::string& name : eventNames(self.object()->classInfo())) {
      if (!lanmere::understands(self, name)) continue;
      const Value handler = lanmere::send(self, name);
      const std::string method = handler.isText() ? handler.string() : loadedEventMethod(handler);
      if (method.empty()) continue;
      entries += recordField(name.size()) + name + scalarRecord(Value(method));
      ++count;
    }
    for (const auto& [name, value] : extra) {
      entries += recordField(name.size()) + name + valueRecord(value);
      ++count;
    }
    const std::string className = self.object()->ClassName();
    std::string payload = recordField(className.size()) + className + recordField(count) + entries;
    return "O" + recordField(payload.size()) + payload;
  } catch (const RecordRefused&) {
    return "";
  }
}

std::string saveList(const Value& list) {
  try {
    return listRecord(list);
  } catch (const RecordRefused&) {
    return "";
  }
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
  for (const auto& [name, value] : differingMembers(self, reference, SaveReference::New)) {
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

// ---- Parsing ----

RecordReading parseRecord(std::string_view bytes) {
  Parser parser(bytes);
  RecordNode node;
  std::size_t pos = 0;
  const bool ok = parser.value(pos, bytes.size(), 0, node) && parser.filled(pos, bytes.size());
  return parser.result(ok, std::move(node));
}

RecordReading parseListPayload(std::string_view bytes) {
  Parser parser(bytes);
  RecordNode node;
  return parser.result(parser.list(0, bytes.size(), 1, node), std::move(node));
}

RecordReading parseObjectPayload(std::string_view bytes) {
  Parser parser(bytes);
  RecordNode node;
  return parser.result(parser.object(0, bytes.size(), 1, true, node), std::move(node));
}

RecordReading parseObjectBody(std::string_view bytes) {
  Parser parser(bytes);
  RecordNode node;
  return parser.result(parser.object(0, bytes.size(), 1, false, node), std::move(node));
}

// ---- Loading ----

void addMemberKind(MemberKind kind) {
  kind.owner = upperName(kind.owner);
  kind.className = upperName(kind.className);
  memberKinds().push_back(std::move(kind));
}

const MemberKind* memberKind(const lanmere::ClassInfo& owner, std::string_view member) {
  for (const MemberKind& kind : memberKinds()) {
    if (kind.member == member && (kind.owner.empty() || derivesFromName(owner, kind.owner))) {
      return &kind;
    }
  }
  return nullptr;
}

void addClassLoader(ClassLoader loader) {
  loader.className = upperName(loader.className);
  classLoaders().push_back(std::move(loader));
}

LoadedEvent::LoadedEvent(lanmere::Object* owner, std::string method)
    : lanmere::Closure(
          [owner, message = lanmere::symbol(method)](lanmere::Args args) {
            Value forwarded[kEventArguments];
            for (int i = 0; i < kEventArguments; ++i) forwarded[i] = lanmere::arg(args, i + 1);
            return lanmere::send(eventTarget(Value(lanmere::Ref<lanmere::Object>(owner))), message,
                                 lanmere::Args(forwarded));
          },
          "(b)LOAD:" + method),
      method_(std::move(method)) {}

std::string loadedEventMethod(const Value& value) {
  if (!value.isClosure()) return {};
  const auto* event = dynamic_cast<const LoadedEvent*>(value.closure());
  return event ? event->method() : std::string();
}

void setEventTarget(std::string className, std::function<Value(const Value& owner)> target) {
  eventTargets().emplace_back(upperName(className), std::move(target));
}

Value nodeValue(const RecordNode& node, LoadContext& context) {
  switch (node.type) {
    case 'A':
      return listPayloadValue(node, context);
    case 'O': {
      const std::string className = upperName(node.className);
      if (const lanmere::ClassInfo* info = lanmere::classByName(className)) {
        for (const ClassLoader& loader : classLoaders()) {
          if (!loader.make || !derivesFromName(*info, loader.className)) continue;
          LoadContext inner = context;
          inner.nested = true;
          inner.onPrefixEvents = false;
          if (Value made = loader.make(node, inner); !made.isNil()) return made;
        }
      }
      Value object = lanmere::createObject(className);
      if (object.isObject()) {
        LoadContext inner = context;
        inner.nested = true;
        inner.onPrefixEvents = false;
        applyObjectNode(object, node, inner);
      }
      return object;
    }
    case 'C':
      return Value(node.text);
    case 'L':
      return Value(node.text == ".T.");
    case 'D':
      return lanmere::ctod(node.text);
    case 'N': {
      // Whole numbers exactly (VAL would pass a long one through a double).
      long long whole = 0;
      const char* end = node.text.data() + node.text.size();
      if (const auto [at, error] = std::from_chars(node.text.data(), end, whole);
          error == std::errc() && at == end) {
        return Value(whole);
      }
      Value text[] = {Value(node.text)};
      return lanmere::VAL(text);
    }
    default:
      return {};
  }
}

bool applyObjectNode(const Value& self, const RecordNode& node, LoadContext& context) {
  const lanmere::ClassInfo& info = self.object()->classInfo();
  const ClassNames names = namesOf(info, context.onPrefixEvents);
  for (const RecordEntry& entry : node.entries) {
    const std::string name = memberName(entry.name);
    const EntryRole role = names.role(name, entry.value.type);
    if (role == EntryRole::Skipped) continue;
    bool handled = false;
    for (const ClassLoader& loader : classLoaders()) {
      if (!handled && loader.entry && derivesFromName(info, loader.className)) {
        handled = loader.entry(self, entry, context);
      }
    }
    if (handled || role == EntryRole::Extra) continue;
    Value value;
    if (role == EntryRole::Event) {
      if (!isMethodName(entry.value.text)) continue;  // "{|| ... }" and the like
      value = Value(lanmere::make<LoadedEvent>(self.object(), std::string(entry.value.text)));
    } else {
      if (std::string_view("AOCLDN").find(entry.value.type) == std::string_view::npos) continue;
      value = nodeValue(entry.value, context);
    }
    if (lanmere::understands(self, "_" + name)) lanmere::send(self, "_" + name, {value});
  }
  for (const ClassLoader& loader : classLoaders()) {
    if (loader.finish && derivesFromName(info, loader.className)) {
      loader.finish(self, node, context);
    }
  }
  return true;
}

void raiseRefusal(const RecordRefusal& refusal, std::string_view operation) {
  lanmere::raiseRuntimeError(
      {.genCode = refusal.genCode,
       .subCode = refusal.subCode,
       .description = refusal.reason + " (byte " + std::to_string(refusal.offset) + ")",
       .operation = operation,
       .args = lanmere::ErrorArgs::of({Value(static_cast<long long>(refusal.offset))}),
       .flags = lanmere::kCanDefault});
}

bool loadObject(const Value& self, std::string_view data, LoadContext context,
                bool onPrefixEvents) {
  RecordReading reading = parseObjectBody(data);
  if (auto* refusal = std::get_if<RecordRefusal>(&reading)) {
    raiseRefusal(*refusal, context.operation);
    return false;
  }
  const RecordNode& body = std::get<RecordNode>(reading);
  const lanmere::ClassInfo& info = self.object()->classInfo();
  if (auto refused = checkBody(info, body, 1)) {
    raiseRefusal(*refused, context.operation);
    return false;
  }
  context.onPrefixEvents = onPrefixEvents;
  return applyObjectNode(self, body, context);
}

namespace {

// A payload AREAD or OREAD reads: parsed, its objects checked, then made; nil after the error.
Value readPayload(const RecordReading& reading, std::string_view operation) {
  std::optional<RecordRefusal> refused;
  if (const auto* refusal = std::get_if<RecordRefusal>(&reading)) refused = *refusal;
  if (!refused) refused = checkAnyObjects(std::get<RecordNode>(reading), 0);
  if (refused) {
    raiseRefusal(*refused, operation);
    return {};
  }
  LoadContext context{.operation = operation, .nested = true};
  const RecordNode& node = std::get<RecordNode>(reading);
  return node.type == 'A' ? listPayloadValue(node, context) : nodeValue(node, context);
}

}  // namespace

Value readList(std::string_view payload) {
  return readPayload(parseListPayload(payload), "AREAD");
}

Value readObject(std::string_view payload) {
  return readPayload(parseObjectPayload(payload), "OREAD");
}

const lanmere::ModuleTable& persistModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&ASAVE>("ASAVE"), lanmere::fn<&AREAD>("AREAD"), lanmere::fn<&OREAD>("OREAD")}};
  return module;
}

}  // namespace kestrel
