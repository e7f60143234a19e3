// TReg32: one open key of the Windows registry, its values read and written with conversion by
// type (numbers as 4 bytes, everything else as text).
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// Root keys as the language passes them (the handles' 32-bit values).
inline constexpr long long kHkeyClassesRoot = 0x80000000LL;
inline constexpr long long kHkeyCurrentUser = 0x80000001LL;
inline constexpr long long kHkeyLocalMachine = 0x80000002LL;
inline constexpr long long kHkeyUsers = 0x80000003LL;

// A text value longer than this reads as missing.
inline constexpr unsigned kRegValueLimit = 1024;

class TReg32 : public lanmere::Object {
  LM_CLASS(TReg32, lanmere::Object)

  lanmere::Value cRegKey = "";
  lanmere::Value nKey;
  lanmere::Value nHandle = 0;
  lanmere::Value nError = 0;
  lanmere::Value lError;  // true: every method does nothing

  // Opens the key for all access, else for reading; returns the object.
  lanmere::Value New(const lanmere::Value& root, const lanmere::Value& key = {});
  // Creates (or opens) the key, then opens it for all access; returns the object.
  lanmere::Value Create(const lanmere::Value& root, const lanmere::Value& key);
  // The value converted by the type of `like`; a number that cannot be read gives `like` back.
  lanmere::Value Get(const lanmere::Value& name, const lanmere::Value& like);
  lanmere::Value GetBinary(const lanmere::Value& name);
  lanmere::Value Set(const lanmere::Value& name, const lanmere::Value& value,
                     const lanmere::Value& valueType = {});
  lanmere::Value Close();
  lanmere::Value Delete(const lanmere::Value& subKey);
};

// TREG32(): a new instance, to be sent New or Create.
lanmere::Value TREG32();

const lanmere::ModuleTable& tReg32Module();

}  // namespace kestrel
