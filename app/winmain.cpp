#include "app/winmain.h"

#include <vector>

#include "app/startup.h"
#include "errors/core_modules.h"
#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "framework/core/processentry.h"
#include "framework/display/modules.h"
#include "framework/errorui/errorsys.h"
#include "framework/errorui/ui_modules.h"
#include "framework/services/modules.h"
#include "runtime/platform.h"

namespace kestrel {

// Each layer answers its own list; the layers follow each other from the top down.
std::span<const lanmere::ModuleTable* const> frameworkModules() {
  static const std::vector<const lanmere::ModuleTable*> list = [] {
    std::vector<const lanmere::ModuleTable*> modules;
    for (auto layer : {errorsUiModules, servicesModules, displayModules, controlsModules,
                       coreModules, errorsCoreModules}) {
      for (const lanmere::ModuleTable* module : layer()) modules.push_back(module);
    }
    return modules;
  }();
  return list;
}

std::span<const lanmere::ModuleTable* const> applicationModules() {
  static const lanmere::ModuleTable* const list[] = {&applicationModule(), &errorSysModule()};
  return list;
}

}  // namespace kestrel

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  kestrel::setProcessEntry(instance, previous, show);
  return kestrel::runProgram(
      kestrel::applicationModules(), kestrel::frameworkModules(),
      kestrel::splitCommandLine(lanmere::programPath(), commandLine ? commandLine : ""));
}
