#include "framework/services/mdiapi.h"

#include <algorithm>
#include <vector>

#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/winlist.h"
#include "framework/core/wndhandleevent.h"
#include "framework/core/wndproc.h"

namespace kestrel {

using lanmere::Value;

namespace {

Value& moduleFrame() {
  static Value* const frame = new Value();  // never destroyed: no object freed after exit
  return *frame;
}

// Frame and client windows, for the frame procedure. Few frames live at once.
std::vector<std::pair<HWND, HWND>>& frameClients() {
  static auto* const pairs = new std::vector<std::pair<HWND, HWND>>();
  return *pairs;
}

HWND clientOf(HWND frame) {
  for (const auto& [f, c] : frameClients()) {
    if (f == frame) return c;
  }
  return nullptr;
}

// The frame's fallback: the system's frame procedure with this frame's own client window (the
// frame's first child changes as siblings are raised).
LRESULT CALLBACK mdiFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return guardWindowCallback(
      LRESULT{0}, [&] { return DefFrameProcA(hwnd, clientOf(hwnd), message, wParam, lParam); });
}

// A docked window that counts: a live, visible one.
HWND docked(const Value& handle) {
  const HWND window = handleFrom<HWND>(handle);
  return window && IsWindow(window) && IsWindowVisible(window) ? window : nullptr;
}

// The docked window's rectangle in the frame's client coordinates.
RECT dockedRect(HWND frame, HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

Value GETWNDFRAME() {
  const Value& frame = moduleFrame();
  return frame;
}

void setModuleFrame(const Value& frame) {
  moduleFrame() = frame;
}

Value WNDADJCLIENT(const Value& hClient, const Value& hTop, const Value& hBottom,
                   const Value& hLeft, const Value& hRight) {
  const HWND client = handleFrom<HWND>(hClient);
  const HWND frame = client ? GetParent(client) : nullptr;
  if (!frame) return {};
  RECT area{};
  GetClientRect(frame, &area);
  if (const HWND top = docked(hTop)) area.top = dockedRect(frame, top).bottom;
  if (const HWND bottom = docked(hBottom)) area.bottom = dockedRect(frame, bottom).top;
  if (const HWND left = docked(hLeft)) area.left = dockedRect(frame, left).right;
  if (const HWND right = docked(hRight)) area.right = dockedRect(frame, right).left;
  const int width = std::max(0, static_cast<int>(area.right - area.left));
  const int height = std::max(0, static_cast<int>(area.bottom - area.top));
  callWindows([&] {
    return SetWindowPos(client, nullptr, area.left, area.top, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE);
  });
  return {};
}

Value windowObject(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return {};
  return OWNDFROMHWND(Value(handleNumber(hwnd)));
}

long long frameProcAddress() noexcept {
  const WNDPROC procedure = mdiFrameProc;  // the type checks the calling convention
  return handleNumber(procedure);
}

void setFrameClient(HWND frame, HWND client) {
  auto& pairs = frameClients();
  std::erase_if(pairs, [&](const auto& pair) { return pair.first == frame; });
  if (client) pairs.emplace_back(frame, client);
}

Value callOldProc(TWindow& window, const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  const auto previous = handleFrom<WNDPROC>(window.nOldProc);
  const HWND hwnd = window.hwnd();
  const auto message = static_cast<UINT>(nMsg.integer());
  const auto wParam = handleFrom<WPARAM>(nWParam);
  const auto lParam = handleFrom<LPARAM>(nLParam);
  return handleNumber(callWindows([&] {
    return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam)
                    : DefWindowProcA(hwnd, message, wParam, lParam);
  }));
}

Value mdiHandleEvent(TWindow& window, const Value& nMsg, const Value& nWParam, const Value& nLParam,
                     std::initializer_list<UINT> first, std::initializer_list<UINT> after) {
  const auto message = static_cast<UINT>(nMsg.integer());
  const auto in = [message](std::initializer_list<UINT> list) {
    return std::find(list.begin(), list.end(), message) != list.end();
  };
  if (in(first)) {
    const Value standard = callOldProc(window, nMsg, nWParam, nLParam);
    const Value own = WNDHANDLEEVENT(window, nMsg, nWParam, nLParam);
    return own.isNil() ? standard : own;
  }
  const Value own = WNDHANDLEEVENT(window, nMsg, nWParam, nLParam);
  if (!in(after) || own.isNil()) return own;  // nil: the bridge runs the default once
  const Value standard = callOldProc(window, nMsg, nWParam, nLParam);
  if (message == WM_MENUCHAR && own.integer() == 0) return standard;
  return own;
}

const lanmere::ModuleTable& mdiApiModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&GETWNDFRAME>("GETWNDFRAME"), lanmere::fn<&WNDADJCLIENT>("WNDADJCLIENT")}};
  return module;
}

}  // namespace kestrel
