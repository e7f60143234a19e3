// Native DDE services: the command block handed to a server, and the system's global atom table,
// which names services, topics and items between programs. Blocks and atoms made here are
// recorded with the resource tracker ("DDE", "ATOM") and counted, so a leak shows in both.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Argument errors of the natives (genCode 1), raised with canDefault.
inline constexpr long long kDdeNativeArgumentSubCode = 6145;

// A block holding the whole text and a zero byte; null when memory is short.
HGLOBAL ddeCommandBlock(std::string_view text);
// Frees a block made by ddeCommandBlock.
void freeDdeCommandBlock(HGLOBAL block);
// A global atom for the name (0 when the system refuses it), and its deletion: the system's
// answer, 0 when deleted.
ATOM addGlobalAtom(std::string_view name);
ATOM deleteGlobalAtom(ATOM atom);

// What this module holds now: atoms added and not deleted, blocks made and not freed.
std::size_t ddeAtomsHeld() noexcept;
std::size_t ddeBlocksHeld() noexcept;

// DDECOMMAND (cText): a new movable, shareable block holding the whole text and a zero byte, or 0.
lanmere::Value DDECOMMAND(const lanmere::Value& cText);
// DDEGETCOMMAND (hMem): the block's text up to its first zero byte, never past its size; "" for
// 0, a non-number or a handle the system refuses.
lanmere::Value DDEGETCOMMAND(const lanmere::Value& hMem);
// GLOBALADDATOM (cName): the atom, or 0 when the system refuses the name (over 255 bytes).
lanmere::Value GLOBALADDATOM(const lanmere::Value& cName);
// GLOBALGETATOMNAME (nAtom): the name, or "" for 0 or an unknown atom.
lanmere::Value GLOBALGETATOMNAME(const lanmere::Value& nAtom);
// GLOBALDELATOM (nAtom): the system's answer, 0 when the atom was deleted (the atom itself when
// the system refused). Global atoms are counted by name: each add needs its own delete.
lanmere::Value GLOBALDELATOM(const lanmere::Value& nAtom);

const lanmere::ModuleTable& ddeNativeModule();

}  // namespace kestrel
