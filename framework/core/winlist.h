// The window list: every linked window's object in a numbered slot. The slot number is kept with
// the window (its user-data long), so a message finds its object without a search.
//
// A window object is any object whose class has the data members `hWnd` and `nOldProc` and a
// `HandleEvent` method; the registry reaches them through the class's reflection table, resolved
// once per class (windowAccess). A class joins by binding the registry side of its methods:
//
//   LM_DEFINE_CLASS(TWindow) {
//     c.data(LM_FIELDS(hWnd, nOldProc, ...));
//     c.method<&kestrel::WNDHANDLEEVENT>("HandleEvent");   // or a C++ HandleEvent calling it
//     c.method<&kestrel::linkWindow>("Link");
//     c.method<&kestrel::unlinkWindow>("UnLink");
//   }
#pragma once

#include <windows.h>

#include <cstddef>

#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// How the registry reaches a window object's members, resolved once per class.
struct WindowAccess {
  lanmere::Value lanmere::Object::*hWnd = nullptr;
  lanmere::Value lanmere::Object::*nOldProc = nullptr;
  const lanmere::Resolved* handleEvent = nullptr;

  explicit operator bool() const noexcept { return hWnd && nOldProc && handleEvent; }
};

// The access for the object's class; null when the class is no window class.
const WindowAccess* windowAccess(const lanmere::Object& object);

// The window list (a run-time list, 1-based). A freed slot holds 0; the list never shrinks.
// GETALLWIN hands out this very list, so a slot may hold anything: only a window object counts.
const lanmere::Value& windowList();
// The window object in `slot` and its access, or null for 0, out of range or any other value.
lanmere::Object* windowAt(std::size_t slot, const WindowAccess** access = nullptr) noexcept;
// Frees `slot` when it holds `object` (the list's reference is released). Returns whether it did.
bool freeSlotOf(std::size_t slot, const lanmere::Object& object) noexcept;

// The registry side of a window's Link (lSubclass): nothing while `hWnd` is 0; the first free
// slot, else a new one; with lSubclass (nil counts as true) the window's procedure is replaced
// (XCHANGEPROC) and the replaced one kept in `nOldProc`. An object already listed changes
// nothing: no second slot, no second subclassing. Answers the slot number, 0 when not linked.
long long linkWindow(lanmere::Object& self, const lanmere::Value& lSubclass = {});
// The registry side of UnLink: the window's own procedure back (RESTPROC), `nOldProc` cleared,
// the first slot whose object has this `hWnd` set to 0.
void unlinkWindow(lanmere::Object& self);

// The functions called by name.
lanmere::Value OWNDFROMHWND(const lanmere::Value& hWnd);
lanmere::Value WNDMAIN();
lanmere::Value GETALLWIN();
long long NWINDOWS();

const lanmere::ModuleTable& winListModule();

}  // namespace kestrel
