// The button bar's leak count: rounds on one window of New with five bitmap buttons, Float, dock
// left, Del of two, End. After each round the tracked resources, the live window objects and the
// window-list slots in use must be back at their start; the figures of the first and last
// rounds and the largest drift close the output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/controls/modules.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/core/modules.h"
#include "framework/core/twindow.h"
#include "framework/core/winlist.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "framework/services/tbar.h"
#include "runtime/binding.h"

namespace {

using lanmere::Value;
using namespace kestrel;

constexpr int kRounds = 100;
constexpr int kButtons = 5;

// A 16 x 16 24-bit bitmap file, so the buttons load a real image.
std::string writeImage() {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "bar_soak.bmp";
  constexpr int kSide = 16;
  constexpr int kRow = kSide * 3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = info.biHeight = kSide;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + kRow * kSide;
  if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    const std::string row(kRow, '\x80');
    for (int n = 0; n < kSide; ++n) std::fwrite(row.data(), 1, row.size(), out);
    std::fclose(out);
  }
  return path;
}

void pump() {
  MSG message;
  for (int n = 0; n < 50 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++n) {
    DispatchMessageA(&message);
  }
}

struct Figures {
  std::size_t tracked;
  long windows;
  long long slots;   // slots holding a window (a freed slot holds 0 and is used again)
  long long length;  // the list's length
};

Figures now() {
  long long used = 0;
  const Value all = GETALLWIN();
  for (const Value& slot : all.items()) used += slot.isObject() ? 1 : 0;
  return {trackedResources().size(), TWindow::liveCount(), used, NWINDOWS()};
}

}  // namespace

int main() {
  using Layer = std::vector<const lanmere::ModuleTable*> (*)();
  for (Layer layer : {&coreModules, &controlsModules, &servicesModules}) {
    for (const lanmere::ModuleTable* module : layer()) lanmere::registerModule(*module);
  }
  const std::string image = writeImage();
  const Value window = lanmere::construct<TWindow>(
      {.nTop = 0, .nLeft = 0, .nBottom = 400, .nRight = 640, .lPixel = true});
  ShowWindow(dynamic_cast<TWindow*>(window.object())->hwnd(), SW_SHOW);
  pump();
  const Figures start = now();
  Figures last = start;
  long long lengthAfterFirst = 0;
  long long worstTracked = 0, worstWindows = 0, worstSlots = 0;
  for (int round = 0; round < kRounds; ++round) {
    {
      const Value bar = lanmere::construct<TBar>({.oWnd = window});
      for (int n = 0; n < kButtons; ++n) {
        lanmere::construct<TBtnBmp, TBtnBmp::NewBarArgs>(
            {.oBar = bar, .cBmpFile1 = image, .cBmpFile2 = image, .lGroup = n == 2});
      }
      auto& b = *dynamic_cast<TBar*>(bar.object());
      b.Float();
      b.GoLeft();
      b.Del(1);
      b.Del(1);
      b.End();
    }
    pump();
    last = now();
    if (round == 0) lengthAfterFirst = last.length;
    worstTracked = std::max<long long>(
        worstTracked, static_cast<long long>(last.tracked) - static_cast<long long>(start.tracked));
    worstWindows = std::max<long long>(worstWindows, last.windows - start.windows);
    worstSlots = std::max<long long>(worstSlots, last.slots - start.slots);
  }
  std::printf("%d rounds (New, %d bitmap buttons, Float, GoLeft, Del x2, End)\n", kRounds,
              kButtons);
  std::printf("tracked resources: start %zu, end %zu, largest drift %lld\n", start.tracked,
              last.tracked, worstTracked);
  std::printf("live windows:      start %ld, end %ld, largest drift %lld\n", start.windows,
              last.windows, worstWindows);
  std::printf("window-list slots: start %lld, end %lld, largest drift %lld\n", start.slots,
              last.slots, worstSlots);
  std::printf("window-list length: start %lld, after round 1 %lld, end %lld\n", start.length,
              lengthAfterFirst, last.length);
  DeleteFileA(image.c_str());
  const bool steady =
      worstTracked == 0 && worstWindows == 0 && worstSlots == 0 && last.length == lengthAfterFirst;
  return steady ? 0 : 1;
}
