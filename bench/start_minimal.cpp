// The least a Windows program does to show a box: the start benchmark's baseline. Title, text and
// whether the box has the stop icon come from the environment (START_BOX_TITLE, START_BOX_TEXT,
// START_BOX_ICON), so it shows what the program under measure showed.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* title = std::getenv("START_BOX_TITLE");
  const char* text = std::getenv("START_BOX_TEXT");
  const char* icon = std::getenv("START_BOX_ICON");
  const UINT style = MB_OK | (icon && *icon == '1' ? MB_ICONSTOP : 0);
  MessageBoxA(nullptr, text ? text : "", title ? title : "", style);
  return 0;
}
