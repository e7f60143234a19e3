// What a user sees of a box or dialog, read from its windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestrel::test {

struct ButtonInfo {
  int id = 0;
  std::string text;
  bool isDefault = false;
};

struct BoxInfo {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string className;
  std::string title;
  std::string text;  // a message box's message (the static with id 0xFFFF), else ""
  bool hasIcon = false;
  std::vector<ButtonInfo> buttons;
};

std::string className(HWND hwnd);
std::string windowText(HWND hwnd);
BoxInfo readBox(HWND box);

// Presses a button of a box or dialog as a click would (WM_COMMAND from the button).
void pressButton(HWND box, int id);

}  // namespace kestrel::test
