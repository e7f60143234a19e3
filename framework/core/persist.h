// The record form of objects and lists: an object writes the members its class lists in
// `aProperties` that differ from a default instance, and its events (`aEvents`) that hold a
// method name, each as a typed value record. All lengths and counts are signed 2-byte
// little-endian integers; a record too long for that is refused, never written wrapped. The
// same members also have a text form (SaveToText).
//
// Reading has two phases. `parseRecord` and its siblings turn bytes into a checked tree (every
// length and count against the bytes left, every value against its type letter, the nesting
// bounded) or a refusal naming the byte offset and the reason; only a tree that passed is then
// checked against its target (names and classes) and applied, so a refused record changes
// nothing. Everything here rests on the run-time alone (the portable kestrel_persist).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/closure.h"
#include "runtime/functions.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace kestrel {

// The largest length or count the 2-byte fields hold.
inline constexpr std::size_t kMaxRecordField = 32767;
// The deepest nesting of lists and objects a record may have, reading or writing: deep enough for
// any form, shallow enough for a thread's stack.
inline constexpr int kMaxRecordDepth = 32;
// The largest form file: one record of the largest length plus its letter and length field.
inline constexpr std::size_t kMaxFormFile = kMaxRecordField + 3;
// The extension of form files (SaveFile's default name).
inline constexpr std::string_view kFormExtension = ".kfm";

// Sub-codes of the persistence errors (genCode in brackets).
inline constexpr long long kRecordTooLongSubCode = 6102;   // (1) Save past kMaxRecordField
inline constexpr long long kRecordCutSubCode = 6120;       // (32) cut short, lengths that lie
inline constexpr long long kRecordDepthSubCode = 6121;     // (31) nested too deep
inline constexpr long long kRecordValueSubCode = 6122;     // (33) a value unlike its type letter
inline constexpr long long kRecordClassSubCode = 6123;     // (33) a class the member cannot take
inline constexpr long long kFormTooBigSubCode = 6124;      // (31) form file past kMaxFormFile
inline constexpr long long kFormNameSubCode = 6125;        // (1) SaveFile without a name
inline constexpr long long kRecordArgumentSubCode = 6126;  // (1) a payload that is no text
// A form file the system cannot create (a failed rename too), open, read or write: genCode 20,
// 21, 23 or 24 with the run-time's file function as sub-code, as the report file's write error
// has it; the file in the record's `filename` and its argument, the system's code in `osCode`.
inline constexpr long long kFormCreateSubCode = 1140;  // (20) FCREATE
inline constexpr long long kFormOpenSubCode = 1141;    // (21) FOPEN
inline constexpr long long kFormReadSubCode = 1142;    // (23) FREAD
inline constexpr long long kFormWriteSubCode = 1143;   // (24) FWRITE

// ---- Writing ----

// The 2-byte field of n. Past kMaxRecordField it raises "Record too long" (genCode 1, the
// sub-code above) and unwinds to the Save that called it, which answers the empty text.
std::string recordField(std::size_t n);

// A scalar as type letter, length and text: numbers trimmed, logicals ".T." / ".F.", dates in
// the current date format, a closure as "{|| ... }".
std::string scalarRecord(const lanmere::Value& value);
// A list: "A", length, element count, one record per element.
std::string listRecord(const lanmere::Value& list);
// A list, an object (its own Save) or a scalar.
std::string valueRecord(const lanmere::Value& value);
// The text of a scalar as its record holds it.
std::string scalarText(const lanmere::Value& value);

// How Save finds the default values it compares with.
enum class SaveReference {
  New,        // an instance made with New and given back with End
  Windowless  // an instance made without New: a window's New would make a window
};

// Save: the object record of `self` ("O", length, class name, entry count, entries): the
// differing members of aProperties, then the events of aEvents that hold a method name. The
// empty text after the error when a length did not fit or the nesting went past
// kMaxRecordDepth (a value that holds itself).
// `extra` entries follow the rest (a window's "aControls").
std::string saveObject(const lanmere::Value& self, SaveReference reference = SaveReference::New,
                       const std::vector<std::pair<std::string, lanmere::Value>>& extra = {});
// ASAVE's body: the list record, or the empty text after the error.
std::string saveList(const lanmere::Value& list);

// SaveToText: "OBJECT [::]varName AS Class", the differing members, "ENDOBJECT". The members are
// compared with `reference` when given (a window compares with an instance that has no window,
// since its New would create one), else with a new instance made by New.
std::string saveToText(const lanmere::Value& self, std::string_view varName, long long indent,
                       const lanmere::Value& reference = {});

// ---- Parsing ----

struct RecordEntry;

// One value of a checked record. Views point into the parsed bytes.
struct RecordNode {
  char type = 0;
  std::size_t offset = 0;            // of the type letter (of the count for a bare body)
  std::string_view text;             // the payload of a scalar or of an unknown letter
  std::string_view className;        // "O"
  std::vector<RecordEntry> entries;  // "O"
  std::vector<RecordNode> elements;  // "A"
};

struct RecordEntry {
  std::string_view name;
  RecordNode value;
};

struct RecordRefusal {
  std::size_t offset = 0;
  std::string reason;
  long long subCode = kRecordCutSubCode;
  long long genCode = 32;
};

using RecordReading = std::variant<RecordNode, RecordRefusal>;

// A whole record: exactly one value and no byte after it.
RecordReading parseRecord(std::string_view bytes);
// A list payload (element count and elements), as AREAD reads it: an "A" node.
RecordReading parseListPayload(std::string_view bytes);
// An object payload (class-name length, class name, entries), as OREAD reads it: an "O" node.
RecordReading parseObjectPayload(std::string_view bytes);
// An object body without its class name (entry count and entries), as Load reads it: an "O"
// node with an empty class name.
RecordReading parseObjectBody(std::string_view bytes);

// ---- Loading ----

// The class an "O" value of a member must be or derive from, by the class that owns the member
// (or one it derives from). An empty owner is any class, an empty class any class that loads.
// The same rule holds for the objects inside a list the member holds.
struct MemberKind {
  std::string owner;
  std::string member;
  std::string className;
};
// Adds a rule; the framework's own are there from the start.
void addMemberKind(MemberKind kind);
// The rule for objects in `member` of an object of class `owner`; null when the member takes no
// object.
const MemberKind* memberKind(const lanmere::ClassInfo& owner, std::string_view member);

struct LoadContext;

// What a class does about its own entries beyond assigning them (a window builds its menu and
// its controls, a menu its items). Consulted for `self` and for every object read inside it.
struct ClassLoader {
  std::string className;  // applies to this class and every class derived from it
  // Applies one entry itself and answers true, or answers false to leave it to the common road.
  std::function<bool(const lanmere::Value& self, const RecordEntry& entry, LoadContext& context)>
      entry;
  // Runs after the entries; `node` says which were there.
  std::function<void(const lanmere::Value& self, const RecordNode& node, LoadContext& context)>
      finish;
  // Makes the object a nested record of this class becomes, already loaded (a menu builds its
  // bar and items); nil leaves it to the common road (made without New, then loaded).
  std::function<lanmere::Value(const RecordNode& node, LoadContext& context)> make;
  // Names the class takes beyond aProperties and its events ("aControls").
  std::vector<std::string> extraNames;
  // The value Save writes for a member that differs from the reference (a control on a shown
  // dialog writes its geometry in the units its definition takes); nil writes it as it is.
  std::function<lanmere::Value(const lanmere::Value& self, std::string_view name,
                               const lanmere::Value& value)>
      saved;
};
void addClassLoader(ClassLoader loader);

struct LoadContext {
  std::string_view operation = "Load";
  // Objects read inside records are made without New and get no windows (a window stored in a
  // member loads windowless).
  bool nested = false;
  // Any text member whose name begins with "On" is an event (the brush's rule).
  bool onPrefixEvents = false;
};

// What an event entry becomes: a closure that sends the method to the target `resolve` finds
// when it fires (its window, or the object itself), and that keeps the method name so that the
// next Save writes it again. It refers to its owner without holding it: the owner holds the
// closure, and a held owner would keep itself alive.
class LoadedEvent : public lanmere::Closure {
 public:
  LoadedEvent(lanmere::Object* owner, std::string method);
  const std::string& method() const { return method_; }

 private:
  std::string method_;
};
// The method name of a closure Load made; empty for any other value.
std::string loadedEventMethod(const lanmere::Value& value);
// Where a fired event of `owner` goes: oWnd when it is an object, else the owner. A class may
// give its own rule (a menu item sends to its menu's window).
void setEventTarget(std::string className,
                    std::function<lanmere::Value(const lanmere::Value& owner)> target);

// Load: checks the whole body (entry count and entries) and then applies the entries in record
// order: names outside aProperties, aEvents and the class loader's names are skipped, unknown
// type letters too, "n_Style" is read as "nStyle". On a refusal the error is raised
// (operation `context.operation`) and false answered, nothing changed. `onPrefixEvents` makes any
// text member whose name begins with "On" an event (the brush's rule).
bool loadObject(const lanmere::Value& self, std::string_view data, LoadContext context = {},
                bool onPrefixEvents = false);
// Applies an already checked object node to `self` (class loaders use it for what they make).
bool applyObjectNode(const lanmere::Value& self, const RecordNode& node, LoadContext& context);
// The value a checked node holds ("O" made without New and loaded); nil for an unknown letter.
lanmere::Value nodeValue(const RecordNode& node, LoadContext& context);

// AREAD's body: the list a list payload holds, or nil after the error.
lanmere::Value readList(std::string_view payload);
// OREAD's body: a new object of the class an object payload names (a class that loads), loaded
// from the rest; nil after the error.
lanmere::Value readObject(std::string_view payload);

// Raises a refusal as the error of `operation` (canDefault: the default leaves all as it was).
void raiseRefusal(const RecordRefusal& refusal, std::string_view operation);

// ASAVE, AREAD, OREAD.
const lanmere::ModuleTable& persistModule();

}  // namespace kestrel
