// How long a dialog of 20 controls takes to appear and go, two ways, in the same run:
//   1. the framework: a TDialog with its TSay, TGet, TButton, TListBox and TComboBox objects bound
//      to program values, activated modeless, painted once with all its controls, then ended;
//   2. plain Win32: the same items in one in-memory template through CreateDialogIndirectParamA,
//      with a minimal C dialog procedure that fills the same list items and texts, painted once,
//      destroyed.
// Cycles are interleaved; the median cycle of each counts and the ratio closes the output.
// With --soak N it runs instead the soak of the test suite for N cycles (odd cycles modal, even
// ones modeless; OK and Esc alternating by pairs) and prints what the process holds at cycles
// 10, 1,000 and N.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/wintime.h"
#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "framework/core/tdialog.h"
#include "framework/display/modules.h"
#include "framework/services/modules.h"
#include "tests/support/dialog_fixture.h"
#include "tests/support/form_dialog.h"
#include "tests/support/live_objects.h"
#include "tests/support/modules.h"
#include "tests/support/ui.h"

namespace {

using kestrel::bench::median;
using kestrel::bench::milliseconds;

using kestrel::test::DialogTemplate;
using lanmere::Value;
namespace form = kestrel::test::form;

constexpr int kWarmUp = 10;
constexpr int kRounds = 40;  // cycles of each way
constexpr double kGoal = 1.5;

// Pixels to the dialog units of the template's 8-point font, near enough for the same layout.
short unitsX(int pixels) {
  return static_cast<short>(pixels * 4 / 6);
}
short unitsY(int pixels) {
  return static_cast<short>(pixels * 8 / 13);
}

// ---- 2. Plain Win32 ----

enum : WORD { kFirstLabel = 100, kFirstField = 110, kList = 120, kCombo = 121, kFirstButton = 1 };

// What the framework's edit fields show for the same program values and pictures.
const char* const kFieldTexts[form::kFields] = {"            ", "    0",    "        0.00",
                                                "  /  /  ",     "   -   0", "                    "};

DialogTemplate plainTemplate() {
  using namespace form;
  DialogTemplate t("Form", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 27, 25,
                   unitsX(kWidth), unitsY(kHeight));
  for (int n = 0; n < kLabels; ++n) {
    t.item(DialogTemplate::kStatic, static_cast<WORD>(kFirstLabel + n), "", SS_LEFT, unitsX(10),
           unitsY(12 + n * kRowStep), unitsX(80), unitsY(kRowHeight - 4));
  }
  for (int n = 0; n < kFields; ++n) {
    t.item(DialogTemplate::kEdit, static_cast<WORD>(kFirstField + n), "",
           ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, unitsX(100), unitsY(10 + n * kRowStep),
           unitsX(kFieldWidth), unitsY(kRowHeight));
  }
  t.item(DialogTemplate::kListBox, kList, "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
         unitsX(kListLeft), unitsY(kListTop), unitsX(kListWidth), unitsY(kListHeight));
  t.item(DialogTemplate::kComboBox, kCombo, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
         unitsX(kListLeft), unitsY(kComboTop), unitsX(kListWidth), unitsY(kComboHeight));
  const char* captions[kButtons] = {"&OK", "&Cancel", "&Apply", "&Help"};
  for (int n = 0; n < kButtons; ++n) {
    t.item(DialogTemplate::kButton, static_cast<WORD>(kFirstButton + n), captions[n],
           (n == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP,
           unitsX(10 + n * (kButtonWidth + 14)), unitsY(kButtonTop), unitsX(kButtonWidth),
           unitsY(kButtonHeight));
  }
  return t;
}

INT_PTR CALLBACK plainProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  char text[32];
  for (int n = 0; n < form::kLabels; ++n) {
    std::snprintf(text, sizeof text, "Label %d", n + 1);
    SetDlgItemTextA(dialog, kFirstLabel + n, text);
  }
  for (int n = 0; n < form::kFields; ++n) SetDlgItemTextA(dialog, kFirstField + n, kFieldTexts[n]);
  const HWND list = GetDlgItem(dialog, kList);
  for (int n = 1; n <= form::kListItems; ++n) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(form::itemText(n).c_str()));
  }
  SendMessageA(list, LB_SETCURSEL, 0, 0);
  const HWND combo = GetDlgItem(dialog, kCombo);
  for (int n = 1; n <= form::kComboItems; ++n) {
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(form::itemText(n).c_str()));
  }
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  return TRUE;
}

void paintNow(HWND dialog) {
  ShowWindow(dialog, SW_SHOW);
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
}

// Lets the queue empty, outside the timed part, so neither way pays for the other's leftovers.
void drain() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

double plainCycle(const DialogTemplate& t) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  const HWND dialog =
      CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.get(), nullptr, plainProc, 0);
  paintNow(dialog);
  DestroyWindow(dialog);
  QueryPerformanceCounter(&end);
  drain();
  return dialog ? milliseconds(start, end) : -1;
}

// ---- 1. The framework ----

double frameworkCycle(kestrel::test::FormValues& values) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  HWND hwnd = nullptr;
  {
    const Value dialog = kestrel::test::formDialog(Value(), values);
    kestrel::TDialog::ActivateArgs{.lModal = false}.sendTo(dialog);
    auto& made = static_cast<kestrel::TDialog&>(*dialog.object());
    hwnd = made.hwnd();
    paintNow(hwnd);
    made.End(Value(1));
  }
  QueryPerformanceCounter(&end);
  drain();
  return hwnd && !IsWindow(hwnd) ? milliseconds(start, end) : -1;
}

int timeBoth() {
  kestrel::test::FormValues values;
  const DialogTemplate t = plainTemplate();
  std::vector<double> framework, plain;
  for (int i = 0; i < kWarmUp; ++i) {
    frameworkCycle(values);
    plainCycle(t);
  }
  for (int i = 0; i < kRounds; ++i) {
    // Alternate which way goes first, so neither always follows the other.
    if (i % 2) {
      framework.push_back(frameworkCycle(values));
      plain.push_back(plainCycle(t));
    } else {
      plain.push_back(plainCycle(t));
      framework.push_back(frameworkCycle(values));
    }
  }
  if (std::min(*std::min_element(framework.begin(), framework.end()),
               *std::min_element(plain.begin(), plain.end())) < 0) {
    std::printf("  a dialog was not made or not ended\n");
    return 1;
  }
  const double f = median(framework), p = median(plain);
  std::printf("Dialog of 20 controls made, shown, painted and ended, %d-bit build, median of %d\n",
              static_cast<int>(sizeof(void*) * 8), kRounds);
  std::printf("  framework (TDialog and its controls)  %8.2f ms per dialog\n", f);
  std::printf("  plain Win32 (CreateDialogIndirect)    %8.2f ms per dialog\n", p);
  std::printf("  framework / plain %5.2f (goal at most %.2f)\n", f / p, kGoal);
  return 0;
}

// ---- The soak ----

int soak(int cycles) {
  using namespace kestrel::test;
  const FormOwner owner;
  FormValues values;
  std::printf("Soak: %d cycles of the form dialog (modal and modeless, OK and Esc), %d-bit build\n",
              cycles, static_cast<int>(sizeof(void*) * 8));
  LiveObjects settled;
  std::size_t memorySettled = 0;
  int wrong = 0;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const bool modal = cycle % 2 == 1, ok = (cycle / 2) % 2 == 0;
    const FormCycle done = runForm(owner.window(), values, modal, ok, "abc", 1 + cycle % 5);
    wrong += !done.ended || (done.result.isNumber() && done.result.integer() == 1) != ok;
    if (cycle == 10 || cycle == 1000 || cycle == cycles) {
      const LiveObjects now = liveObjects();
      const std::size_t memory = privateBytes();
      if (cycle == 10) {
        settled = now;
        memorySettled = memory;
      }
      QueryPerformanceCounter(&end);
      std::printf("  cycle %6d: %s, private bytes %zu (%+lld since cycle 10), %.1f ms per cycle\n",
                  cycle, now.describe().c_str(), memory,
                  static_cast<long long>(memory) - static_cast<long long>(memorySettled),
                  milliseconds(start, end) / cycle);
      const std::string grown = now.grownSince(settled);
      if (!grown.empty()) std::printf("    grown since cycle 10: %s\n", grown.c_str());
    }
  }
  if (wrong) std::printf("  %d cycles did not end as the user chose\n", wrong);
  return wrong ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestrel;
  test::registerModules({displayModules(), controlsModules(), coreModules(), servicesModules()});
  if (argc == 3 && std::strcmp(argv[1], "--soak") == 0) return soak(std::atoi(argv[2]));
  return timeBoth();
}
