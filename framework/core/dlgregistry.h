// The dialogs the message loops must know about: the modeless-dialog table, whose dialogs get
// keyboard navigation from the loops (WINRUN, SYSREFRESH), and the modal-dialog stack, through
// which a modal dialog reaches its object before it is linked.
#pragma once

#include <windows.h>

#include <cstddef>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// ---- Modeless dialogs ----

inline constexpr std::size_t kModelessSlots = 1500;

// Registers a dialog; false when all slots are taken. A handle already present answers true
// and takes no second slot.
bool REGDIALOG(const lanmere::Value& hWnd);
bool CANREGDIALOG();
// Frees the dialog's slot; false when it is not registered.
bool DEREGDIALOG(const lanmere::Value& hWnd);
// The same for a window that is being destroyed (the window procedure's bookkeeping).
void dropModelessDialog(HWND hwnd) noexcept;
// Offers one retrieved message to the registered dialogs (IsDialogMessageA): true when one took
// it. Runs inside callWindows, so a request parked by a dialog's procedure is raised here.
bool modelessFilter(MSG& message);

// ---- Modal dialogs ----

// Enter (just before the system's modal dialog call) pushes an entry for the dialog object, not
// yet bound to a window; leave (when the call returned) pops the top entry of a non-empty stack.
// The stack has no fixed depth.
void enterModal(const lanmere::Value& dialog);
void leaveModal() noexcept;
std::size_t modalDepth() noexcept;
// The object of the modal dialog `hwnd`, searching from the top; the first message of a new
// dialog binds the top unbound entry. Nil when none.
lanmere::Value modalDialogObject(HWND hwnd);

// The dialog procedure of modal dialogs: HandleEvent (nMsg, wParam, lParam) of the dialog's
// object, the dialog's own handle as third argument of WM_INITDIALOG. A number answers as it
// is, true 1, anything else 0. A pending request ends the dialog with EndDialog (hDlg, 2).
INT_PTR CALLBACK modalDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

const lanmere::ModuleTable& dlgRegistryModule();

}  // namespace kestrel
