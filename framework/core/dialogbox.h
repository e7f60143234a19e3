// The native dialog functions: modal dialogs from a resource or from a template in memory on the
// modal-dialog stack (DIALOGBOX, DIALOGBOXINDIRECT), modeless ones (CREATEDLG, CREATEDLGINDIRECT)
// with the minimal procedure that serves them until their object links them, ENDDIALOG and
// GETDLGBASEUNITS.
#pragma once

#include <windows.h>

#include <cmath>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// The answer of a modal dialog the system could not create.
inline constexpr long long kDialogNotCreated = 65535;

// What one modal dialog call came to. The system answers -1 both for a dialog it could not
// create and for one ended with -1 (65535 as a 16-bit result), so a dialog counts as created
// once it received the init-dialog message.
struct ModalOutcome {
  long long result = 0;  // unsigned 16-bit
  bool created = false;
};

// Runs the modal dialog of `resource` (a text names it, a number 1 to 65535 is its identifier)
// or of the template bytes, with `dialog` as the object of the modal-dialog stack. The running
// flag is set meanwhile; the stack, the flag and the template's memory are put back on every way
// out. A request a callback parked while the dialog ran is raised when the call returns.
ModalOutcome runDialogBox(HINSTANCE instance, const lanmere::Value& resource, HWND owner,
                          const lanmere::Value& dialog);
// An empty template answers 0; a template the reader refuses is a dialog not created.
ModalOutcome runDialogBoxIndirect(HINSTANCE instance, std::string_view bytes, HWND owner,
                                  const lanmere::Value& dialog);
// A modeless dialog, hidden; null when it could not be created.
HWND createDialog(HINSTANCE instance, const lanmere::Value& resource, HWND owner);
HWND createDialogIndirect(HINSTANCE instance, std::string_view bytes, HWND owner);

// The functions by name.
long long DIALOGBOX(const lanmere::Value& hInstance, const lanmere::Value& cResName,
                    const lanmere::Value& hWndOwner, const lanmere::Value& oDlg);
long long DIALOGBOXINDIRECT(const lanmere::Value& hInstance, const lanmere::Value& cTemplate,
                            const lanmere::Value& hWndOwner, const lanmere::Value& oDlg);
long long CREATEDLG(const lanmere::Value& hInstance, const lanmere::Value& cResName,
                    const lanmere::Value& hWndOwner);
long long CREATEDLGINDIRECT(const lanmere::Value& hInstance, const lanmere::Value& cTemplate,
                            const lanmere::Value& hWndOwner);
bool ENDDIALOG(const lanmere::Value& hWnd, const lanmere::Value& nResult);
// Horizontal base unit in the low 16 bits, vertical in the high 16 bits.
long long GETDLGBASEUNITS();
// Dialog units per system base unit when a definition becomes a template: a base unit is 4
// units wide and 8 high for the dialog's own edges; its items take twice those factors.
inline constexpr double kUnitsPerBaseX = 4;
inline constexpr double kUnitsPerBaseY = 8;
inline constexpr double kItemUnitsX = 2 * kUnitsPerBaseX;
inline constexpr double kItemUnitsY = 2 * kUnitsPerBaseY;
// A definition's number (measured from the dialog's origin) as the template's dialog units, with
// `unitsPerBase` dialog units to the system's base unit `base` of that axis.
inline long long definitionUnits(double number, double unitsPerBase, double base) {
  return static_cast<long long>(std::trunc(unitsPerBase * number / base));
}

const lanmere::ModuleTable& dialogBoxModule();

}  // namespace kestrel
