// The messages a window sends to its collaborators (fonts, brushes, menus, scroll bars, icons,
// cursors, bars) and to other windows, each resolved to its symbol once, and the few helpers the
// window's sources share.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "framework/core/classkind.h"
#include "framework/core/handles.h"
#include "runtime/closure.h"
#include "runtime/object.h"
#include "runtime/symbol.h"

namespace kestrel {

namespace msg {
#define KESTREL_MESSAGE(name) inline const lanmere::Symbol* const name = lanmere::symbol(#name);
KESTREL_MESSAGE(New)
KESTREL_MESSAGE(End)
KESTREL_MESSAGE(Destroy)
KESTREL_MESSAGE(hFont)
KESTREL_MESSAGE(hBrush)
KESTREL_MESSAGE(hMenu)
KESTREL_MESSAGE(hIcon)
KESTREL_MESSAGE(hCursor)
KESTREL_MESSAGE(hBitmap)
KESTREL_MESSAGE(hWnd)
KESTREL_MESSAGE(nCount)
KESTREL_MESSAGE(_nCount)
KESTREL_MESSAGE(Resize)
KESTREL_MESSAGE(_oWnd)
KESTREL_MESSAGE(oWnd)
KESTREL_MESSAGE(oFont)
KESTREL_MESSAGE(oAccTable)
KESTREL_MESSAGE(Activate)
KESTREL_MESSAGE(Command)
KESTREL_MESSAGE(WinNew)
KESTREL_MESSAGE(GoUp)
KESTREL_MESSAGE(GoDown)
KESTREL_MESSAGE(PageUp)
KESTREL_MESSAGE(PageDown)
KESTREL_MESSAGE(ThumbPos)
KESTREL_MESSAGE(ThumbTrack)
KESTREL_MESSAGE(_bGoUp)
KESTREL_MESSAGE(_bGoDown)
KESTREL_MESSAGE(_bPageUp)
KESTREL_MESSAGE(_bPageDown)
KESTREL_MESSAGE(SetMsg)
KESTREL_MESSAGE(_cMsgDef)
KESTREL_MESSAGE(Adjust)
KESTREL_MESSAGE(AdjTop)
KESTREL_MESSAGE(AdjBottom)
KESTREL_MESSAGE(AdjLeft)
KESTREL_MESSAGE(AdjRight)
KESTREL_MESSAGE(AdjClient)
KESTREL_MESSAGE(cCaption)
KESTREL_MESSAGE(cGenPrg)
KESTREL_MESSAGE(cGenPRG)
KESTREL_MESSAGE(Choose)
KESTREL_MESSAGE(bWhen)
KESTREL_MESSAGE(lUpdate)
KESTREL_MESSAGE(Refresh)
KESTREL_MESSAGE(KeyDown)
KESTREL_MESSAGE(KeyChar)
KESTREL_MESSAGE(GoNextCtrl)
KESTREL_MESSAGE(GoPrevCtrl)
KESTREL_MESSAGE(oWndClient)
KESTREL_MESSAGE(oCtlFocus)
KESTREL_MESSAGE(hCtlFocus)
KESTREL_MESSAGE(Initiate)
KESTREL_MESSAGE(GetMenuItem)
KESTREL_MESSAGE(aMenuItems)
KESTREL_MESSAGE(cPrompt)
KESTREL_MESSAGE(cMsg)
KESTREL_MESSAGE(l2007)
KESTREL_MESSAGE(l2010)
KESTREL_MESSAGE(oMenu)
KESTREL_MESSAGE(HelpTopic)
KESTREL_MESSAGE(oMItemSelect)
KESTREL_MESSAGE(_oMItemSelect)
KESTREL_MESSAGE(FillMeasure)
#undef KESTREL_MESSAGE
}  // namespace msg

// Sends `message` with the arguments; nil when the receiver is no object (a collaborator that is
// not set, or whose class is not registered yet).
template <class... A>
lanmere::Value tell(const lanmere::Value& receiver, const lanmere::Symbol* message, A&&... args) {
  if (!receiver.isObject()) return {};
  if constexpr (sizeof...(A) == 0) {
    return lanmere::send(receiver, message);
  } else {
    lanmere::Value list[] = {lanmere::Value(std::forward<A>(args))...};
    return lanmere::send(receiver, message, lanmere::Args(list));
  }
}

// The same, only when the receiver understands the message.
template <class... A>
lanmere::Value offer(const lanmere::Value& receiver, const lanmere::Symbol* message, A&&... args) {
  if (!receiver.isObject() || !lanmere::understands(receiver, message)) return {};
  return tell(receiver, message, std::forward<A>(args)...);
}

// Evaluates a closure member with the arguments (nil for anything else that is no closure),
// without building a list on the heap: events evaluate one per message.
template <class... A>
lanmere::Value evaluate(const lanmere::Value& block, A&&... args) {
  if (!block.isClosure()) return {};
  if constexpr (sizeof...(A) == 0) {
    return lanmere::evalArgs(block, {});
  } else {
    lanmere::Value list[] = {lanmere::Value(std::forward<A>(args))...};
    return lanmere::evalArgs(block, lanmere::Args(list));
  }
}

// One more use of a shared font or brush (a missing count starts at 0).
void takeUse(const lanmere::Value& resource);

// A handle a collaborator answers (its hFont, hBrush, ...); null when it has none.
template <class Handle>
Handle handleOfMember(const lanmere::Value& object, const lanmere::Symbol* member) {
  return object.isObject() ? handleFrom<Handle>(lanmere::send(object, member)) : Handle{};
}

// The icon object a text names: a file when one exists by that name, else a resource. Icons are
// objects of the icon class; until it is registered a text icon is an argument error (nil).
// Any other value is the icon itself.
lanmere::Value iconFromText(const lanmere::Value& icon);

// The name of a window's system class ("Button", "ToolbarWindow32", ...).
std::string windowClassName(HWND hwnd);

// Changes a window's extended style (the system tells the window with style messages).
void setExStyle(HWND hwnd, LONG_PTR exStyle);

// The text form of a value: CVALTOCHAR when the display layer is registered, else the scalar
// text the persistence records use.
std::string textForm(const lanmere::Value& value);

}  // namespace kestrel
