#include "framework/controls/modules.h"

#include "framework/controls/bitmaps.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/gradient.h"
#include "framework/controls/tbrush.h"
#include "framework/controls/tfont.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> controlsModules() {
  return {&gdiObjModule(),  &fontApiModule(), &gradientModule(),
          &bitmapsModule(), &tFontModule(),   &tBrushModule()};
}

}  // namespace kestrel
