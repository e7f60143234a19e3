#include "framework/controls/bitmaps.h"

#include <cmath>

#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

enum ResizeMode : long { kKeep = 0, kStretch = 1, kFill = 2, kFit = 3 };

// Copies from `source` into a new screen-compatible bitmap of width x height through `copy`.
template <class Copy>
HBITMAP copyInto(HBITMAP source, int width, int height, Copy copy) {
  if (source == nullptr || width <= 0 || height <= 0) return nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC from = CreateCompatibleDC(screen);
  const HDC to = CreateCompatibleDC(screen);
  HBITMAP result = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ oldFrom = SelectObject(from, source);
  const HGDIOBJ oldTo = SelectObject(to, result);
  const bool copied = result && oldFrom && copy(to, from);
  SelectObject(from, oldFrom);
  SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  ReleaseDC(nullptr, screen);
  if (!copied && result) {
    DeleteObject(result);
    result = nullptr;
  }
  return result;
}

long proportional(long side, long numerator, long denominator) {
  return denominator == 0 ? 0 : std::lround(static_cast<double>(side) * numerator / denominator);
}

}  // namespace

SIZE bitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

HBITMAP readBitmapFile(const std::string& path) {
  return trackedCreate("READBITMAP", "BMP", [&] {
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  });
}

HBITMAP loadBitmapResource(HINSTANCE module, const std::string& name) {
  const ResourceName resource(name);
  return trackedCreate("LOADBITMAP", "BMP", [&]() -> HBITMAP {
    return resource.get() ? LoadBitmapA(module, resource.get()) : nullptr;
  });
}

HBITMAP loadBitmapFileOrResource(HINSTANCE module, const std::string& name) {
  return fileExists(name) ? readBitmapFile(name) : loadBitmapResource(module, name);
}

HBITMAP copyBitmap(HBITMAP source) {
  const SIZE size = bitmapSize(source);
  return copyInto(source, size.cx, size.cy, [&](HDC to, HDC from) {
    return BitBlt(to, 0, 0, size.cx, size.cy, from, 0, 0, SRCCOPY) != FALSE;
  });
}

HBITMAP resizeImage(HBITMAP source, int width, int height) {
  const SIZE own = bitmapSize(source);
  return trackedCreate("RESIZEIMG", "BMP -> ResizeImg", [&] {
    return copyInto(source, width, height, [&](HDC to, HDC from) {
      SetStretchBltMode(to, HALFTONE);
      SetBrushOrgEx(to, 0, 0, nullptr);
      return StretchBlt(to, 0, 0, width, height, from, 0, 0, own.cx, own.cy, SRCCOPY) != FALSE;
    });
  });
}

HBITMAP cropImage(HBITMAP source, int top, int left, int width, int height) {
  return trackedCreate("CROPIMAGE", "BMP", [&] {
    return copyInto(source, width, height, [&](HDC to, HDC from) {
      return BitBlt(to, 0, 0, width, height, from, left, top, SRCCOPY) != FALSE;
    });
  });
}

SIZE resizedSize(SIZE own, long width, long height, long mode) {
  if (width == 0 && height == 0) return own;
  if (width == 0) width = proportional(height, own.cx, own.cy);
  if (height == 0) height = proportional(width, own.cy, own.cx);
  // Compared as cross products: width / own width against height / own height.
  const long long widthRatio = static_cast<long long>(width) * own.cy;
  const long long heightRatio = static_cast<long long>(height) * own.cx;
  switch (mode) {
    case kKeep:
      return own;
    case kStretch:
      return {width, height};
    case kFill:
      if (widthRatio > heightRatio) return {width, proportional(width, own.cy, own.cx)};
      break;
    case kFit:
      if (widthRatio < heightRatio) return {width, proportional(width, own.cy, own.cx)};
      break;
    default:
      break;
  }
  return {proportional(height, own.cx, own.cy), height};
}

Value READBITMAP(const Value&, const Value& file) {
  return handleNumber(readBitmapFile(file.string()));
}

Value LOADBITMAP(const Value& module, const Value& name) {
  const std::string text = name.isNumber() ? std::to_string(name.integer()) : name.string();
  return handleNumber(loadBitmapResource(handleOf<HINSTANCE>(module), text));
}

Value RESIZEBITMAP(const Value& bitmap, const Value& width, const Value& height,
                   const Value& mode) {
  const HBITMAP source = handleOf<HBITMAP>(bitmap);
  const long w = static_cast<long>(width.integer());
  const long h = static_cast<long>(height.integer());
  const long m = (w == 0 && h == 0) ? kKeep
                 : mode.isNil()     ? kStretch
                                    : static_cast<long>(mode.integer());
  const SIZE size = resizedSize(bitmapSize(source), w, h, m);
  return handleNumber(resizeImage(source, size.cx, size.cy));
}

Value RESIZEIMG(const Value& bitmap, const Value& width, const Value& height) {
  return handleNumber(resizeImage(handleOf<HBITMAP>(bitmap), static_cast<int>(width.integer()),
                                  static_cast<int>(height.integer())));
}

Value CROPIMAGE(const Value& bitmap, const Value& top, const Value& left, const Value& bottom,
                const Value& right) {
  return handleNumber(cropImage(handleOf<HBITMAP>(bitmap), static_cast<int>(top.integer()),
                                static_cast<int>(left.integer()),
                                static_cast<int>(right.integer() - left.integer()),
                                static_cast<int>(bottom.integer() - top.integer())));
}

const lanmere::ModuleTable& bitmapsModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&READBITMAP>("READBITMAP"), fn<&LOADBITMAP>("LOADBITMAP"),
       fn<&RESIZEBITMAP>("RESIZEBITMAP"), fn<&RESIZEIMG>("RESIZEIMG"),
       fn<&CROPIMAGE>("CROPIMAGE")}};
  return module;
}

}  // namespace kestrel
