#include "app/winmain.h"

#include <vector>

#include "app/errorsys.h"
#include "app/startup.h"
#include "errors/core_modules.h"
#include "framework/display/cvaltochar.h"
#include "framework/display/msgbox.h"
#include "framework/display/wqout.h"
#include "framework/services/help.h"
#include "framework/services/modules.h"
#include "framework/services/timage.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmsgbar.h"
#include "runtime/platform.h"

namespace kestrel {

namespace {

struct ProcessEntry {
  HINSTANCE instance = nullptr;
  HINSTANCE previous = nullptr;
  int show = SW_SHOWNORMAL;
};

ProcessEntry& entry() {
  static ProcessEntry value;
  return value;
}

}  // namespace

HINSTANCE processInstance() noexcept {
  return entry().instance;
}
HINSTANCE previousInstance() noexcept {
  return entry().previous;
}
int showCommand() noexcept {
  return entry().show;
}

std::span<const lanmere::ModuleTable* const> frameworkModules() {
  static const std::vector<const lanmere::ModuleTable*> list = [] {
    std::vector<const lanmere::ModuleTable*> modules = {
        &valToCharModule(), &msgBoxModule(), &wqoutModule(),  &helpModule(),
        &imageModule(),     &menuModule(),   &msgBarModule(), &errorSysModule()};
    for (const lanmere::ModuleTable* module : errorsCoreModules()) modules.push_back(module);
    for (const lanmere::ModuleTable* module : servicesModules()) modules.push_back(module);
    return modules;
  }();
  return list;
}

}  // namespace kestrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  kestrel::entry() = {instance, previous, show};
  return kestrel::runProgram(
      applicationModule(), kestrel::frameworkModules(),
      kestrel::splitCommandLine(lanmere::programPath(), commandLine ? commandLine : ""));
}
