#include "framework/core/modules.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> coreModules() {
  return {};
}

}  // namespace kestrel
