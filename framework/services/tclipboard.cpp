#include "framework/services/tclipboard.h"

#include <windows.h>

#include "framework/core/messages.h"
#include "framework/core/tracked.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/services/clipboard.h"

namespace kestrel {

using lanmere::Value;

namespace {

// The live handle of `kind` an object keeps in `member`, else null.
HANDLE memberHandle(const Value& object, const char* member, DWORD kind) {
  if (!object.isObject() || !lanmere::understands(object, member)) return nullptr;
  const auto handle = handleOf<HGDIOBJ>(lanmere::send(object, member));
  return handle && GetObjectType(handle) == kind ? handle : nullptr;
}

}  // namespace

LM_DEFINE_CLASS(TClipBoard) {
  c.data(LM_FIELDS(nFormat, oWnd));
  c.methods(LM_METHODS(New, Open, Close, Empty, Clear, End, SetData, GetData, SetText, SetBitmap,
                       SetMetaFile, GetText, GetBitmap, GetMetaFile, IsEmpty));
  c.creatable();
}

Value TClipBoard::New(const Value& format, const Value& window) {
  nFormat = format.isNil() ? Value(kClipText) : format;
  if (window.isNil()) {
    const Value main = WNDMAIN();
    oWnd = main.isObject() ? main : GETWNDDEFAULT();
  } else {
    oWnd = window;
  }
  return Value(lanmere::Ref<TClipBoard>(this));
}

bool TClipBoard::Open() {
  const bool windowed = oWnd.isObject() && lanmere::understands(oWnd, msg::hWnd);
  return openClipboard(windowed ? handleOf<HWND>(lanmere::send(oWnd, msg::hWnd)) : nullptr);
}

bool TClipBoard::Close() {
  return CLOSECLIPBOARD().logical();
}

bool TClipBoard::Empty() {
  return EMPTYCLIPBOARD().logical();
}

bool TClipBoard::Clear() {
  if (!Open()) return false;
  Empty();
  return Close();
}

Value TClipBoard::SetData(const Value& value) {
  Value args[] = {nFormat, value};
  return SETCLIPBOARDDATA(lanmere::Args(args));
}

Value TClipBoard::GetData() {
  return GETCLPDATA(nFormat);
}

bool TClipBoard::store(long long format, const Value& value) {
  if (!Open()) return false;
  Empty();
  Value args[] = {Value(format), value};
  const bool stored = SETCLIPBOARDDATA(lanmere::Args(args)).logical();
  const bool closed = Close();
  return stored && closed;
}

Value TClipBoard::read(long long format, const Value& whenClosed) {
  if (!Open()) return whenClosed;
  const Value data = GETCLPDATA(format);
  Close();
  return data;
}

bool TClipBoard::SetText(const Value& text) {
  return text.isText() && store(kClipText, text);
}

bool TClipBoard::SetBitmap(const Value& bitmap) {
  const HANDLE handle = memberHandle(bitmap, "hBitmap", OBJ_BITMAP);
  return handle && store(kClipBitmap, handleNumber(handle));
}

bool TClipBoard::SetMetaFile(const Value& metaFile) {
  const HANDLE handle = memberHandle(metaFile, "hMeta", OBJ_ENHMETAFILE);
  return handle && store(kClipMetaFile, handleNumber(handle));
}

Value TClipBoard::GetText() {
  return read(kClipText, "");
}

Value TClipBoard::GetBitmap() {
  return read(kClipBitmap, 0);
}

Value TClipBoard::GetMetaFile() {
  return read(kClipMetaFile, 0);
}

bool TClipBoard::IsEmpty() {
  if (!Open()) return true;
  bool empty = true;
  switch (nFormat.integer()) {
    case kClipText:
      empty = lanmere::isEmpty(GETCLPDATA(kClipText));
      break;
    case kClipBitmap:
    case kClipMetaFile:
      empty = !clipboardHolds(static_cast<UINT>(nFormat.integer()));
      break;
    default:
      break;
  }
  Close();
  return empty;
}

Value TCLIPBOARD() {
  return Value(lanmere::make<TClipBoard>());
}

const lanmere::ModuleTable& tClipBoardModule() {
  TClipBoard::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TCLIPBOARD>("TCLIPBOARD")}};
  return module;
}

}  // namespace kestrel
