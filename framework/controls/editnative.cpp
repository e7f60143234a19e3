#include "framework/controls/editnative.h"

#include <windows.h>

#include <string>

#include "framework/controls/tget.h"
#include "framework/core/handles.h"
#include "framework/core/tdialog.h"
#include "framework/core/themes.h"
#include "framework/core/twindow_msgs.h"
#include "framework/core/winlist.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr std::size_t kLineLimit = 255;
constexpr long long kCreateStyle = 13565952;  // child, visible, border, tab stop
constexpr long long kUseDefault = 32768;

int toInt(const Value& value) {
  return static_cast<int>(value.integer());
}

}  // namespace

EditFrame editFrame(const Value& oWnd, bool noBorder) {
  if (noBorder) return {};
  const bool themed = ISAPPTHEMED();
  const bool inDialog = oWnd.isObject() && oWnd.object()->classInfo().derivesFrom(TDialog::Class());
  return {(!themed || inDialog) ? WS_BORDER : 0, themed ? WS_EX_CLIENTEDGE : 0};
}

void shapeEditCaret(HWND edit, int width, int shorter) {
  if (!edit || GetFocus() != edit) return;
  TEXTMETRICA metrics{};
  const HDC dc = ::GetDC(edit);
  const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(edit, WM_GETFONT, 0, 0));
  const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  GetTextMetricsA(dc, &metrics);
  if (old) SelectObject(dc, old);
  ::ReleaseDC(edit, dc);
  CreateCaret(edit, nullptr, width, metrics.tmHeight - shorter);
  // The full-width form: the packed answer's halves stop at 65535.
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SendMessageA(edit, EM_SETSEL, start, end);
  ShowCaret(edit);
}

Value MGETCREATE(Args args) {
  auto a = [&](std::size_t n) -> const Value& { return lanmere::arg(args, n); };
  const std::string className = a(1).isText() ? a(1).string() : "EDIT";
  const std::string caption = a(2).isText() ? a(2).string() : "";
  const HWND parent = handleFrom<HWND>(a(8));
  const HWND created = callWindows([&] {
    return CreateWindowExA(static_cast<DWORD>(a(11).integer()), className.c_str(), caption.c_str(),
                           static_cast<DWORD>(a(3).integer()), toInt(a(4)), toInt(a(5)),
                           toInt(a(6)), toInt(a(7)), parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(a(9).integer())),
                           GetModuleHandleA(nullptr), nullptr);
  });
  if (args.size() >= 10) args[9] = 0;  // the heap, by reference
  return handleNumber(created);
}

void createEditWindow(TControl& field, const std::string& className, const Value& caption,
                      Value& hHeap) {
  if (field.cCaption.isNil()) field.cCaption = "";
  if (field.nStyle.isNil()) field.nStyle = kCreateStyle;
  if (field.nTop.isNil()) field.nTop = 0;
  if (field.nLeft.isNil()) field.nLeft = 0;
  if (field.nBottom.isNil()) field.nBottom = 10;
  if (field.nRight.isNil()) field.nRight = 10;
  if (field.nId.isNil()) field.nId = 0;
  if (field.oWnd.isObject()) field.nStyle = field.nStyle.integer() | WS_CHILD;
  const long long top = field.nTop.integer(), left = field.nLeft.integer();
  const long long bottom = field.nBottom.integer(), right = field.nRight.integer();
  const bool useDefault = bottom == kUseDefault;
  const HWND parent = field.oWnd.isObject() ? handleOfMember<HWND>(field.oWnd, msg::hWnd) : nullptr;
  Value args[] = {Value(className),
                  caption.isNil() ? field.cCaption : caption,
                  field.nStyle,
                  left,
                  top,
                  useDefault ? right : right - left + 1,
                  useDefault ? bottom : bottom - top + 1,
                  handleNumber(parent),
                  field.nId,
                  hHeap,
                  field.nExStyle.isNil() ? Value(0) : field.nExStyle};
  field.hWnd = MGETCREATE(Args(args));
  hHeap = args[9];
  if (!field.hwnd()) {
    WNDCREATEERROR(field.self(), Value(className));
    return;
  }
  linkWindow(field);
  if (field.oFont.isObject()) field.SetFont(field.oFont);
}

Value MGETLINE(const Value& hWnd, const Value& nLine) {
  const HWND edit = handleFrom<HWND>(hWnd);
  if (!edit || nLine.integer() < 1) return "";
  // EM_GETLINE reads the buffer's size from its first word and copies at most that many bytes,
  // without a terminating zero: one byte more than the limit keeps the copy inside the buffer.
  char buffer[kLineLimit + 1] = {};
  *reinterpret_cast<WORD*>(buffer) = static_cast<WORD>(kLineLimit);
  const LRESULT copied = SendMessageA(edit, EM_GETLINE, static_cast<WPARAM>(nLine.integer() - 1),
                                      reinterpret_cast<LPARAM>(buffer));
  const auto length = static_cast<std::size_t>(copied < 0 ? 0 : copied);
  return std::string(buffer, length < kLineLimit ? length : kLineLimit);
}

Value MGETREPLACE(const Value& hWnd, const Value& cText) {
  const HWND edit = handleFrom<HWND>(hWnd);
  if (!edit) return {};
  const std::string text = cText.isText() ? cText.string() : "";
  callWindows([&] {
    return SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  });
  return {};
}

Value MOVEGET(const Value& hWnd) {
  const HWND edit = handleFrom<HWND>(hWnd);
  if (!edit) return {};
  RECT client{};
  GetClientRect(edit, &client);
  callWindows([&] { return SendMessageA(edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&client)); });
  return {};
}

Value GETCARETPOS() {
  POINT point{};
  GetCaretPos(&point);
  return Value::list({static_cast<long long>(point.x), static_cast<long long>(point.y)});
}

Value SETGETCOLORFOCUS(const Value& nClr) {
  return TGet::setColorFocusAll(nClr);
}

const lanmere::ModuleTable& editNativeModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&MGETCREATE>("MGETCREATE"), lanmere::fn<&MGETLINE>("MGETLINE"),
       lanmere::fn<&MGETREPLACE>("MGETREPLACE"), lanmere::fn<&MOVEGET>("MOVEGET"),
       lanmere::fn<&GETCARETPOS>("GETCARETPOS"),
       lanmere::fn<&SETGETCOLORFOCUS>("SETGETCOLORFOCUS")}};
  return module;
}

}  // namespace kestrel
