// The native menu services: each wraps one system menu call, with handles as numbers and
// positions and flags as the system takes them.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Appends (or, with a position, inserts) an entry. With the pop-up flag `id` is the submenu's
// handle; with the bitmap or owner-draw flag `data` is a number (bitmap handle, item data),
// otherwise the entry's text.
bool appendMenuEntry(HMENU menu, UINT flags, UINT_PTR id, const lanmere::Value& data);
bool insertMenuEntry(HMENU menu, UINT position, UINT flags, UINT_PTR id,
                     const lanmere::Value& data);
// The text of the entry at `item` (a position with MF_BYPOSITION, else a command).
std::string menuString(HMENU menu, UINT item, UINT flags);

lanmere::Value CREATEMENU();
lanmere::Value CREATEPOPUPMENU();
bool DESTROYMENU(const lanmere::Value& hMenu);
bool APPENDMENU(const lanmere::Value& hMenu, const lanmere::Value& nFlags,
                const lanmere::Value& nIdOrSubMenu, const lanmere::Value& cTextOrBitmap);
// INSERTMENU (hMenu, nPosition, nFlags, nIdOrSubMenu, cTextOrBitmap)
bool INSERTMENU(const lanmere::Value& hMenu, const lanmere::Value& nPosition,
                const lanmere::Value& nFlags, const lanmere::Value& nIdOrSubMenu,
                const lanmere::Value& cTextOrBitmap);
bool REMOVEMENU(const lanmere::Value& hMenu, const lanmere::Value& nItem,
                const lanmere::Value& nFlags);
// The previous state, or -1 when the entry does not exist.
long long ENABLEMENUITEM(const lanmere::Value& hMenu, const lanmere::Value& nItem,
                         const lanmere::Value& nFlags);
long long CHECKMENUITEM(const lanmere::Value& hMenu, const lanmere::Value& nItem,
                        const lanmere::Value& nFlags);
bool HILITEMENUITEM(const lanmere::Value& hWnd, const lanmere::Value& hMenu,
                    const lanmere::Value& nItem, const lanmere::Value& nFlags);
lanmere::Value GETSYSTEMMENU(const lanmere::Value& hWnd, const lanmere::Value& lRevert);
lanmere::Value GETSUBMENU(const lanmere::Value& hMenu, const lanmere::Value& nPosition);
long long GETMITEMCOUNT(const lanmere::Value& hMenu);
long long GETMITEMID(const lanmere::Value& hMenu, const lanmere::Value& nPosition);
// GETMENUSTRING (hMenu, nItem, nFlags): flags default to by command.
std::string GETMENUSTRING(const lanmere::Value& hMenu, const lanmere::Value& nItem,
                          const lanmere::Value& nFlags);
long long GETMENUSTATE(const lanmere::Value& hMenu, const lanmere::Value& nItem,
                       const lanmere::Value& nFlags);
// LOADMENU (hInst, cName): a name of digits is a resource number; hInst 0 is the current
// resource module.
lanmere::Value LOADMENU(const lanmere::Value& hInst, const lanmere::Value& cName);
bool SETMENU(const lanmere::Value& hWnd, const lanmere::Value& hMenu);
bool ISMENU(const lanmere::Value& hMenu);
// TRACKPOPUP (hMenu, nFlags, nRow, nCol, nReserved, hWnd): screen row and column; returns when
// the menu closes, false when it could not be shown.
bool TRACKPOPUP(const lanmere::Value& hMenu, const lanmere::Value& nFlags,
                const lanmere::Value& nRow, const lanmere::Value& nCol,
                const lanmere::Value& nReserved, const lanmere::Value& hWnd);

const lanmere::ModuleTable& menuApiModule();

}  // namespace kestrel
