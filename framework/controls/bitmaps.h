// Bitmaps: reading a .bmp file, loading a bitmap resource, and the scaler and cropper that
// RESIZEBITMAP and the brushes use. Each answers a new handle, recorded with the tracker, or 0.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

HBITMAP readBitmapFile(const std::string& path);
// A resource named by text, or by number when the text is all digits.
HBITMAP loadBitmapResource(HINSTANCE module, const std::string& name);
// The bitmap file of that name when the file exists, else the module's resource of that name;
// one record either way.
HBITMAP loadBitmapFileOrResource(HINSTANCE module, const std::string& name);
// A halftone-stretched copy of that size ("BMP -> ResizeImg").
HBITMAP resizeImage(HBITMAP source, int width, int height);
// A copy of the part from (left, top), width x height ("BMP").
HBITMAP cropImage(HBITMAP source, int top, int left, int width, int height);
SIZE bitmapSize(HBITMAP bitmap);
// A new screen-compatible bitmap of the same size with the same pixels, not recorded (the
// clipboard takes such copies); null when the source is no bitmap.
HBITMAP copyBitmap(HBITMAP source);
// The size RESIZEBITMAP gives a bitmap of `own` size; 0 is a missing side.
SIZE resizedSize(SIZE own, long width, long height, long mode);

// READBITMAP (hDC, cFile), LOADBITMAP (hInst, cName)
lanmere::Value READBITMAP(const lanmere::Value& hDC, const lanmere::Value& file);
lanmere::Value LOADBITMAP(const lanmere::Value& module, const lanmere::Value& name);
// RESIZEBITMAP (hBmp, nWidth, nHeight, nMode): a new bitmap (see resizedSize).
lanmere::Value RESIZEBITMAP(const lanmere::Value& bitmap, const lanmere::Value& width,
                            const lanmere::Value& height, const lanmere::Value& mode);
// RESIZEIMG (hBmp, nWidth, nHeight)
lanmere::Value RESIZEIMG(const lanmere::Value& bitmap, const lanmere::Value& width,
                         const lanmere::Value& height);
// CROPIMAGE (hBmp, nTop, nLeft, nBottom, nRight): the part from top, left up to (not
// including) bottom, right.
lanmere::Value CROPIMAGE(const lanmere::Value& bitmap, const lanmere::Value& top,
                         const lanmere::Value& left, const lanmere::Value& bottom,
                         const lanmere::Value& right);

const lanmere::ModuleTable& bitmapsModule();

}  // namespace kestrel
