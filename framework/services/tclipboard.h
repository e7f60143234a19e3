// TClipBoard: moves text, bitmaps and enhanced metafiles between the program and the system
// clipboard for one format and one owner window. Every operation opens the clipboard, does its
// work and closes it again on every path; failures show only in the answers.
#pragma once

#include <windows.h>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

// The method keeps its name in every source that sees this class: the system header would make
// it the ANSI metafile reader.
#undef GetMetaFile

namespace kestrel {

class TClipBoard : public lanmere::Object {
  LM_CLASS(TClipBoard, lanmere::Object)

  lanmere::Value nFormat = 1;
  lanmere::Value oWnd;

  // New (nFormat = 1, oWnd = the main window, else the default window)
  lanmere::Value New(const lanmere::Value& format = {}, const lanmere::Value& window = {});
  bool Open();
  bool Close();
  bool Empty();
  bool Clear();
  bool End() { return Close(); }
  // On a clipboard already open.
  lanmere::Value SetData(const lanmere::Value& value);
  lanmere::Value GetData();
  // Each checks its argument before emptying the clipboard: a value that is not text, or an
  // object without a live bitmap (hBitmap) or metafile (hMeta), answers false and changes nothing.
  bool SetText(const lanmere::Value& text);
  bool SetBitmap(const lanmere::Value& bitmap);
  bool SetMetaFile(const lanmere::Value& metaFile);
  lanmere::Value GetText();
  // A new bitmap or metafile the caller owns, or 0.
  lanmere::Value GetBitmap();
  lanmere::Value GetMetaFile();
  bool IsEmpty();

 private:
  bool store(long long format, const lanmere::Value& value);
  lanmere::Value read(long long format, const lanmere::Value& whenClosed);
};

// TCLIPBOARD(): a new instance, to be sent New.
lanmere::Value TCLIPBOARD();

const lanmere::ModuleTable& tClipBoardModule();

}  // namespace kestrel
