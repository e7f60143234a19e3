#include "framework/controls/tcursor.h"

#include <string>

#include "framework/controls/cursors.h"
#include "framework/core/classkind.h"
#include "framework/core/messages.h"
#include "framework/core/resmodule.h"
#include "framework/core/showalert.h"
#include "runtime/symbol.h"

namespace kestrel {

using lanmere::Value;

namespace {

constexpr const char* kWrongCursor = "Wrong predefined cursor type!";

struct Predefined {
  const char* keyword;
  long long system;    // a system cursor, or
  Value (*builtin)();  // one of the framework's own
};
constexpr Predefined kPredefined[] = {
    {"ARROW", 32512, nullptr},  {"IBEAM", 32513, nullptr},    {"WAIT", 32514, nullptr},
    {"CROSS", 32515, nullptr},  {"UPARROW", 32516, nullptr},  {"SIZE", 32646, nullptr},
    {"ICON", 32641, nullptr},   {"SIZENWSE", 32642, nullptr}, {"SIZENESW", 32643, nullptr},
    {"SIZEWE", 32644, nullptr}, {"SIZENS", 32645, nullptr},   {"HAND", 0, GETCURSORHAND},
    {"STOP", 0, GETCURSORSTOP}, {"DRAG", 0, GETCURSORDRAG},
};

// Where each kind of bitmap object keeps its bitmap and palette.
struct BitmapMembers {
  const char* className;
  const lanmere::Symbol* bitmap;
  const lanmere::Symbol* palette;
};

}  // namespace

LM_DEFINE_CLASS(TCursor) {
  c.data(LM_FIELDS(hCursor, lPredef));
  c.methods(LM_METHODS(New, NewBmp, End));
  c.creatable();
}

Value TCursor::New(const Value& resName, const Value& predef) {
  if (lanmere::isEmpty(predef)) {
    hCursor = LOADCURSOR(GETRESOURCES(), resName);
    lPredef = false;
    return Value(lanmere::Ref<TCursor>(this));
  }
  const std::string keyword = lanmere::upper(predef.isText() ? predef.string() : std::string());
  for (const Predefined& entry : kPredefined) {
    if (keyword != entry.keyword) continue;
    hCursor = entry.builtin ? entry.builtin() : LOADCURSOR(0, entry.system);
    lPredef = true;
    return Value(lanmere::Ref<TCursor>(this));
  }
  showAlert(kWrongCursor);
  return Value(lanmere::Ref<TCursor>(this));
}

Value TCursor::NewBmp(lanmere::Args args) {
  const Value& source = lanmere::arg(args, 1);
  Value bitmap, palette;
  if (source.isNumber()) {
    bitmap = source;
  } else if (source.isObject()) {
    static const BitmapMembers kinds[] = {{"TBITMAP", msg::hBitmap, msg::hPalette},
                                          {"TBTNBMP", msg::hBitmap1, msg::hPalette1}};
    for (const BitmapMembers& kind : kinds) {
      if (!isKindOf(source, kind.className)) continue;
      bitmap = tell(source, kind.bitmap);
      palette = tell(source, kind.palette);
    }
  }
  if (!bitmap.isNil()) {
    End();
    hCursor = CREATEBMPCURSOR(bitmap, palette, lanmere::arg(args, 2), lanmere::arg(args, 3),
                              lanmere::arg(args, 4), lanmere::arg(args, 5), lanmere::arg(args, 6),
                              lanmere::arg(args, 7), lanmere::arg(args, 8));
    lPredef = false;
  }
  return Value(lanmere::Ref<TCursor>(this));
}

void TCursor::End() {
  if (!lanmere::isEmpty(hCursor) && !lPredef.logical()) DESTROYCURSOR(hCursor);
  hCursor = 0;
}

Value TCURSOR() {
  return Value(lanmere::make<TCursor>());
}

const lanmere::ModuleTable& tCursorModule() {
  TCursor::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TCURSOR>("TCURSOR")}};
  return module;
}

}  // namespace kestrel
