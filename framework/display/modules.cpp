#include "framework/display/modules.h"

#include "framework/display/cvaltochar.h"
#include "framework/display/msgbox.h"
#include "framework/display/msgrun.h"
#include "framework/display/wqout.h"
#include "framework/display/xpad.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> displayModules() {
  return {&valToCharModule(), &msgBoxModule(), &wqoutModule(), &xpadModule(), &msgRunModule()};
}

}  // namespace kestrel
