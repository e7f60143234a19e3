#include "errors/ui_modules.h"

#include "errors/alert.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> errorsUiModules() {
  return {&alertModule()};
}

}  // namespace kestrel
