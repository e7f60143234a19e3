#include "framework/services/ttimer.h"

#include <windows.h>

#include <vector>

#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Ref;
using lanmere::Value;

namespace {

struct TimerState {
  std::vector<Ref<TTimer>> registry;  // creation order
  long long nextId = 1;
};

// Never destroyed: no timer's destructor may run after the run-time's statics are gone at exit.
TimerState& timers() {
  static TimerState* state = new TimerState;
  return *state;
}

// Evaluates the action with the timer kept alive: the action may end its own timer.
void fire(Ref<TTimer> timer) {
  if (timer->lActive.logical()) lanmere::eval(timer->bAction);
}

// Ticks of ownerless timers: the system chose their identifiers, which Activate stored.
void CALLBACK ownerlessTick(HWND, UINT, UINT_PTR id, DWORD) {
  lanmere::guardCallback(0, [id] {
    for (const Ref<TTimer>& timer : timers().registry) {
      if (timer->hWndOwner.integer() == 0 && timer->lActive.logical() &&
          static_cast<UINT_PTR>(timer->nId.integer()) == id) {
        fire(timer);
        break;
      }
    }
    return 0;
  });
}

}  // namespace

LM_DEFINE_CLASS(TTimer) {
  c.data(LM_FIELDS(bAction, lActive, nId, nInterval, hWndOwner, Cargo));
  c.methods(LM_METHODS(New, Activate, DeActivate, End));
  c.creatable();
}

Value TTimer::New(const Value& interval, const Value& action, const Value& owner) {
  bAction = action.isClosure() ? action : lanmere::block([](lanmere::Args) { return Value(); });
  lActive = false;
  nInterval = interval.isNumber() ? interval : Value(18);
  nId = timers().nextId++;
  if (owner.isObject()) {
    hWndOwner = tell(owner, msg::hWnd).integer();
  } else if (owner.isNumber()) {
    hWndOwner = owner.integer();
  } else {
    hWndOwner = handleNumber(GetActiveWindow());
  }
  timers().registry.emplace_back(this);
  return Value(Ref<TTimer>(this));
}

void TTimer::Activate() {
  const HWND owner = handleFrom<HWND>(hWndOwner);
  const UINT_PTR id =
      SetTimer(owner, static_cast<UINT_PTR>(nId.integer()), static_cast<UINT>(nInterval.integer()),
               owner ? nullptr : ownerlessTick);
  if (id == 0) return;
  nId = static_cast<long long>(id);
  lActive = true;
}

bool TTimer::DeActivate() {
  lActive = false;
  return KillTimer(handleFrom<HWND>(hWndOwner), static_cast<UINT_PTR>(nId.integer())) != FALSE;
}

void TTimer::End() {
  Ref<TTimer> self(this);  // the registry may hold the last reference
  DeActivate();
  auto& registry = timers().registry;
  for (auto it = registry.begin(); it != registry.end(); ++it) {
    if (it->get() == this) {
      registry.erase(it);
      break;
    }
  }
}

Value TIMEREVENT(const Value& id) {
  if (!id.isNumber()) return 0;
  const long long wanted = id.integer();
  Ref<TTimer> found;
  for (const Ref<TTimer>& timer : timers().registry) {
    if (timer->nId.isNumber() && timer->nId.integer() == wanted) {
      found = timer;
      break;
    }
  }
  if (found) fire(found);
  return 0;
}

Value SETTIMER(const Value& hWnd, const Value& id, const Value& period, const Value& callback) {
  if (!callback.isNil() && !(callback.isNumber() && callback.integer() == 0)) return 0;
  return static_cast<long long>(SetTimer(handleFrom<HWND>(hWnd),
                                         static_cast<UINT_PTR>(id.integer()),
                                         static_cast<UINT>(period.integer()), nullptr));
}

bool KILLTIMER(const Value& hWnd, const Value& id) {
  return KillTimer(handleFrom<HWND>(hWnd), static_cast<UINT_PTR>(id.integer())) != FALSE;
}

Value TTIMER() {
  return Value(lanmere::make<TTimer>());
}

const lanmere::ModuleTable& timerModule() {
  using lanmere::fn;
  TTimer::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{
      "framework/services/ttimer.cpp",
      {fn<&TTIMER>("TTIMER"), fn<&TIMEREVENT>("TIMEREVENT"), fn<&SETTIMER>("SETTIMER"),
       fn<&KILLTIMER>("KILLTIMER")}};
  return module;
}

}  // namespace kestrel
