// Native image-list services: strips of equally sized images that the common controls draw by
// index. Each starts the common controls first. Every list made here is recorded with the tracker
// as "IMAGELIST" and remembered by this module, so a list it already destroyed answers as a
// failure without reaching the system (which would read freed memory). Handles this module never
// made (a control's or another library's lists) still go to the system.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

inline constexpr const char* kImageListTag = "IMAGELIST";
// A width or height that is not a whole number from 1 to 32767 (genCode 1).
inline constexpr long long kImageListSizeSubCode = 5421;
// 24-bit colour with a mask (ILC_COLOR24 | ILC_MASK), the flags every list made by ILCREATE has.
inline constexpr UINT kImageListFlags = 0x19;
inline constexpr int kImageListGrowth = 50;

// Whether the value is a size an image list takes: a whole number from 1 to 32767.
bool isImageSize(const lanmere::Value& size) noexcept;

// ILCREATE (width, height): a new empty list, or the argument error's substitute.
lanmere::Value ILCREATE(const lanmere::Value& width, const lanmere::Value& height);
// ILDESTROY (handle): true when the system destroyed the list.
lanmere::Value ILDESTROY(const lanmere::Value& handle);
// ILADD (handle, bitmap, mask): the new image's index, -1 on failure.
lanmere::Value ILADD(const lanmere::Value& handle, const lanmere::Value& bitmap,
                     const lanmere::Value& mask);
// ILADDMASKED (handle, bitmap, colour): pixels of the colour become transparent. The system
// blackens those pixels in the bitmap it is given: a caller that still needs the picture passes
// a copy.
lanmere::Value ILADDMASKED(const lanmere::Value& handle, const lanmere::Value& bitmap,
                           const lanmere::Value& color);
// ILADDICON (handle, icon): the list keeps its own copy; the caller still owns the icon.
lanmere::Value ILADDICON(const lanmere::Value& handle, const lanmere::Value& icon);
// ILSETBKCOLOR (handle, colour): the previous colour; CLR_NONE (0xFFFFFFFF) when there was none
// or the list is gone.
lanmere::Value ILSETBKCOLOR(const lanmere::Value& handle, const lanmere::Value& color);
// ILLOADIMAGE (file, width, grow count, mask colour): the bitmap file loaded as a
// device-independent section and cut into images `width` pixels wide; 0 when it does not load.
// A grow count that is no positive number is 0; no mask colour (nil) makes no mask.
lanmere::Value ILLOADIMAGE(const lanmere::Value& file, const lanmere::Value& width,
                           const lanmere::Value& grow, const lanmere::Value& mask);
// ILDRAW (handle, index, hDC, nRow, nCol): draws the image with its mask (or the list's background
// colour) at that point of the device context; false for a list that is gone or no image.
lanmere::Value ILDRAW(const lanmere::Value& handle, const lanmere::Value& index,
                      const lanmere::Value& hDC, const lanmere::Value& row,
                      const lanmere::Value& col);

const lanmere::ModuleTable& imageListModule();

}  // namespace kestrel
