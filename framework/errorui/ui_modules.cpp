#include "framework/errorui/ui_modules.h"

#include "framework/errorui/alert.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> errorsUiModules() {
  return {&alertModule()};
}

}  // namespace kestrel
