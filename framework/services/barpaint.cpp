#include "framework/services/barpaint.h"

#include <algorithm>

#include "framework/core/handles.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr int kGripFirst = 4;   // the first strip's first column (row in a vertical bar)
constexpr int kGripSecond = 7;  // the second strip's
constexpr int kGripThick = 3;
constexpr int kGripInset = 2;
constexpr int kRebarGripper = 1;      // RP_GRIPPER
constexpr int kRebarGripperVert = 2;  // RP_GRIPPERVERT

void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour) {
  const HPEN pen = CreatePen(PS_SOLID, 1, colour);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// Highlight on the top and left edges, shadow on the right and bottom ones (edges inclusive).
void raisedBox(HDC dc, int left, int top, int right, int bottom) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  line(dc, left, top, right, top, light);
  line(dc, left, top, left, bottom, light);
  line(dc, right, top, right, bottom + 1, dark);
  line(dc, left, bottom, right, bottom, dark);
}

}  // namespace

BarPlace barPlace(int mode, SIZE parent, SIZE own, int msgBarHeight, int topHeight,
                  int bottomHeight) {
  const int msgTerm = msgBarHeight > 0 ? msgBarHeight - 1 : 0;
  const int topTerm = std::max(0, topHeight - 1);
  const int bottomTerm = std::max(0, bottomHeight - 1);
  const int sideHeight = parent.cy + 1 - msgTerm - topTerm - bottomTerm;
  switch (mode) {
    case kBarTop:
      return {-1, -1, parent.cx + 2, own.cy + 2};
    case kBarLeft:
      return {-1, -1 + topTerm, own.cx + 2, sideHeight};
    case kBarRight:
      return {parent.cx - own.cx - 1, -1 + topTerm, own.cx + 2, sideHeight};
    case kBarBottom:
      return {-1, parent.cy - own.cy - 2 - msgTerm, parent.cx + 2, own.cy + 2};
    default:
      return {0, 0, 0, 0};
  }
}

Value BARADJUST(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const HWND hwnd = handleFrom<HWND>(a(1));
  const int mode = a(2).isNumber() ? static_cast<int>(a(2).integer()) : 0;
  if (!hwnd || !IsWindow(hwnd) || mode < kBarTop || mode > kBarBottom) return {};
  const HWND parent = GetParent(hwnd);
  if (!parent) return {};
  RECT outer{};
  RECT own{};
  GetClientRect(parent, &outer);
  GetClientRect(hwnd, &own);
  const bool msgBar = a(3).isLogical() && a(3).logical();
  const int msgHeight = msgBar && a(4).isNumber() ? static_cast<int>(a(4).integer()) : 0;
  const int topHeight = a(5).isNumber() ? static_cast<int>(a(5).integer()) : 0;
  const int bottomHeight = a(6).isNumber() ? static_cast<int>(a(6).integer()) : 0;
  const BarPlace place = barPlace(mode, {outer.right, outer.bottom}, {own.right, own.bottom},
                                  msgHeight, topHeight, bottomHeight);
  SetWindowPos(hwnd, nullptr, place.x, place.y, place.width, place.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  return {};
}

Value BARPAINT(const Value& hWnd, const Value& hDC) {
  const HWND hwnd = handleFrom<HWND>(hWnd);
  if (!hwnd) return {};
  const HDC given = handleFrom<HDC>(hDC);
  const HDC dc = given ? given : GetDC(hwnd);
  if (!dc) return {};
  RECT client{};
  GetClientRect(hwnd, &client);
  const HWND parent = GetParent(hwnd);
  const bool inMaximisedChild =
      parent && IsZoomed(parent) && windowClassName(parent) == "TMDICHILD";
  if (!inMaximisedChild) line(dc, 0, 0, client.right, 0, GetSysColor(COLOR_BTNSHADOW));
  // The frame starts under the shadow line; its right and bottom edges are one pixel in.
  raisedBox(dc, 0, 1, client.right - 2, client.bottom - 2);
  const bool vertical = client.bottom > client.right;
  const int farEdge = (vertical ? client.right : client.bottom) - kGripInset;
  const RECT grip = vertical ? RECT{kGripInset, kGripFirst, farEdge, kGripSecond + kGripThick}
                             : RECT{kGripFirst, kGripInset, kGripSecond + kGripThick, farEdge};
  if (ISAPPTHEMED()) {
    // The style's own gripper, or none.
    drawThemedPart(hwnd, L"REBAR", vertical ? kRebarGripperVert : kRebarGripper, 0, dc, grip);
  } else {
    for (int first : {kGripFirst, kGripSecond}) {
      const int last = first + kGripThick - 1;
      if (vertical) {
        raisedBox(dc, kGripInset, first, farEdge - 1, last);
      } else {
        raisedBox(dc, first, kGripInset, last, farEdge - 1);
      }
    }
  }
  if (!given) ReleaseDC(hwnd, dc);
  return {};
}

const lanmere::ModuleTable& barPaintModule() {
  static const lanmere::ModuleTable module{
      __FILE__, {lanmere::fn<&BARADJUST>("BARADJUST"), lanmere::fn<&BARPAINT>("BARPAINT")}};
  return module;
}

}  // namespace kestrel
