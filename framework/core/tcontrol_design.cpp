// Design mode of TControl (`lDrag` true): the control is moved and sized with the mouse and the
// arrow keys on a grid, shows eight sizing handles while it has the focus, and is deleted with the
// Delete key. Also the design grid's functions.
//
// Handles are numbered clockwise from the top-left corner: 1 top-left, 2 top, 3 top-right,
// 4 right, 5 bottom-right, 6 bottom, 7 bottom-left, 8 left; 0 is a move. A press within
// kHandleZone pixels of an edge or corner of the control grabs that handle. Positions snap to the
// nearest grid line, sizes keep at least one grid step.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "framework/core/handles.h"
#include "framework/core/tcontrol.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr long long kDefaultGrid = 8;
constexpr long long kHandleZone = 4;  // pixels from an edge that grab a handle
constexpr int kDotSize = 6;
constexpr int kHandles = 8;

enum Handle : long long {
  kMove = 0,
  kTopLeft,
  kTop,
  kTopRight,
  kRight,
  kBottomRight,
  kBottom,
  kBottomLeft,
  kLeft
};

GridSize& grid() noexcept {
  static GridSize size{kDefaultGrid, kDefaultGrid};
  return size;
}

// The move or size in progress (one for the process: the mouse has one capture).
struct DesignDrag {
  RECT start{};  // the control's rectangle in the parent when the press came
  RECT frame{};  // the frame drawn now
  bool drawn = false;
  long long row = 0;  // the press point, in the control's client coordinates
  long long col = 0;
};
DesignDrag& design() noexcept {
  static DesignDrag state;
  return state;
}

// The handles on show and the control they belong to.
HWND& dotsOwner() noexcept {
  static HWND owner = nullptr;
  return owner;
}

RECT rectInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Inverts a frame on the parent, over its children; drawing it twice erases it.
void invertFrame(HWND parent, const RECT& frame) {
  const HDC dc = GetDCEx(parent, nullptr, DCX_CACHE | DCX_PARENTCLIP);
  DrawFocusRect(dc, &frame);
  ReleaseDC(parent, dc);
}

// The rectangle `start` becomes when `handle` is dragged by (dy, dx), snapped to the grid.
RECT dragged(const RECT& start, long long handle, long long dy, long long dx) {
  const GridSize step = designGrid();
  RECT rect = start;
  auto snapY = [&](LONG value) { return static_cast<LONG>(snapToGrid(value + dy, step.height)); };
  auto snapX = [&](LONG value) { return static_cast<LONG>(snapToGrid(value + dx, step.width)); };
  if (handle == kMove) {
    const LONG height = start.bottom - start.top;
    const LONG width = start.right - start.left;
    rect.top = snapY(start.top);
    rect.left = snapX(start.left);
    rect.bottom = rect.top + height;
    rect.right = rect.left + width;
    return rect;
  }
  if (handle == kTopLeft || handle == kTop || handle == kTopRight) rect.top = snapY(start.top);
  if (handle == kBottomLeft || handle == kBottom || handle == kBottomRight) {
    rect.bottom = snapY(start.bottom);
  }
  if (handle == kTopLeft || handle == kLeft || handle == kBottomLeft) rect.left = snapX(start.left);
  if (handle == kTopRight || handle == kRight || handle == kBottomRight) {
    rect.right = snapX(start.right);
  }
  rect.bottom = std::max<LONG>(rect.bottom, rect.top + static_cast<LONG>(step.height));
  rect.right = std::max<LONG>(rect.right, rect.left + static_cast<LONG>(step.width));
  return rect;
}

// The handle a press at (row, col) of a control of `width` by `height` grabs.
long long handleAt(long long row, long long col, long long width, long long height) {
  const bool top = row < kHandleZone;
  const bool bottom = row >= height - kHandleZone;
  const bool left = col < kHandleZone;
  const bool right = col >= width - kHandleZone;
  if (top) return left ? kTopLeft : right ? kTopRight : kTop;
  if (bottom) return left ? kBottomLeft : right ? kBottomRight : kBottom;
  if (left) return kLeft;
  if (right) return kRight;
  return kMove;
}

// Where handle `n` (1 to 8) sits on a rectangle.
POINT handlePoint(const RECT& rect, int n) {
  const LONG midX = (rect.left + rect.right) / 2;
  const LONG midY = (rect.top + rect.bottom) / 2;
  const POINT points[kHandles] = {
      {rect.left, rect.top},     {midX, rect.top},    {rect.right, rect.top},   {rect.right, midY},
      {rect.right, rect.bottom}, {midX, rect.bottom}, {rect.left, rect.bottom}, {rect.left, midY}};
  return points[n - 1];
}

Value& dotsList(TControl& control) {
  return *control.classInfo().resolve(msg::aDots)->classValue;
}

void moveTo(TControl& control, const RECT& rect) {
  control.Move(Value(rect.top), Value(rect.left), Value(rect.right - rect.left),
               Value(rect.bottom - rect.top));
}

}  // namespace

GridSize designGrid() noexcept {
  return grid();
}

long long snapToGrid(long long value, long long step) noexcept {
  if (step < 1) return value;
  const long long shifted = value + step / 2;
  const long long floor = shifted >= 0 ? shifted / step : -((-shifted + step - 1) / step);
  return floor * step;
}

Value SETGRIDSIZE(const Value& nWidth, const Value& nHeight) {
  const GridSize previous = grid();
  if (nWidth.isNumber() && nWidth.integer() >= 1) grid().width = nWidth.integer();
  if (nHeight.isNumber() && nHeight.integer() >= 1) grid().height = nHeight.integer();
  return Value::list({previous.width, previous.height});
}

Value GETGRIDSIZE() {
  return Value::list({grid().width, grid().height});
}

// ---- Moving and sizing with the mouse ----

void TControl::designPress(long long row, long long col) {
  if (!hwnd()) return;
  RECT client{};
  GetClientRect(hwnd(), &client);
  nMResize = handleAt(row, col, client.right, client.bottom);
  DesignDrag& state = design();
  state.start = rectInParent(hwnd());
  state.frame = state.start;
  state.row = row;
  state.col = col;
  tell(self(), msg::_nPoint, (row & 0xFFFF) << 16 | (col & 0xFFFF));
  lCaptured = true;
  Capture();
  invertFrame(GetParent(hwnd()), state.frame);
  state.drawn = true;
}

void TControl::designMove(long long row, long long col) {
  DesignDrag& state = design();
  const HWND parent = GetParent(hwnd());
  if (state.drawn) invertFrame(parent, state.frame);
  state.frame = dragged(state.start, nMResize.integer(), row - state.row, col - state.col);
  invertFrame(parent, state.frame);
  state.drawn = true;
  evaluate(bDrag, static_cast<long long>(state.frame.top),
           static_cast<long long>(state.frame.left));
}

void TControl::designRelease(long long row, long long col) {
  DesignDrag& state = design();
  if (state.drawn) invertFrame(GetParent(hwnd()), state.frame);
  state.drawn = false;
  const RECT target = dragged(state.start, nMResize.integer(), row - state.row, col - state.col);
  lCaptured = false;  // before the release: the capture-changed message finds nothing to cancel
  nMResize = 0;
  callWindows([] { return ReleaseCapture(); });
  const RECT now = rectInParent(hwnd());
  const bool moved = !EqualRect(&target, &now);
  if (moved) moveTo(*this, target);
  if (moved) evaluate(bPostDrag, self());
  if (nAlign().integer() != 0) tell(oWnd, msg::ReSize);
  callWindows([&] { return ::SetFocus(hwnd()); });
}

void TControl::designCancel() {
  DesignDrag& state = design();
  if (state.drawn && hwnd()) invertFrame(GetParent(hwnd()), state.frame);
  state.drawn = false;
  lCaptured = false;
  nMResize = 0;
}

Value TControl::MResize(const Value& nHandle, const Value& nRow, const Value& nCol) {
  if (!hwnd()) return {};
  // (nRow, nCol) is where the handle goes, in the control's client coordinates.
  const RECT start = rectInParent(hwnd());
  const long long handle = nHandle.integer();
  if (handle < kTopLeft || handle > kLeft) return {};
  const POINT at = handlePoint(RECT{0, 0, start.right - start.left, start.bottom - start.top},
                               static_cast<int>(handle));
  moveTo(*this, dragged(start, handle, nRow.integer() - at.y, nCol.integer() - at.x));
  return {};
}

// ---- Keys ----

bool TControl::designKey(long long key) {
  if (key == VK_DELETE) {
    const Value answer = evaluate(tell(self(), msg::bDelete));
    if (answer.isLogical() && answer.logical()) {
      const lanmere::Ref<TControl> keep(this);
      evaluate(bPreDelControl, self());
      End();
      evaluate(bPostDelControl, self());
    }
    return true;
  }
  const GridSize step = designGrid();
  long long dy = 0;
  long long dx = 0;
  switch (key) {
    case VK_LEFT:
      dx = -step.width;
      break;
    case VK_RIGHT:
      dx = step.width;
      break;
    case VK_UP:
      dy = -step.height;
      break;
    case VK_DOWN:
      dy = step.height;
      break;
    default:
      return false;
  }
  if (!hwnd()) return true;
  RECT rect = rectInParent(hwnd());
  OffsetRect(&rect, static_cast<int>(dx), static_cast<int>(dy));
  moveTo(*this, rect);
  ShowDots();
  evaluate(bDrag, nTop, nLeft);
  evaluate(bPostDrag, self());
  return true;
}

// ---- Handles ----

Value TControl::ShowDots() {
  if (!hwnd()) return {};
  if (dotsOwner() != hwnd()) HideDotsOf(dotsOwner());
  Value& dots = dotsList(*this);
  if (dotsOwner() != hwnd() || dots.length() != kHandles) {
    dots = Value::list();
    const HWND parent = GetParent(hwnd());
    for (int i = 0; i < kHandles; ++i) {
      const HWND dot =
          CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 0, 0, kDotSize,
                          kDotSize, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
      dots.listData()->items.push_back(Value(handleNumber(dot)));
    }
    dotsOwner() = hwnd();
  }
  return CheckDots();
}

Value TControl::HideDots() {
  if (hwnd() && dotsOwner() == hwnd()) HideDotsOf(hwnd());
  return {};
}

void TControl::HideDotsOf(HWND owner) {
  if (!owner || dotsOwner() != owner) return;
  Value& dots = dotsList(*this);
  for (const Value& dot : dots.items()) {
    const HWND window = handleFrom<HWND>(dot);
    if (IsWindow(window)) DestroyWindow(window);
  }
  dots = Value::list();
  dotsOwner() = nullptr;
}

Value TControl::CheckDots() {
  if (!hwnd() || dotsOwner() != hwnd()) return {};
  const RECT rect = rectInParent(hwnd());
  const Value dots = dotsList(*this);
  for (int i = 0; i < kHandles && static_cast<std::size_t>(i) < dots.length(); ++i) {
    const POINT at = handlePoint(rect, i + 1);
    SetWindowPos(handleFrom<HWND>(dots.item(static_cast<std::size_t>(i) + 1)), HWND_TOP,
                 at.x - kDotSize / 2, at.y - kDotSize / 2, kDotSize, kDotSize, SWP_NOACTIVATE);
  }
  return {};
}

// Design tools inspect a control through their own windows; the control itself has nothing to
// show.
Value TControl::Inspect() {
  return {};
}

const lanmere::ModuleTable& tControlDesignModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/tcontrol_design.cpp",
      {fn<&SETGRIDSIZE>("SETGRIDSIZE"), fn<&GETGRIDSIZE>("GETGRIDSIZE")}};
  return module;
}

}  // namespace kestrel
