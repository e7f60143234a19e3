// TTimer: a closure evaluated periodically inside the message loop, on a system window timer.
// The owner window's Timer event calls TIMEREVENT, which finds the timer by identifier.
//
// The registry holds every timer from New to End, and with it whatever its action captures:
// nothing ends a timer when its owner window is destroyed (the system has stopped its ticks; a
// later Activate on the dead owner fails and leaves the timer inactive).
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TTimer : public lanmere::Object {
  LM_CLASS(TTimer, lanmere::Object)

  lanmere::Value bAction;
  lanmere::Value lActive = false;
  lanmere::Value nId;
  lanmere::Value nInterval;
  lanmere::Value hWndOwner;
  lanmere::Value Cargo;

  lanmere::Value New(const lanmere::Value& interval, const lanmere::Value& action,
                     const lanmere::Value& owner);
  // Starts the system timer; a timer without an owner window ticks through the framework's
  // timer procedure, in any message loop. A refused start changes nothing.
  void Activate();
  bool DeActivate();
  void End();
};

// Evaluates the action of the first registered timer with this identifier when it is active.
// Always 0, the answer of a timer message.
lanmere::Value TIMEREVENT(const lanmere::Value& id);
// One-to-one wrappers of the system calls. SETTIMER's callback may only be nil or 0: a number is
// not an address the framework may call.
lanmere::Value SETTIMER(const lanmere::Value& hWnd, const lanmere::Value& id,
                        const lanmere::Value& period, const lanmere::Value& callback);
bool KILLTIMER(const lanmere::Value& hWnd, const lanmere::Value& id);
lanmere::Value TTIMER();

const lanmere::ModuleTable& timerModule();

}  // namespace kestrel
