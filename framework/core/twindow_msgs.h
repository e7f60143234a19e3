// The few helpers the window's sources share, with the messages and the ways of sending them
// (messages.h) that every framework source uses.
#pragma once

#include <windows.h>

#include <string>

#include "framework/core/classkind.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "runtime/object.h"

namespace kestrel {

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
