// TWindow's HandleEvent and event methods: the dispatcher turns each message into its event
// method, whose default behaviour is to evaluate the user's closure; the answer of the closure is
// (where it has one) the window procedure's result.
#include <windows.h>

#include <dde.h>
#include <shellapi.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/fwmessages.h"
#include "framework/core/tdialog_msgs.h"
#include "framework/core/twindow.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndhandleevent.h"
#include "framework/core/wndproc.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/functions.h"
#include "runtime/setkey.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr long long kExtendedKey = 0x01000000;  // bit 24 of a key message's flags
constexpr long long kEscape = VK_ESCAPE;
constexpr UINT kCommandMask = 0xFFF0;  // the low four bits of a system command are the system's
constexpr long long kFirstSystemCommand = 0xF000;
constexpr long long kNoControlId = 0xFFFF;

// The frames the framework's dispatch puts between the interrupted code and a key action: the
// loops, the bridge, HandleEvent and the key and command methods that look the action up, and
// the Activate that waits in the main loop.
bool isDispatchFrame(std::string_view procedure) {
  static constexpr std::string_view kLoops[] = {"WINRUN", "SYSREFRESH", "_KQX"};
  for (std::string_view loop : kLoops) {
    if (procedure == loop) return true;
  }
  const std::size_t colon = procedure.find(':');
  if (colon == std::string_view::npos) return false;
  static constexpr std::string_view kMethods[] = {"HANDLEEVENT", "KEYDOWN", "KEYCHAR", "SYSCOMMAND",
                                                  "ACTIVATE"};
  const std::string_view method = procedure.substr(colon + 1);
  for (std::string_view dispatch : kMethods) {
    if (method == dispatch) return true;
  }
  return false;
}

// A key action runs with the procedure name and line of the code the key interrupted: the first
// frame, from the innermost outwards, that is not one of the dispatch frames.
Value runKeyAction(const Value& action, const Value& window) {
  std::size_t level = 0;
  while (const lanmere::Frame* frame = lanmere::frameAt(level)) {
    if (!isDispatchFrame(frame->procedure())) break;
    ++level;
  }
  return evaluate(action, lanmere::procName(level), lanmere::procLine(level), window);
}

LRESULT sendTo(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return callWindows([&] { return SendMessageA(hwnd, message, wParam, lParam); });
}

}  // namespace

Value TWindow::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  return WNDHANDLEEVENT(*this, nMsg, nWParam, nLParam);
}

// ---- Mouse ----

Value TWindow::LButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  return evaluate(bLClicked, nRow, nCol, nFlags, self());
}

Value TWindow::LButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  if (OnClick.isClosure()) return evaluate(OnClick, nRow, nCol, nFlags);
  return evaluate(bLButtonUp, nRow, nCol, nFlags, self());
}

Value TWindow::LDblClick(const Value& nRow, const Value& nCol, const Value& nFlags) {
  return evaluate(bLDblClick, nRow, nCol, nFlags, self());
}

Value TWindow::RButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(bRClicked, nRow, nCol, nFlags, self());
  return {};
}

Value TWindow::RButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(bRButtonUp, nRow, nCol, nFlags, self());
  return {};
}

Value TWindow::MButtonDown(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(bMButtonDown, nRow, nCol, nFlags, self());
  return {};
}

Value TWindow::MButtonUp(const Value& nRow, const Value& nCol, const Value& nFlags) {
  evaluate(bMButtonUp, nRow, nCol, nFlags, self());
  return {};
}

Value TWindow::MouseMove(const Value& nRow, const Value& nCol, const Value& nFlags) {
  const HCURSOR cursor = handleOfMember<HCURSOR>(oCursor, msg::hCursor);
  SetCursor(cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW));
  if (!cMsg.isNil()) SetMsg(cMsg);
  CheckToolTip();
  if (OnMouseMove.isClosure()) {
    evaluate(OnMouseMove, self(), nRow, nCol, nFlags);
  } else if (OnMouseMove.isText()) {
    // A method name, answered by the window that holds this one (a form in design), else by it.
    const Value receiver = oWnd.isObject() ? oWnd : self();
    Value args[] = {self(), nRow, nCol, nFlags};
    lanmere::send(receiver, lanmere::symbol(OnMouseMove.text()), lanmere::Args(args));
  }
  return bMMoved.isClosure() ? evaluate(bMMoved, nRow, nCol, nFlags) : Value(0);
}

Value TWindow::MouseWheel(const Value& nKeys, const Value& nDelta, const Value& nX,
                          const Value& nY) {
  return evaluate(bMouseWheel, nKeys, nDelta, nX, nY);
}

// The non-client area has no behaviour of its own.
Value TWindow::NcMouseMove(const Value&, const Value&, const Value&) {
  return {};
}

Value TWindow::NcActivate(const Value& lActiveNow) {
  if (!lActiveNow.logical() && lFocused.logical() && bLostFocus.isClosure()) {
    evaluate(bLostFocus, self(), handleNumber(GetFocus()));
  }
  return {};
}

Value TWindow::Moved(const Value& nRow, const Value& nCol) {
  return evaluate(bMoved, nRow, nCol);
}

Value TWindow::ReSize(const Value& nSizeType, const Value& nWidthNew, const Value& nHeightNew) {
  CoorsUpdate();
  // The docked controls and bars take their places again; a bar that is already the top or
  // bottom control is placed once.
  tell(oTop, msg::AdjTop);
  tell(oBottom, msg::AdjBottom);
  if (!oMsgBar.sharesStorageWith(oBottom)) tell(oMsgBar, msg::Adjust);
  if (!oBar.sharesStorageWith(oTop)) tell(oBar, msg::Adjust);
  tell(oLeft, msg::AdjLeft);
  tell(oRight, msg::AdjRight);
  tell(oClient, msg::AdjClient);
  evaluate(OnResize, self());
  evaluate(bResized, nSizeType, nWidthNew, nHeightNew);
  return {};
}

// ---- Focus ----

Value TWindow::GotFocus(const Value&) {
  lFocused = true;
  evaluate(bGotFocus, self());
  const HWND remembered = handleFrom<HWND>(hCtlFocus);
  if (remembered && IsWindow(remembered) && IsChild(hwnd(), remembered)) {
    callWindows([&] { return ::SetFocus(remembered); });
  } else if (aControls.length() > 0) {
    const HWND first = handleOfMember<HWND>(FirstActiveCtrl(), msg::hWnd);
    if (first) {
      hCtlFocus = handleNumber(first);
      callWindows([&] { return ::SetFocus(first); });
    }
  }
  return 0;
}

Value TWindow::LostFocus(const Value& hWndNew) {
  lFocused = false;
  if (toolTipState().shown && toolTipState().owner == hwnd()) DestroyToolTip();
  return evaluate(bLostFocus, self(), hWndNew);
}

Value TWindow::KillFocus(const Value& hWndNew) {
  return LostFocus(hWndNew);
}

// ---- Keyboard ----

Value TWindow::KeyDown(const Value& nKey, const Value& nFlags) {
  const long long key = nKey.integer();
  const Value action = lanmere::keyAction(key);
  if (key == VK_TAB && oWnd.isObject()) {
    tell(oWnd, keyDown(VK_SHIFT) ? msg::GoPrevCtrl : msg::GoNextCtrl, hWnd);
    return 0;
  }
  if ((key == VK_F4 || key == VK_F6) && keyDown(VK_CONTROL) && isKindOf(oWnd, "TMDICHILD")) {
    tell(oWnd, msg::KeyDown, nKey, nFlags);
    return 0;
  }
  if (action.isClosure()) {
    runKeyAction(action, self());
    return 0;
  }
  if (key == VK_F1) return 0;
  evaluate(OnKeyDown, self(), nKey, nFlags);
  if (!isKindOf(*this, "TGET") && bKeyDown.isClosure()) {
    return evaluate(bKeyDown, nKey, nFlags);
  }
  const HWND parent = handleOfMember<HWND>(oWnd, msg::hWnd);
  if (parent && IsChild(parent, hwnd())) tell(oWnd, msg::KeyDown, nKey, nFlags);
  return {};
}

// A key action runs here only for extended keys: the key-down message of the same key has run
// it already otherwise.
Value TWindow::KeyChar(const Value& nKey, const Value& nFlags) {
  const Value action = lanmere::keyAction(nKey.integer());
  if (action.isClosure() && (nFlags.integer() & kExtendedKey)) return runKeyAction(action, self());
  if (bKeyChar.isClosure()) return evaluate(bKeyChar, nKey, nFlags);
  if (nKey.integer() == kEscape) tell(oWnd, msg::KeyChar, nKey, nFlags);
  return {};
}

// ---- Commands and scrolling ----

Value TWindow::Command(const Value& nWParam, const Value& nLParam) {
  const long long code = hiWord(nWParam.integer());
  const long long id = loWord(nWParam.integer());
  const HWND control = handleFrom<HWND>(nLParam);
  if (oPopup.isObject()) {
    tell(oPopup, msg::Command, id);
  } else if (!control) {
    tell(oMenu, msg::Command, id);
  } else if (windowClassName(control) == "ToolbarWindow32") {
    tell(OWNDFROMHWND(nLParam), msg::Command, id);
  } else if (code == BN_CLICKED) {
    sendTo(control, kWmFrameworkClick);
  } else if (code == CBN_CLOSEUP) {
    sendTo(control, kWmFrameworkCloseUp);
  } else if (code == CBN_SELCHANGE) {
    sendTo(control, kWmFrameworkChange);
  }
  return {};
}

// Close commands go through validation, so the close box and Alt+F4 ask bValid. The key menu
// answers 0 only when a key action for F10 ran: answering 0 always would take Alt and F10 menu
// access away from every window.
Value TWindow::SysCommand(const Value& nCmd, const Value&, const Value&) {
  const long long command = nCmd.integer();
  if ((command & kCommandMask) == SC_KEYMENU) {
    const Value action = lanmere::keyAction(VK_F10);
    if (!action.isClosure()) return {};
    runKeyAction(action, self());
    return 0;
  }
  if (command < kFirstSystemCommand) {
    if (!oSysMenu.isObject()) return {};
    tell(oSysMenu, msg::Command, command);
    return 0;
  }
  if ((command & kCommandMask) == SC_CLOSE) return End();
  return {};
}

namespace {

// One scroll message: the window's own bar (no control window) goes to its scroll-bar object,
// a scroll-bar control gets the framework's scroll messages.
Value scroll(const Value& bar, const Value& nWParam, const Value& nLParam) {
  const long long code = loWord(nWParam.integer());
  const long long position = hiWord(nWParam.integer());
  const HWND control = handleFrom<HWND>(nLParam);
  if (code == SB_ENDSCROLL) return 0;
  if (!control) {
    switch (code) {
      case SB_LINEUP:
        tell(bar, msg::GoUp);
        break;
      case SB_LINEDOWN:
        tell(bar, msg::GoDown);
        break;
      case SB_PAGEUP:
        tell(bar, msg::PageUp);
        break;
      case SB_PAGEDOWN:
        tell(bar, msg::PageDown);
        break;
      case SB_THUMBPOSITION:
        tell(bar, msg::ThumbPos, position);
        break;
      case SB_THUMBTRACK:
        tell(bar, msg::ThumbTrack, position);
        break;
      default:
        break;
    }
    return 0;
  }
  const auto wParam = static_cast<WPARAM>(position);
  switch (code) {
    case SB_LINEUP:
      sendTo(control, kWmFrameworkLineUp);
      break;
    case SB_LINEDOWN:
      sendTo(control, kWmFrameworkLineDown);
      break;
    case SB_PAGEUP:
      sendTo(control, kWmFrameworkPageUp);
      break;
    case SB_PAGEDOWN:
      sendTo(control, kWmFrameworkPageDown);
      break;
    case SB_THUMBPOSITION:
      sendTo(control, kWmFrameworkThumbPos, wParam);
      break;
    case SB_THUMBTRACK:
      sendTo(control, kWmFrameworkThumbTrack, wParam);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace

Value TWindow::VScroll(const Value& nWParam, const Value& nLParam) {
  return scroll(oVScroll, nWParam, nLParam);
}

Value TWindow::HScroll(const Value& nWParam, const Value& nLParam) {
  return scroll(oHScroll, nWParam, nLParam);
}

// The control answers its brush to the colours message; a control that answers none (0, any
// window that is no framework control) keeps the system's colours.
Value TWindow::CtlColor(const Value& hWndCtl, const Value& hDCCtl) {
  const HWND control = handleFrom<HWND>(hWndCtl);
  if (!control || GetDlgCtrlID(control) == kNoControlId || GetParent(control) != hwnd()) return {};
  const LRESULT brush = sendTo(control, kWmFrameworkColors, static_cast<WPARAM>(hDCCtl.integer()));
  return brush ? Value(static_cast<long long>(brush)) : Value();
}

// ---- Menus and help ----
// The menu classes sit above the core: menus are reached by message, the module's pop-up list
// through MENUFROMHANDLE and the painters through their functions, each by name.

namespace {

constexpr long long kMenuClosed = 0xFFFF;  // MenuSelect's flags when the menu closes
constexpr long long kExecuteItem = 2;      // MenuChar's answer: run the item at the position
constexpr int kMenuCharShift = 16;

Value menuFromHandle(const Value& hMenu) {
  static const lanmere::Symbol* const finder = lanmere::symbol("MENUFROMHANDLE");
  if (!lanmere::findFunction(finder)) return {};
  return lanmere::callFunction(finder, {hMenu});
}

bool sameHandle(const Value& menu, const Value& hMenu) {
  return menu.isObject() && offer(menu, msg::hMenu).integer() == hMenu.integer();
}

// The menu object a message about `hMenu` concerns: the pop-up or the bar when it is theirs,
// else the pop-up list's; nil when none.
Value menuWithHandle(const Value& popup, const Value& bar, const Value& hMenu) {
  if (sameHandle(popup, hMenu)) return popup;
  if (sameHandle(bar, hMenu)) return bar;
  return menuFromHandle(hMenu);
}

// The item with that identifier in the system menu, the pop-up or the bar.
Value menuItemOf(std::initializer_list<const Value*> menus, const Value& id) {
  for (const Value* menu : menus) {
    const Value item = offer(*menu, msg::GetMenuItem, id);
    if (item.isObject()) return item;
  }
  return {};
}

unsigned char upperChar(unsigned char c) {
  return static_cast<unsigned char>(
      reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(c)))));
}

// The position (from 1) of the first item whose prompt marks `key` with "&", case-insensitive;
// 0 when none does. "&&" is a plain "&".
std::size_t hotItem(const Value& menu, long long key) {
  const Value items = offer(menu, msg::aMenuItems);
  const unsigned char wanted = upperChar(static_cast<unsigned char>(key));
  for (std::size_t i = 1; i <= items.length(); ++i) {
    const std::string prompt = tell(items.item(i), msg::cPrompt).string();
    for (std::size_t at = 0; at + 1 < prompt.size(); ++at) {
      if (prompt[at] != '&') continue;
      if (prompt[at + 1] == '&') {
        ++at;
        continue;
      }
      if (upperChar(static_cast<unsigned char>(prompt[at + 1])) == wanted) return i;
      break;
    }
  }
  return 0;
}

// Draw and measure requests of menu entries: the record's item data is the entry's identifier.
template <class Record>
Value paintMenuEntry(TWindow& window, const Value& pRecord, const char* painter,
                     const char* flatPainter) {
  const auto* record = handleFrom<const Record*>(pRecord);
  if (!record || record->CtlType != ODT_MENU) return {};
  const Value id = static_cast<long long>(record->itemData);
  const Value item = menuItemOf({&window.oSysMenu, &window.oPopup, &window.oMenu}, id);
  if (!item.isObject()) return {};
  const Value owner = tell(item, msg::oMenu);
  const bool flat = tell(owner, msg::l2007).logical() || tell(owner, msg::l2010).logical();
  const lanmere::Symbol* const name = lanmere::symbol(flat && flatPainter ? flatPainter : painter);
  if (!lanmere::findFunction(name)) return {};
  const Value bar = handleNumber(GetMenu(window.hwnd()));
  lanmere::callFunction(name, {pRecord, tell(item, msg::cPrompt), bar, tell(item, msg::hBitmap),
                               window.hWnd, flatPainter ? tell(owner, msg::l2010) : Value(flat)});
  return 1;
}

}  // namespace

// Identifier 0 is a menu entry; a control's request goes on to the control as the framework's
// draw message.
Value TWindow::DrawItem(const Value& nIdCtl, const Value& pItemStruct) {
  if (nIdCtl.integer() == 0) {
    return paintMenuEntry<DRAWITEMSTRUCT>(*this, pItemStruct, "MENUDRAWITEM", "MENUDRAW2007");
  }
  const HWND control = GetDlgItem(hwnd(), static_cast<int>(nIdCtl.integer()));
  if (!control || control == hwnd()) return {};
  return static_cast<long long>(sendTo(control, kWmFrameworkDrawItem,
                                       static_cast<WPARAM>(nIdCtl.integer()),
                                       static_cast<LPARAM>(pItemStruct.integer())));
}

// A control asks while its window is being created, before the object is linked to it, so it is
// found by identifier among the window's controls (a dialog's controls are listed before its
// window exists; a control made on a live window sets its item height again once created).
Value TWindow::MeasureItem(const Value& nIdCtl, const Value& pMitStruct) {
  if (nIdCtl.integer() == 0) {
    return paintMenuEntry<MEASUREITEMSTRUCT>(*this, pMitStruct, "MENUMEASUREITEM", nullptr);
  }
  if (!aControls.isList()) return {};
  for (const Value& control : aControls.items()) {
    if (control.isObject() && tell(control, msg::nId).integer() == nIdCtl.integer()) {
      return offer(control, msg::FillMeasure, pMitStruct);
    }
  }
  return {};
}

// A pop-up the window shows is initiated alone; otherwise the bar. The submenu that opens is
// initiated too (a pop-up's submenus included, so their items grey as the bar's do).
Value TWindow::InitMenuPopup(const Value& hMenu, const Value& nPos, const Value& lSystem) {
  (void)nPos;
  if (lSystem.logical()) {
    offer(oSysMenu, msg::Initiate);
    return {};
  }
  const Value opened = menuFromHandle(hMenu);
  const Value& top = oPopup.isObject() ? oPopup : oMenu;
  offer(top, msg::Initiate);
  if (opened.isObject() && !opened.sharesStorageWith(top)) offer(opened, msg::Initiate);
  return {};
}

Value TWindow::MenuSelect(const Value& nIdItem, const Value& nFlags, const Value& hMenu) {
  if (toolTipState().shown && toolTipState().owner == hwnd()) DestroyToolTip();
  if (nFlags.integer() == kMenuClosed && hMenu.integer() == 0) {
    tell(self(), msg::_oMItemSelect, Value());
    SetMsg("");
    return {};
  }
  Value item;
  if (nFlags.integer() & MF_POPUP) {  // a submenu entry: the identifier is its position
    const Value menu = menuWithHandle(oPopup, oMenu, hMenu);
    item = offer(menu, msg::aMenuItems).item(static_cast<std::size_t>(nIdItem.integer()) + 1);
  } else {
    item = menuItemOf({&oPopup, &oMenu, &oSysMenu}, nIdItem);
  }
  tell(self(), msg::_oMItemSelect, item);
  const Value text = tell(item, msg::cMsg);
  SetMsg(text.isText() ? text : Value(""));
  evaluate(bMenuSelect, item, nFlags, hMenu);
  return {};
}

Value TWindow::MenuChar(const Value& nKey, const Value& nFlags, const Value& hMenu) {
  (void)nFlags;
  const Value& top = oPopup.isObject() ? oPopup : oMenu;
  if (!top.isObject()) return {};
  Value menu = menuWithHandle(oPopup, oMenu, hMenu);
  if (!menu.isObject()) menu = top;
  const std::size_t position = hotItem(menu, nKey.integer());
  if (position == 0) return 0;
  return static_cast<long long>((position - 1) | (kExecuteItem << kMenuCharShift));
}

Value TWindow::Help(const Value& nWParam, const Value& nLParam) {
  return offer(oMenu, msg::Help, nWParam, nLParam);
}

Value TWindow::HelpTopic(const Value& nWParam, const Value& nLParam) {
  return Help(nWParam, nLParam);
}

// The topic of the menu item being selected, else the window's.
Value TWindow::HelpF1() {
  const Value item = lanmere::send(self(), msg::oMItemSelect);
  if (item.isObject()) return tell(item, msg::HelpTopic);
  static const lanmere::Symbol* const helpTopic = lanmere::symbol("HELPTOPIC");
  if (!lanmere::findFunction(helpTopic)) return {};
  if (nHelpId.isNil()) return lanmere::callFunction(helpTopic, {});
  return lanmere::callFunction(helpTopic, {nHelpId});
}

// ---- Others ----

// The file list and the drop point go to bDropFiles; the drop is finished on every way out.
Value TWindow::DropFiles(const Value& hDrop) {
  const HDROP drop = handleFrom<HDROP>(hDrop);
  struct Finish {
    HDROP drop;
    ~Finish() { callSystem<"shell32.dll", "DragFinish", decltype(::DragFinish)>(drop); }
  } finish{drop};
  if (!bDropFiles.isClosure()) return {};
  POINT point{};
  callSystem<"shell32.dll", "DragQueryPoint", decltype(::DragQueryPoint)>(drop, &point);
  Value files = Value::list();
  const auto queryFile = [drop](UINT index, char* buffer, UINT size) {
    return callSystem<"shell32.dll", "DragQueryFileA", decltype(::DragQueryFileA)>(drop, index,
                                                                                   buffer, size);
  };
  const UINT count = queryFile(0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::string name(queryFile(i, nullptr, 0) + 1, '\0');
    name.resize(queryFile(i, name.data(), static_cast<UINT>(name.size())));
    files.listData()->items.push_back(Value(name));
  }
  evaluate(bDropFiles, point.y, point.x, files);
  return {};
}

Value TWindow::DropOver(const Value& nRow, const Value& nCol, const Value& nLParam) {
  return evaluate(bDropOver, nRow, nCol, nLParam);
}

// aMinMaxInfo lists the MINMAXINFO points after the reserved one, x before y: maximised size,
// maximised position, smallest and largest tracking size. A nil element keeps the system's.
Value TWindow::GetMinMaxInfo(const Value& pMinMaxInfo) {
  auto* info = handleFrom<MINMAXINFO*>(pMinMaxInfo);
  if (!info || !aMinMaxInfo.isList()) return {};
  POINT* points[] = {&info->ptMaxSize, &info->ptMaxPosition, &info->ptMinTrackSize,
                     &info->ptMaxTrackSize};
  for (std::size_t i = 0; i < 4; ++i) {
    const Value& x = aMinMaxInfo.item(2 * i + 1);
    const Value& y = aMinMaxInfo.item(2 * i + 2);
    if (x.isNumber()) points[i]->x = static_cast<LONG>(x.integer());
    if (y.isNumber()) points[i]->y = static_cast<LONG>(y.integer());
  }
  return 0;
}

Value TWindow::QueryDragIcon() {
  const HICON icon = handleOfMember<HICON>(oIcon, msg::hIcon);
  return icon ? Value(handleNumber(icon)) : Value();
}

Value TWindow::QueryNewPalette() {
  return {};
}

Value TWindow::PaletteChanged(const Value&) {
  return {};
}

Value TWindow::Notify(const Value&, const Value&) {
  return {};
}

Value TWindow::CommNotify(const Value& nComId, const Value& nStatus) {
  return evaluate(bCommNotify, nComId, nStatus);
}

Value TWindow::DdeInitiate(const Value& hWndClient, const Value& nApp, const Value& nTopic) {
  return evaluate(bDdeInit, hWndClient, nApp, nTopic);
}

// The command text is read from the client's memory, which stays the client's: the
// acknowledgement hands the handle back. The read stops at the block's end when the client left
// out the zero byte.
Value TWindow::DdeExecute(const Value& hWndClient, const Value& hCommands) {
  const auto memory = handleFrom<HGLOBAL>(hCommands);
  evaluate(bDdeExecute, hWndClient, blockBytes(memory, true));
  constexpr UINT_PTR kAcknowledged = 0x8000;
  PostMessageA(handleFrom<HWND>(hWndClient), WM_DDE_ACK, reinterpret_cast<WPARAM>(hwnd()),
               PackDDElParam(WM_DDE_ACK, kAcknowledged, reinterpret_cast<UINT_PTR>(memory)));
  return 0;
}

// Conversations as a client are the DDE client class's: DDEACK and DDETERMINATE learn which
// window received the message, so a conversation of the application window takes only its own.
Value TWindow::DdeAck(const Value& hWndServer, const Value& nLParam) {
  static const lanmere::Symbol* const ddeAck = lanmere::symbol("DDEACK");
  if (!lanmere::findFunction(ddeAck)) return {};
  return lanmere::callFunction(ddeAck, {hWndServer, nLParam, Value(handleNumber(hwnd()))});
}

Value TWindow::DdeTerminate(const Value& hWndPartner) {
  static const lanmere::Symbol* const ddeTerminate = lanmere::symbol("DDETERMINATE");
  if (!lanmere::findFunction(ddeTerminate)) return {};
  return lanmere::callFunction(ddeTerminate, {hWndPartner, Value(handleNumber(hwnd()))});
}

// Timers are the timer class's: TIMEREVENT finds the timer by its identifier.
Value TWindow::Timer(const Value& nIdTimer, const Value&) {
  static const lanmere::Symbol* const timerEvent = lanmere::symbol("TIMEREVENT");
  if (!lanmere::findFunction(timerEvent)) return 0;
  return lanmere::callFunction(timerEvent, {nIdTimer});
}

Value TWindow::AsyncSelect(const Value& nSocket, const Value& nLParam) {
  return evaluate(bSocket, nSocket, nLParam);
}

Value TWindow::TaskBar(const Value& nWParam, const Value& nLParam) {
  return evaluate(bTaskBar, nWParam, nLParam);
}

}  // namespace kestrel
