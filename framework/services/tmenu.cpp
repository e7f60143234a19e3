#include "framework/services/tmenu.h"

#include "framework/services/tracked.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

HBITMAP& checkBitmap() {
  static HBITMAP bitmap = nullptr;
  return bitmap;
}

Value KS_MENUEXIT(Args args) {
  lanmere::Frame frame("KS_MENUEXIT$", args);
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

Value DELCHECK2007(Args args) {
  lanmere::Frame frame("DELCHECK2007", args);
  deleteCheck2007();
  return {};
}

const lanmere::ModuleTable& menuModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {{"DELCHECK2007", lanmere::kPublic | lanmere::kDefined, DELCHECK2007},
       {"KS_MENUEXIT$", lanmere::kExit | lanmere::kDefined, KS_MENUEXIT}}};
  return module;
}

}  // namespace kestrel
