#include "framework/core/themes.h"

#include <windows.h>

#include <commctrl.h>
#include <uxtheme.h>

#include "framework/core/handles.h"
#include "framework/core/twindow.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/core/winlist.h"
#include "runtime/binding.h"

namespace kestrel {

bool isNtFamily() noexcept {
  constexpr DWORD kNot9x = 0x80000000;  // GetVersion's high bit is set only on the 9x family
  return (GetVersion() & kNot9x) == 0;
}

void initCommonControls() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    return callSystem<"comctl32.dll", "InitCommonControlsEx", decltype(::InitCommonControlsEx)>(
               &init) != 0;
  }();
  (void)done;
}

bool isWindows95() noexcept {
  const DWORD version = GetVersion();
  return !isNtFamily() && LOBYTE(LOWORD(version)) == 4 && HIBYTE(LOWORD(version)) == 0;
}

using lanmere::Value;

namespace {

// The theme library's entries, found on first use; null where the system has none.
template <SystemName Name, typename Fn>
Fn* themeEntry() noexcept {
  return systemFunction<"uxtheme.dll", Name, Fn>();
}

std::optional<bool>& themedOverride() noexcept {
  static std::optional<bool> value;
  return value;
}

// The brush the parent paints with: its object's brush, else its class's background, else the
// dialog face colour.
HBRUSH parentBrush(HWND parent) {
  if (const HBRUSH own = handleOfMember<HBRUSH>(
          offer(OWNDFROMHWND(handleNumber(parent)), msg::oBrush), msg::hBrush)) {
    return own;
  }
  if (const auto background =
          reinterpret_cast<HBRUSH>(GetClassLongPtrA(parent, GCLP_HBRBACKGROUND))) {
    return background;
  }
  return GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace

bool ISAPPTHEMED() {
  if (themedOverride()) return *themedOverride();
  const auto isAppThemed = themeEntry<"IsAppThemed", decltype(::IsAppThemed)>();
  const auto isThemeActive = themeEntry<"IsThemeActive", decltype(::IsThemeActive)>();
  return isAppThemed && isThemeActive && isAppThemed() && isThemeActive();
}

bool DRAWPBACK(const Value& hWnd, const Value& hDC) {
  const HWND window = handleFrom<HWND>(hWnd);
  const HDC dc = handleFrom<HDC>(hDC);
  const HWND parent = window ? GetParent(window) : nullptr;
  if (!parent || !dc) return false;
  const auto drawParentBackground =
      themeEntry<"DrawThemeParentBackground", decltype(::DrawThemeParentBackground)>();
  if (ISAPPTHEMED() && drawParentBackground) {
    return SUCCEEDED(drawParentBackground(window, dc, nullptr));
  }
  // The parent's brush, aligned to the parent.
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  MapWindowPoints(window, parent, &origin, 1);
  SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  return FillRect(dc, &client, parentBrush(parent)) != 0;
}

bool drawThemedPart(HWND hwnd, const wchar_t* themeClass, int part, int state, HDC dc,
                    const RECT& area) {
  const auto openData = themeEntry<"OpenThemeData", decltype(::OpenThemeData)>();
  const auto closeData = themeEntry<"CloseThemeData", decltype(::CloseThemeData)>();
  const auto drawBackground = themeEntry<"DrawThemeBackground", decltype(::DrawThemeBackground)>();
  if (!openData || !closeData || !drawBackground) return false;
  const HTHEME theme = openData(hwnd, themeClass);
  if (!theme) return false;
  const bool drawn = SUCCEEDED(drawBackground(theme, dc, part, state, &area, nullptr));
  closeData(theme);
  return drawn;
}

void overrideAppThemed(std::optional<bool> themed) noexcept {
  themedOverride() = themed;
}

const lanmere::ModuleTable& themesModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/themes.cpp", {fn<&ISAPPTHEMED>("ISAPPTHEMED"), fn<&DRAWPBACK>("DRAWPBACK")}};
  return module;
}

}  // namespace kestrel
