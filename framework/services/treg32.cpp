#include "framework/services/treg32.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "framework/core/win32.h"
#include "framework/display/cvaltochar.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Args;
using lanmere::Value;

namespace {

// All key rights without SYNCHRONIZE; the read rights without it.
constexpr REGSAM kAllAccess =
    (STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
     KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &
    ~SYNCHRONIZE;
constexpr REGSAM kReadAccess =
    (STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE;
static_assert(kAllAccess == 983103 && kReadAccess == 131097);

constexpr DWORD kNumberType = REG_DWORD;
constexpr DWORD kTextType = REG_SZ;

// A 32-bit program on 64-bit Windows reaches the 64-bit view of the registry, as a native
// program would. Both opens use the same view, so the read-only retry reads the same key.
REGSAM viewFlag() {
  static const REGSAM flag = [] {
    const auto isWow64 =
        systemFunction<"kernel32.dll", "IsWow64Process", decltype(::IsWow64Process)>();
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? KEY_WOW64_64KEY : 0;
  }();
  return flag;
}

// Root keys arrive as their 32-bit numbers (HKEY_LOCAL_MACHINE is 2147483650); Windows defines
// them as sign-extended handles, which matters in a 64-bit build.
HKEY keyFromNumber(const Value& number) {
  const long long n = number.integer();
  if (n >= 0x80000000LL && n <= 0xFFFFFFFFLL) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(n))));
  }
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(n));
}

Value numberFromKey(HKEY key) {
  return Value(static_cast<long long>(reinterpret_cast<LONG_PTR>(key)));
}

// The value's bytes, or nothing when it is missing, unreadable or larger than the limit.
bool queryBytes(HKEY key, const std::string& name, std::string& bytes, LONG& status) {
  DWORD type = 0;
  DWORD size = 0;
  status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS) return false;
  if (size > kRegValueLimit) {
    status = ERROR_MORE_DATA;
    return false;
  }
  char buffer[kRegValueLimit];
  status =
      RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (status != ERROR_SUCCESS) return false;
  bytes.assign(buffer, size);
  return true;
}

}  // namespace

LM_DEFINE_CLASS(TReg32) {
  c.data(LM_FIELDS(cRegKey, nKey, nHandle, nError, lError));
  c.methods(LM_METHODS(New, Create, Get, GetBinary, Set, Close, Delete));
  c.creatable();
}

Value TReg32::New(const Value& root, const Value& key) {
  if (lError.isNil()) lError = false;
  const std::string path = key.string();
  HKEY opened = nullptr;
  LONG status =
      RegOpenKeyExA(keyFromNumber(root), path.c_str(), 0, kAllAccess | viewFlag(), &opened);
  if (status != ERROR_SUCCESS) {
    // Keys of HKEY_LOCAL_MACHINE stay readable for users who may not write them.
    opened = nullptr;
    status = RegOpenKeyExA(keyFromNumber(root), path.c_str(), 0, kReadAccess | viewFlag(), &opened);
  }
  nError = static_cast<long long>(status);
  cRegKey = path;
  nHandle = status == ERROR_SUCCESS ? numberFromKey(opened) : Value(0);
  return Value(lanmere::Ref<TReg32>(this));
}

Value TReg32::Create(const Value& root, const Value& key) {
  if (lError.isNil()) lError = false;
  if (lError.logical()) return Value(lanmere::Ref<TReg32>(this));
  const std::string path = key.string();
  HKEY created = nullptr;
  LONG status = RegCreateKeyExA(keyFromNumber(root), path.c_str(), 0, nullptr, 0,
                                kAllAccess | viewFlag(), nullptr, &created, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(created);
  HKEY opened = nullptr;
  status = RegOpenKeyExA(keyFromNumber(root), path.c_str(), 0, kAllAccess | viewFlag(), &opened);
  nError = static_cast<long long>(status);
  cRegKey = path;
  nHandle = status == ERROR_SUCCESS ? numberFromKey(opened) : Value(0);
  return Value(lanmere::Ref<TReg32>(this));
}

Value TReg32::Get(const Value& name, const Value& like) {
  if (lError.logical()) return like;
  const std::string valueName = name.string();
  const HKEY key = keyFromNumber(nHandle);
  if (like.isNumber()) {
    std::int32_t number = 0;
    DWORD type = 0;
    DWORD size = sizeof number;
    const LONG status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                         reinterpret_cast<BYTE*>(&number), &size);
    nError = static_cast<long long>(status);
    return status == ERROR_SUCCESS ? Value(static_cast<long long>(number)) : like;
  }
  std::string text;
  LONG status = ERROR_SUCCESS;
  if (!queryBytes(key, valueName, text, status)) text.clear();
  nError = static_cast<long long>(status);
  std::erase(text, '\0');
  if (like.isDate()) return lanmere::ctod(text);
  if (like.isLogical()) return Value(lanmere::upper(text) == ".T.");
  return Value(text);
}

Value TReg32::GetBinary(const Value& name) {
  if (lError.logical()) return Value("");
  std::string bytes;
  LONG status = ERROR_SUCCESS;
  if (!queryBytes(keyFromNumber(nHandle), name.string(), bytes, status)) bytes.clear();
  nError = static_cast<long long>(status);
  return Value(bytes);
}

Value TReg32::Set(const Value& name, const Value& value, const Value& valueType) {
  if (lError.logical()) return {};
  const std::string valueName = name.string();
  const HKEY key = keyFromNumber(nHandle);
  LONG status;
  if (value.isNumber()) {
    // Four bytes, little-endian as Windows stores a DWORD.
    const std::int32_t number = static_cast<std::int32_t>(value.integer());
    const DWORD type = valueType.isNumber() ? static_cast<DWORD>(valueType.integer()) : kNumberType;
    status = RegSetValueExA(key, valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(&number),
                            sizeof number);
  } else {
    // The text's own length: no terminating zero is written.
    const std::string text = cValToChar(value);
    const DWORD type = valueType.isNumber() ? static_cast<DWORD>(valueType.integer()) : kTextType;
    status =
        RegSetValueExA(key, valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size()));
  }
  nError = static_cast<long long>(status);
  return {};
}

Value TReg32::Close() {
  if (lError.logical()) return {};
  // The handle is forgotten so a second Close cannot close a key reused by someone else.
  const Value handle = std::exchange(nHandle, Value(0));
  if (handle.integer() != 0) nError = static_cast<long long>(RegCloseKey(keyFromNumber(handle)));
  return {};
}

Value TReg32::Delete(const Value& subKey) {
  if (lError.logical()) return {};
  nError = static_cast<long long>(RegDeleteKeyA(keyFromNumber(nHandle), subKey.string().c_str()));
  return {};
}

Value TREG32() {
  return Value(lanmere::make<TReg32>());
}

const lanmere::ModuleTable& tReg32Module() {
  using namespace lanmere;
  TReg32::Class();  // the class is known by name once its module is
  static const ModuleTable module{"framework/services/treg32.cpp",
                                  {lanmere::fn<&TREG32>("TREG32")}};
  return module;
}

}  // namespace kestrel
