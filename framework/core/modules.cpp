#include "framework/core/modules.h"

#include "framework/core/colors.h"
#include "framework/core/resmodule.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> coreModules() {
  return {&colorsModule(), &resModule()};
}

}  // namespace kestrel
