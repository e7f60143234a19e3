#include "framework/services/modules.h"

#include "framework/services/barpaint.h"
#include "framework/services/clipboard.h"
#include "framework/services/ddenative.h"
#include "framework/services/filename.h"
#include "framework/services/files.h"
#include "framework/services/help.h"
#include "framework/services/helpfile.h"
#include "framework/services/imagelist.h"
#include "framework/services/logfile.h"
#include "framework/services/mdiapi.h"
#include "framework/services/menuapi.h"
#include "framework/services/menubuild.h"
#include "framework/services/menudraw.h"
#include "framework/services/msgpaint.h"
#include "framework/services/printapi.h"
#include "framework/services/restrack.h"
#include "framework/services/tacctable.h"
#include "framework/services/tbar.h"
#include "framework/services/tclipboard.h"
#include "framework/services/tdde.h"
#include "framework/services/timage.h"
#include "framework/services/timagelist.h"
#include "framework/services/tini.h"
#include "framework/services/tmdichild.h"
#include "framework/services/tmdiclient.h"
#include "framework/services/tmdiframe.h"
#include "framework/services/tmenu.h"
#include "framework/services/tmenuitem.h"
#include "framework/services/tmsgbar.h"
#include "framework/services/tmsgitem.h"
#include "framework/services/tprinter.h"
#include "framework/services/trect.h"
#include "framework/services/treg32.h"
#include "framework/services/tstruct.h"
#include "framework/services/ttimer.h"

namespace kestrel {

// The modules with start-up and exit hooks come first, in the order their hooks run.
std::vector<const lanmere::ModuleTable*> servicesModules() {
  return {&helpModule(),       &imageModule(),      &menuModule(),      &msgBarModule(),
          &resTrackModule(),   &logFileModule(),    &fileNameModule(),  &filesModule(),
          &tIniModule(),       &tReg32Module(),     &tRectModule(),     &tStructModule(),
          &helpFileModule(),   &timerModule(),      &accTableModule(),  &menuApiModule(),
          &menuItemModule(),   &menuBuildModule(),  &menuDrawModule(),  &clipboardModule(),
          &tClipBoardModule(), &msgPaintModule(),   &msgItemModule(),   &imageListModule(),
          &tImageListModule(), &ddeNativeModule(),  &tDdeModule(),      &mdiApiModule(),
          &tMdiFrameModule(),  &tMdiClientModule(), &tMdiChildModule(), &barPaintModule(),
          &tBarModule(),       &printApiModule(),   &tPrinterModule()};
}

}  // namespace kestrel
