#include "errors/core_modules.h"

#include "errors/errormessage.h"
#include "errors/kserror.h"
#include "errors/report.h"
#include "errors/settings.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> errorsCoreModules() {
  return {&errorSettingsModule(), &errorMessageModule(), &ksErrorModule(), &reportModule()};
}

}  // namespace kestrel
