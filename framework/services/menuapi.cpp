#include "framework/services/menuapi.h"

#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr UINT kNumberData = MF_BITMAP | MF_OWNERDRAW;
constexpr long long kNoEntry = -1;

HMENU menuOf(const Value& value) {
  return handleFrom<HMENU>(value);
}

UINT flagsOf(const Value& value, UINT fallback = 0) {
  return value.isNumber() ? static_cast<UINT>(value.integer()) : fallback;
}

// The entry's id: a submenu's handle with the pop-up flag, else a command number.
UINT_PTR idOf(const Value& value) {
  return static_cast<UINT_PTR>(static_cast<std::intptr_t>(value.integer()));
}

// The system keeps a copy of an entry's text, so the text only has to live for the call.
template <class Call>
bool withData(UINT flags, const Value& data, Call&& call) {
  if ((flags & kNumberData) || (flags & MF_SEPARATOR)) {
    return call(reinterpret_cast<LPCSTR>(static_cast<std::intptr_t>(data.integer())));
  }
  const std::string text(data.text().substr(0, data.text().find('\0')));
  return call(text.c_str());
}

}  // namespace

bool appendMenuEntry(HMENU menu, UINT flags, UINT_PTR id, const Value& data) {
  return withData(flags, data,
                  [&](LPCSTR item) { return AppendMenuA(menu, flags, id, item) != FALSE; });
}

bool insertMenuEntry(HMENU menu, UINT position, UINT flags, UINT_PTR id, const Value& data) {
  return withData(flags, data, [&](LPCSTR item) {
    return InsertMenuA(menu, position, flags | MF_BYPOSITION, id, item) != FALSE;
  });
}

std::string menuString(HMENU menu, UINT item, UINT flags) {
  const int length = GetMenuStringA(menu, item, nullptr, 0, flags);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetMenuStringA(menu, item, text.data(), length + 1, flags)));
  return text;
}

Value CREATEMENU() {
  return handleNumber(CreateMenu());
}

Value CREATEPOPUPMENU() {
  return handleNumber(CreatePopupMenu());
}

bool DESTROYMENU(const Value& hMenu) {
  return DestroyMenu(menuOf(hMenu)) != FALSE;
}

bool APPENDMENU(const Value& hMenu, const Value& nFlags, const Value& nIdOrSubMenu,
                const Value& cTextOrBitmap) {
  return appendMenuEntry(menuOf(hMenu), flagsOf(nFlags), idOf(nIdOrSubMenu), cTextOrBitmap);
}

bool INSERTMENU(const Value& hMenu, const Value& nPosition, const Value& nFlags,
                const Value& nIdOrSubMenu, const Value& cTextOrBitmap) {
  const UINT flags = flagsOf(nFlags);
  return withData(flags, cTextOrBitmap, [&](LPCSTR item) {
    return InsertMenuA(menuOf(hMenu), flagsOf(nPosition), flags, idOf(nIdOrSubMenu), item) != FALSE;
  });
}

bool REMOVEMENU(const Value& hMenu, const Value& nItem, const Value& nFlags) {
  return RemoveMenu(menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags)) != FALSE;
}

long long ENABLEMENUITEM(const Value& hMenu, const Value& nItem, const Value& nFlags) {
  const BOOL previous = EnableMenuItem(menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags));
  return previous == -1 ? kNoEntry : static_cast<long long>(previous);
}

long long CHECKMENUITEM(const Value& hMenu, const Value& nItem, const Value& nFlags) {
  const DWORD previous = CheckMenuItem(menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags));
  return previous == static_cast<DWORD>(-1) ? kNoEntry : static_cast<long long>(previous);
}

bool HILITEMENUITEM(const Value& hWnd, const Value& hMenu, const Value& nItem,
                    const Value& nFlags) {
  return HiliteMenuItem(handleFrom<HWND>(hWnd), menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags)) !=
         FALSE;
}

Value GETSYSTEMMENU(const Value& hWnd, const Value& lRevert) {
  return handleNumber(GetSystemMenu(handleFrom<HWND>(hWnd), lRevert.logical()));
}

Value GETSUBMENU(const Value& hMenu, const Value& nPosition) {
  return handleNumber(GetSubMenu(menuOf(hMenu), static_cast<int>(nPosition.integer())));
}

long long GETMITEMCOUNT(const Value& hMenu) {
  return GetMenuItemCount(menuOf(hMenu));
}

long long GETMITEMID(const Value& hMenu, const Value& nPosition) {
  const UINT id = GetMenuItemID(menuOf(hMenu), static_cast<int>(nPosition.integer()));
  return id == static_cast<UINT>(-1) ? kNoEntry : static_cast<long long>(id);
}

std::string GETMENUSTRING(const Value& hMenu, const Value& nItem, const Value& nFlags) {
  return menuString(menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags, MF_BYCOMMAND));
}

long long GETMENUSTATE(const Value& hMenu, const Value& nItem, const Value& nFlags) {
  const UINT state = GetMenuState(menuOf(hMenu), flagsOf(nItem), flagsOf(nFlags, MF_BYCOMMAND));
  return state == static_cast<UINT>(-1) ? kNoEntry : static_cast<long long>(state);
}

Value LOADMENU(const Value& hInst, const Value& cName) {
  const ResourceName name(cName);
  if (!name.get()) return 0;
  const HINSTANCE module = handleFrom<HINSTANCE>(hInst);
  return handleNumber(LoadMenuA(module ? module : resourceModule(), name.get()));
}

bool SETMENU(const Value& hWnd, const Value& hMenu) {
  return callWindows([&] { return SetMenu(handleFrom<HWND>(hWnd), menuOf(hMenu)); }) != FALSE;
}

bool ISMENU(const Value& hMenu) {
  return menuOf(hMenu) != nullptr && IsMenu(menuOf(hMenu)) != FALSE;
}

bool TRACKPOPUP(const Value& hMenu, const Value& nFlags, const Value& nRow, const Value& nCol,
                const Value&, const Value& hWnd) {
  const int x = static_cast<int>(nCol.integer());
  const int y = static_cast<int>(nRow.integer());
  return callWindows([&] {
           return TrackPopupMenu(menuOf(hMenu), flagsOf(nFlags), x, y, 0, handleFrom<HWND>(hWnd),
                                 nullptr);
         }) != FALSE;
}

const lanmere::ModuleTable& menuApiModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&CREATEMENU>("CREATEMENU"), fn<&CREATEPOPUPMENU>("CREATEPOPUPMENU"),
       fn<&DESTROYMENU>("DESTROYMENU"), fn<&APPENDMENU>("APPENDMENU"),
       fn<&INSERTMENU>("INSERTMENU"), fn<&REMOVEMENU>("REMOVEMENU"),
       fn<&ENABLEMENUITEM>("ENABLEMENUITEM"), fn<&CHECKMENUITEM>("CHECKMENUITEM"),
       fn<&HILITEMENUITEM>("HILITEMENUITEM"), fn<&GETSYSTEMMENU>("GETSYSTEMMENU"),
       fn<&GETSUBMENU>("GETSUBMENU"), fn<&GETMITEMCOUNT>("GETMITEMCOUNT"),
       fn<&GETMITEMID>("GETMITEMID"), fn<&GETMENUSTRING>("GETMENUSTRING"),
       fn<&GETMENUSTATE>("GETMENUSTATE"), fn<&LOADMENU>("LOADMENU"), fn<&SETMENU>("SETMENU"),
       fn<&ISMENU>("ISMENU"), fn<&TRACKPOPUP>("TRACKPOPUP")}};
  return module;
}

}  // namespace kestrel
