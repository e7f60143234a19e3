// MDI soak: in one frame, rounds of three children with their own menus made, cascaded, one
// maximised and all closed by lCloseAll. After every round and after the frame closes, the
// live window objects, the window list's used slots, the tracked resources, the valid menus
// made and the current accelerator table must be where they started. Prints the counts; exits
// 1 when any of them moved.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/display/modules.h"
#include "framework/services/menubuild.h"
#include "framework/services/modules.h"
#include "framework/services/restrack.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tmdiclient.h"
#include "framework/services/tmdiframe.h"
#include "framework/services/tmenu.h"
#include "runtime/functions.h"

namespace {

using lanmere::Args;
using lanmere::Value;
using namespace kestrel;

constexpr int kRounds = 100;
constexpr int kChildren = 3;

struct Counts {
  long live = 0;
  long long slots = 0;
  std::size_t tracked = 0;
  int menus = 0;
  bool accelerators = false;
  bool operator==(const Counts&) const = default;
};

std::vector<HMENU> menusMade;

Counts countNow() {
  Counts c;
  c.live = TWindow::liveCount();
  for (const Value& slot : windowList().items()) c.slots += slot.isObject() ? 1 : 0;
  c.tracked = trackedResources().size();
  for (HMENU menu : menusMade) c.menus += IsMenu(menu) ? 1 : 0;
  c.accelerators = installedAccelerators().table != nullptr;
  return c;
}

void print(const char* when, const Counts& c) {
  std::printf("%-14s live windows %ld, list slots %lld, tracked %zu, valid menus %d, table %s\n",
              when, c.live, c.slots, c.tracked, c.menus, c.accelerators ? "yes" : "no");
  std::fflush(stdout);  // a run stopped from outside still shows how far it came
}

Value childMenu() {
  auto edit = MENUADDITEMArgs{.cPrompt = "&Edit"}.list();
  auto copy =
      MENUADDITEMArgs{.cPrompt = "&Copy\tCtrl+K", .nVKState = FCONTROL, .nVirtKey = 'K'}.list();
  MENUBEGIN(Args());
  MENUADDITEM(Args(edit));
  MENUBEGIN(Args());
  MENUADDITEM(Args(copy));
  MENUEND();
  const Value menu = MENUEND();
  menusMade.push_back(static_cast<TMenu&>(*menu.object()).handle());
  return menu;
}

void drain() {
  for (int i = 0; i < 5; ++i) SYSREFRESH();
}

}  // namespace

int main() {
  for (const auto& layer :
       {coreModules(), controlsModules(), displayModules(), servicesModules()}) {
    for (const lanmere::ModuleTable* module : layer) lanmere::registerModule(*module);
  }
  const Counts start = countNow();
  print("start", start);
  Value frame = lanmere::construct<TMdiFrame>(
      {.nTop = 10, .nLeft = 10, .nBottom = 500, .nRight = 700, .cTitle = "soak", .lPixel = true});
  auto& f = static_cast<TMdiFrame&>(*frame.object());
  auto& client = static_cast<TMdiClient&>(*f.oWndClient.object());
  ShowWindow(f.hwnd(), SW_SHOW);
  drain();
  const Counts open = countNow();
  print("frame open", open);
  int drifted = 0;
  const DWORD began = GetTickCount();
  for (int round = 1; round <= kRounds; ++round) {
    for (int i = 0; i < kChildren; ++i) {
      lanmere::construct<TMdiChild>({.nTop = 10 * i,
                                     .nLeft = 10 * i,
                                     .nBottom = 10 * i + 150,
                                     .nRight = 10 * i + 250,
                                     .oMenu = childMenu(),
                                     .lPixel = true});
    }
    f.Cascade();
    f.Zoom();
    drain();
    if (!client.lCloseAll().logical()) ++drifted;
    drain();
    const Counts now = countNow();
    if (now.live != open.live || now.slots != open.slots || now.tracked != open.tracked ||
        now.menus != 0 || now.accelerators != open.accelerators) {
      ++drifted;
      print("drifted", now);
    }
    if (round % 10 == 0) print(("round " + std::to_string(round)).c_str(), now);
  }
  const DWORD elapsed = GetTickCount() - began;
  print("after rounds", countNow());
  DestroyWindow(f.hwnd());
  drain();
  // The last hold on the frame object: without letting it go the frame counts as still live.
  frame = Value();
  const Counts end = countNow();
  print("frame closed", end);
  std::printf("%d rounds of %d children in %lu ms (%.1f ms a round); rounds that drifted: %d\n",
              kRounds, kChildren, static_cast<unsigned long>(elapsed),
              static_cast<double>(elapsed) / kRounds, drifted);
  return drifted == 0 && end == start ? 0 : 1;
}
