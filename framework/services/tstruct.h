// TStruct: a packed system record built member by member, its members read and written by name
// as if they were data members, and the whole record handed out as one byte text (`cBuffer`).
//
// Members are packed in declaration order with no gaps. Every write converts the value to
// exactly the member's size, so a write never moves or touches another member and never
// changes `SizeOf`; nothing outside `cBuffer` is ever read or written.
//
// Access by name goes through the class's fallback: "_NAME" assigns member NAME, any other
// message the class does not define reads it. A member whose name is also one of the class's
// own names (`New`, `AddMember`, `SetMember`, `GetMember`, `SizeOf`, `cBuffer`, `aMembers`) is
// reached only through `GetMember` and `SetMember`.
#pragma once

#include <map>
#include <string_view>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// Member type codes.
enum MemberCode : int {
  kMemberByte = 1,
  kMemberChar = 2,
  kMemberShort = 3,
  kMemberBool = 5,
  kMemberLong = 7,
  kMemberText = 8,
  kMemberPointer = 9,
  kMemberHandle = 10,
  kMemberDword = 12,
};

// Sub-codes of the structure's errors (subsystem "BASE").
inline constexpr long long kStructMemberSubCode = 5411;   // no such member, or outside cBuffer
inline constexpr long long kStructSizeSubCode = 5412;     // AddMember: a size it cannot take
inline constexpr long long kStructAddressSubCode = 5413;  // a text's address does not fit
// Access by name to a member that does not exist.
inline constexpr long long kStructReadUnknownSubCode = 1004;
inline constexpr long long kStructAssignUnknownSubCode = 1005;

inline constexpr const char* kConversionMissing = "Member type conversion not implemented yet!";

class TStruct : public lanmere::Object {
  LM_CLASS(TStruct, lanmere::Object)

  lanmere::Value cBuffer = "";                       // the record's bytes
  lanmere::Value aMembers = lanmere::Value::list();  // {NAME, code, size, offset} each

  lanmere::Value New();
  // Appends a member of `code` with `size` bytes (the code's own size when nil) at the end,
  // filled with zero bytes. Returns nil. A size that is not a whole number from 1 to the text
  // limit, or a missing size for code 8 or an unknown code, raises an argument error and adds
  // nothing.
  lanmere::Value AddMember(const lanmere::Value& name, const lanmere::Value& code,
                           const lanmere::Value& size = {});
  // Converts `value` to the member's bytes and stores them; returns the bytes. An unknown code
  // shows the alert "Member type conversion not implemented yet!" and returns the value.
  lanmere::Value SetMember(const lanmere::Value& number, const lanmere::Value& value);
  // The member's value; codes 9, 10 and unknown codes show the alert and answer nil.
  lanmere::Value GetMember(const lanmere::Value& number);
  long long SizeOf() const;  // 0 when cBuffer is not a text

  // The member called `name` (upper case), 1-based; 0 when there is none.
  std::size_t memberNumber(std::string_view name) const;

 private:
  // Texts whose addresses members hold, by member number: each lives until that member is
  // written again or the structure is released.
  std::map<std::size_t, lanmere::Bytes> keptTexts_;
};

// TSTRUCT(): a new instance, to be sent New.
lanmere::Value TSTRUCT();

const lanmere::ModuleTable& tStructModule();

}  // namespace kestrel
