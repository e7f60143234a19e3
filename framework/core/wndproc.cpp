#include "framework/core/wndproc.h"

#include <cstddef>
#include <unordered_map>

#include "framework/core/handles.h"
#include "framework/core/winlist.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Object;
using lanmere::Value;

namespace {

constexpr std::size_t kExportedSlot = 1;  // __WndProc serves the object in slot 1

LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The slot of each subclassed window, kept beside its user-data long: under Wine reading the long
// is a call into the system that costs about as much as the rest of the dispatch, the table a few
// nanoseconds. Written wherever the framework writes the long, erased when the window is
// destroyed or gets its own procedure back; a window missing from it is read from the long.
// Windows and their objects belong to the one thread that runs the framework.
std::unordered_map<HWND, std::size_t>& slotTable() {
  static auto* table = new std::unordered_map<HWND, std::size_t>();  // lives to the end
  return *table;
}

WNDPROC procedureOf(const Value& address) {
  const WNDPROC procedure = handleFrom<WNDPROC>(address);
  // A window is never subclassed twice (Link), but a previous procedure that is the subclass
  // procedure itself would recurse until the stack is gone.
  return procedure == subclassProc ? nullptr : procedure;
}

// The window is being destroyed while its object is still listed (its Destroy did not unlink,
// or raised): the registry lets go of it.
void forgetWindow(HWND hwnd, std::size_t slot, Object& object, const WindowAccess& access) {
  slotTable().erase(hwnd);
  if (handleFrom<HWND>(object.*access.hWnd) != hwnd || !freeSlotOf(slot, object)) return;
  object.*access.hWnd = Value(0);
  object.*access.nOldProc = Value();
}

// The object linked in a slot, as one message finds it. Both bridges (the subclass procedure and
// _KQX) take it from here, and hold a reference for the call: Destroy unlinks and drops the
// list's reference.
struct Linked {
  Object* object = nullptr;
  const WindowAccess* access = nullptr;
  // Read before HandleEvent: Destroy's UnLink clears it, and the window's own procedure still
  // gets the message.
  Value oldProc;

  Value handleEvent(Args args) const {
    return lanmere::invoke(*object, *access->handleEvent, args);
  }
};

inline Linked linkedAt(std::size_t slot) {
  Linked linked;
  linked.object = windowAt(slot, &linked.access);
  if (linked.object) linked.oldProc = linked.object->*linked.access->nOldProc;
  return linked;
}

// The answer HandleEvent gave for one message: nil leaves it to the previous procedure.
struct Answer {
  bool handled = false;
  LRESULT result = 0;
};

Answer handleEvent(const Linked& target, UINT message, WPARAM wParam, LPARAM lParam) {
  Value args[] = {Value(static_cast<long long>(message)), Value(handleNumber(wParam)),
                  Value(handleNumber(lParam))};
  const Value result = target.handleEvent(Args(args));
  if (result.isNil()) return {};
  // Handles and addresses answered in the 64-bit build keep their width.
  return {true, result.isNumber() ? static_cast<LRESULT>(result.integer()) : 0};
}

// One message of the window whose slot is `slot`.
LRESULT bridge(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, std::size_t slot) {
  const Linked target = linkedAt(slot);
  if (!target.object) return DefWindowProcA(hwnd, message, wParam, lParam);
  const lanmere::Ref<Object> keep(target.object);
  const WNDPROC previous = procedureOf(target.oldProc);
  const bool ending = message == WM_DESTROY || message == WM_NCDESTROY;
  Answer answer;
  if (lanmere::pendingRequest() == lanmere::Request::None) {
    try {
      answer = handleEvent(target, message, wParam, lParam);
    } catch (...) {
      if (!ending) throw;
      // The window's own procedure still gets its last two messages.
      lanmere::parkCurrentException();
    }
  }
  if (message == WM_NCDESTROY) forgetWindow(hwnd, slot, *target.object, *target.access);
  if (answer.handled && !ending) return answer.result;
  const LRESULT passed = previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                                  : DefWindowProcA(hwnd, message, wParam, lParam);
  return answer.handled ? answer.result : passed;
}

std::size_t slotOf(HWND hwnd) {
  const auto& table = slotTable();
  if (const auto found = table.find(hwnd); found != table.end()) return found->second;
  return static_cast<std::size_t>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return guardWindowCallback<LRESULT>(
      0, [&] { return bridge(hwnd, message, wParam, lParam, slotOf(hwnd)); });
}

}  // namespace

void setWindowSlot(HWND hwnd, long long slot) noexcept {
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(slot));
  try {
    slotTable()[hwnd] = static_cast<std::size_t>(slot);
  } catch (...) {  // out of memory: the bridge reads the long instead
    slotTable().erase(hwnd);
  }
}

long long changeProc(HWND hwnd, long long slot) noexcept {
  setWindowSlot(hwnd, slot);
  return handleNumber(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
}

long long restoreProc(HWND hwnd, long long previous) noexcept {
  slotTable().erase(hwnd);
  return handleNumber(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, static_cast<LONG_PTR>(previous)));
}

bool isSubclassed(HWND hwnd) noexcept {
  return GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&subclassProc);
}

Value XCHANGEPROC(const Value& hWnd, const Value& nIndex) {
  return Value(changeProc(handleFrom<HWND>(hWnd), nIndex.integer()));
}

Value RESTPROC(const Value& hWnd, const Value& nOldProc) {
  return Value(restoreProc(handleFrom<HWND>(hWnd), nOldProc.integer()));
}

Value KQX(const Value&, const Value& nMsg, const Value& nWParam, const Value& nLParam,
          const Value& nIndex) {
  const long long slot = nIndex.integer();
  const Linked target = slot > 0 ? linkedAt(static_cast<std::size_t>(slot)) : Linked();
  if (!target.object) return {};
  const lanmere::Ref<Object> keep(target.object);
  Value args[] = {nMsg, nWParam, nLParam};
  return Value::list({target.handleEvent(Args(args)), target.oldProc});
}

const lanmere::ModuleTable& wndProcModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/wndproc.cpp",
      {fn<&XCHANGEPROC>("XCHANGEPROC"), fn<&RESTPROC>("RESTPROC"), fn<&KQX>("_KQX")}};
  return module;
}

}  // namespace kestrel

extern "C" LRESULT CALLBACK kestrelWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return kestrel::guardWindowCallback<LRESULT>(
      0, [&] { return kestrel::bridge(hwnd, message, wParam, lParam, kestrel::kExportedSlot); });
}

extern "C" LRESULT CALLBACK kestrelDbgWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  return kestrel::guardWindowCallback<LRESULT>(
      0, [&] { return CallWindowProcA(kestrelWndProc, hwnd, message, wParam, lParam); });
}
