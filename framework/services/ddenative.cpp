#include "framework/services/ddenative.h"

#include <map>
#include <string>

#include "framework/core/handles.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::size_t kAtomNameBuffer = 256;  // a global atom's name has at most 255 bytes

struct Held {
  std::map<ATOM, std::size_t> atoms;  // each add of a name counts
  std::size_t blocks = 0;
};

Held& held() {
  static Held state;
  return state;
}

void argumentError() {
  lanmere::raiseRuntimeError({.genCode = 1,
                              .subCode = kDdeNativeArgumentSubCode,
                              .args = lanmere::ErrorArgs::currentParams(),
                              .flags = lanmere::kCanDefault});
}

}  // namespace

HGLOBAL ddeCommandBlock(std::string_view text) {
  const HGLOBAL block =
      trackedCreate("DDECOMMAND", "DDE", [&] { return globalBlock(text, text.size() + 1); });
  if (block) ++held().blocks;
  return block;
}

void freeDdeCommandBlock(HGLOBAL block) {
  if (block == nullptr) return;
  --held().blocks;
  trackedDelete(block, GlobalFree);
}

ATOM addGlobalAtom(std::string_view name) {
  const std::string terminated(name);
  const ATOM atom =
      trackedCreate("GLOBALADDATOM", "ATOM", [&] { return GlobalAddAtomA(terminated.c_str()); });
  if (atom != 0) ++held().atoms[atom];
  return atom;
}

ATOM deleteGlobalAtom(ATOM atom) {
  auto& atoms = held().atoms;
  const auto ours = atoms.find(atom);
  if (ours == atoms.end()) return GlobalDeleteAtom(atom);
  const ATOM answer = trackedDelete(atom, GlobalDeleteAtom);
  if (answer == 0 && --ours->second == 0) atoms.erase(ours);
  return answer;
}

std::size_t ddeAtomsHeld() noexcept {
  std::size_t count = 0;
  for (const auto& [atom, adds] : held().atoms) count += adds;
  return count;
}

std::size_t ddeBlocksHeld() noexcept {
  return held().blocks;
}

Value DDECOMMAND(const Value& cText) {
  if (!cText.isText()) {
    argumentError();
    return 0;
  }
  return handleNumber(ddeCommandBlock(cText.text()));
}

Value DDEGETCOMMAND(const Value& hMem) {
  if (!hMem.isNumber()) return "";
  return blockBytes(handleFrom<HGLOBAL>(hMem), true);
}

Value GLOBALADDATOM(const Value& cName) {
  if (!cName.isText()) {
    argumentError();
    return 0;
  }
  return static_cast<long long>(addGlobalAtom(cName.text()));
}

Value GLOBALGETATOMNAME(const Value& nAtom) {
  if (!nAtom.isNumber() || nAtom.integer() <= 0 || nAtom.integer() > 0xFFFF) return "";
  char name[kAtomNameBuffer];
  const UINT length =
      GlobalGetAtomNameA(static_cast<ATOM>(nAtom.integer()), name, static_cast<int>(sizeof name));
  return std::string(name, length);
}

Value GLOBALDELATOM(const Value& nAtom) {
  if (!nAtom.isNumber() || nAtom.integer() <= 0 || nAtom.integer() > 0xFFFF) return nAtom;
  return static_cast<long long>(deleteGlobalAtom(static_cast<ATOM>(nAtom.integer())));
}

const lanmere::ModuleTable& ddeNativeModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/services/ddenative.cpp",
      {fn<&DDECOMMAND>("DDECOMMAND"), fn<&DDEGETCOMMAND>("DDEGETCOMMAND"),
       fn<&GLOBALADDATOM>("GLOBALADDATOM"), fn<&GLOBALGETATOMNAME>("GLOBALGETATOMNAME"),
       fn<&GLOBALDELATOM>("GLOBALDELATOM")}};
  return module;
}

}  // namespace kestrel
