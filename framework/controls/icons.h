// Native icon services: loading an icon resource, taking an icon from an executable or icon file,
// drawing and destroying. A module's icon is loaded as a private copy (its owner destroys it); a
// system icon (module 0) exists only shared, is not recorded and is never destroyed. Icons are
// recorded with the tracker under the tag "ICON".
#pragma once

#include <windows.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

inline constexpr const char* kIconTag = "ICON";

// Whether h is a shared system icon or cursor handed out by the loaders (never destroyed).
bool isSharedImage(HANDLE h) noexcept;
// Notes a shared system icon or cursor; returns it.
HANDLE rememberShared(HANDLE h);

// LOADICON (hInstance, cName or nId)
lanmere::Value LOADICON(const lanmere::Value& module, const lanmere::Value& name);
// EXTRACTICON (cFile, nIndex): 0 when the file holds no such icon.
lanmere::Value EXTRACTICON(const lanmere::Value& file, const lanmere::Value& index);
// DRAWICON (hDC, nRow, nCol, hIcon)
lanmere::Value DRAWICON(const lanmere::Value& hDC, const lanmere::Value& row,
                        const lanmere::Value& col, const lanmere::Value& icon);
// DESTROYICON (hIcon): forgets the record, then destroys; a shared icon is left alone (false).
lanmere::Value DESTROYICON(const lanmere::Value& icon);

const lanmere::ModuleTable& iconsModule();

}  // namespace kestrel
