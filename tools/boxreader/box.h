// What a user sees of a box or dialog, read from its windows (also those of another process),
// and how a user answers it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestrel::test {

// Rectangles are in the box's client coordinates, right and bottom exclusive.
struct ButtonInfo {
  int id = 0;
  std::string text;
  bool isDefault = false;
  RECT rect{};
};

struct StaticInfo {
  int id = 0;
  std::string text;
  LONG style = 0;
  RECT rect{};
};

struct ListInfo {
  int id = 0;
  std::vector<std::string> lines;
  int selected = -1;  // the selected line (0-based), -1 for none
  RECT rect{};
};

struct BoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string className;
  std::string title;
  std::string text;  // a message box's message (the static with id 0xFFFF), else ""
  bool hasIcon = false;
  std::vector<ButtonInfo> buttons;  // push buttons, in window order
  std::vector<StaticInfo> statics;  // static controls other than icons, in window order
  std::vector<ListInfo> lists;      // list boxes, in window order
  int focusedId = 0;                // the control with the keyboard focus (0: none of the box's)
  int defaultId = 0;                // the dialog's default button (0: none)
  RECT client{};                    // the client area
};

std::string className(HWND hwnd);
// The first visible top-level window of process `pid` with that class; null when none.
HWND topLevelOf(DWORD pid, const std::string& windowClass);
std::string windowText(HWND hwnd);
BoxInfo readBox(HWND box);

// Presses a button of a box or dialog as a click would (WM_COMMAND from the button).
void pressButton(HWND box, int id);
// The same for the push button with that caption; false when the box has none.
bool pressButton(HWND box, const std::string& caption);
// The push button with that caption, or null.
HWND findButton(HWND box, const std::string& caption);

// Posts Enter or Escape to the box's focused control (the box itself when none has the focus),
// as the keyboard would: the dialog manager of the box's loop turns them into its default
// button's command and Cancel.
void postEnter(HWND box);
void postEscape(HWND box);

}  // namespace kestrel::test
