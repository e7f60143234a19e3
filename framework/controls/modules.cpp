#include "framework/controls/modules.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> controlsModules() {
  return {};
}

}  // namespace kestrel
