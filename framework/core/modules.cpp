#include "framework/core/modules.h"

#include "framework/core/colors.h"
#include "framework/core/dialogbox.h"
#include "framework/core/dlgregistry.h"
#include "framework/core/dlgtemplate.h"
#include "framework/core/persist.h"
#include "framework/core/resmodule.h"
#include "framework/core/tcontrol.h"
#include "framework/core/tdialog.h"
#include "framework/core/themes.h"
#include "framework/core/winlist.h"
#include "framework/core/winrun.h"
#include "framework/core/wndfuncs.h"
#include "framework/core/wndproc.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> coreModules() {
  return {&winListModule(),        &wndProcModule(), &dlgRegistryModule(), &winRunModule(),
          &colorsModule(),         &resModule(),     &wndFuncsModule(),    &dlgTemplateModule(),
          &dialogBoxModule(),      &tDialogModule(), &themesModule(),      &tControlModule(),
          &tControlDesignModule(), &persistModule()};
}

}  // namespace kestrel
