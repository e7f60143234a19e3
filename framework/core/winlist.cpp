#include "framework/core/winlist.h"

#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/perclass.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::ClassInfo;
using lanmere::Object;
using lanmere::Resolved;
using lanmere::Value;

namespace {

// Kept for the whole process: objects still listed at exit are never destroyed, so no window
// object's destructor runs after the run-time's own statics are gone.
Value& list() {
  static Value* windows = new Value(Value::list());
  return *windows;
}

WindowAccess resolveAccess(const ClassInfo& info) {
  auto member = [&](const lanmere::Symbol* name) -> Value Object::* {
    const Resolved* found = info.resolve(name);
    return found && found->kind == Resolved::Kind::Data ? found->field : nullptr;
  };
  WindowAccess access{member(msg::hWnd), member(msg::nOldProc), nullptr};
  const Resolved* method = info.resolve(msg::HandleEvent);
  if (method &&
      (method->kind == Resolved::Kind::Method || method->kind == Resolved::Kind::InlineMethod)) {
    access.handleEvent = method;
  }
  return access ? access : WindowAccess{};
}

HWND handleOf(const Object& object, const WindowAccess& access) {
  return handleFrom<HWND>(object.*access.hWnd);
}

auto& slots() {
  return list().listData()->items;
}

}  // namespace

const WindowAccess* windowAccess(const Object& object) {
  static PerClass<WindowAccess> cache;
  const WindowAccess& access = cache.of(object.classInfo(), resolveAccess);
  return access ? &access : nullptr;
}

const Value& windowList() {
  return list();
}

Object* windowAt(std::size_t slot, const WindowAccess** access) noexcept {
  auto& items = slots();
  if (slot == 0 || slot > items.size()) return nullptr;
  Object* object = items[slot - 1].object();
  if (!object) return nullptr;
  const WindowAccess* found = windowAccess(*object);
  if (!found) return nullptr;
  if (access) *access = found;
  return object;
}

bool freeSlotOf(std::size_t slot, const Object& object) noexcept {
  auto& items = slots();
  if (slot == 0 || slot > items.size() || items[slot - 1].object() != &object) return false;
  items[slot - 1] = Value(0);
  return true;
}

long long linkWindow(Object& self, const Value& lSubclass) {
  const WindowAccess* access = windowAccess(self);
  if (!access) return 0;
  const HWND hwnd = handleOf(self, *access);
  if (!hwnd) return 0;
  auto& items = slots();
  std::size_t slot = 0;
  for (std::size_t i = 1; i <= items.size(); ++i) {
    if (items[i - 1].object() == &self) return static_cast<long long>(i);  // linked already
    if (slot == 0 && !windowAt(i)) slot = i;
  }
  if (slot == 0) {
    items.push_back(Value(lanmere::Ref<Object>(&self)));
    slot = items.size();
  } else {
    items[slot - 1] = Value(lanmere::Ref<Object>(&self));
  }
  const bool subclass = lSubclass.isNil() || lSubclass.logical();
  if (!subclass) return static_cast<long long>(slot);
  if (isSubclassed(hwnd)) {
    // Another object of this window is linked: this one takes its messages over, and unhandled
    // ones still go to the window's own procedure, never back into the subclass procedure.
    setWindowSlot(hwnd, static_cast<long long>(slot));
    for (std::size_t i = 1; i <= items.size(); ++i) {
      const WindowAccess* other = nullptr;
      Object* object = windowAt(i, &other);
      if (object && object != &self && handleOf(*object, *other) == hwnd &&
          !lanmere::isEmpty(object->*other->nOldProc)) {
        self.*access->nOldProc = object->*other->nOldProc;
        break;
      }
    }
  } else {
    self.*access->nOldProc = changeProc(hwnd, static_cast<long long>(slot));
  }
  return static_cast<long long>(slot);
}

void unlinkWindow(Object& self) {
  const WindowAccess* access = windowAccess(self);
  if (!access) return;
  lanmere::Ref<Object> keep(&self);  // freeing the slot may drop the last other reference
  const HWND hwnd = handleOf(self, *access);
  auto& items = slots();
  std::size_t slot = 0;
  for (std::size_t i = 1; i <= items.size() && slot == 0; ++i) {
    if (items[i - 1].object() == &self) slot = i;
  }
  for (std::size_t i = 1; i <= items.size() && slot == 0 && hwnd; ++i) {
    const WindowAccess* other = nullptr;
    if (Object* object = windowAt(i, &other); object && handleOf(*object, *other) == hwnd) slot = i;
  }
  Value& previous = self.*access->nOldProc;
  if (previous.isNumber() && previous.integer() != 0 && hwnd) {
    restoreProc(hwnd, previous.integer());
    previous = Value();
  }
  if (slot != 0) slots()[slot - 1] = Value(0);
}

Value OWNDFROMHWND(const Value& hWnd) {
  const HWND wanted = handleFrom<HWND>(hWnd);
  const std::size_t count = slots().size();
  for (std::size_t i = 1; i <= count; ++i) {
    const WindowAccess* access = nullptr;
    Object* object = windowAt(i, &access);
    if (object && handleOf(*object, *access) == wanted) return Value(lanmere::Ref<Object>(object));
  }
  return {};
}

Value WNDMAIN() {
  const HWND app = applicationWindow();
  return app ? OWNDFROMHWND(Value(handleNumber(app))) : Value();
}

Value GETALLWIN() {
  return list();
}

long long NWINDOWS() {
  return static_cast<long long>(slots().size());
}

const lanmere::ModuleTable& winListModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/winlist.cpp",
      {fn<&OWNDFROMHWND>("OWNDFROMHWND"), fn<&WNDMAIN>("WNDMAIN"), fn<&GETALLWIN>("GETALLWIN"),
       fn<&NWINDOWS>("NWINDOWS")}};
  return module;
}

}  // namespace kestrel
