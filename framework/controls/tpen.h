// TPen: a pen for line drawing with a single owner, optionally sized for a device (its width
// given in points then). End deletes the pen.
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TPen : public lanmere::Object {
  LM_CLASS(TPen, lanmere::Object)

  lanmere::Value hPen = 0;
  lanmere::Value nStyle;
  lanmere::Value nWidth;
  lanmere::Value nColor;
  lanmere::Value oDevice;

  // New (nStyle = 0, nWidth = 1, nColor = 0, oDevice): with a device the width is scaled by the
  // device's nLogPixelY / 72.
  lanmere::Value New(const lanmere::Value& style = {}, const lanmere::Value& width = {},
                     const lanmere::Value& color = {}, const lanmere::Value& device = {});
  // Deletes the pen; a second call does nothing.
  void End();
  void Release() { End(); }
};

// TPEN(): a new instance, to be sent New.
lanmere::Value TPEN();

const lanmere::ModuleTable& tPenModule();

}  // namespace kestrel
