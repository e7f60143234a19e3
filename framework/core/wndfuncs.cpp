#include "framework/core/wndfuncs.h"

#include <string>

#include "errors/kserror.h"
#include "framework/core/twindow.h"
#include "framework/core/twindow_msgs.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

struct WindowModule {
  Value defaultWindow;
  ToolTipState toolTip;
  bool balloon = false;
  bool layered = true;
};

WindowModule& state() {
  static WindowModule* module = new WindowModule();  // kept for the whole process
  return *module;
}

bool exchange(bool& flag, const Value& on) {
  const bool previous = flag;
  if (on.isLogical()) flag = on.logical();
  return previous;
}

}  // namespace

ToolTipState& toolTipState() noexcept {
  return state().toolTip;
}

bool balloonToolTips() noexcept {
  return state().balloon;
}

bool layeredWindows() noexcept {
  return state().layered;
}

const Value& defaultWindow() noexcept {
  return state().defaultWindow;
}

void SETWNDDEFAULT(const Value& oWnd) {
  state().defaultWindow = oWnd.isObject() ? oWnd : Value();
}

Value GETWNDDEFAULT() {
  return state().defaultWindow;
}

bool SETBALLOON(const Value& lOn) {
  return exchange(state().balloon, lOn);
}

bool SETALPHA(const Value& lOn) {
  return exchange(state().layered, lOn);
}

void WNDCREATEERROR(const Value& oWnd, const Value& cClassName) {
  const unsigned long code = GetLastError();
  std::string className = cClassName.string();
  std::string caption;
  if (oWnd.isObject()) {
    if (!cClassName.isText()) className = oWnd.object()->ClassName();
    caption = textForm(lanmere::send(oWnd, msg::cCaption));
  }
  raiseFrameworkError(kErrCannotCreateWindow,
                      windowOperation(className, caption, systemErrorText(code)));
}

Value WNDPARENTS(const Value& oWnd) {
  Value parents = Value::list();
  // Bounded: a parent chain that loops back is cut where it meets itself.
  Value current = oWnd;
  while (current.isObject() && lanmere::understands(current, msg::oWnd)) {
    current = lanmere::send(current, msg::oWnd);
    if (!current.isObject() || current.sharesStorageWith(oWnd)) break;
    bool seen = false;
    for (const Value& known : parents.items()) seen = seen || known.sharesStorageWith(current);
    if (seen) break;
    parents.listData()->items.push_back(current);
  }
  return parents;
}

Value TWINDOW() {
  return Value(lanmere::make<TWindow>());
}

const lanmere::ModuleTable& wndFuncsModule() {
  using lanmere::fn;
  TWindow::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{
      "framework/core/wndfuncs.cpp",
      {fn<&SETWNDDEFAULT>("SETWNDDEFAULT"), fn<&GETWNDDEFAULT>("GETWNDDEFAULT"),
       fn<&SETBALLOON>("SETBALLOON"), fn<&SETALPHA>("SETALPHA"),
       fn<&WNDCREATEERROR>("WNDCREATEERROR"), fn<&WNDPARENTS>("WNDPARENTS"),
       fn<&TWINDOW>("TWINDOW")}};
  return module;
}

}  // namespace kestrel
