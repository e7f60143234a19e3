#include "framework/core/dialogbox.h"

#include <cstring>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "framework/core/dlgregistry.h"
#include "framework/core/dlgtemplate.h"
#include "framework/core/handles.h"
#include "framework/core/resmodule.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr INT_PTR kSystemFailure = -1;
constexpr long long kResultMask = 0xFFFF;

// One flag per modal call in progress, innermost last: whether its dialog has received the
// init-dialog message. A dialog's init-dialog message always comes while its own call is the
// innermost one.
std::vector<bool>& initialised() {
  static std::vector<bool> flags;
  return flags;
}

INT_PTR CALLBACK dialogBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return guardWindowCallback<INT_PTR>(FALSE, [&] {
    if (message == WM_INITDIALOG && !initialised().empty()) initialised().back() = true;
    return modalDialogProc(hwnd, message, wParam, lParam);
  });
}

// Serves a modeless dialog until its object links it: hidden at creation (the object shows it),
// OK and Cancel end it. Once linked, every message reaches the object first and commands are
// the object's: a Command that leaves Enter unanswered must not hide a live, registered dialog.
// Every modeless dialog ends here, linked or not, so this is where it leaves the modeless table.
INT_PTR CALLBACK modelessDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  return guardWindowCallback<INT_PTR>(FALSE, [&]() -> INT_PTR {
    if (message == WM_DESTROY) dropModelessDialog(hwnd);
    if (message == WM_INITDIALOG) {
      ShowWindow(hwnd, SW_HIDE);
      return TRUE;
    }
    if (message == WM_COMMAND && !isSubclassed(hwnd)) {
      const WORD id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) {
        EndDialog(hwnd, id);
        return TRUE;
      }
    }
    return FALSE;
  });
}

// The modal call's entry on the modal-dialog stack and its init flag, for the call's lifetime.
class ModalCall {
 public:
  explicit ModalCall(const Value& dialog) {
    initialised().push_back(false);
    enterModal(dialog);
  }
  ~ModalCall() {
    leaveModal();
    initialised().pop_back();
  }
  ModalCall(const ModalCall&) = delete;
  ModalCall& operator=(const ModalCall&) = delete;

  bool sawInit() const { return initialised().back(); }
};

class WaitCursor {
 public:
  WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

// The template's bytes in a movable, zero-filled global block, locked while it lives.
class TemplateBlock {
 public:
  explicit TemplateBlock(std::string_view bytes) {
    memory_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
    if (memory_) data_ = GlobalLock(memory_);
    if (data_) std::memcpy(data_, bytes.data(), bytes.size());
  }
  ~TemplateBlock() {
    if (data_) GlobalUnlock(memory_);
    if (memory_) GlobalFree(memory_);
  }
  TemplateBlock(const TemplateBlock&) = delete;
  TemplateBlock& operator=(const TemplateBlock&) = delete;

  const DLGTEMPLATE* get() const { return static_cast<const DLGTEMPLATE*>(data_); }

 private:
  HGLOBAL memory_ = nullptr;
  void* data_ = nullptr;
};

HINSTANCE resourceInstance(HINSTANCE instance) {
  return instance ? instance : resourceModule();
}

HINSTANCE programInstance(HINSTANCE instance) {
  return instance ? instance : GetModuleHandleA(nullptr);
}

bool readable(std::string_view bytes) {
  return std::holds_alternative<ParsedTemplate>(readDialogTemplate(bytes));
}

ModalOutcome outcome(INT_PTR answer, const ModalCall& call) {
  return {static_cast<long long>(answer) & kResultMask, answer != kSystemFailure || call.sawInit()};
}

constexpr ModalOutcome kNotCreated{kDialogNotCreated, false};

std::string_view templateOf(const Value& value) {
  return value.isText() ? value.text() : std::string_view();
}

}  // namespace

ModalOutcome runDialogBox(HINSTANCE instance, const Value& resource, HWND owner,
                          const Value& dialog) {
  const ResourceName name(resource);
  if (name.get() == nullptr) return kNotCreated;
  const RunningMarker running;
  const ModalCall call(dialog);
  const INT_PTR answer = callWindows([&] {
    return DialogBoxParamA(resourceInstance(instance), name.get(), owner, dialogBoxProc, 0);
  });
  return outcome(answer, call);
}

ModalOutcome runDialogBoxIndirect(HINSTANCE instance, std::string_view bytes, HWND owner,
                                  const Value& dialog) {
  if (bytes.empty()) return {};
  if (!readable(bytes)) return kNotCreated;
  const RunningMarker running;
  std::optional<TemplateBlock> block;
  {
    const WaitCursor wait;
    block.emplace(bytes);
  }
  if (!block->get()) return kNotCreated;
  const ModalCall call(dialog);
  const INT_PTR answer = callWindows([&] {
    return DialogBoxIndirectParamA(programInstance(instance), block->get(), owner, dialogBoxProc,
                                   0);
  });
  return outcome(answer, call);
}

HWND createDialog(HINSTANCE instance, const Value& resource, HWND owner) {
  const ResourceName name(resource);
  if (name.get() == nullptr) return nullptr;
  return callWindows([&] {
    return CreateDialogParamA(resourceInstance(instance), name.get(), owner, modelessDialogProc, 0);
  });
}

HWND createDialogIndirect(HINSTANCE instance, std::string_view bytes, HWND owner) {
  if (bytes.empty() || !readable(bytes)) return nullptr;
  const TemplateBlock block(bytes);  // the system wants the template on a 4-byte boundary
  if (!block.get()) return nullptr;
  return callWindows([&] {
    return CreateDialogIndirectParamA(programInstance(instance), block.get(), owner,
                                      modelessDialogProc, 0);
  });
}

long long DIALOGBOX(const Value& hInstance, const Value& cResName, const Value& hWndOwner,
                    const Value& oDlg) {
  return runDialogBox(handleFrom<HINSTANCE>(hInstance), cResName, handleFrom<HWND>(hWndOwner), oDlg)
      .result;
}

long long DIALOGBOXINDIRECT(const Value& hInstance, const Value& cTemplate, const Value& hWndOwner,
                            const Value& oDlg) {
  return runDialogBoxIndirect(handleFrom<HINSTANCE>(hInstance), templateOf(cTemplate),
                              handleFrom<HWND>(hWndOwner), oDlg)
      .result;
}

long long CREATEDLG(const Value& hInstance, const Value& cResName, const Value& hWndOwner) {
  return handleNumber(
      createDialog(handleFrom<HINSTANCE>(hInstance), cResName, handleFrom<HWND>(hWndOwner)));
}

long long CREATEDLGINDIRECT(const Value& hInstance, const Value& cTemplate,
                            const Value& hWndOwner) {
  return handleNumber(createDialogIndirect(handleFrom<HINSTANCE>(hInstance), templateOf(cTemplate),
                                           handleFrom<HWND>(hWndOwner)));
}

bool ENDDIALOG(const Value& hWnd, const Value& nResult) {
  const auto result = static_cast<INT_PTR>(nResult.integer());
  return callWindows([&] { return EndDialog(handleFrom<HWND>(hWnd), result); }) != FALSE;
}

long long GETDLGBASEUNITS() {
  return static_cast<long long>(static_cast<unsigned long>(GetDialogBaseUnits()));
}

const lanmere::ModuleTable& dialogBoxModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/dialogbox.cpp",
      {fn<&DIALOGBOX>("DIALOGBOX"), fn<&DIALOGBOXINDIRECT>("DIALOGBOXINDIRECT"),
       fn<&CREATEDLG>("CREATEDLG"), fn<&CREATEDLGINDIRECT>("CREATEDLGINDIRECT"),
       fn<&ENDDIALOG>("ENDDIALOG"), fn<&GETDLGBASEUNITS>("GETDLGBASEUNITS")}};
  return module;
}

}  // namespace kestrel
