// TBrush: a system brush shared by use count. Fixed brushes (colours, hatches, patterns, files,
// resources and bitmap handles) with the same key share one object in the brush list; resizable
// brushes (stretched bitmaps and gradients) are private and rebuilt for their window's size.
#pragma once

#include <windows.h>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TBrush : public lanmere::Object {
  LM_CLASS(TBrush, lanmere::Object)

  lanmere::Value hBrush;
  lanmere::Value hBitmap;
  lanmere::Value hBmpOrgl;
  lanmere::Value nBmpFormat = 0;
  lanmere::Value nCount;
  lanmere::Value cStyle;
  lanmere::Value nRGBColor;
  lanmere::Value cBmpFile;
  lanmere::Value cBmpRes;
  lanmere::Value lSystem;
  lanmere::Value aGrad;
  lanmere::Value uSource;
  lanmere::Value nResizeMode = 0;
  lanmere::Value oRect;
  lanmere::Value Cargo;

  // Answers this object or a live brush of the same key, which then counts one more use.
  lanmere::Value New(const lanmere::Value& style, const lanmere::Value& color,
                     const lanmere::Value& file, const lanmere::Value& resource,
                     const lanmere::Value& image, const lanmere::Value& resizeMode);
  void End();
  void Release() { End(); }
  bool SameAs(const lanmere::Value& other);
  bool NotSameAs(const lanmere::Value& other) { return !SameAs(other); }
  // The window's drawing rectangle {top, left, bottom, right}; nX and nY grow by its left and
  // top.
  lanmere::Value Resize(const lanmere::Value& window, lanmere::Value& x, lanmere::Value& y);
  lanmere::Value Resized(const lanmere::Value& width, const lanmere::Value& height,
                         const lanmere::Value& mode);
  lanmere::Value Cropped(const lanmere::Value& control, const lanmere::Value& rect);
  lanmere::Value Copy();
  lanmere::Value cGenPRG(const lanmere::Value& name = {});
  lanmere::Value Save();
  void Load(const lanmere::Value& data);
  lanmere::Value SaveToText(const lanmere::Value& indent = {});

  // The brush list (class data aBrushes).
  static lanmere::Value& brushes();

 private:
  lanmere::Value self() { return lanmere::Value(lanmere::Ref<TBrush>(this)); }
  void createBrush(const lanmere::Value& image);
  void patternOn(HBITMAP bitmap);
};

// The drawing rectangle of a window: its DataRect when it answers one, else its client area.
lanmere::Value drawingRect(const lanmere::Value& window);

// TBRUSH(): a new instance, to be sent New.
lanmere::Value TBRUSH();

const lanmere::ModuleTable& tBrushModule();

}  // namespace kestrel
