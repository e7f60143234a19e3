// The messages the framework sends from C++, each resolved to its symbol once (msg::hWnd,
// msg::SetMsg, ...), and the three ways of sending them: tell (to an object, nil for anything
// else), offer (only when the receiver understands the message) and evaluate (a closure member).
#pragma once

#include <utility>

#include "runtime/closure.h"
#include "runtime/object.h"
#include "runtime/symbol.h"

namespace kestrel {

namespace msg {
// One symbol per name; a name starting with "_" assigns the member of that name.
#define KESTREL_MESSAGE(name) inline const lanmere::Symbol* const name = lanmere::symbol(#name);
KESTREL_MESSAGE(aBrushes)
KESTREL_MESSAGE(aControls)
KESTREL_MESSAGE(Activate)
KESTREL_MESSAGE(Add)
KESTREL_MESSAGE(AddControl)
KESTREL_MESSAGE(AddHelp)
KESTREL_MESSAGE(AddMdi)
KESTREL_MESSAGE(aDialogs)
KESTREL_MESSAGE(AdjBottom)
KESTREL_MESSAGE(AdjClient)
KESTREL_MESSAGE(AdjLeft)
KESTREL_MESSAGE(AdjRight)
KESTREL_MESSAGE(AdjTop)
KESTREL_MESSAGE(Adjust)
KESTREL_MESSAGE(aDots)
KESTREL_MESSAGE(AEvalWhen)
KESTREL_MESSAGE(aEvents)
KESTREL_MESSAGE(aMenuItems)
KESTREL_MESSAGE(aProperties)
KESTREL_MESSAGE(bAction)
KESTREL_MESSAGE(bClrGrad)
KESTREL_MESSAGE(bDelete)
KESTREL_MESSAGE(bDropOver)
KESTREL_MESSAGE(_bEraseBkGnd)
KESTREL_MESSAGE(_bGoDown)
KESTREL_MESSAGE(_bGotFocus)
KESTREL_MESSAGE(_bGoUp)
KESTREL_MESSAGE(_bLClicked)
KESTREL_MESSAGE(_bMMoved)
KESTREL_MESSAGE(_bPageDown)
KESTREL_MESSAGE(_bPageUp)
KESTREL_MESSAGE(_bPainted)
KESTREL_MESSAGE(_bRClicked)
KESTREL_MESSAGE(bWhen)
KESTREL_MESSAGE(_Cargo)
KESTREL_MESSAGE(cCaption)
KESTREL_MESSAGE(_cClassName)
KESTREL_MESSAGE(cClassName)
KESTREL_MESSAGE(_cFaceName)
KESTREL_MESSAGE(cGenPRG)
KESTREL_MESSAGE(cGenPrg)
KESTREL_MESSAGE(Choose)
KESTREL_MESSAGE(ClickRefused)
KESTREL_MESSAGE(Close)
KESTREL_MESSAGE(CloseUp)
KESTREL_MESSAGE(cMsg)
KESTREL_MESSAGE(_cMsgDef)
KESTREL_MESSAGE(Command)
KESTREL_MESSAGE(Copy)
KESTREL_MESSAGE(cPrompt)
KESTREL_MESSAGE(cResName)
KESTREL_MESSAGE(cToChar)
KESTREL_MESSAGE(Cut)
KESTREL_MESSAGE(DataRect)
KESTREL_MESSAGE(DeActivate)
KESTREL_MESSAGE(DefControl)
KESTREL_MESSAGE(Delete)
KESTREL_MESSAGE(Destroy)
KESTREL_MESSAGE(Disable)
KESTREL_MESSAGE(Enable)
KESTREL_MESSAGE(End)
KESTREL_MESSAGE(FillMeasure)
KESTREL_MESSAGE(Find)
KESTREL_MESSAGE(FindNext)
KESTREL_MESSAGE(Float)
KESTREL_MESSAGE(FloatClick)
KESTREL_MESSAGE(GetBtnLeft)
KESTREL_MESSAGE(GetBtnTop)
KESTREL_MESSAGE(GetHotPos)
KESTREL_MESSAGE(GetMenuItem)
KESTREL_MESSAGE(GetNewId)
KESTREL_MESSAGE(GetText)
KESTREL_MESSAGE(GoDown)
KESTREL_MESSAGE(GoNextCtrl)
KESTREL_MESSAGE(GoPrevCtrl)
KESTREL_MESSAGE(GoUp)
KESTREL_MESSAGE(HandleEvent)
KESTREL_MESSAGE(HardCopy)
KESTREL_MESSAGE(hBitmap)
KESTREL_MESSAGE(hBitmap1)
KESTREL_MESSAGE(hBrush)
KESTREL_MESSAGE(hCursor)
KESTREL_MESSAGE(Help)
KESTREL_MESSAGE(HelpTopic)
KESTREL_MESSAGE(_hFont)
KESTREL_MESSAGE(hFont)
KESTREL_MESSAGE(_hIcon)
KESTREL_MESSAGE(hIcon)
KESTREL_MESSAGE(hMenu)
KESTREL_MESSAGE(hPalette)
KESTREL_MESSAGE(hPen)
KESTREL_MESSAGE(hPalette1)
KESTREL_MESSAGE(_hWnd)
KESTREL_MESSAGE(hWnd)
KESTREL_MESSAGE(Iconize)
KESTREL_MESSAGE(Initiate)
KESTREL_MESSAGE(KeyChar)
KESTREL_MESSAGE(KeyDown)
KESTREL_MESSAGE(l2007)
KESTREL_MESSAGE(l2010)
KESTREL_MESSAGE(l97Look)
KESTREL_MESSAGE(_lBold)
KESTREL_MESSAGE(lCancel)
KESTREL_MESSAGE(lClrFocus)
KESTREL_MESSAGE(_lDestroy)
KESTREL_MESSAGE(lDisColors)
KESTREL_MESSAGE(_lGroup)
KESTREL_MESSAGE(lGroup)
KESTREL_MESSAGE(lHasAlpha)
KESTREL_MESSAGE(_lHelpIcon)
KESTREL_MESSAGE(Load)
KESTREL_MESSAGE(lRegistered)
KESTREL_MESSAGE(lResize16)
KESTREL_MESSAGE(_lTransparent)
KESTREL_MESSAGE(lUpdate)
KESTREL_MESSAGE(lValid)
KESTREL_MESSAGE(Move)
KESTREL_MESSAGE(_nBottom)
KESTREL_MESSAGE(nBottom)
KESTREL_MESSAGE(nBtnHeight)
KESTREL_MESSAGE(nBtnWidth)
KESTREL_MESSAGE(nClrFocus)
KESTREL_MESSAGE(_nCount)
KESTREL_MESSAGE(nCount)
KESTREL_MESSAGE(New)
KESTREL_MESSAGE(nHeight)
KESTREL_MESSAGE(nHelpId)
KESTREL_MESSAGE(_nId)
KESTREL_MESSAGE(nId)
KESTREL_MESSAGE(nInitID)
KESTREL_MESSAGE(nInitId)
KESTREL_MESSAGE(_nInpHeight)
KESTREL_MESSAGE(_nLeft)
KESTREL_MESSAGE(nLeft)
KESTREL_MESSAGE(nLogPixelY)
KESTREL_MESSAGE(nMode)
KESTREL_MESSAGE(nOldProc)
KESTREL_MESSAGE(nOption)
KESTREL_MESSAGE(_nPoint)
KESTREL_MESSAGE(_nRight)
KESTREL_MESSAGE(nRight)
KESTREL_MESSAGE(_nStyle)
KESTREL_MESSAGE(nStyle)
KESTREL_MESSAGE(StartPage)
KESTREL_MESSAGE(EndPage)
KESTREL_MESSAGE(Preview)
KESTREL_MESSAGE(_nTop)
KESTREL_MESSAGE(nTop)
KESTREL_MESSAGE(_nWeight)
KESTREL_MESSAGE(nWidth)
KESTREL_MESSAGE(oAccTable)
KESTREL_MESSAGE(oBrush)
KESTREL_MESSAGE(oFont)
KESTREL_MESSAGE(oHScroll)
KESTREL_MESSAGE(_oLastItem)
KESTREL_MESSAGE(oMenu)
KESTREL_MESSAGE(oMsgBar)
KESTREL_MESSAGE(_oMItemSelect)
KESTREL_MESSAGE(oMItemSelect)
KESTREL_MESSAGE(Open)
KESTREL_MESSAGE(_oPopup)
KESTREL_MESSAGE(oPopup)
KESTREL_MESSAGE(_oSysMenu)
KESTREL_MESSAGE(oVScroll)
KESTREL_MESSAGE(_oWnd)
KESTREL_MESSAGE(oWnd)
KESTREL_MESSAGE(oWndClient)
KESTREL_MESSAGE(PageDown)
KESTREL_MESSAGE(PageUp)
KESTREL_MESSAGE(Paste)
KESTREL_MESSAGE(Print)
KESTREL_MESSAGE(Properties)
KESTREL_MESSAGE(ReDefine)
KESTREL_MESSAGE(ReDo)
KESTREL_MESSAGE(Refresh)
KESTREL_MESSAGE(Replace)
KESTREL_MESSAGE(ReSize)
KESTREL_MESSAGE(Resize)
KESTREL_MESSAGE(Save)
KESTREL_MESSAGE(SaveToText)
KESTREL_MESSAGE(SelectAll)
KESTREL_MESSAGE(SetBrush)
KESTREL_MESSAGE(SetColor)
KESTREL_MESSAGE(SetFocus)
KESTREL_MESSAGE(SetMenu)
KESTREL_MESSAGE(SetMsg)
KESTREL_MESSAGE(SetOption)
KESTREL_MESSAGE(SetPos)
KESTREL_MESSAGE(SetText)
KESTREL_MESSAGE(ThumbPos)
KESTREL_MESSAGE(ThumbTrack)
KESTREL_MESSAGE(UnDo)
KESTREL_MESSAGE(Update)
KESTREL_MESSAGE(WinNew)
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

}  // namespace kestrel
