// The run-time's module tables: each family of built-in functions is one module, named after
// the source file that defines it.
#include "runtime/builtins.h"

#include "runtime/builtins_internal.h"
#include "runtime/error.h"
#include "runtime/get.h"
#include "runtime/setkey.h"
#include "runtime/transform.h"

namespace lanmere {

std::vector<const ModuleTable*> builtinModules() {
  return {&errorModule(), &textModule(),      &numberModule(), &dateModule(),  &listModule(),
          &fileModule(),  &transformModule(), &getModule(),    &setKeyModule()};
}

}  // namespace lanmere
