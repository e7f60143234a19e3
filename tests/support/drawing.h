// What the drawing-resource tests share: the framework's drawing modules and the tracker
// registered, a temporary current folder for the log files with a fixed log clock, and a memory
// device context whose pixels the tests read back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "runtime/functions.h"
#include "tests/support/log_folder.h"
#include "tests/support/modules.h"

namespace kestrel::test {

// The drawing modules registered besides the tracker and the log writer.
class DrawingTest : public LogFolderTest {
 protected:
  void registerModules() override { test::registerModules({controlsModules(), coreModules()}); }
};

// A 32-bit memory bitmap selected into a memory device context, white at first.
class Canvas {
 public:
  Canvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  long long handle() const { return reinterpret_cast<std::intptr_t>(dc_); }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// The pixel of a bitmap handle, read through a memory device context.
inline COLORREF bitmapPixel(HBITMAP bitmap, int x, int y) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const COLORREF color = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return color;
}

}  // namespace kestrel::test
