// Building menus item by item: MENUBEGIN opens a menu on the building stack, MENUADDITEM
// collects items for the innermost open menu, MENUEND adds them to it and closes it. A closed
// menu becomes the action of the last item of the menu around it (a submenu entry), so
// submenus are complete before their entry is appended. Shortcuts collect into one pending
// accelerator table that the outermost menu takes.
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// MENUBEGIN: the new menu. A menu opened inside another is a pop-up and inherits l2007 and
// l2010; with lSystem it is the window's system menu (NewSys), which also becomes the window's
// oSysMenu.
LM_ARGS(MENUBEGINArgs, lPopup, lSystem, oWnd, l2007, l2010)
lanmere::Value MENUBEGIN(lanmere::Args args);
// MENUADDITEM: the new item; nil with no open menu. Position 8 is not used; bAction2, when
// given, is the action.
LM_ARGS(MENUADDITEMArgs, cPrompt, cMsg, lChecked, lActive, bAction, cBmpFile, cResName, unused8,
        bAction2, nVKState, nVirtKey, lHelp, nHelpId, bWhen, lBreak)
lanmere::Value MENUADDITEM(lanmere::Args args);
// MENUEND (): the menu just closed; nil with no open menu.
lanmere::Value MENUEND();
// LASTMENU (): the innermost open menu, or nil.
lanmere::Value LASTMENU();
// LASTITEMPOS (): how many items the innermost open menu has collected, or nil.
lanmere::Value LASTITEMPOS();

const lanmere::ModuleTable& menuBuildModule();

}  // namespace kestrel
