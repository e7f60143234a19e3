// Native clipboard services: opening, closing and emptying the clipboard, and storing and reading
// text, bitmaps and enhanced metafiles. Bitmaps and metafiles are copied both ways, so the caller
// and the clipboard never own the same handle.
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

enum ClipFormat : long long {
  kClipText = CF_TEXT,
  kClipBitmap = CF_BITMAP,
  kClipWideText = CF_UNICODETEXT,
  kClipMetaFile = CF_ENHMETAFILE,
};

// Opens the clipboard for `owner`, or for a hidden window of the framework's own when it is null:
// a clipboard opened for no window has no owner once emptied, and the system then refuses data.
bool openClipboard(HWND owner);
// Whether the open clipboard holds data of `format`, without reading or copying it.
bool clipboardHolds(UINT format);

// OPENCLIPBOARD (hWnd)
lanmere::Value OPENCLIPBOARD(const lanmere::Value& window);
lanmere::Value CLOSECLIPBOARD();
lanmere::Value EMPTYCLIPBOARD();
// SETCLIPBOARDDATA (nFormat, uValue): nil with fewer than two arguments or another format than
// 1, 2 and 14; else whether the system accepted the data (a copy it refused is freed).
lanmere::Value SETCLIPBOARDDATA(lanmere::Args args);
// GETCLPDATA (nFormat): text (1, up to its first zero byte and never past its block), a copy of
// the bitmap recorded as "BMP" (2), the wide text's raw block (13), a copy of the metafile (14).
lanmere::Value GETCLPDATA(const lanmere::Value& format);

const lanmere::ModuleTable& clipboardModule();

}  // namespace kestrel
