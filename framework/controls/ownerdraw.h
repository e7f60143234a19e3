// The owner-drawn list and combo box items: the bitmaps the control holds, and the painter of an
// item (its text beside its bitmap, the bitmap drawn with its top-left pixel's colour left out,
// the selection in the system's highlight colours and the focus rectangle).
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

// The item bitmaps a list or combo box holds, and their size, as its members keep them.
struct ItemBitmaps {
  lanmere::Value& aBitmaps;
  lanmere::Value& nBmpWidth;
  lanmere::Value& nBmpHeight;
};

// Replaces the bitmaps held (each deleted) by those of the list `entries`: a file name (read
// when the file exists) or a resource name of `module`, or a handle, which the control takes
// over; other entries hold 0. The first bitmap gives the size.
void setItemBitmaps(const ItemBitmaps& held, const lanmere::Value& entries, HINSTANCE module);
// Deletes every bitmap held and leaves the list empty.
void releaseItemBitmaps(lanmere::Value& aBitmaps);

// Paints one WM_DRAWITEM request; answers TRUE.
LRESULT drawOwnerItem(const OwnerDrawnList& list, const DRAWITEMSTRUCT& item);

}  // namespace kestrel
