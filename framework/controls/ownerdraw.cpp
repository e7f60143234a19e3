#include "framework/controls/ownerdraw.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "framework/controls/bitmaps.h"
#include "framework/controls/gdiobj.h"
#include "framework/core/handles.h"
#include "framework/core/tcontrol.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr int kTextGap = 3;             // pixels between the bitmap's column and the text
constexpr std::size_t kClassDigit = 5;  // the sixth character of the parent's class name

// Item n (1-based) of a list, nil beyond it.
const Value& itemOf(const Value& list, long long n) {
  return n < 1 ? lanmere::nil : list.item(static_cast<std::size_t>(n));
}

std::string textOf(const Value& value) {
  if (value.isText()) return value.string();
  return value.isNil() ? std::string() : textForm(value);
}

// A dialog of the standard class ("#32770") draws the list's focus itself.
bool parentDrawsFocus(HWND list) {
  char name[64] = {};
  const HWND parent = GetParent(list);
  const int length = parent ? GetClassNameA(parent, name, sizeof name) : 0;
  return length > static_cast<int>(kClassDigit) && name[kClassDigit] == '0';
}

// Draws the bitmap at the item's top-left corner without the pixels of its top-left pixel's
// colour, clipped to the item.
void drawKeyed(HDC dc, HBITMAP bitmap, const RECT& box) {
  BITMAP info{};
  if (GetObjectType(bitmap) != OBJ_BITMAP || !GetObjectA(bitmap, sizeof info, &info)) return;
  const int width = std::min<int>(info.bmWidth, box.right - box.left);
  const int height = std::min<int>(info.bmHeight, box.bottom - box.top);
  if (width <= 0 || height <= 0) return;
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  const COLORREF key = GetPixel(memory, 0, 0);
  callSystem<"msimg32.dll", "TransparentBlt", decltype(::TransparentBlt)>(
      dc, box.left, box.top, width, height, memory, 0, 0, width, height, key);
  SelectObject(memory, previous);
  DeleteDC(memory);
}

}  // namespace

void releaseItemBitmaps(Value& aBitmaps) {
  if (aBitmaps.isList()) {
    for (const Value& bitmap : aBitmaps.items()) {
      if (!lanmere::isEmpty(bitmap)) deleteObject(handleFrom<HGDIOBJ>(bitmap));
    }
  }
  aBitmaps = Value::list();
}

void setItemBitmaps(const ItemBitmaps& held, const Value& entries, HINSTANCE module) {
  releaseItemBitmaps(held.aBitmaps);
  if (!entries.isList()) return;
  auto& bitmaps = held.aBitmaps.listData()->items;
  for (const Value& entry : entries.items()) {
    if (entry.isText()) {
      bitmaps.push_back(handleNumber(loadBitmapFileOrResource(module, entry.string())));
    } else {
      bitmaps.push_back(entry.isNumber() ? entry : Value(0));
    }
  }
  if (!bitmaps.empty()) {
    const SIZE size = bitmapSize(handleFrom<HBITMAP>(bitmaps.front()));
    held.nBmpHeight = static_cast<long long>(size.cy);
    held.nBmpWidth = static_cast<long long>(size.cx);
  }
}

LRESULT drawOwnerItem(const OwnerDrawnList& list, const DRAWITEMSTRUCT& item) {
  const HDC dc = item.hDC;
  RECT box = item.rcItem;
  if (item.itemID == static_cast<UINT>(-1)) {
    DrawFocusRect(dc, &box);
    return TRUE;
  }
  const bool focused = (item.itemState & ODS_FOCUS) != 0;
  if (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    if (focused) DrawFocusRect(dc, &box);
    const COLORREF text = GetTextColor(dc);
    const COLORREF back = GetBkColor(dc);
    if (item.itemState & ODS_SELECTED) {
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    }
    const long long number = static_cast<long long>(item.itemID) + 1;
    const std::string shown = textOf(itemOf(list.aItems, number));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const int y = box.top + (box.bottom - box.top) / 2 - metrics.tmHeight / 2;
    ExtTextOutA(dc, box.left + list.nBmpWidth + kTextGap, y, ETO_OPAQUE | ETO_CLIPPED, &box,
                shown.c_str(), static_cast<UINT>(shown.size()), nullptr);
    const Value index = list.bDrawItem.isClosure()
                            ? evaluate(list.bDrawItem, number, list.control.self())
                            : Value(number);
    if (index.isNumber()) {
      drawKeyed(dc, handleFrom<HBITMAP>(itemOf(list.aBitmaps, index.integer())), box);
    }
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    if (focused) DrawFocusRect(dc, &box);
  } else if (item.itemAction & ODA_FOCUS) {
    if (list.comboBox || !parentDrawsFocus(item.hwndItem)) DrawFocusRect(dc, &box);
  }
  return TRUE;
}

}  // namespace kestrel
