// The painter of owner-drawn list and combo box items: the item's text beside its bitmap, the
// bitmap drawn with its top-left pixel's colour left out, the selection in the system's
// highlight colours and the focus rectangle.
#pragma once

#include <windows.h>

#include "runtime/value.h"

namespace kestrel {

class TControl;

// What the painter reads from a list or combo box.
struct OwnerDrawnList {
  TControl& control;                // the list or combo box (bDrawItem receives it)
  const lanmere::Value& aItems;     // the texts
  const lanmere::Value& aBitmaps;   // bitmap handles per item (may be nil or empty)
  int nBmpWidth;                    // text starts at left + nBmpWidth + 3
  const lanmere::Value& bDrawItem;  // nil, or a closure (nItem, control) answering a bitmap index
  bool comboBox;                    // the focus action always draws the rectangle for a combo box
};

// Paints one WM_DRAWITEM request; answers TRUE.
LRESULT drawOwnerItem(const OwnerDrawnList& list, const DRAWITEMSTRUCT& item);

}  // namespace kestrel
