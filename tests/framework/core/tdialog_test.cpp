// Modal dialogs under Wine, driven from inside their own loop as a user would: results, keys,
// validation, initialisation, resources, creation failures, nesting, requests and geometry.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "errors/kserror.h"
#include "framework/core/dialogbox.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/dlgtemplate.h"
#include "framework/core/handles.h"
#include "framework/core/winrun.h"
#include "tests/framework/core/dialog_test_ids.h"
#include "tests/support/dialog_fixture.h"

namespace kestrel::test {
namespace {

using Steps = std::vector<std::function<bool(HWND)>>;

const std::string kIndent = "\r\n" + std::string(22, ' ');

// Two edit fields and nothing else, built in memory.
Value fieldsDialog(const char* className = "TDIALOG") {
  const Value dialog = pixelDialog(100, 100, 260, 400, "Fields", className);
  addControl(dialog, "Edit", kIdFirstEdit, "", 10, 10, 35, 200, WS_TABSTOP | WS_BORDER);
  addControl(dialog, "Edit", kIdSecondEdit, "", 45, 10, 70, 200, WS_TABSTOP | WS_BORDER);
  return dialog;
}

class Modal : public DialogTest {};

TEST_F(Modal, EndGivesItsResultWhileTheRunningFlagIsUp) {
  const Value dialog = fieldsDialog();
  bool runningInside = false;
  std::size_t depthInside = 0;
  const Value result = runModal(dialog, {ready,
                                         [&](HWND) {
                                           runningInside = LWRUNNING();
                                           depthInside = modalDepth();
                                           return true;
                                         },
                                         endWith(dialog, 7)});
  EXPECT_EQ(result.integer(), 7);
  EXPECT_TRUE(runningInside);
  EXPECT_EQ(depthInside, 1u);
  EXPECT_FALSE(as<TDialog>(dialog).lVisible.logical());
  EXPECT_TRUE(errors.empty());
}

// Esc ends the dialog with 2 unless the Esc setting is off; the close box gives 2 either way.
TEST_F(Modal, EscAndTheCloseBox) {
  auto escape = [](HWND) {
    pressKeys({VK_ESCAPE});
    return true;
  };
  const Value dialog = fieldsDialog();
  EXPECT_EQ(runModal(dialog, {ready, escape}).integer(), 2);

  const Value previous = lanmere::callFunction("SETDIALOGESC", {false});
  EXPECT_TRUE(previous.logical());
  const Value kept = fieldsDialog();
  int ticks = 0;
  const Value result = runModal(
      kept, {ready, escape, [&](HWND hwnd) { return IsWindowVisible(hwnd) && ++ticks > 5; },
             [](HWND hwnd) {
               PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
               return true;
             }});
  EXPECT_EQ(result.integer(), 2);
  lanmere::callFunction("SETDIALOGESC", {previous});
}

TEST_F(Modal, EnterWithoutADefaultButtonMovesToTheNextField) {
  const Value dialog = fieldsDialog();
  int focusAfterEnter = 0;
  runModal(dialog, {ready,
                    [](HWND) {
                      pressKeys({VK_RETURN});
                      return true;
                    },
                    [&](HWND hwnd) {
                      focusAfterEnter = focusedId(hwnd);
                      return focusAfterEnter == kIdSecondEdit;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(focusAfterEnter, kIdSecondEdit);
}

// OK, Esc and the close box all ask bValid; while it refuses the dialog stays.
TEST_F(Modal, ARefusingValidKeepsTheDialogUntilItAgrees) {
  const Value dialog = resourceDialog("NAMEDDLG");
  bool agree = false;
  int asked = 0;
  const Value valid = closure([&](lanmere::Args) {
    ++asked;
    return Value(agree);
  });
  auto askedTimes = [&](int times) {
    return [&, times](HWND hwnd) { return IsWindowVisible(hwnd) && asked == times; };
  };
  const Value result = runModal(dialog,
                                {ready,
                                 [](HWND hwnd) {
                                   pressButton(hwnd, IDOK);
                                   return true;
                                 },
                                 askedTimes(1),
                                 [](HWND) {
                                   pressKeys({VK_ESCAPE});
                                   return true;
                                 },
                                 askedTimes(2),
                                 [](HWND hwnd) {
                                   PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                                   return true;
                                 },
                                 askedTimes(3),
                                 [&](HWND hwnd) {
                                   agree = true;
                                   pressButton(hwnd, IDOK);
                                   return true;
                                 }},
                                {.bValid = valid});
  EXPECT_EQ(result.integer(), 1);
  EXPECT_EQ(asked, 4);
}

TEST_F(Modal, AFalseWhenGivesTwoAndNoWindow) {
  const Value dialog = fieldsDialog();
  const WindowCreations created;
  activate(dialog, {.bWhen = closure([](lanmere::Args) { return Value(false); })});
  EXPECT_EQ(as<TDialog>(dialog).nResult.integer(), 2);
  EXPECT_EQ(created.count(), 0);
  EXPECT_FALSE(as<TDialog>(dialog).lVisible.logical());
}

// 65535 is a result like any other once the dialog exists; only a dialog that never got its
// init-dialog message is a creation failure.
TEST_F(Modal, EndWith65535IsAResultNotAFailure) {
  for (long long end : {65535LL, -1LL}) {
    const Value dialog = fieldsDialog();
    EXPECT_EQ(runModal(dialog, {ready, endWith(dialog, end)}).integer(), 65535);
  }
  EXPECT_TRUE(errors.empty());
}

// bInit answering false keeps the focus it set; otherwise the dialog manager sets it.
TEST_F(Modal, InitAnsweringFalseKeepsItsFocus) {
  for (bool answer : {false, true}) {
    SCOPED_TRACE(answer);
    const Value dialog = fieldsDialog();
    const Value init = closure([answer](lanmere::Args args) {
      SetFocus(GetDlgItem(as<TDialog>(args[0]).hwnd(), kIdSecondEdit));
      return Value(answer);
    });
    int focus = 0;
    runModal(dialog,
             {ready,
              [&](HWND hwnd) {
                focus = focusedId(hwnd);
                return true;
              },
              endWith(dialog, 1)},
             {.bInit = init});
    EXPECT_EQ(focus, answer ? kIdFirstEdit : kIdSecondEdit);
  }
}

TEST_F(Modal, StartRunsOnceEvenWhenItRepaints) {
  const Value dialog = fieldsDialog();
  int started = 0;
  as<TDialog>(dialog).bStart = closure([&](lanmere::Args args) {
    ++started;
    RedrawWindow(as<TDialog>(args[0]).hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return Value();
  });
  runModal(dialog, {ready,
                    [](HWND hwnd) {
                      RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                      return true;
                    },
                    endWith(dialog, 1)});
  EXPECT_EQ(started, 1);
}

TEST_F(Modal, ResourceDialogsByNameAndByNumber) {
  const struct {
    Value resource;
    const char* caption;
  } cases[] = {{"NAMEDDLG", "By name"}, {kNumberedDialog, "By number"}};
  for (const auto& each : cases) {
    const Value dialog = resourceDialog(each.resource);
    std::string caption;
    const Value result = runModal(dialog, {ready,
                                           [&](HWND hwnd) {
                                             caption = windowText(hwnd);
                                             return true;
                                           },
                                           endWith(dialog, 5)});
    EXPECT_EQ(caption, each.caption);
    EXPECT_EQ(result.integer(), 5);
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(Modal, AMissingResourceIsError3NamingIt) {
  const struct {
    Value resource;
    std::string name;
  } cases[] = {{"NOSUCHDLG", "NOSUCHDLG"}, {999, "999"}, {70000, "70000"}, {-3, "-3"}};
  for (const auto& each : cases) {
    errors.clear();
    const Value dialog = resourceDialog(each.resource);
    activate(dialog);
    ASSERT_EQ(errors.size(), 1u) << each.name;
    EXPECT_EQ(errors[0].subCode, kErrCannotCreateDialog);
    EXPECT_EQ(errors[0].subSystem, "Kestrel");
    EXPECT_EQ(errors[0].operation, kIndent + "Resource: " + each.name);
  }
}

// An item of an unknown window class: the dialog manager makes the dialog, fails on the item and
// destroys it again; the dialog got messages but never the init-dialog message.
TEST_F(Modal, AFailingCodeBuiltDialogIsError3NamingItsTitle) {
  const Value dialog = pixelDialog(10, 10, 100, 200, "Broken", "TLOGGEDDIALOG");
  addControl(dialog, "NoSuchWindowClass", 10, "", 5, 5, 20, 50);
  activate(dialog);
  const auto& messages = static_cast<TLoggedDialog&>(as<TDialog>(dialog)).messages;
  EXPECT_FALSE(messages.empty());
  EXPECT_EQ(std::count(messages.begin(), messages.end(), WM_INITDIALOG), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].subCode, kErrCannotCreateDialog);
  EXPECT_EQ(errors[0].operation, kIndent + "Title: Broken");
}

// A template the reader refuses never reaches the dialog manager: no window, a failed result,
// and a dialog whose ready-made template is refused is error 3.
TEST_F(Modal, ARefusedTemplateCreatesNoWindow) {
  const std::string header = lanmere::callFunction("CDLG2CHR", {2, 0, 0, 50, 50, "Cut"}).string();
  const std::string item =
      lanmere::callFunction("CCTRL2CHR", {1, 1, 9, 9, 1, 0x50000000, "Button", "x"}).string();
  const struct {
    std::string bytes;
    long long result;
  } cases[] = {{header.substr(0, 10), 65535}, {header + item, 65535}, {"", 0}};
  for (const auto& each : cases) {
    const WindowCreations created;
    EXPECT_EQ(DIALOGBOXINDIRECT(Value(), each.bytes, Value(), Value()), each.result);
    EXPECT_EQ(created.count(), 0);
  }
  const Value dialog = pixelDialog(0, 0, 50, 50, "Ready-made");
  as<TDialog>(dialog).cResData = header + item;
  const WindowCreations created;
  activate(dialog);
  EXPECT_EQ(created.count(), 0);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].operation, kIndent + "Title: Ready-made");
}

// The outer dialog still gets its messages while the inner one runs; each gives its own result.
TEST_F(Modal, NestedDialogsKeepTheirOwnObjectsAndResults) {
  constexpr UINT kProbe = WM_APP + 7;
  const Value outer = fieldsDialog("TLOGGEDDIALOG");
  const Value inner = fieldsDialog();
  HWND outerHandle = nullptr;
  std::size_t depthInside = 0;
  bool outerGotProbe = false;
  const Value result = runModal(
      outer, {ready,
              [&](HWND hwnd) {
                outerHandle = hwnd;
                activate(inner);  // the next steps run inside the inner dialog's loop
                return true;
              },
              [&](HWND hwnd) { return hwnd != outerHandle && ready(hwnd); },
              [&](HWND) {
                depthInside = modalDepth();
                SendMessageA(outerHandle, kProbe, 0, 0);
                const auto& seen = static_cast<TLoggedDialog&>(as<TDialog>(outer)).messages;
                outerGotProbe = std::count(seen.begin(), seen.end(), kProbe) == 1;
                lanmere::send(inner, "End", {5});
                return true;
              },
              endWith(outer, 6)});
  EXPECT_EQ(result.integer(), 6);
  EXPECT_EQ(as<TDialog>(inner).nResult.integer(), 5);
  EXPECT_EQ(depthInside, 2u);
  EXPECT_TRUE(outerGotProbe);
}

// ---- Requests ----

// A handler's error whose error block breaks ends the dialog and reaches the protected sequence
// around Activate; the nesting count, the running flag and the stack are back.
TEST_F(Modal, AnErrorBlockThatBreaksEndsTheDialog) {
  lanmere::errorBlock(closure([](lanmere::Args) -> Value { lanmere::doBreak(Value("broken")); }));
  const Value dialog = resourceDialog("NAMEDDLG");
  const Value valid = closure([](lanmere::Args) -> Value {
    raiseFrameworkError(kErrNonDefinedId, idOperation(1));
    return true;
  });
  HWND shown = nullptr;
  DialogSteps driver({ready, [&](HWND hwnd) {
                        shown = hwnd;
                        pressButton(hwnd, IDOK);
                        return true;
                      }});
  Value broke;
  lanmere::beginSequence([&] { activate(dialog, {.bValid = valid}); },
                         [&](const Value& value) { broke = value; });
  driver.rethrow();
  EXPECT_EQ(broke.string(), "broken");
  EXPECT_NE(shown, nullptr);
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(dialogNesting(), 0);
  EXPECT_FALSE(isRunning());
  EXPECT_EQ(modalDepth(), 0u);
}

// The outer dialog's button opens an inner dialog inside a protected sequence: a BREAK in the
// inner one ends it there, and the outer one stays open. A quit ends both.
TEST_F(Modal, ABreakEndsOnlyTheInnerDialogAQuitEndsBoth) {
  constexpr long long kOpen = 10;
  for (bool quit : {false, true}) {
    SCOPED_TRACE(quit);
    const Value outer = fieldsDialog();
    const Value button = addControl(outer, "Button", kOpen, "Open", 80, 10, 100, 80, WS_TABSTOP);
    const Value inner = resourceDialog("NAMEDDLG");
    Value caught;
    as<TTestCtrl>(button).bAction = closure([&](lanmere::Args) {
      lanmere::beginSequence(
          [&] {
            activate(inner, {.bValid = closure([quit](lanmere::Args) -> Value {
                               if (quit) lanmere::requestQuit();
                               lanmere::doBreak(Value("inner"));
                             })});
          },
          [&](const Value& value) { caught = value; });
      return Value();
    });
    HWND outerHandle = nullptr;
    bool outerOpen = false;
    DialogSteps driver({ready,
                        [&](HWND hwnd) {
                          outerHandle = hwnd;
                          pressButton(hwnd, kOpen);
                          return true;
                        },
                        [&](HWND hwnd) { return hwnd != outerHandle && ready(hwnd); },
                        [](HWND hwnd) {
                          pressButton(hwnd, IDOK);
                          return true;
                        },
                        [&](HWND hwnd) {
                          if (quit) return true;
                          outerOpen = hwnd == outerHandle && IsWindowVisible(hwnd);
                          return outerOpen;
                        },
                        [&](HWND) {
                          if (!quit) lanmere::send(outer, "End", {3});
                          return true;
                        }});
    bool quitted = false;
    try {
      activate(outer);
    } catch (const lanmere::QuitException&) {
      quitted = true;
      lanmere::clearRequest();
    }
    driver.rethrow();
    EXPECT_EQ(quitted, quit);
    EXPECT_FALSE(IsWindow(outerHandle));
    if (!quit) {
      EXPECT_EQ(caught.string(), "inner");
      EXPECT_TRUE(outerOpen);
      EXPECT_EQ(as<TDialog>(outer).nResult.integer(), 3);
    }
  }
}

// ---- Geometry ----

// A template's size, back in pixels with the system's dialog base units (the template has no
// font of its own).
SIZE templatePixels(const Value& bytes) {
  const auto reading = readDialogTemplate(bytes.text());
  const auto& parsed = std::get<ParsedTemplate>(reading);
  const long units = GETDLGBASEUNITS();
  return {MulDiv(parsed.cx, units & 0xFFFF, 4), MulDiv(parsed.cy, units >> 16, 8)};
}

// The dialog lands at nTop, nLeft; its client area is the template's size, which is the
// object's size within one dialog unit.
TEST_F(Modal, AnInMemoryDialogHasItsTemplatesSize) {
  const Value owner = pixelDialog(50, 60, 300, 500, "Owner");  // any window object serves
  for (bool withOwner : {false, true}) {
    SCOPED_TRACE(withOwner);
    const Value dialog = fieldsDialog();
    HWND ownerHandle = nullptr;
    if (withOwner) {
      ownerHandle = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 30, 500, 400,
                                    nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
      as<TDialog>(owner).hWnd = handleNumber(ownerHandle);
      as<TDialog>(dialog).oWnd = owner;
    }
    // The template Activate builds (it moves the dialog, and the object's edges with it, after).
    const SIZE expected = templatePixels(as<TDialog>(dialog).cToChar(handleNumber(ownerHandle)));
    RECT window{}, client{};
    runModal(dialog, {ready,
                      [&](HWND hwnd) {
                        GetWindowRect(hwnd, &window);
                        GetClientRect(hwnd, &client);
                        return true;
                      },
                      endWith(dialog, 1)});
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.top, 100);
    EXPECT_EQ(client.right, expected.cx);
    EXPECT_EQ(client.bottom, expected.cy);
    const long units = GETDLGBASEUNITS();
    EXPECT_NEAR(client.right, 400 - 100 + 1, (units & 0xFFFF) / 4 + 1);
    EXPECT_NEAR(client.bottom, 260 - 100 + 1, (units >> 16) / 8 + 1);
    if (ownerHandle) {
      as<TDialog>(owner).hWnd = 0;
      DestroyWindow(ownerHandle);
    }
  }
}

POINT centre(const RECT& rect) {
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// lCentered centres over the screen's work area, or over the parent with lCenterInWnd.
TEST_F(Modal, CentredOverTheScreenOrOverTheParent) {
  HWND parentHandle = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 20, 40, 300, 200,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  const Value parent = pixelDialog(0, 0, 1, 1, "Parent");
  as<TDialog>(parent).hWnd = handleNumber(parentHandle);
  RECT screen{}, over{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  GetWindowRect(parentHandle, &over);
  for (bool inWnd : {false, true}) {
    SCOPED_TRACE(inWnd);
    const Value dialog = fieldsDialog();
    as<TDialog>(dialog).oWnd = parent;
    RECT window{};
    runModal(dialog,
             {ready,
              [&](HWND hwnd) {
                GetWindowRect(hwnd, &window);
                return true;
              },
              endWith(dialog, 1)},
             {.lCentered = true, .lCenterInWnd = inWnd});
    const POINT want = centre(inWnd ? over : screen);
    EXPECT_NEAR(centre(window).x, want.x, 1);
    EXPECT_NEAR(centre(window).y, want.y, 1);
  }
  as<TDialog>(parent).hWnd = 0;
  DestroyWindow(parentHandle);
}

// lResize16 widens a resource dialog and its children's left edges and widths, nothing else.
TEST_F(Modal, Resize16WidensAResourceDialogAndItsChildren) {
  struct Layout {
    RECT dialog{}, edit{};
  };
  Layout layouts[2];
  for (bool widen : {false, true}) {
    const Value dialog = resourceDialog("OLDLAYOUT");
    Layout& layout = layouts[widen];
    runModal(dialog,
             {ready,
              [&](HWND hwnd) {
                GetWindowRect(hwnd, &layout.dialog);
                const HWND edit = GetDlgItem(hwnd, kIdFirstEdit);
                GetWindowRect(edit, &layout.edit);
                MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&layout.edit), 2);
                return true;
              },
              endWith(dialog, 1)},
             {.lResize16 = widen});
  }
  auto widened = [](long length) { return std::lround(length * 1.16668); };
  const Layout& before = layouts[0];
  const Layout& after = layouts[1];
  EXPECT_EQ(after.dialog.right - after.dialog.left,
            widened(before.dialog.right - before.dialog.left));
  EXPECT_EQ(after.dialog.bottom - after.dialog.top, before.dialog.bottom - before.dialog.top);
  EXPECT_EQ(after.edit.left, widened(before.edit.left));
  EXPECT_EQ(after.edit.right - after.edit.left, widened(before.edit.right - before.edit.left));
  EXPECT_EQ(after.edit.top, before.edit.top);
  EXPECT_EQ(after.edit.bottom - after.edit.top, before.edit.bottom - before.edit.top);
}

}  // namespace
}  // namespace kestrel::test
