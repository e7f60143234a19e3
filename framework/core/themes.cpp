#include "framework/core/themes.h"

#include <windows.h>

#include <commctrl.h>

#include "framework/core/handles.h"
#include "framework/core/twindow.h"
#include "framework/core/twindow_msgs.h"
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
    return InitCommonControlsEx(&init) != 0;
  }();
  (void)done;
}

bool isWindows95() noexcept {
  const DWORD version = GetVersion();
  return !isNtFamily() && LOBYTE(LOWORD(version)) == 4 && HIBYTE(LOWORD(version)) == 0;
}

using lanmere::Value;

namespace {

using IsAppThemedFn = BOOL(WINAPI*)();
using IsThemeActiveFn = BOOL(WINAPI*)();
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);

// The theme library's entries, looked up once; null where the system has none.
struct ThemeLibrary {
  IsAppThemedFn isAppThemed = nullptr;
  IsThemeActiveFn isThemeActive = nullptr;
  DrawThemeParentBackgroundFn drawParentBackground = nullptr;
  OpenThemeDataFn openData = nullptr;
  CloseThemeDataFn closeData = nullptr;
  DrawThemeBackgroundFn drawBackground = nullptr;
};

const ThemeLibrary& library() {
  static const ThemeLibrary loaded = [] {
    ThemeLibrary entries;
    if (const HMODULE module = LoadLibraryA("uxtheme.dll")) {
      auto entry = [&](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(module, name));
      };
      entries.isAppThemed = reinterpret_cast<IsAppThemedFn>(entry("IsAppThemed"));
      entries.isThemeActive = reinterpret_cast<IsThemeActiveFn>(entry("IsThemeActive"));
      entries.drawParentBackground =
          reinterpret_cast<DrawThemeParentBackgroundFn>(entry("DrawThemeParentBackground"));
      entries.openData = reinterpret_cast<OpenThemeDataFn>(entry("OpenThemeData"));
      entries.closeData = reinterpret_cast<CloseThemeDataFn>(entry("CloseThemeData"));
      entries.drawBackground =
          reinterpret_cast<DrawThemeBackgroundFn>(entry("DrawThemeBackground"));
    }
    return entries;
  }();
  return loaded;
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
  const ThemeLibrary& entries = library();
  return entries.isAppThemed && entries.isThemeActive && entries.isAppThemed() &&
         entries.isThemeActive();
}

bool DRAWPBACK(const Value& hWnd, const Value& hDC) {
  const HWND window = handleFrom<HWND>(hWnd);
  const HDC dc = handleFrom<HDC>(hDC);
  const HWND parent = window ? GetParent(window) : nullptr;
  if (!parent || !dc) return false;
  const ThemeLibrary& entries = library();
  if (ISAPPTHEMED() && entries.drawParentBackground) {
    return SUCCEEDED(entries.drawParentBackground(window, dc, nullptr));
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
  const ThemeLibrary& entries = library();
  if (!entries.openData || !entries.closeData || !entries.drawBackground) return false;
  const HANDLE theme = entries.openData(hwnd, themeClass);
  if (!theme) return false;
  const bool drawn = SUCCEEDED(entries.drawBackground(theme, dc, part, state, &area, nullptr));
  entries.closeData(theme);
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
