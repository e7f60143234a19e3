#include "tests/support/form_dialog.h"

#include <stdexcept>

#include "framework/controls/tbutton.h"
#include "framework/controls/tcombobox.h"
#include "framework/controls/tget.h"
#include "framework/controls/tlistbox.h"
#include "framework/controls/tsay.h"
#include "framework/core/tdialog.h"
#include "framework/core/winrun.h"
#include "framework/services/menubuild.h"
#include "framework/services/tmsgbar.h"
#include "runtime/binding.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel::test {

using lanmere::Value;

namespace {
template <class A>
Value call(Value (*function)(lanmere::Args), const A& arguments) {
  auto values = arguments.list();
  return function(lanmere::Args(values));
}
}  // namespace

FormOwner::FormOwner() {
  window_ = lanmere::construct<TWindow>({.nTop = 10,
                                         .nLeft = 10,
                                         .nBottom = 420,
                                         .nRight = 620,
                                         .cTitle = "Soak",
                                         .oBrush = newBrush(RGB(230, 230, 250)),
                                         .lPixel = true});
  auto& owner = as<TWindow>(window_);
  call(MENUBEGIN, MENUBEGINArgs{.oWnd = window_});
  call(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&File"});
  call(MENUBEGIN, MENUBEGINArgs{.lPopup = true});
  call(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "&Open", .cMsg = "Opens the form"});
  call(MENUADDITEM, MENUADDITEMArgs{.cPrompt = "E&xit"});
  MENUEND();
  MENUEND();
  owner.SetFont(newFont("MS Sans Serif", -11));
  lanmere::construct<TMsgBar>({.oWnd = window_, .cMsg = "Ready", .lKbd = true});
  ShowWindow(owner.hwnd(), SW_SHOWNORMAL);
  UpdateWindow(owner.hwnd());
}

FormOwner::~FormOwner() {
  destroy(window_);
  dropQuitMessages();
}

std::string form::itemText(int n) {
  return "Item " + std::to_string(n);
}

namespace {

struct Built {
  Value dialog, field, list, ok, apply;
};

Value items(int count) {
  Value list = Value::list();
  for (int n = 1; n <= count; ++n) list.listData()->items.emplace_back(form::itemText(n));
  return list;
}

Built build(const Value& owner, FormValues& values) {
  using namespace form;
  Built b;
  b.dialog =
      lanmere::construct<TDialog>({.nTop = 40,
                                   .nLeft = 40,
                                   .nBottom = 40 + kHeight,
                                   .nRight = 40 + kWidth,
                                   .cCaption = "Form",
                                   .oWnd = owner,
                                   .lPixels = true,
                                   .oFont = owner.isNil() ? Value() : as<TWindow>(owner).oFont});
  auto* dialog = &as<TDialog>(b.dialog);  // the buttons' actions must not keep it alive
  const Var* bound[kFields] = {&values.name, &values.count, &values.amount,
                               &values.when, &values.code,  &values.note};
  for (int n = 0; n < kLabels; ++n) {
    lanmere::construct<TSay>({.nRow = 12 + n * kRowStep,
                              .nCol = 10,
                              .bText = fixed(Value("Label " + std::to_string(n + 1))),
                              .oWnd = b.dialog,
                              .lPixel = true,
                              .nWidth = 80,
                              .nHeight = kRowHeight - 4});
  }
  for (int n = 0; n < kFields; ++n) {
    const Value field = lanmere::construct<TGet>({.nRow = 10 + n * kRowStep,
                                                  .nCol = 100,
                                                  .bSetGet = bound[n]->block(),
                                                  .oWnd = b.dialog,
                                                  .nWidth = kFieldWidth,
                                                  .nHeight = kRowHeight,
                                                  .cPicture = kPictures[n],
                                                  .lPixel = true});
    if (n == 0) b.field = field;
  }
  b.list = lanmere::construct<TListBox>({.nRow = kListTop,
                                         .nCol = kListLeft,
                                         .bSetGet = values.pick.block(),
                                         .aItems = items(kListItems),
                                         .nWidth = kListWidth,
                                         .nHeight = kListHeight,
                                         .oWnd = b.dialog,
                                         .lPixel = true});
  lanmere::construct<TComboBox>({.nRow = kComboTop,
                                 .nCol = kListLeft,
                                 .bSetGet = values.choice.block(),
                                 .aItems = items(kComboItems),
                                 .nWidth = kListWidth,
                                 .nHeight = kComboHeight,
                                 .oWnd = b.dialog,
                                 .lPixel = true});
  const char* captions[kButtons] = {"&OK", "&Cancel", "&Apply", "&Help"};
  for (int n = 0; n < kButtons; ++n) {
    const long long result = n == 0 ? 1 : 0;
    const Value button = lanmere::construct<TButton>(
        {.nRow = kButtonTop,
         .nCol = 10 + n * (kButtonWidth + 14),
         .cCaption = captions[n],
         .oWnd = b.dialog,
         .bAction =
             n < 2 ? closure([dialog, result](lanmere::Args) { return dialog->End(Value(result)); })
                   : Value(),
         .nWidth = kButtonWidth,
         .nHeight = kButtonHeight,
         .lDefault = n == 0,
         .lPixel = true,
         .lCancel = n == 1});
    if (n == 0) b.ok = button;
    if (n == 2) b.apply = button;
  }
  return b;
}

void postClick(HWND hwnd, POINT at) {
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, mousePosition(at.x, at.y));
  PostMessageA(hwnd, WM_LBUTTONUP, 0, mousePosition(at.x, at.y));
}

// Queues what the user does; the dialog's loop handles it in order.
void postInput(const Built& b, bool ok, const std::string& typed, int listItem) {
  const HWND field = as<TControl>(b.field).hwnd();
  const HWND list = as<TControl>(b.list).hwnd();
  for (const char c : typed) PostMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
  RECT item{};
  SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(listItem - 1),
               reinterpret_cast<LPARAM>(&item));
  postClick(list, {(item.left + item.right) / 2, (item.top + item.bottom) / 2});
  // OK is a click on its button; Esc is pressed on the Apply button, clicked first: the fields
  // and lists want every key in a dialog owned by a plain window, so Esc there does not end it.
  const HWND button = as<TControl>(ok ? b.ok : b.apply).hwnd();
  RECT r{};
  GetClientRect(button, &r);
  postClick(button, {r.right / 2, r.bottom / 2});
  if (!ok) postKey(button, VK_ESCAPE);
}

}  // namespace

Value formDialog(const Value& owner, FormValues& values) {
  return build(owner, values).dialog;
}

FormCycle runForm(const Value& owner, FormValues& values, bool modal, bool ok,
                  const std::string& typed, int listItem) {
  const Built b = build(owner, values);
  auto& dialog = as<TDialog>(b.dialog);
  FormCycle cycle;
  if (modal) {
    TDialog::ActivateArgs{.lModal = true, .bInit = closure([&](lanmere::Args) {
                                            postInput(b, ok, typed, listItem);
                                            return Value();
                                          })}
        .sendTo(b.dialog);
    cycle.ended = !IsWindow(dialog.hwnd());
  } else {
    TDialog::ActivateArgs{.lModal = false}.sendTo(b.dialog);
    const HWND hwnd = dialog.hwnd();
    postInput(b, ok, typed, listItem);
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd) && GetTickCount() - start < 10000) {
      SYSREFRESH();
      if (IsWindow(hwnd)) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    cycle.ended = !IsWindow(hwnd);
    if (!cycle.ended) {  // the input did not end it: end it, so one cycle cannot stop the run
      cycle.abandoned = true;
      dialog.End(Value(0LL));
    }
  }
  cycle.result = dialog.nResult;
  return cycle;
}

}  // namespace kestrel::test
