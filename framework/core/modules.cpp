#include "framework/core/modules.h"

<<<<<<< HEAD
<<<<<<< HEAD
=======
#include "framework/core/colors.h"
>>>>>>> twindow
#include "framework/core/dlgregistry.h"
#include "framework/core/resmodule.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"
<<<<<<< HEAD
=======
#include "framework/core/colors.h"
#include "framework/core/resmodule.h"
>>>>>>> drawing
=======
>>>>>>> twindow

namespace kestrel {

std::vector<const lanmere::ModuleTable*> coreModules() {
<<<<<<< HEAD
<<<<<<< HEAD
  return {&winListModule(), &wndProcModule(), &dlgRegistryModule(), &winRunModule()};
=======
  return {&colorsModule(), &resModule()};
>>>>>>> drawing
=======
  return {&winListModule(), &wndProcModule(), &dlgRegistryModule(), &winRunModule(),
          &colorsModule(),  &resModule(),     &wndFuncsModule()};
>>>>>>> twindow
}

}  // namespace kestrel
