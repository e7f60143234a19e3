#include "framework/services/tmsgitem.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/controls/bitmaps.h"
#include "framework/core/handles.h"
#include "framework/core/persist.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/win32.h"
#include "framework/services/msgpaint.h"
#include "framework/services/tmsgbar.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

long liveItems = 0;

constexpr long long kDefaultWidth = 40;
constexpr long long kBitmapExtra = 7;
constexpr long long kNoBarText = 0;
constexpr long long kNoBarPane = 16777215;
constexpr int kBitmapRow = 2;
constexpr int kTextTop = 5;
constexpr int kTextBottomGap = 6;
constexpr int kPaneRightGap = 4;
constexpr int kSeparatorGap = 4;
constexpr int kFirstRow = 5;
constexpr int kOverRightGap = 7;

HBITMAP loadPaneBitmap(const Value& name) {
  if (!name.isText() || name.text().empty()) return nullptr;
  return loadBitmapFileOrResource(resourceModule(), name.string());
}

void deleteTracked(Value& handle) {
  if (handle.isNumber() && handle.integer() != 0) {
    trackedDelete(handleFrom<HGDIOBJ>(handle), [](HGDIOBJ h) { return DeleteObject(h); });
  }
  handle = Value();
}

// A colour number in a colour text: decimal digits, blanks around them allowed, within 32 bits.
std::optional<long long> colourNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::uint32_t number = 0;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return number;
}

// A colour text "fore/back" (or "fore,back"): a part that is a colour number replaces that
// colour, any other part ("red", "", out of range) leaves it as it was.
bool splitColours(const Value& text, Value& fore, Value& back) {
  if (!text.isText()) return false;
  const std::string s = text.string();
  const auto at = s.find_first_of("/,");
  if (at == std::string::npos) return false;
  const std::string_view whole(s);
  if (const auto number = colourNumber(whole.substr(0, at))) fore = *number;
  if (const auto number = colourNumber(whole.substr(at + 1))) back = *number;
  return true;
}

// Draws `bitmap` at (x, y) with its bottom-left pixel's colour transparent.
void drawMasked(HDC dc, HBITMAP bitmap, int x, int y) {
  const SIZE size = bitmapSize(bitmap);
  HDC image = CreateCompatibleDC(dc);
  HDC mask = CreateCompatibleDC(dc);
  HBITMAP maskBits = CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
  HGDIOBJ oldImage = SelectObject(image, bitmap);
  HGDIOBJ oldMask = SelectObject(mask, maskBits);
  SetBkColor(image, GetPixel(image, 0, size.cy - 1));
  BitBlt(mask, 0, 0, size.cx, size.cy, image, 0, 0, SRCCOPY);
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  BitBlt(dc, x, y, size.cx, size.cy, image, 0, 0, SRCINVERT);
  BitBlt(dc, x, y, size.cx, size.cy, mask, 0, 0, SRCAND);
  BitBlt(dc, x, y, size.cx, size.cy, image, 0, 0, SRCINVERT);
  SetBkColor(dc, oldBack);
  SetTextColor(dc, oldText);
  SelectObject(mask, oldMask);
  SelectObject(image, oldImage);
  DeleteObject(maskBits);
  DeleteDC(mask);
  DeleteDC(image);
}

}  // namespace

LM_DEFINE_CLASS(TMsgItem) {
  c.data(LM_FIELDS(oMsgBar, cMsg, nWidth, nClrText, nClrPane, nClrDisabled, bMsg, bAction, oFont,
                   lActive, lTimer, lWasActive, hBitmap1, hPalette1, hBitmap2, hPalette2, cToolTip,
                   hBack, bRClicked, OnClick));
  c.classData("aProperties", Value::list({"cMsg", "nWidth"}));
  c.classData("aEvents", Value::list({Value::list({"OnClick", "oItem"})}));
  c.methods(LM_METHODS(New, Refresh, Paint, SetText, SetFont, Click, RClick, IsOver, nLeft, End,
                       Save, Load));
  c.creatable();
}

TMsgItem::TMsgItem() {
  ++liveItems;
}

TMsgItem::~TMsgItem() {
  --liveItems;
}

long TMsgItem::liveCount() noexcept {
  return liveItems;
}

TMsgBar* TMsgItem::bar() const {
  return oMsgBar.isObject() ? dynamic_cast<TMsgBar*>(oMsgBar.object()) : nullptr;
}

Value TMsgItem::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  oMsgBar = a.oMsgBar.isObject() ? a.oMsgBar : GETMSGBARDEFAULT();
  TMsgBar* owner = bar();
  cMsg = a.cMsg.isNil() ? Value("") : a.cMsg;
  nClrText = owner ? owner->nClrText : Value(kNoBarText);
  nClrPane = owner ? owner->nClrPane : Value(kNoBarPane);
  if (!splitColours(a.nClrFore, nClrText, nClrPane)) {
    if (a.nClrFore.isNumber()) nClrText = a.nClrFore;
    if (a.nClrBack.isNumber()) nClrPane = a.nClrBack;
  }
  nClrDisabled = sysColor(COLOR_GRAYTEXT);
  oFont = a.oFont.isObject() ? a.oFont : (owner ? owner->oFont : Value());
  takeUse(oFont);
  lActive = lWasActive = true;
  lTimer = false;
  bAction = a.bAction;
  hBitmap1 = handleNumber(loadPaneBitmap(a.cBmp1));
  hBitmap2 = handleNumber(loadPaneBitmap(a.cBmp2));
  hPalette1 = hPalette2 = 0;
  if (a.nWidth.isNumber()) {
    nWidth = a.nWidth;
  } else if (hBitmap1.integer() != 0) {
    nWidth = bitmapSize(handleFrom<HBITMAP>(hBitmap1)).cx + kBitmapExtra;
  } else {
    nWidth = kDefaultWidth;
  }
  cToolTip = a.cToolTip;
  if (owner && cToolTip.isText() && !cToolTip.text().empty()) owner->cToolTip = "";
  if (owner && a.lAdd.isLogical() && a.lAdd.logical()) owner->AddItem(Value(lanmere::Ref(this)));
  return Value(lanmere::Ref<TMsgItem>(this));
}

Value TMsgItem::Refresh() {
  if (bMsg.isClosure()) {
    // The pane is passed along: the keyboard panes set their active look from it.
    const Value text = evaluate(bMsg, Value(lanmere::Ref<TMsgItem>(this)));
    cMsg = text.isText() ? text : Value(scalarText(text));
  }
  TMsgBar* owner = bar();
  if (!owner || !IsWindowVisible(owner->hwnd())) return {};
  if (!painted_ || lastPainted_ != cMsg.string() || lWasActive.logical() != lActive.logical())
    Paint();
  return {};
}

Value TMsgItem::Paint() {
  TMsgBar* owner = bar();
  if (!owner || !owner->hwnd()) return {};
  if (HDC dc = owner->paintingDC()) {
    paintOn(dc);
    return {};
  }
  HDC dc = GetDC(owner->hwnd());
  paintOn(dc);
  ReleaseDC(owner->hwnd(), dc);
  return {};
}

void TMsgItem::paintOn(HDC dc) {
  TMsgBar* owner = bar();
  const int left = static_cast<int>(nLeft().integer());
  const int w = static_cast<int>(width());
  const int height = owner->barHeight();
  const bool flat = owner->flat();
  if (flat) {
    owner->paintBackground(dc, left - kSeparatorGap, w + kSeparatorGap);
    HDC memory = CreateCompatibleDC(dc);
    if (hBack.isNil() || hBack.integer() == 0) {
      const HBITMAP saved = trackedCreate(
          "TMSGITEM", "BMP", [&] { return CreateCompatibleBitmap(dc, w + kSeparatorGap, height); });
      hBack = handleNumber(saved);
      HGDIOBJ old = SelectObject(memory, saved);
      BitBlt(memory, 0, 0, w + kSeparatorGap, height, dc, left - kSeparatorGap, 0, SRCCOPY);
      SelectObject(memory, old);
    } else {
      HGDIOBJ old = SelectObject(memory, handleFrom<HBITMAP>(hBack));
      BitBlt(dc, left - kSeparatorGap, 0, w + kSeparatorGap, height, memory, 0, 0, SRCCOPY);
      SelectObject(memory, old);
    }
    DeleteDC(memory);
  }
  int bitmapWidth = 0;
  HBITMAP shown =
      handleFrom<HBITMAP>(lActive.logical() || hBitmap2.integer() == 0 ? hBitmap1 : hBitmap2);
  if (shown) {
    drawMasked(dc, shown, left + 1, kBitmapRow);
    bitmapWidth = bitmapSize(shown).cx;
  }
  const std::string text = lanmere::allTrim(cMsg.isText() ? cMsg.string() : std::string());
  const COLORREF colour =
      static_cast<COLORREF>((lActive.logical() ? nClrText : nClrDisabled).integer());
  const HFONT font = handleOfMember<HFONT>(oFont, msg::hFont);
  if (flat) {
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = SetTextColor(dc, colour);
    RECT area{left + bitmapWidth, height / 4 - 2, left + w - kPaneRightGap, height};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
    drawSunkenBox(dc, kFirstRow - 1, left - kSeparatorGap, height - kFirstRow,
                  left - kSeparatorGap + 1);
  } else {
    drawPaneText(
        dc, text,
        RECT{left + bitmapWidth, kTextTop, left + w - kPaneRightGap, height - kTextBottomGap},
        colour, static_cast<COLORREF>(nClrPane.integer()), font);
    drawSunkenBox(dc, 0, left - kSeparatorGap, height - 1, left - kSeparatorGap + 1);
    if (owner->lInset.logical()) drawSunkenBox(dc, 3, left + 1, height - 5, left + w - 4);
  }
  lWasActive = lActive;
  lastPainted_ = cMsg.isText() ? cMsg.string() : std::string();
  painted_ = true;
}

Value TMsgItem::SetText(const Value& text) {
  cMsg = text.isText() ? text : Value(scalarText(text));
  Paint();
  return {};
}

Value TMsgItem::SetFont(const Value& font) {
  if (oFont.isObject()) tell(oFont, msg::End);
  oFont = font;
  takeUse(oFont);
  Paint();
  return {};
}

Value TMsgItem::Click(const Value& nRow, const Value& nCol) {
  return evaluate(bAction, nRow, nCol);
}

Value TMsgItem::RClick(const Value& nRow, const Value& nCol) {
  return evaluate(bRClicked, nRow, nCol);
}

Value TMsgItem::IsOver(const Value& nRow, const Value& nCol) {
  const long long left = nLeft().integer();
  const long long col = nCol.integer();
  return nRow.integer() > kFirstRow && col >= left - 1 && col <= left + width() - kOverRightGap;
}

Value TMsgItem::nLeft() {
  TMsgBar* owner = bar();
  if (!owner || !owner->aItems.isList()) return 0;
  return owner->paneLeft(*this);
}

Value TMsgItem::End() {
  deleteTracked(hBitmap1);
  deleteTracked(hBitmap2);
  deleteTracked(hBack);
  if (oFont.isObject()) tell(oFont, msg::End);
  oFont = Value();
  bMsg = bAction = bRClicked = Value();
  oMsgBar = Value();
  return {};
}

Value TMSGITEM() {
  return Value(lanmere::make<TMsgItem>());
}

Value TMsgItem::Save() {
  return saveObject(Value(lanmere::Ref<TMsgItem>(this)), SaveReference::Windowless);
}

Value TMsgItem::Load(const Value& cData) {
  if (!cData.isText()) return lanmere::argumentError(kRecordArgumentSubCode);
  return loadObject(Value(lanmere::Ref<TMsgItem>(this)), cData.text());
}

const lanmere::ModuleTable& msgItemModule() {
  TMsgItem::Class();
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TMSGITEM>("TMSGITEM")}};
  return module;
}

}  // namespace kestrel
