// TMenu: one system menu handle (menu bar, pop-up or a window's system menu) and its list of
// TMenuItem objects; an item whose action is another TMenu is a submenu entry. The module keeps
// the pop-up list (every pop-up menu and submenu, searched by handle, which the window reaches
// through MENUFROMHANDLE) and the 2007-style check-mark bitmap, deleted by the exit procedure
// KS_MENUEXIT$ (through DELCHECK2007).
#pragma once

#include <windows.h>

#include <cstddef>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"
#include "runtime/value.h"

namespace kestrel {

class TMenuItem;

class TMenu : public lanmere::Object {
  LM_CLASS(TMenu, lanmere::Object)
  using Value = lanmere::Value;

  Value hMenu, aMenuItems, oWnd, lSysMenu, lPopup, nHelpId, cVarName, oAccTable, oMenuItemPopup,
      l2007, l2010, OnInit;

  virtual Value New(const Value& lPopupNew = {}, const Value& oWndNew = {},
                    const Value& l2007New = {}, const Value& l2010New = {});
  virtual Value NewSys(const Value& oWndNew);
  virtual Value ReDefine(const Value& cResName, const Value& lPopupNew = {});
  virtual Value Add(const Value& oItem, const Value& lNoOwnerDraw = {});
  virtual Value Insert(const Value& oItem, const Value& nPos);
  Value aItems();
  Value _aItems(const Value& items);
  virtual Value Initiate();
  virtual Value Command(const Value& nId);
  virtual Value Activate(const Value& nRow, const Value& nCol, const Value& oWndShow,
                         const Value& lEnd = {}, const Value& nFlags = {});
  Value GetMenuItem(const Value& nId);
  Value GetPopup(const Value& hMenuFind);
  Value GetSubMenu(const Value& hMenuFind);
  Value LastItem();
  virtual Value Refresh();
  virtual Value Reset();
  virtual Value Enable();
  virtual Value Disable();
  Value Hilite(const Value& nItem);
  Value UnHilite(const Value& nItem);
  virtual Value DelItems();
  virtual Value Destroy();
  virtual Value End();
  virtual Value HelpTopic();
  virtual Value SetSkin(const Value& l2007New, const Value& l2010New = {});
  // "&Window": arranging the MDI children of the frame that shows this menu (else the module's
  // frame); the system lists the children under it.
  virtual Value AddMdi();
  // "&Help": the help file's index and search, and the about box.
  virtual Value AddHelp();
  // The record of the menu and its items; Load assigns the listed members of one (true), or
  // refuses it with the error (false).
  Value Save();
  Value Load(const Value& cData);

  // ---- For C++ callers ----
  HMENU handle() const;
  // The item's position in this menu (0 first), -1 when it is not one of its items.
  long long positionOf(const TMenuItem& item) const;
  // The position of the item's entry in the system's menu (0 first), found by identifier (a
  // submenu entry by its handle); -1 when the item or its entry is missing.
  long long entryPosition(const TMenuItem& item) const;
  // The window showing this menu as its bar; null otherwise.
  HWND barWindow() const;
  Value self();

 private:
  void runItem(const Value& item);
  UINT entryFlags(const TMenuItem& item, bool noOwnerDraw) const;
};

// The pop-up list.
void joinPopups(const lanmere::Value& menu);
void leavePopups(const TMenu& menu);
std::size_t popupMenuCount() noexcept;
// MENUFROMHANDLE (hMenu): the menu of the pop-up list with that handle, or nil.
lanmere::Value MENUFROMHANDLE(const lanmere::Value& hMenu);
lanmere::Value TMENU();
// How records become menus (built item by item) and where loaded item events go; once.
void registerMenuLoaders();

HBITMAP check2007Bitmap() noexcept;
void setCheck2007Bitmap(HBITMAP bitmap) noexcept;

// Deletes the bitmap if it exists and clears the handle.
void deleteCheck2007();

lanmere::Value DELCHECK2007();

const lanmere::ModuleTable& menuModule();

}  // namespace kestrel
