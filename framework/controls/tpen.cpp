#include "framework/controls/tpen.h"

#include <windows.h>

#include "framework/controls/gdiobj.h"
#include "framework/core/args.h"
#include "framework/core/messages.h"
#include "framework/core/tracked.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr double kPointsPerInch = 72;

}  // namespace

LM_DEFINE_CLASS(TPen) {
  c.data(LM_FIELDS(hPen, nStyle, nWidth, nColor, oDevice));
  c.methods(LM_METHODS(New, End, Release));
  c.creatable();
}

Value TPen::New(const Value& style, const Value& width, const Value& color, const Value& device) {
  nStyle = orDefault(style, Value(0));
  nWidth = orDefault(width, Value(1));
  nColor = orDefault(color, Value(0));
  if (device.isObject()) {
    oDevice = device;
    nWidth = Value(nWidth.number() * tell(device, msg::nLogPixelY).number() / kPointsPerInch);
  }
  hPen = CREATEPEN(nStyle, nWidth, nColor);
  return Value(lanmere::Ref<TPen>(this));
}

void TPen::End() {
  if (lanmere::isEmpty(hPen)) return;
  deleteObject(handleOf<HGDIOBJ>(hPen));
  hPen = 0;
}

Value TPEN() {
  return Value(lanmere::make<TPen>());
}

const lanmere::ModuleTable& tPenModule() {
  TPen::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TPEN>("TPEN")}};
  return module;
}

}  // namespace kestrel
