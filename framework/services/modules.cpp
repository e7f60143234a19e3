#include "framework/services/modules.h"

#include "framework/services/filename.h"
#include "framework/services/files.h"
#include "framework/services/logfile.h"
#include "framework/services/restrack.h"
#include "framework/services/tini.h"
#include "framework/services/treg32.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> servicesModules() {
  return {&resTrackModule(), &logFileModule(), &fileNameModule(),
          &filesModule(),    &tIniModule(),    &tReg32Module()};
}

}  // namespace kestrel
