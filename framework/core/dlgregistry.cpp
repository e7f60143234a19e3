#include "framework/core/dlgregistry.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Object;
using lanmere::Value;

namespace {

constexpr INT_PTR kEndedByRequest = 2;  // the dialog's result when a pending request ends it

struct Modeless {
  std::array<HWND, kModelessSlots> slots{};
  std::uint16_t highWater = 0;  // the highest slot used since it was last lowered
  HWND cache = nullptr;         // the dialog that last took a message
};

Modeless& modeless() {
  static Modeless table;
  return table;
}

struct ModalEntry {
  HWND hwnd = nullptr;  // null until the dialog's first message
  Value dialog;
};

// Kept for the whole process, so no dialog object is destroyed after the run-time's statics.
std::vector<ModalEntry>& modalStack() {
  static auto* stack = new std::vector<ModalEntry>();
  return *stack;
}

bool isDialogMessage(HWND dialog, MSG& message) {
  return callWindows([&] { return IsDialogMessageA(dialog, &message); }) != FALSE;
}

}  // namespace

bool REGDIALOG(const Value& hWnd) {
  const HWND hwnd = handleFrom<HWND>(hWnd);
  Modeless& table = modeless();
  auto begin = table.slots.begin();
  if (std::find(begin, table.slots.end(), hwnd) != table.slots.end()) return true;
  auto free = std::find(begin, table.slots.end(), nullptr);
  if (free == table.slots.end()) return false;
  *free = hwnd;
  const auto index = static_cast<std::uint16_t>(free - begin);
  if (index > table.highWater) table.highWater = index;
  return true;
}

bool CANREGDIALOG() {
  const auto& slots = modeless().slots;
  return std::find(slots.begin(), slots.end(), nullptr) != slots.end();
}

bool DEREGDIALOG(const Value& hWnd) {
  const HWND hwnd = handleFrom<HWND>(hWnd);
  Modeless& table = modeless();
  auto found = std::find(table.slots.begin(), table.slots.end(), hwnd);
  if (!hwnd || found == table.slots.end()) return false;
  *found = nullptr;
  if (table.cache == hwnd) table.cache = nullptr;
  const auto index = static_cast<std::uint16_t>(found - table.slots.begin());
  if (index == table.highWater) {
    for (std::size_t i = index; i-- > 0;) {
      if (table.slots[i]) {
        table.highWater = static_cast<std::uint16_t>(i);
        break;
      }
    }
  }
  return true;
}

void dropModelessDialog(HWND hwnd) noexcept {
  DEREGDIALOG(Value(handleNumber(hwnd)));
}

bool modelessFilter(MSG& message) {
  Modeless& table = modeless();
  if (table.cache && isDialogMessage(table.cache, message)) return true;
  for (std::size_t i = 0; i <= table.highWater; ++i) {
    const HWND dialog = table.slots[i];
    if (dialog && isDialogMessage(dialog, message)) {
      table.cache = dialog;
      return true;
    }
  }
  return false;
}

void enterModal(const Value& dialog) {
  modalStack().push_back({nullptr, dialog});
}

void leaveModal() noexcept {
  auto& stack = modalStack();
  if (!stack.empty()) stack.pop_back();
}

std::size_t modalDepth() noexcept {
  return modalStack().size();
}

Value modalDialogObject(HWND hwnd) {
  auto& stack = modalStack();
  for (auto entry = stack.rbegin(); entry != stack.rend(); ++entry) {
    if (entry->hwnd == hwnd) return entry->dialog;
  }
  if (!stack.empty() && !stack.back().hwnd && !stack.back().dialog.isNil()) {
    stack.back().hwnd = hwnd;
    return stack.back().dialog;
  }
  return {};
}

// A pending request ends the innermost modal dialog. A dialog below it ends only when the request
// is still pending as its own loop runs again (a quit always is): the messages it gets meanwhile
// (activation, when the inner one is destroyed) must not end it before the request is raised.
bool endedByRequest(HWND hwnd) {
  const lanmere::Request request = lanmere::pendingRequest();
  if (request == lanmere::Request::None) return false;
  if (request == lanmere::Request::Quit) return true;
  const auto& stack = modalStack();
  if (stack.empty()) return true;
  const bool known = std::any_of(stack.begin(), stack.end(),
                                 [hwnd](const ModalEntry& entry) { return entry.hwnd == hwnd; });
  return stack.back().hwnd == hwnd || (!known && !stack.back().hwnd);
}

void wakeModalDialog() noexcept {
  const auto& stack = modalStack();
  if (!stack.empty() && stack.back().hwnd) PostMessageA(stack.back().hwnd, WM_NULL, 0, 0);
}

INT_PTR CALLBACK modalDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return guardWindowCallback<INT_PTR>(0, [&]() -> INT_PTR {
    if (lanmere::pendingRequest() != lanmere::Request::None) {
      if (endedByRequest(hwnd)) EndDialog(hwnd, kEndedByRequest);
      return 0;
    }
    const Value dialog = modalDialogObject(hwnd);
    Object* object = dialog.object();
    const lanmere::Resolved* method =
        object ? object->classInfo().resolve(msg::HandleEvent) : nullptr;
    if (!method) return 0;
    const LPARAM third = message == WM_INITDIALOG ? reinterpret_cast<LPARAM>(hwnd) : lParam;
    Value args[] = {Value(static_cast<long long>(message)), Value(handleNumber(wParam)),
                    Value(handleNumber(third))};
    Value result;
    try {
      result = lanmere::invoke(*object, *method, lanmere::Args(args));
    } catch (...) {
      lanmere::parkCurrentException();
      EndDialog(hwnd, kEndedByRequest);
      return 0;
    }
    if (result.isNumber()) return static_cast<INT_PTR>(result.integer());
    return result.logical() ? TRUE : FALSE;
  });
}

const lanmere::ModuleTable& dlgRegistryModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/dlgregistry.cpp",
      {fn<&REGDIALOG>("REGDIALOG"), fn<&CANREGDIALOG>("CANREGDIALOG"),
       fn<&DEREGDIALOG>("DEREGDIALOG")}};
  return module;
}

}  // namespace kestrel
