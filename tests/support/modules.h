// Registering the modules of layers for a test, in the order given (each layer's list is in its
// own registration order).
#pragma once

#include <initializer_list>
#include <vector>

#include "runtime/functions.h"

namespace kestrel::test {

using ModuleList = std::vector<const lanmere::ModuleTable*>;

inline void registerModules(std::initializer_list<ModuleList> layers) {
  for (const ModuleList& layer : layers) {
    for (const lanmere::ModuleTable* module : layer) lanmere::registerModule(*module);
  }
}

}  // namespace kestrel::test
