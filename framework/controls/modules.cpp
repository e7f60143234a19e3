#include "framework/controls/modules.h"

#include "framework/controls/bitmaps.h"
#include "framework/controls/cursors.h"
#include "framework/controls/editnative.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/gradient.h"
#include "framework/controls/icons.h"
#include "framework/controls/scrollbar_native.h"
#include "framework/controls/tbrush.h"
#include "framework/controls/tbtnbmp.h"
#include "framework/controls/tbutton.h"
#include "framework/controls/tcombobox.h"
#include "framework/controls/tcursor.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tget.h"
#include "framework/controls/ticon.h"
#include "framework/controls/tlistbox.h"
#include "framework/controls/tmultiget.h"
#include "framework/controls/tpen.h"
#include "framework/controls/tradio.h"
#include "framework/controls/tradmenu.h"
#include "framework/controls/tsay.h"
#include "framework/controls/tscrollbar.h"

namespace kestrel {

std::vector<const lanmere::ModuleTable*> controlsModules() {
  return {&gdiObjModule(),   &fontApiModule(),         &gradientModule(),
          &bitmapsModule(),  &cursorsModule(),         &iconsModule(),
          &tFontModule(),    &tBrushModule(),          &tPenModule(),
          &tCursorModule(),  &tButtonModule(),         &tSayModule(),
          &tIconModule(),    &scrollbarNativeModule(), &tScrollBarModule(),
          &tBtnBmpModule(),  &editNativeModule(),      &tGetModule(),
          &tListBoxModule(), &tComboBoxModule(),       &tMultiGetModule(),
          &tRadioModule(),   &tRadMenuModule()};
}

}  // namespace kestrel
