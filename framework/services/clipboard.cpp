#include "framework/services/clipboard.h"

#include <string>

#include "framework/controls/bitmaps.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr std::size_t kDataArguments = 2;

HWND hiddenOwner() {
  static HWND window = nullptr;
  if (window == nullptr || !IsWindow(window)) {
    window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  }
  return window;
}

// Hands `data` to the clipboard, freeing it when the system refuses it.
template <class Handle, class Free>
bool handOver(UINT format, Handle data, Free free) {
  if (data == nullptr) return false;
  if (SetClipboardData(format, data) != nullptr) return true;
  free(data);
  return false;
}

bool setText(const Value& value) {
  if (!value.isText()) return false;
  const std::string_view text = value.text();
  return handOver(CF_TEXT, globalBlock(text, text.size() + 1), GlobalFree);
}

bool setBitmap(const Value& value) {
  const HBITMAP bitmap = handleOf<HBITMAP>(value);
  if (bitmap == nullptr || GetObjectType(bitmap) != OBJ_BITMAP) return false;
  return handOver(CF_BITMAP, copyBitmap(bitmap), DeleteObject);
}

bool setMetaFile(const Value& value) {
  const HENHMETAFILE meta = handleOf<HENHMETAFILE>(value);
  if (meta == nullptr || GetObjectType(meta) != OBJ_ENHMETAFILE) return false;
  return handOver(CF_ENHMETAFILE, CopyEnhMetaFileA(meta, nullptr), DeleteEnhMetaFile);
}

}  // namespace

bool openClipboard(HWND owner) {
  return OpenClipboard(owner ? owner : hiddenOwner()) != FALSE;
}

bool clipboardHolds(UINT format) {
  return GetClipboardData(format) != nullptr;
}

Value OPENCLIPBOARD(const Value& window) {
  return openClipboard(handleOf<HWND>(window));
}

Value CLOSECLIPBOARD() {
  return CloseClipboard() != FALSE;
}

Value EMPTYCLIPBOARD() {
  return EmptyClipboard() != FALSE;
}

Value SETCLIPBOARDDATA(lanmere::Args args) {
  if (args.size() < kDataArguments) return {};
  const Value& value = args[1];
  switch (args[0].integer()) {
    case kClipText:
      return setText(value);
    case kClipBitmap:
      return setBitmap(value);
    case kClipMetaFile:
      return setMetaFile(value);
    default:
      return {};
  }
}

Value GETCLPDATA(const Value& format) {
  switch (format.integer()) {
    case kClipText:
      return blockBytes(GetClipboardData(CF_TEXT), true);
    case kClipWideText:
      return blockBytes(GetClipboardData(CF_UNICODETEXT), false);
    case kClipBitmap: {
      const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
      if (bitmap == nullptr) return 0;
      return handleNumber(trackedCreate("GETCLPDATA", "BMP", [&] { return copyBitmap(bitmap); }));
    }
    case kClipMetaFile:
      // The clipboard's own handle: a copy would have no service to delete it.
      return handleNumber(GetClipboardData(CF_ENHMETAFILE));
    default:
      return {};
  }
}

const lanmere::ModuleTable& clipboardModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      __FILE__,
      {fn<&OPENCLIPBOARD>("OPENCLIPBOARD"), fn<&CLOSECLIPBOARD>("CLOSECLIPBOARD"),
       fn<&EMPTYCLIPBOARD>("EMPTYCLIPBOARD"), fn<&SETCLIPBOARDDATA>("SETCLIPBOARDDATA"),
       fn<&GETCLPDATA>("GETCLPDATA")}};
  return module;
}

}  // namespace kestrel
