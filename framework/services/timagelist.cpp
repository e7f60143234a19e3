#include "framework/services/timagelist.h"

#include <string>
#include <unordered_set>

#include "framework/controls/icons.h"
#include "framework/core/args.h"
#include "framework/core/messages.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "framework/services/imagelist.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr long long kDefaultImageSize = 16;
constexpr long long kMagenta = 0xFF00FF;

bool isBitmapArgument(const Value& bitmap) {
  return bitmap.isNil() || (bitmap.isObject() && lanmere::understands(bitmap, msg::hBitmap));
}

Value bitmapHandle(const Value& bitmap) {
  return bitmap.isNil() ? Value(0) : lanmere::send(bitmap, msg::hBitmap);
}

}  // namespace

LM_DEFINE_CLASS(TImageList) {
  c.data(LM_FIELDS(hImageList, aBitmaps));
  c.methods(LM_METHODS(New, Add, AddMasked, AddIcon, SetBkColor, ReadBitmap, End));
  c.creatable();
}

Value& TImageList::kept() {
  if (!aBitmaps.isList()) aBitmaps = Value::list();
  return aBitmaps;
}

Value TImageList::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const Value width = orDefault(a.nWidth, kDefaultImageSize);
  const Value height = orDefault(a.nHeight, kDefaultImageSize);
  if (!isImageSize(width) || !isImageSize(height)) {
    return lanmere::argumentError(kImageListSizeSubCode);
  }
  hImageList = ILCREATE(width, height);
  aBitmaps = Value::list();
  return Value(lanmere::Ref<TImageList>(this));
}

Value TImageList::Add(const Value& oBitmap, const Value& oMask) {
  if (!isBitmapArgument(oBitmap) || !isBitmapArgument(oMask)) {
    return lanmere::argumentError(kImageListBitmapSubCode);
  }
  auto& items = kept().listData()->items;
  items.push_back(oBitmap);
  items.push_back(oMask);
  return ILADD(hImageList, bitmapHandle(oBitmap), bitmapHandle(oMask));
}

Value TImageList::AddMasked(const Value& oBitmap, const Value& nClrMask) {
  if (!isBitmapArgument(oBitmap)) return lanmere::argumentError(kImageListBitmapSubCode);
  kept().listData()->items.push_back(oBitmap);
  return ILADDMASKED(hImageList, bitmapHandle(oBitmap), nClrMask);
}

Value TImageList::AddIcon(const Value& uIcon) {
  if (uIcon.isObject() && lanmere::understands(uIcon, msg::hIcon)) {
    return ILADDICON(hImageList, lanmere::send(uIcon, msg::hIcon));
  }
  if (!uIcon.isText()) return -1;
  const Value icon = fileExists(uIcon.string()) ? EXTRACTICON(uIcon, 0)
                                                : LOADICON(handleNumber(resourceModule()), uIcon);
  if (icon.integer() == 0) return -1;
  const Value index = ILADDICON(hImageList, icon);
  DESTROYICON(icon);
  return index;
}

Value TImageList::SetBkColor(const Value& nColor) {
  return ILSETBKCOLOR(hImageList, nColor);
}

Value TImageList::ReadBitmap(Args args) {
  const ReadBitmapArgs a = ReadBitmapArgs::from(args);
  const Value width = orDefault(a.nWidth, kDefaultImageSize);
  if (!isImageSize(width)) return lanmere::argumentError(kImageListSizeSubCode);
  if (hImageList.integer() != 0) ILDESTROY(hImageList);
  // Without a file no list stays behind: a destroyed handle kept here would be added to, drawn
  // and destroyed again.
  hImageList = 0;
  if (a.cFile.isText() && fileExists(a.cFile.string())) {
    hImageList =
        ILLOADIMAGE(a.cFile, width, orDefault(a.nGrow, 0), orDefault(a.nClrMask, kMagenta));
  }
  return {};
}

Value TImageList::End() {
  if (hImageList.integer() != 0) ILDESTROY(hImageList);
  hImageList = 0;
  // The same object may be kept twice (added twice, or as image and mask): its second End would
  // delete a handle that may already belong to someone else.
  const Value bitmaps = kept();
  aBitmaps = Value::list();
  std::unordered_set<const void*> ended;
  for (const Value& bitmap : bitmaps.items()) {
    if (bitmap.isObject() && ended.insert(bitmap.identity()).second) offer(bitmap, msg::End);
  }
  return {};
}

Value TIMAGELIST() {
  return Value(lanmere::make<TImageList>());
}

const lanmere::ModuleTable& tImageListModule() {
  TImageList::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TIMAGELIST>("TIMAGELIST")}};
  return module;
}

}  // namespace kestrel
