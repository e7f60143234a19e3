#include "framework/core/modules.h"

<<<<<<< HEAD
#include "framework/core/dlgregistry.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
=======
#include "framework/core/colors.h"
#include "framework/core/resmodule.h"
>>>>>>> drawing

namespace kestrel {

std::vector<const lanmere::ModuleTable*> coreModules() {
<<<<<<< HEAD
  return {&winListModule(), &wndProcModule(), &dlgRegistryModule(), &winRunModule()};
=======
  return {&colorsModule(), &resModule()};
>>>>>>> drawing
}

}  // namespace kestrel
