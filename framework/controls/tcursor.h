// TCursor: a mouse cursor with a single owner: a system cursor by keyword, one of the built-ins,
// a cursor resource of the current resource module, or a monochrome cursor made from a bitmap.
// System and built-in cursors are predefined and never destroyed.
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TCursor : public lanmere::Object {
  LM_CLASS(TCursor, lanmere::Object)

  lanmere::Value hCursor;
  lanmere::Value lPredef = false;

  // New (cResName, cPredef): a keyword in cPredef wins; an unknown keyword shows the alert
  // "Wrong predefined cursor type!" and leaves hCursor nil.
  lanmere::Value New(const lanmere::Value& resName = {}, const lanmere::Value& predef = {});
  // NewBmp (uBmp, nRow, nCol, lRanges, aBlack, aWhite, unused, aInvert): uBmp is a TBitmap, a
  // TBtnBmp or a bitmap handle.
  lanmere::Value NewBmp(lanmere::Args args);
  // Destroys a cursor of its own; hCursor becomes 0.
  void End();
};

// TCURSOR(): a new instance, to be sent New.
lanmere::Value TCURSOR();

const lanmere::ModuleTable& tCursorModule();

}  // namespace kestrel
