// WNDHANDLEEVENT, the window classes' HandleEvent: each known message becomes a send of an event
// method to the receiving object, with the message's parameters unpacked.
//
// A class binds it as its HandleEvent, directly or from a C++ override that handles its own
// messages first and hands the rest on:
//
//   c.method<&kestrel::WNDHANDLEEVENT>("HandleEvent");
//   lanmere::Value TWindow::HandleEvent(const Value& nMsg, const Value& w, const Value& l) {
//     return kestrel::WNDHANDLEEVENT(*this, nMsg, w, l);
//   }
//
// The event methods are sent through the event-name table's symbols, resolved once per class:
// a C++ override or a method in a subclass's table answers, and an event method the class does
// not define answers nil (the message goes on to the previous or the default procedure). One
// table serves windows, dialogs and controls: where a control answers a message with a method of
// its own (paint -> Display, kill focus -> KillFocus, help -> HelpTopic), the window class has
// that method too, with the window's behaviour.
#pragma once

#include "runtime/object.h"
#include "runtime/symbol.h"

namespace kestrel {

// Slots of the event-name table (8 to 72; 11, 34 and 42 stay empty), then the events only
// controls and dialogs answer.
enum EventSlot : int {
  kEvAsyncSelect = 8,
  kEvBeginPaint,
  kEvChange,
  kEvClick = 12,
  kEvClose,
  kEvColors,
  kEvCommand,
  kEvCommNotify,
  kEvCtlColor,
  kEvDdeAck,
  kEvDdeExecute,
  kEvDdeInitiate,
  kEvDdeTerminate,
  kEvDisplay,
  kEvDestroy,
  kEvDrawItem,
  kEvDropFiles,
  kEvDropOver,
  kEvEndPaint,
  kEvEraseBkGnd,
  kEvFillMeasure,
  kEvKsLostFocus,
  kEvGetDlgCode,
  kEvGetMinMaxInfo,
  kEvGotFocus,
  kEvHelpF1 = 35,
  kEvHelp,
  kEvHScroll,
  kEvInitiate,
  kEvInitMenuPopup,
  kEvKeyChar,
  kEvKeyDown,
  kEvKillFocus = 43,
  kEvLostFocus,
  kEvNcActivate,
  kEvNcMouseMove,
  kEvNotify,
  kEvLButtonDown,
  kEvLButtonUp,
  kEvLDblClick,
  kEvMButtonDown,
  kEvMButtonUp,
  kEvMeasureItem,
  kEvMenuChar,
  kEvMenuSelect,
  kEvMouseMove,
  kEvMouseWheel,
  kEvMoved,
  kEvPaint,
  kEvNcPaint,
  kEvPaletteChanged,
  kEvQueryDragIcon,
  kEvQueryEndSession,
  kEvQueryNewPalette,
  kEvRButtonDown,
  kEvRButtonUp,
  kEvReSize,
  kEvTaskBar,
  kEvSetFocus,
  kEvVScroll,
  kEvSysCommand,
  kEvTimer,
  kEvHelpTopic,
  kEvKeyUp,
  kEvSysChar,
  kEvSysKeyDown,
  kEvCaptureChanged,
  kEvUpdateUIState,
  kEvPrintClient,
};
inline constexpr int kFirstEventSlot = 8;
inline constexpr int kLastEventSlot = kEvPrintClient;

// The symbol in a slot of the event-name table (filled once per process), null for an empty
// slot or one out of range.
const lanmere::Symbol* eventSymbol(int slot) noexcept;

// The dispatcher: the event method's answer, nil for a message it does not map.
lanmere::Value WNDHANDLEEVENT(lanmere::Object& self, const lanmere::Value& nMsg,
                              const lanmere::Value& nWParam, const lanmere::Value& nLParam);

}  // namespace kestrel
