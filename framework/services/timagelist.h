// TImageList: one system image list, and the bitmap objects given to it, which ending the list
// ends too.
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// Add or AddMasked given something that is neither nil nor a bitmap object (genCode 1).
inline constexpr long long kImageListBitmapSubCode = 5422;

class TImageList : public lanmere::Object {
  LM_CLASS(TImageList, lanmere::Object)

  lanmere::Value hImageList = 0;
  lanmere::Value aBitmaps = lanmere::Value::list();

  // Sizes in pixels, 16 each by default.
  LM_ARGS(NewArgs, nWidth, nHeight)
  lanmere::Value New(lanmere::Args args);
  // Either may be nil (no bitmap: handle 0); both are kept, nil included.
  lanmere::Value Add(const lanmere::Value& oBitmap, const lanmere::Value& oMask);
  lanmere::Value AddMasked(const lanmere::Value& oBitmap, const lanmere::Value& nClrMask);
  // A file name, a resource name or an object answering hIcon. An icon loaded here is destroyed
  // once the list has its copy; the caller's icon object is left alone.
  lanmere::Value AddIcon(const lanmere::Value& uIcon);
  lanmere::Value SetBkColor(const lanmere::Value& nColor);
  // Replaces the list with the file's images; a missing file leaves no list (hImageList 0).
  // The grow count defaults to 0: a list read from a file is usually complete.
  LM_ARGS(ReadBitmapArgs, cFile, nWidth, nGrow, nClrMask)
  lanmere::Value ReadBitmap(lanmere::Args args);
  // Destroys the list and ends each distinct kept object once.
  lanmere::Value End();

 private:
  lanmere::Value& kept();
};

// TIMAGELIST (): a new instance, to be sent New.
lanmere::Value TIMAGELIST();

const lanmere::ModuleTable& tImageListModule();

}  // namespace kestrel
