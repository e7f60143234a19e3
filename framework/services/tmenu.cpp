#include "framework/services/tmenu.h"

#include "framework/core/tracked.h"
#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

HBITMAP& checkBitmap() {
  static HBITMAP bitmap = nullptr;
  return bitmap;
}

Value KS_MENUEXIT() {
  deleteCheck2007();
  return {};
}

}  // namespace

HBITMAP check2007Bitmap() noexcept {
  return checkBitmap();
}
void setCheck2007Bitmap(HBITMAP bitmap) noexcept {
  checkBitmap() = bitmap;
}

void deleteCheck2007() {
  if (!checkBitmap()) return;
  trackedDelete(checkBitmap(), [](HBITMAP bitmap) { return DeleteObject(bitmap); });
  checkBitmap() = nullptr;
}

Value DELCHECK2007() {
  deleteCheck2007();
  return {};
}

const lanmere::ModuleTable& menuModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&DELCHECK2007>("DELCHECK2007"),
       lanmere::fn<&KS_MENUEXIT>("KS_MENUEXIT$", lanmere::kExit | lanmere::kDefined)}};
  return module;
}

}  // namespace kestrel
