#include "framework/services/imagelist.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_set>

#include "framework/core/args.h"
#include "framework/core/themes.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr long long kLargestImage = 32767;
static_assert(kImageListFlags == (ILC_COLOR24 | ILC_MASK));

// The lists this module made and later destroyed. A value leaves the set when the system hands
// it out again for a new list here.
std::unordered_set<HIMAGELIST>& destroyedLists() {
  static std::unordered_set<HIMAGELIST> lists;
  return lists;
}
std::unordered_set<HIMAGELIST>& madeLists() {
  static std::unordered_set<HIMAGELIST> lists;
  return lists;
}

HIMAGELIST remember(HIMAGELIST list) {
  if (list != nullptr) {
    destroyedLists().erase(list);
    madeLists().insert(list);
  }
  return list;
}

// The list a handle argument names, or null for 0 and for a list this module destroyed; the
// common controls are started on the way.
HIMAGELIST usable(const Value& handle) {
  initCommonControls();
  const auto list = handleOf<HIMAGELIST>(handle);
  return destroyedLists().contains(list) ? nullptr : list;
}

// What the system's ImageList_AddMasked does, done here: the mask is white where the bitmap has
// the colour, those pixels are blackened in the caller's bitmap, and the pair is added. Wine's
// x86-64 AddMasked fails now and then with the same arguments, depending on its caller's stack.
int addMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF color) {
  BITMAP size{};
  if (GetObjectA(bitmap, sizeof size, &size) == 0) return -1;
  const HBITMAP mask = CreateBitmap(size.bmWidth, size.bmHeight, 1, 1, nullptr);
  const HDC image = CreateCompatibleDC(nullptr);
  const HDC maskDc = CreateCompatibleDC(nullptr);
  const HGDIOBJ oldImage = SelectObject(image, bitmap);
  const HGDIOBJ oldMask = SelectObject(maskDc, mask);
  // Colour to monochrome: the background colour becomes white, every other colour black.
  SetBkColor(image, color);
  BitBlt(maskDc, 0, 0, size.bmWidth, size.bmHeight, image, 0, 0, SRCCOPY);
  // Monochrome to colour: white is the background colour, black the text colour; keep the image
  // only where the mask is black.
  constexpr DWORD kDestinationAndNotSource = 0x00220326;
  SetBkColor(image, RGB(255, 255, 255));
  SetTextColor(image, RGB(0, 0, 0));
  BitBlt(image, 0, 0, size.bmWidth, size.bmHeight, maskDc, 0, 0, kDestinationAndNotSource);
  SelectObject(maskDc, oldMask);
  SelectObject(image, oldImage);
  DeleteDC(maskDc);
  DeleteDC(image);
  const int index =
      callSystem<"comctl32.dll", "ImageList_Add", decltype(::ImageList_Add)>(list, bitmap, mask);
  DeleteObject(mask);
  return index;
}

}  // namespace

bool isImageSize(const Value& size) noexcept {
  if (!size.isNumber()) return false;
  const double n = size.number();
  return n >= 1 && n <= kLargestImage && std::trunc(n) == n;
}

Value ILCREATE(const Value& width, const Value& height) {
  if (!isImageSize(width) || !isImageSize(height)) {
    return lanmere::argumentError(kImageListSizeSubCode);
  }
  initCommonControls();
  return handleNumber(remember(trackedCreate("ILCREATE", kImageListTag, [&] {
    return callSystem<"comctl32.dll", "ImageList_Create", decltype(::ImageList_Create)>(
        static_cast<int>(width.integer()), static_cast<int>(height.integer()), kImageListFlags, 0,
        kImageListGrowth);
  })));
}

Value ILDESTROY(const Value& handle) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr) return false;
  const bool destroyed = trackedDelete(list, [](HIMAGELIST l) {
    return callSystem<"comctl32.dll", "ImageList_Destroy", decltype(::ImageList_Destroy)>(l) !=
           FALSE;
  });
  if (destroyed && madeLists().erase(list) != 0) destroyedLists().insert(list);
  return destroyed;
}

Value ILADD(const Value& handle, const Value& bitmap, const Value& mask) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr) return -1;
  return callSystem<"comctl32.dll", "ImageList_Add", decltype(::ImageList_Add)>(
      list, handleOf<HBITMAP>(bitmap), handleOf<HBITMAP>(mask));
}

Value ILADDMASKED(const Value& handle, const Value& bitmap, const Value& color) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr) return -1;
  return addMasked(list, handleOf<HBITMAP>(bitmap), static_cast<COLORREF>(color.integer()));
}

Value ILADDICON(const Value& handle, const Value& icon) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr) return -1;
  return callSystem<"comctl32.dll", "ImageList_ReplaceIcon", decltype(::ImageList_ReplaceIcon)>(
      list, -1, handleOf<HICON>(icon));
}

Value ILSETBKCOLOR(const Value& handle, const Value& color) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr) return static_cast<long long>(CLR_NONE);
  return static_cast<long long>(
      callSystem<"comctl32.dll", "ImageList_SetBkColor", decltype(::ImageList_SetBkColor)>(
          list, static_cast<COLORREF>(color.integer())));
}

Value ILDRAW(const Value& handle, const Value& index, const Value& hDC, const Value& row,
             const Value& col) {
  const HIMAGELIST list = usable(handle);
  if (list == nullptr || !index.isNumber()) return false;
  return callSystem<"comctl32.dll", "ImageList_Draw", decltype(::ImageList_Draw)>(
             list, static_cast<int>(index.integer()), handleOf<HDC>(hDC),
             static_cast<int>(col.integer()), static_cast<int>(row.integer()), ILD_NORMAL) != FALSE;
}

Value ILLOADIMAGE(const Value& file, const Value& width, const Value& grow, const Value& mask) {
  if (!isImageSize(width)) return lanmere::argumentError(kImageListSizeSubCode);
  initCommonControls();
  const std::string path = file.isText() ? file.string() : std::string();
  const long long growBy = number(grow, 0);
  const COLORREF maskColor = mask.isNumber() ? static_cast<COLORREF>(mask.integer()) : CLR_NONE;
  return handleNumber(remember(trackedCreate("ILLOADIMAGE", kImageListTag, [&]() -> HIMAGELIST {
    if (path.empty()) return nullptr;
    return callSystem<"comctl32.dll", "ImageList_LoadImageA", decltype(::ImageList_LoadImageA)>(
        nullptr, path.c_str(), static_cast<int>(width.integer()),
        static_cast<int>(std::clamp<long long>(growBy, 0, kLargestImage)), maskColor, IMAGE_BITMAP,
        LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  })));
}

const lanmere::ModuleTable& imageListModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&ILCREATE>("ILCREATE"), fn<&ILDESTROY>("ILDESTROY"), fn<&ILADD>("ILADD"),
       fn<&ILADDMASKED>("ILADDMASKED"), fn<&ILADDICON>("ILADDICON"),
       fn<&ILSETBKCOLOR>("ILSETBKCOLOR"), fn<&ILLOADIMAGE>("ILLOADIMAGE"), fn<&ILDRAW>("ILDRAW")}};
  return module;
}

}  // namespace kestrel
