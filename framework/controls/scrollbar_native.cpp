#include "framework/controls/scrollbar_native.h"

#include <windows.h>

#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

int barOf(const Value& bar) {
  return static_cast<int>(bar.isNil() ? SB_CTL : bar.integer());
}

BOOL redrawOf(const Value& redraw) {
  return redraw.isLogical() ? redraw.logical() : (redraw.isNumber() && redraw.integer() != 0);
}

}  // namespace

Value SETSCROLLRANGE(const Value& hWnd, const Value& bar, const Value& min, const Value& max,
                     const Value& redraw) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nMin = static_cast<int>(min.integer());
  info.nMax = static_cast<int>(max.integer());
  info.nPage = 1;
  return static_cast<long long>(
      SetScrollInfo(handleOf<HWND>(hWnd), barOf(bar), &info, redrawOf(redraw)));
}

Value SETSCROLLPOS(const Value& hWnd, const Value& bar, const Value& pos, const Value& redraw) {
  return static_cast<long long>(SetScrollPos(handleOf<HWND>(hWnd), barOf(bar),
                                             static_cast<int>(pos.integer()), redrawOf(redraw)));
}

Value GETSCROLLPOS(const Value& hWnd, const Value& bar) {
  return static_cast<long long>(GetScrollPos(handleOf<HWND>(hWnd), barOf(bar)));
}

Value GETSCROLLRANGE(const Value& hWnd, const Value& bar) {
  int min = 0;
  int max = 0;
  GetScrollRange(handleOf<HWND>(hWnd), barOf(bar), &min, &max);
  return Value::list({static_cast<long long>(min), static_cast<long long>(max)});
}

Value SETSCROLLINFO(const Value& hWnd, const Value& bar, const Value& page, const Value& redraw) {
  const auto setInfo = systemFunction<"user32.dll", "SetScrollInfo", decltype(::SetScrollInfo)>();
  const HWND window = handleOf<HWND>(hWnd);
  if (!setInfo || !window) return false;
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_PAGE | SIF_DISABLENOSCROLL;
  info.nPage = static_cast<UINT>(page.integer());
  setInfo(window, barOf(bar), &info, redrawOf(redraw));
  // The call answers the position, which may be 0: reading the bar back tells whether it exists.
  SCROLLINFO check{};
  check.cbSize = sizeof check;
  check.fMask = SIF_PAGE;
  return GetScrollInfo(window, barOf(bar), &check) != FALSE;
}

const lanmere::ModuleTable& scrollbarNativeModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&SETSCROLLRANGE>("SETSCROLLRANGE"), fn<&SETSCROLLPOS>("SETSCROLLPOS"),
       fn<&GETSCROLLPOS>("GETSCROLLPOS"), fn<&GETSCROLLRANGE>("GETSCROLLRANGE"),
       fn<&SETSCROLLINFO>("SETSCROLLINFO")}};
  return module;
}

}  // namespace kestrel
