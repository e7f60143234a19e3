#include "tools/boxreader/box.h"

#include <algorithm>

namespace kestrel::test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
  auto* info = reinterpret_cast<BoxInfo*>(param);
  const std::string cls = className(child);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (cls == "Button") {
    const LONG kind = style & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
      info->buttons.push_back({GetDlgCtrlID(child), windowText(child), kind == BS_DEFPUSHBUTTON});
    }
  } else if (cls == "Static") {
    if ((style & SS_TYPEMASK) == SS_ICON) info->hasIcon = true;
    if (GetDlgCtrlID(child) == kMessageBoxTextId) info->text = windowText(child);
  }
  return TRUE;
}

}  // namespace

std::string className(HWND hwnd) {
  char buffer[256] = {};
  GetClassNameA(hwnd, buffer, sizeof buffer);
  return buffer;
}

std::string windowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

BoxInfo readBox(HWND box) {
  BoxInfo info;
  info.hwnd = box;
  info.owner = GetWindow(box, GW_OWNER);
  info.className = className(box);
  info.title = windowText(box);
  EnumChildWindows(box, collectChild, reinterpret_cast<LPARAM>(&info));
  return info;
}

void pressButton(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

}  // namespace kestrel::test
