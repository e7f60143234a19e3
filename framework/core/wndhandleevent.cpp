#include "framework/core/wndhandleevent.h"

#include <windows.h>
// after windows.h
#include <dde.h>

#include <array>
#include <cstdint>

#include "framework/core/fwmessages.h"
#include "framework/core/perclass.h"
#include "framework/core/win32.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Object;
using lanmere::Resolved;
using lanmere::Value;

namespace {

static_assert(kEvTimer == 72 && kEvHelpF1 == 35 && kEvKillFocus == 43);

constexpr unsigned kWmCtlColor16 = 0x0019;  // the 16-bit systems' colour request

struct EventName {
  int slot;
  const char* name;
};

constexpr EventName kEventNames[] = {
    {kEvAsyncSelect, "ASYNCSELECT"},
    {kEvBeginPaint, "BEGINPAINT"},
    {kEvChange, "CHANGE"},
    {kEvClick, "CLICK"},
    {kEvClose, "CLOSE"},
    {kEvColors, "COLORS"},
    {kEvCommand, "COMMAND"},
    {kEvCommNotify, "COMMNOTIFY"},
    {kEvCtlColor, "CTLCOLOR"},
    {kEvDdeAck, "DDEACK"},
    {kEvDdeExecute, "DDEEXECUTE"},
    {kEvDdeInitiate, "DDEINITIATE"},
    {kEvDdeTerminate, "DDETERMINATE"},
    {kEvDisplay, "DISPLAY"},
    {kEvDestroy, "DESTROY"},
    {kEvDrawItem, "DRAWITEM"},
    {kEvDropFiles, "DROPFILES"},
    {kEvDropOver, "DROPOVER"},
    {kEvEndPaint, "ENDPAINT"},
    {kEvEraseBkGnd, "ERASEBKGND"},
    {kEvFillMeasure, "FILLMEASURE"},
    {kEvKsLostFocus, "KSLOSTFOCUS"},
    {kEvGetDlgCode, "GETDLGCODE"},
    {kEvGetMinMaxInfo, "GETMINMAXINFO"},
    {kEvGotFocus, "GOTFOCUS"},
    {kEvHelpF1, "HELPF1"},
    {kEvHelp, "HELP"},
    {kEvHScroll, "HSCROLL"},
    {kEvInitiate, "INITIATE"},
    {kEvInitMenuPopup, "INITMENUPOPUP"},
    {kEvKeyChar, "KEYCHAR"},
    {kEvKeyDown, "KEYDOWN"},
    {kEvKillFocus, "KILLFOCUS"},
    {kEvLostFocus, "LOSTFOCUS"},
    {kEvNcActivate, "NCACTIVATE"},
    {kEvNcMouseMove, "NCMOUSEMOVE"},
    {kEvNotify, "NOTIFY"},
    {kEvLButtonDown, "LBUTTONDOWN"},
    {kEvLButtonUp, "LBUTTONUP"},
    {kEvLDblClick, "LDBLCLICK"},
    {kEvMButtonDown, "MBUTTONDOWN"},
    {kEvMButtonUp, "MBUTTONUP"},
    {kEvMeasureItem, "MEASUREITEM"},
    {kEvMenuChar, "MENUCHAR"},
    {kEvMenuSelect, "MENUSELECT"},
    {kEvMouseMove, "MOUSEMOVE"},
    {kEvMouseWheel, "MOUSEWHEEL"},
    {kEvMoved, "MOVED"},
    {kEvPaint, "PAINT"},
    {kEvNcPaint, "NCPAINT"},
    {kEvPaletteChanged, "PALETTECHANGED"},
    {kEvQueryDragIcon, "QUERYDRAGICON"},
    {kEvQueryEndSession, "QUERYENDSESSION"},
    {kEvQueryNewPalette, "QUERYNEWPALETTE"},
    {kEvRButtonDown, "RBUTTONDOWN"},
    {kEvRButtonUp, "RBUTTONUP"},
    {kEvReSize, "RESIZE"},
    {kEvTaskBar, "TASKBAR"},
    {kEvSetFocus, "SETFOCUS"},
    {kEvVScroll, "VSCROLL"},
    {kEvSysCommand, "SYSCOMMAND"},
    {kEvTimer, "TIMER"},
    {kEvHelpTopic, "HELPTOPIC"},
    {kEvKeyUp, "KEYUP"},
    {kEvSysChar, "SYSCHAR"},
    {kEvSysKeyDown, "SYSKEYDOWN"},
    {kEvCaptureChanged, "CAPTURECHANGED"},
    {kEvUpdateUIState, "UPDATEUISTATE"},
    {kEvPrintClient, "PRINTCLIENT"},
};
// Every slot but the three empty ones.
static_assert(std::size(kEventNames) == kLastEventSlot - kFirstEventSlot + 1 - 3);

using SymbolTable = std::array<const lanmere::Symbol*, kLastEventSlot + 1>;

const SymbolTable& symbols() {
  static const SymbolTable table = [] {
    SymbolTable filled{};
    for (const EventName& event : kEventNames) filled[event.slot] = lanmere::symbol(event.name);
    return filled;
  }();
  return table;
}

// What the event methods of one class resolve to (null: the class does not define it).
using ClassEvents = std::array<const Resolved*, kLastEventSlot + 1>;

const ClassEvents& eventsOf(const Object& self) {
  static PerClass<ClassEvents> cache;
  return cache.of(self.classInfo(), [](const lanmere::ClassInfo& info) {
    ClassEvents events{};
    const SymbolTable& table = symbols();
    for (int slot = kFirstEventSlot; slot <= kLastEventSlot; ++slot) {
      if (table[slot]) events[slot] = info.resolve(table[slot]);
    }
    return events;
  });
}

Value sendEvent(Object& self, int slot, Args args = {}) {
  const Resolved* method = eventsOf(self)[slot];
  return method ? lanmere::invoke(self, *method, args) : Value();
}

template <class... A>
Value sendEvent(Object& self, int slot, A&&... values) {
  Value args[] = {Value(std::forward<A>(values))...};
  return sendEvent(self, slot, Args(args));
}

}  // namespace

const lanmere::Symbol* eventSymbol(int slot) noexcept {
  return slot >= kFirstEventSlot && slot <= kLastEventSlot ? symbols()[slot] : nullptr;
}

Value WNDHANDLEEVENT(Object& self, const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  const long long w = nWParam.integer();
  const long long l = nLParam.integer();
  const auto uw = static_cast<std::uint64_t>(w);
  const auto ul = static_cast<std::uint64_t>(l);
  switch (nMsg.integer()) {
    case WM_DESTROY:
      return sendEvent(self, kEvDestroy);
    case WM_MOVE:
      return sendEvent(self, kEvMoved, signedHiWord(ul), signedLoWord(ul));
    case WM_SIZE:
      return sendEvent(self, kEvReSize, w, loWord(ul), hiWord(ul));
    case WM_SETFOCUS:
      return sendEvent(self, kEvGotFocus, w);
    case WM_KILLFOCUS:
      return sendEvent(self, kEvKillFocus, w);
    case WM_PAINT:
      return sendEvent(self, kEvDisplay);
    case WM_CLOSE:
      return sendEvent(self, kEvClose, w);
    case WM_QUERYENDSESSION:
      return sendEvent(self, kEvQueryEndSession);
    case WM_ERASEBKGND:
      return sendEvent(self, kEvEraseBkGnd, w);
    case WM_GETMINMAXINFO:
      return sendEvent(self, kEvGetMinMaxInfo, l);
    case WM_DRAWITEM:
    case kWmFrameworkDrawItem:
      return sendEvent(self, kEvDrawItem, w, l);
    case WM_MEASUREITEM:
      return sendEvent(self, kEvMeasureItem, w, l);
    case WM_QUERYDRAGICON:
      return sendEvent(self, kEvQueryDragIcon);
    case WM_COMMNOTIFY:
      return sendEvent(self, kEvCommNotify, w, l);
    case WM_NOTIFY:
      return sendEvent(self, kEvNotify, w, l);
    case WM_HELP:
      return sendEvent(self, kEvHelpTopic, w, l);
    case WM_NCACTIVATE:
      return sendEvent(self, kEvNcActivate, w != 0);
    case WM_GETDLGCODE:
      return sendEvent(self, kEvGetDlgCode, w);
    case WM_NCMOUSEMOVE:
      return sendEvent(self, kEvNcMouseMove, w, signedHiWord(ul), signedLoWord(ul));
    case WM_KEYDOWN:
      return sendEvent(self, kEvKeyDown, w, l);
    case WM_KEYUP:
      return sendEvent(self, kEvKeyUp, w, l);
    case WM_CHAR:
      return sendEvent(self, kEvKeyChar, w, l);
    case WM_SYSKEYDOWN:
      return sendEvent(self, kEvSysKeyDown, w, l);
    case WM_SYSCHAR:
      return sendEvent(self, kEvSysChar, w, l);
    case WM_INITDIALOG:
      return sendEvent(self, kEvInitiate, w, l);
    case WM_COMMAND:
      return sendEvent(self, kEvCommand, w, l);
    // The key of the key-menu command is LO(lParam).
    case WM_SYSCOMMAND:
      return sendEvent(self, kEvSysCommand, w, loWord(ul), hiWord(ul));
    case WM_TIMER:
      return sendEvent(self, kEvTimer, w, l);
    case WM_HSCROLL:
      return sendEvent(self, kEvHScroll, w, l);
    case WM_VSCROLL:
      return sendEvent(self, kEvVScroll, w, l);
    case WM_INITMENUPOPUP:
      return sendEvent(self, kEvInitMenuPopup, w, loWord(ul), hiWord(ul) != 0);
    // The menu flags are HI(wParam); lParam is the menu's handle.
    case WM_MENUSELECT:
      return sendEvent(self, kEvMenuSelect, loWord(uw), hiWord(uw), l);
    case WM_MENUCHAR:
      return sendEvent(self, kEvMenuChar, loWord(uw), hiWord(uw), l);
    case WM_UPDATEUISTATE:
      return sendEvent(self, kEvUpdateUIState, w, l);
    case kWmCtlColor16:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return sendEvent(self, kEvCtlColor, l, w);
    case WM_MOUSEMOVE:
      return sendEvent(self, kEvMouseMove, signedHiWord(ul), signedLoWord(ul), w);
    case WM_LBUTTONDOWN:
      return sendEvent(self, kEvLButtonDown, signedHiWord(ul), signedLoWord(ul), w);
    case WM_LBUTTONUP:
      return sendEvent(self, kEvLButtonUp, signedHiWord(ul), signedLoWord(ul), w);
    case WM_LBUTTONDBLCLK:
      return sendEvent(self, kEvLDblClick, signedHiWord(ul), signedLoWord(ul), w);
    case WM_RBUTTONDOWN:
      return sendEvent(self, kEvRButtonDown, signedHiWord(ul), signedLoWord(ul), w);
    case WM_RBUTTONUP:
      return sendEvent(self, kEvRButtonUp, signedHiWord(ul), signedLoWord(ul), w);
    case WM_MBUTTONDOWN:
      return sendEvent(self, kEvMButtonDown, signedHiWord(ul), signedLoWord(ul), w);
    case WM_MBUTTONUP:
      return sendEvent(self, kEvMButtonUp, signedHiWord(ul), signedLoWord(ul), w);
    case WM_MOUSEWHEEL:
      return sendEvent(self, kEvMouseWheel, loWord(uw), signedHiWord(uw), signedLoWord(ul),
                       signedHiWord(ul));
    case WM_CAPTURECHANGED:
      return sendEvent(self, kEvCaptureChanged, l);
    case WM_DROPFILES:
      return sendEvent(self, kEvDropFiles, w);
    case WM_QUERYNEWPALETTE:
      return sendEvent(self, kEvQueryNewPalette);
    case WM_PALETTECHANGED:
      return sendEvent(self, kEvPaletteChanged, w);
    case WM_PRINTCLIENT:
      return sendEvent(self, kEvPrintClient, w, l);
    case WM_DDE_INITIATE:
      return sendEvent(self, kEvDdeInitiate, w, loWord(ul), hiWord(ul));
    case WM_DDE_TERMINATE:
      return sendEvent(self, kEvDdeTerminate, w);
    case WM_DDE_ACK:
      return sendEvent(self, kEvDdeAck, w, l);
    case WM_DDE_EXECUTE:
      return sendEvent(self, kEvDdeExecute, w, l);
    case kWmFrameworkClick:
      return sendEvent(self, kEvClick);
    case kWmFrameworkChange:
      return sendEvent(self, kEvChange);
    case kWmFrameworkColors:
      return sendEvent(self, kEvColors, w);
    case kWmFrameworkLostFocus:
      return sendEvent(self, kEvKsLostFocus, w);
    case kWmFrameworkHelpF1:
      return sendEvent(self, kEvHelpF1);
    case kWmFrameworkDropOver:
      return sendEvent(self, kEvDropOver, loWord(ul), hiWord(ul), l);
    case kWmFrameworkAsyncSelect:
      return sendEvent(self, kEvAsyncSelect, w, l);
    case kWmFrameworkTaskBar:
      return sendEvent(self, kEvTaskBar, w, l);
    default:
      return {};
  }
}

}  // namespace kestrel
