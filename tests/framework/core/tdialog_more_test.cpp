// The rest of the dialog under Wine: a dialog defined anew, context help, the frame's
// activation, the posted change of focus, docked controls following a resize, Esc as a key
// message of the dialog's own window, the frame's scroll-bar objects, the small icon and the VBX
// alerts.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/fwmessages.h"
#include "framework/core/handles.h"
#include "framework/core/tcontrol.h"
#include "framework/core/themes.h"
#include "runtime/functions.h"
#include "tests/framework/core/dialog_test_ids.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/files.h"
#include "tests/support/help_standin.h"

namespace kestrel::test {
namespace {

constexpr long long kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

bool shown(HWND dialog) {
  return dialog && IsWindowVisible(dialog);
}

// A dialog at pixels with that style.
Value styledDialog(long long style, const char* caption, const char* className = "TDIALOG") {
  return newDialog({.nTop = 100,
                    .nLeft = 100,
                    .nBottom = 260,
                    .nRight = 400,
                    .cCaption = caption,
                    .nStyle = style,
                    .lPixels = true},
                   className);
}

Value addEdit(const Value& dialog, int id, long long top) {
  return addControl(dialog, "Edit", id, "", top, 10, top + 25, 200, WS_TABSTOP | WS_BORDER);
}

class DialogRest : public DialogTest {};

// ---- Define ----

// New places the dialog on text rows and columns; Define places it anew in pixels, with its
// caption, style and colours, and keeps the controls already defined.
TEST_F(DialogRest, DefineGivesANewPlaceCaptionStyleAndColoursKeepingTheControls) {
  constexpr COLORREF kFace = RGB(0, 128, 255);
  const Value dialog =
      newDialog({.nTop = 2, .nLeft = 3, .nBottom = 12, .nRight = 40, .cCaption = "Old"});
  const Value field = addEdit(dialog, kIdFirstEdit, 10);
  TDialog::DefineArgs{.nTop = 120,
                      .nLeft = 140,
                      .nBottom = 300,
                      .nRight = 460,
                      .cCaption = "New",
                      .nStyle = kDialogStyle | WS_MINIMIZEBOX,
                      .nClrText = 0LL,
                      .nClrBack = static_cast<long long>(kFace)}
      .sendTo(dialog);
  RECT window{};
  std::string caption;
  LONG_PTR style = 0;
  COLORREF face = CLR_INVALID;
  bool bound = false;
  runModal(dialog, {ready,
                    [&](HWND hwnd) {
                      UpdateWindow(hwnd);
                      GetWindowRect(hwnd, &window);
                      caption = windowText(hwnd);
                      style = GetWindowLongPtrA(hwnd, GWL_STYLE);
                      face = windowPixel(hwnd, 260, 130);
                      const HWND item = GetDlgItem(hwnd, kIdFirstEdit);
                      bound = item && as<TTestCtrl>(field).hWnd.integer() == handleNumber(item);
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(window.top, 120);
  EXPECT_EQ(window.left, 140);
  EXPECT_EQ(caption, "New");
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_EQ(face, kFace);
  EXPECT_TRUE(bound);
}

// ---- Help ----

// The context-help command puts the dialog in help mode: the pointer over it becomes the help
// cursor and a click asks HELPTOPIC, once there is one, for the focused control's topic or else
// the dialog's.
TEST_F(DialogRest, ContextHelpModeShowsTheHelpCursorAndAsksForTheTopic) {
  const lanmere::ModuleTable& helpModule = helpStandIn();
  ASSERT_EQ(lanmere::findFunction("HELPTOPIC"), nullptr);
  const Value dialog = pixelDialog(100, 100, 260, 400, "Help");
  as<TDialog>(dialog).nHelpId = 5;
  as<TTestCtrl>(addEdit(dialog, kIdFirstEdit, 10)).nHelpId = 77;
  addEdit(dialog, kIdSecondEdit, 45);
  struct Stage {
    const char* name;
    bool contextHelp;   // the system command comes first
    bool registerHelp;  // HELPTOPIC is registered first
    int focus;
    bool helpCursor;
    std::vector<long long> topics;
  };
  const Stage stages[] = {{"plain", false, false, kIdFirstEdit, false, {}},
                          {"help mode without HELPTOPIC", true, false, kIdFirstEdit, true, {}},
                          {"the field's topic", false, true, kIdFirstEdit, true, {77}},
                          {"the dialog's topic", false, false, kIdSecondEdit, true, {5}}};
  const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  const HCURSOR help = LoadCursorA(nullptr, IDC_HELP);
  struct Seen {
    bool helpMode = false, helpCursor = false;
    std::vector<long long> topics;
  };
  std::vector<Seen> seen;
  std::vector<Step> steps = {ready};
  for (const Stage& stage : stages) {
    steps.push_back([&, stage](HWND hwnd) {
      if (stage.contextHelp) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      if (stage.registerHelp) lanmere::registerModule(helpModule);
      SetFocus(GetDlgItem(hwnd, stage.focus));
      SetCursor(arrow);
      helpTopics.clear();
      postMouse(hwnd, WM_MOUSEMOVE, 260, 130);
      postMouse(hwnd, WM_LBUTTONDOWN, 260, 130, MK_LBUTTON);
      postMouse(hwnd, WM_LBUTTONUP, 260, 130);
      return true;
    });
    steps.push_back([&](HWND) {  // the posted messages go before the timer's next tick
      seen.push_back({as<TDialog>(dialog).lHelpIcon.logical(), GetCursor() == help, helpTopics});
      return true;
    });
  }
  steps.push_back(endWith(dialog, 1));
  runModal(dialog, steps);
  ASSERT_EQ(seen.size(), std::size(stages));
  for (std::size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(stages[i].name);
    EXPECT_EQ(seen[i].helpMode, stages[i].helpCursor);
    EXPECT_EQ(seen[i].helpCursor, stages[i].helpCursor);
    EXPECT_EQ(seen[i].topics, stages[i].topics);
  }
  EXPECT_TRUE(errors.empty());
}

// ---- The frame ----

// When the system takes the activation to another window and gives it back, bNcActivate is
// evaluated with the frame's new state and the dialog.
TEST_F(DialogRest, FrameActivationEvaluatesBNcActivate) {
  const Value dialog = pixelDialog(100, 100, 260, 400, "Frame");
  addEdit(dialog, kIdFirstEdit, 10);
  using Call = std::pair<bool, bool>;  // the flag; the second argument is the dialog
  std::vector<Call> calls, away, back;
  const void* const self = dialog.identity();
  as<TDialog>(dialog).bNcActivate = closure([&calls, self](lanmere::Args args) {
    calls.push_back({lanmere::arg(args, 1).logical(), lanmere::arg(args, 2).identity() == self});
    return Value();
  });
  HWND other = nullptr;
  runModal(dialog, {[](HWND hwnd) { return ready(hwnd) && GetActiveWindow() == hwnd; },
                    [&](HWND hwnd) {
                      other = CreateWindowExA(0, "STATIC", "Other", WS_POPUP, 0, 0, 80, 40, nullptr,
                                              nullptr, nullptr, nullptr);
                      calls.clear();
                      ShowWindow(other, SW_SHOW);
                      away = std::exchange(calls, {});
                      SetActiveWindow(hwnd);
                      back = calls;
                      DestroyWindow(other);
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(away, std::vector<Call>{Call(false, true)});
  EXPECT_EQ(back, std::vector<Call>{Call(true, true)});
}

// ChangeFocus posts the framework's change-focus message to the dialog; the window class leaves
// it alone: it arrives once, after the call, and the focus and the dialog stay as they were.
TEST_F(DialogRest, ChangeFocusPostsItsMessageAndMovesNothing) {
  const Value dialog = pixelDialog(100, 100, 260, 400, "Focus", "TLOGGEDDIALOG");
  addEdit(dialog, kIdFirstEdit, 10);
  addEdit(dialog, kIdSecondEdit, 45);
  const auto& messages = static_cast<TLoggedDialog&>(as<TDialog>(dialog)).messages;
  auto arrived = [&] {
    return std::count(messages.begin(), messages.end(), kWmFrameworkChangeFocus);
  };
  long duringCall = -1, afterwards = -1;
  int focus = 0;
  bool visible = false;
  runModal(dialog, {ready,
                    [&](HWND hwnd) {
                      SetFocus(GetDlgItem(hwnd, kIdSecondEdit));
                      lanmere::send(dialog, "ChangeFocus");
                      duringCall = arrived();
                      return true;
                    },
                    [&](HWND hwnd) {
                      afterwards = arrived();
                      focus = focusedId(hwnd);
                      visible = IsWindowVisible(hwnd);
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(duringCall, 0);
  EXPECT_EQ(afterwards, 1);
  EXPECT_EQ(focus, kIdSecondEdit);
  EXPECT_TRUE(visible);
}

// A dialog without a window posts nothing: a post to window 0 is a message of the thread,
// which whatever loop runs next would take for its own.
TEST_F(DialogRest, EndAndChangeFocusWithoutAWindowPostNothing) {
  struct Case {
    const char* method;
    UINT message;
  };
  for (const Case& c : {Case{"End", WM_CLOSE}, Case{"ChangeFocus", kWmFrameworkChangeFocus}}) {
    const Value dialog = newDialog({.cResName = "NAMEDDLG"});
    as<TDialog>(dialog).lModal = false;
    lanmere::send(dialog, c.method);
    MSG stray{};
    EXPECT_FALSE(PeekMessageA(&stray, reinterpret_cast<HWND>(-1), c.message, c.message, PM_REMOVE))
        << c.method;
  }
}

// AdjTop docks the top control at once; it and the client control (SetControl) follow when the
// dialog is resized: the top one across the whole width, the client one filling what is left.
TEST_F(DialogRest, DockedControlsFollowTheDialogsSize) {
  const Value dialog = styledDialog(kDialogStyle | WS_THICKFRAME, "Docked");
  Value docked[2];
  for (int i = 0; i < 2; ++i) {
    docked[i] = lanmere::createObject("TCONTROL");
    lanmere::send(docked[i], "Redefine", {Value(), dialog});
    TControl& control = as<TControl>(docked[i]);
    control.nTop = 10 + 30 * i;
    control.nLeft = 10;
    control.nBottom = 30 + 30 * i;
    control.nRight = 150;
  }
  auto hwndOf = [&](int i) { return as<TControl>(docked[i]).hwnd(); };
  RECT before{}, adjusted{}, area{}, top{}, client{};
  long height = 0;
  runModal(dialog, {[&](HWND hwnd) { return shown(hwnd) && hwndOf(1); },
                    [&](HWND hwnd) {
                      const RECT own = rectInParent(hwndOf(0));
                      height = own.bottom - own.top;
                      as<TDialog>(dialog).oTop = docked[0];
                      lanmere::send(dialog, "AdjTop");
                      adjusted = rectInParent(hwndOf(0));
                      lanmere::send(dialog, "SetControl", {docked[1]});
                      GetClientRect(hwnd, &before);
                      SetWindowPos(hwnd, nullptr, 0, 0, 520, 420,
                                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                      GetClientRect(hwnd, &area);
                      top = rectInParent(hwndOf(0));
                      client = rectInParent(hwndOf(1));
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(adjusted.top, 0);
  EXPECT_EQ(adjusted.right, before.right);
  ASSERT_GT(area.right, before.right);
  ASSERT_GT(area.bottom, before.bottom);
  EXPECT_EQ(top.top, 0);
  EXPECT_EQ(top.left, 0);
  EXPECT_EQ(top.right, area.right);
  EXPECT_EQ(top.bottom, height);
  EXPECT_EQ(client.top, top.bottom);
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.right, area.right);
  EXPECT_EQ(client.bottom, area.bottom);
}

// ---- Esc as a key message ----

// Esc reaching the dialog's own window: the key-down ends a dialog without parent object or
// with a dialog as parent, the character only one with a dialog as parent; a plain window as
// parent keeps it; with the Esc setting off neither ends it.
TEST_F(DialogRest, EscInTheKeyMessagesDependsOnTheParentsClass) {
  enum Parent { kNone, kDialog, kWindow };
  const Value parents[] = {Value(), pixelDialog(0, 0, 10, 10, "Parent"),
                           pixelWindow(0, 0, 10, 10, "Parent")};
  const struct {
    Parent parent;
    UINT message;
    bool escOn;
    bool ends;
  } cases[] = {{kNone, WM_KEYDOWN, true, true},    {kNone, WM_CHAR, true, false},
               {kDialog, WM_KEYDOWN, true, true},  {kDialog, WM_CHAR, true, true},
               {kWindow, WM_KEYDOWN, true, false}, {kWindow, WM_CHAR, true, false},
               {kNone, WM_KEYDOWN, false, false},  {kDialog, WM_KEYDOWN, false, false},
               {kDialog, WM_CHAR, false, false}};
  constexpr LPARAM kEscFlags = 0x00010001;  // repeat count 1, scan code 1
  for (const auto& each : cases) {
    SCOPED_TRACE(std::to_string(each.parent) + (each.message == WM_CHAR ? " char" : " key down") +
                 (each.escOn ? "" : " with Esc off"));
    lanmere::callFunction("SETDIALOGESC", {each.escOn});
    const Value dialog = pixelDialog(100, 100, 260, 400, "Esc");
    addEdit(dialog, kIdFirstEdit, 10);
    as<TDialog>(dialog).oWnd = parents[each.parent];
    const Value result = runModal(dialog, {ready, [&](HWND hwnd) {
                                             SendMessageA(hwnd, each.message, VK_ESCAPE, kEscFlags);
                                             if (as<TDialog>(dialog).nResult.isNil()) {
                                               lanmere::send(dialog, "End", {7});
                                             }
                                             return true;
                                           }});
    EXPECT_EQ(result.integer(), each.ends ? 2 : 7);
  }
  lanmere::callFunction("SETDIALOGESC", {true});
  DestroyWindow(as<TWindow>(parents[kWindow]).hwnd());
}

// ---- Colours on a folder's page ----

// Stands for a folder: a page is a dialog whose parent object is of a folder's class.
class TFolder : public TWindow {
  LM_CLASS(TFolder, TWindow)
};
LM_DEFINE_CLASS_AS(TFolder, "TFOLDER") {
  c.creatable();
}

// On a page of a folder in a themed application, buttons and labels answer the null brush over
// the page's background drawn first; other controls, pages of an unthemed application and
// dialogs outside a folder get the window class's answer.
TEST_F(DialogRest, FolderPagesPaintButtonsAndLabelsOnTheirBackground) {
  constexpr COLORREF kPage = RGB(10, 20, 30);
  TFolder::Class();
  const Value folder = lanmere::createObject("TFOLDER");
  ASSERT_TRUE(folder.isObject());
  const struct {
    bool inFolder, themed;
    const char* windowClass;
    bool onBackground;
  } cases[] = {{true, true, "Static", true},
               {true, true, "Button", true},
               {true, true, "Edit", false},
               {true, false, "Static", false},
               {false, true, "Button", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.windowClass) + (c.inFolder ? " in a folder" : "") +
                 (c.themed ? " themed" : ""));
    overrideAppThemed(c.themed);
    const Value dialog = pixelDialog(100, 100, 260, 400, "Page");
    addControl(dialog, c.windowClass, kIdFirstEdit, "Text", 10, 10, 35, 200, WS_TABSTOP);
    if (c.inFolder) as<TDialog>(dialog).oWnd = folder;
    as<TDialog>(dialog).SetColor(0LL, static_cast<long long>(kPage));
    LRESULT answer = 0;
    COLORREF drawn = CLR_INVALID;
    const Value result = runModal(
        dialog, {shown,
                 [&](HWND hwnd) {
                   const HDC screen = GetDC(nullptr);
                   const HDC dc = CreateCompatibleDC(screen);
                   const HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
                   ReleaseDC(nullptr, screen);
                   const HGDIOBJ previous = SelectObject(dc, bitmap);
                   PatBlt(dc, 0, 0, 8, 8, WHITENESS);
                   answer = SendMessageA(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, kIdFirstEdit)));
                   drawn = GetPixel(dc, 2, 2);
                   SelectObject(dc, previous);
                   DeleteObject(bitmap);
                   DeleteDC(dc);
                   return true;
                 },
                 endWith(dialog, 1)});
    EXPECT_EQ(result.integer(), 1);
    EXPECT_EQ(answer == reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)), c.onBackground);
    EXPECT_EQ(drawn == kPage, c.onBackground);
  }
  overrideAppThemed(std::nullopt);
}

// ---- What the initialisation adds ----

// The scroll-bar styles give the dialog scroll-bar objects bound to its own frame bars: a line
// down moves the bar; without the styles there are none.
TEST_F(DialogRest, ScrollStylesGiveFrameScrollBarObjects) {
  const struct {
    long long style;
    bool vertical, horizontal;
  } cases[] = {{0, false, false},
               {WS_VSCROLL, true, false},
               {WS_HSCROLL, false, true},
               {WS_VSCROLL | WS_HSCROLL, true, true}};
  for (const auto& each : cases) {
    SCOPED_TRACE(each.style);
    const Value dialog = styledDialog(kDialogStyle | each.style, "Bars");
    struct Bar {
      bool object = false, vertical = false, ofTheDialog = false;
      int position = -1;
    } bars[2];  // vertical, horizontal
    runModal(dialog, {shown,
                      [&](HWND hwnd) {
                        const TDialog& self = as<TDialog>(dialog);
                        const Value objects[] = {self.oVScroll, self.oHScroll};
                        const int which[] = {SB_VERT, SB_HORZ};
                        const UINT message[] = {WM_VSCROLL, WM_HSCROLL};
                        for (int i = 0; i < 2; ++i) {
                          const Value& object = objects[i];
                          bars[i].object =
                              object.isObject() && object.object()->ClassName() == "TSCROLLBAR";
                          if (bars[i].object) {
                            bars[i].vertical = lanmere::send(object, "lVertical").logical();
                            bars[i].ofTheDialog =
                                lanmere::send(object, "oWnd").identity() == dialog.identity();
                          }
                          SendMessageA(hwnd, message[i], SB_LINEDOWN, 0);
                          bars[i].position = GetScrollPos(hwnd, which[i]);
                        }
                        return true;
                      },
                      endWith(dialog, 1)});
    const bool wanted[] = {each.vertical, each.horizontal};
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i == 0 ? "vertical" : "horizontal");
      EXPECT_EQ(bars[i].object, wanted[i]);
      if (!wanted[i] || !bars[i].object) continue;
      EXPECT_EQ(bars[i].vertical, i == 0);
      EXPECT_TRUE(bars[i].ofTheDialog);
      EXPECT_EQ(bars[i].position, 2);  // from 1 of the range 1 to 2
    }
  }
}

// An icon given to New by name, as an icon file or else as an icon resource, is the dialog's
// small icon.
TEST_F(DialogRest, AnIconByFileOrResourceIsTheSmallIcon) {
  TempFolder folder;
  const std::string file = folder / "dialog icon.ico";
  writeFile(file, resourceBytes("DLGICONFILE"));
  for (const std::string& icon : {file, std::string("DLGICON")}) {
    SCOPED_TRACE(icon);
    const Value dialog = newDialog({.nTop = 100,
                                    .nLeft = 100,
                                    .nBottom = 200,
                                    .nRight = 300,
                                    .cCaption = "Icon",
                                    .lPixels = true,
                                    .oIcon = icon});
    const Value loaded = lanmere::send(as<TDialog>(dialog).oIcon, "hIcon");
    ASSERT_NE(loaded.integer(), 0);
    LRESULT small = 0;
    runModal(dialog, {shown,
                      [&](HWND hwnd) {
                        small = SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0);
                        return true;
                      },
                      endWith(dialog, 1)});
    EXPECT_EQ(static_cast<long long>(small), loaded.integer());
  }
}

// The VBX support is not part of this system: New with lVbx says so, the initialisation says so
// again, and the dialog runs all the same.
TEST_F(DialogRest, VbxDialogsSayTheSupportIsMissing) {
  ModalDriver alerts([](const BoxInfo& box) { return box.text.empty() ? 0 : IDOK; });
  const Value dialog = newDialog({.nTop = 100,
                                  .nLeft = 100,
                                  .nBottom = 200,
                                  .nRight = 300,
                                  .cCaption = "Vbx",
                                  .lVbx = true,
                                  .lPixels = true});
  ASSERT_EQ(alerts.seen().size(), 1u);
  const Value result = runModal(
      dialog, {[&](HWND) { return alerts.seen().size() == 2 && shown(as<TDialog>(dialog).hwnd()); },
               endWith(dialog, 4)});
  EXPECT_EQ(result.integer(), 4);
  ASSERT_EQ(alerts.seen().size(), 2u);
  EXPECT_EQ(alerts.seen()[0].text, "VBX support not available");
  EXPECT_EQ(alerts.seen()[1].text, "Error on VBX's initialization");
}

}  // namespace
}  // namespace kestrel::test
