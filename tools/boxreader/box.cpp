#include "tools/boxreader/box.h"

#include <algorithm>

namespace kestrel::test {

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

RECT rectIn(HWND box, HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A list box's lines through its own messages, asked for in wide characters (the system carries
// those across processes as they are) and converted to the ANSI code page.
ListInfo readList(HWND box, HWND list) {
  ListInfo info{GetDlgCtrlID(list), {}, -1, rectIn(box, list)};
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring wide(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                     reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    std::string line;
    if (!wide.empty()) {
      const int size = static_cast<int>(wide.size());
      line.resize(static_cast<std::size_t>(
          WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)));
      WideCharToMultiByte(CP_ACP, 0, wide.data(), size, line.data(), static_cast<int>(line.size()),
                          nullptr, nullptr);
    }
    info.lines.push_back(line);
  }
  const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  info.selected = selected == LB_ERR ? -1 : static_cast<int>(selected);
  return info;
}

struct Reading {
  BoxInfo* info;
  HWND box;
};

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
  auto* reading = reinterpret_cast<Reading*>(param);
  BoxInfo* info = reading->info;
  const std::string cls = className(child);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (cls == "Button") {
    const LONG kind = style & BS_TYPEMASK;
    if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
      info->buttons.push_back({GetDlgCtrlID(child), windowText(child), kind == BS_DEFPUSHBUTTON,
                               rectIn(reading->box, child)});
    }
  } else if (cls == "Static") {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      info->hasIcon = true;
    } else {
      info->statics.push_back(
          {GetDlgCtrlID(child), windowText(child), style, rectIn(reading->box, child)});
    }
    if (GetDlgCtrlID(child) == kMessageBoxTextId) info->text = windowText(child);
  } else if (cls == "ListBox") {
    info->lists.push_back(readList(reading->box, child));
  }
  return TRUE;
}

// The focused window of the thread that owns the box, which may belong to another process.
HWND focusOf(HWND box) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &thread)) return nullptr;
  return thread.hwndFocus;
}

void postTypedKey(HWND box, UINT key) {
  HWND target = focusOf(box);
  if (!target || (target != box && !IsChild(box, target))) target = box;
  const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
  const LPARAM down = 1 | static_cast<LPARAM>(scan) << 16;
  const LPARAM up = down | static_cast<LPARAM>(3) << 30;  // previous state down, releasing
  PostMessageA(target, WM_KEYDOWN, key, down);
  PostMessageA(target, WM_KEYUP, key, up);
}

struct TopLevelSearch {
  DWORD pid;
  const std::string& windowClass;
  HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND hwnd, LPARAM param) {
  auto& s = *reinterpret_cast<TopLevelSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s.pid || !IsWindowVisible(hwnd) || className(hwnd) != s.windowClass) return TRUE;
  s.found = hwnd;
  return FALSE;
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
  GetClientRect(box, &info.client);
  Reading reading{&info, box};
  EnumChildWindows(box, collectChild, reinterpret_cast<LPARAM>(&reading));
  const HWND focus = focusOf(box);
  if (focus && IsChild(box, focus)) info.focusedId = GetDlgCtrlID(focus);
  const LRESULT defaultId = SendMessageA(box, DM_GETDEFID, 0, 0);
  if (HIWORD(defaultId) == DC_HASDEFID) info.defaultId = LOWORD(defaultId);
  return info;
}

void pressButton(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

HWND findButton(HWND box, const std::string& caption) {
  for (const ButtonInfo& button : readBox(box).buttons) {
    if (button.text == caption) return GetDlgItem(box, button.id);
  }
  return nullptr;
}

bool pressButton(HWND box, const std::string& caption) {
  const HWND button = findButton(box, caption);
  if (!button) return false;
  pressButton(box, GetDlgCtrlID(button));
  return true;
}

void postEnter(HWND box) {
  postTypedKey(box, VK_RETURN);
}

void postEscape(HWND box) {
  postTypedKey(box, VK_ESCAPE);
}

HWND topLevelOf(DWORD pid, const std::string& windowClass) {
  TopLevelSearch search{pid, windowClass};
  EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace kestrel::test
