// The drawing child: fonts, brushes, pens, a bitmap, an icon and an image list's image, each
// drawn with the framework's drawing objects from the child's paint closure. The objects are
// made once with the child and ended with it.
#include "samples/gallery/drawing.h"

#include <memory>
#include <vector>

#include "framework/controls/gdiobj.h"
#include "framework/controls/gradient.h"
#include "framework/controls/icons.h"
#include "framework/controls/tbrush.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tpen.h"
#include "framework/core/resmodule.h"
#include "framework/services/imagelist.h"
#include "framework/services/timagelist.h"
#include "framework/services/tmdichild.h"
#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/functions.h"

namespace gallery {

using namespace kestrel;
using lanmere::Args, lanmere::Value;

namespace {

constexpr long long kBlack = 0x000000;
constexpr long long kNavy = 0x800000;  // colours are 0xBBGGRR
constexpr long long kRed = 0x0000C0;
constexpr long long kGreen = 0x008000;
constexpr long long kOrange = 0x0080FF;
constexpr long long kYellow = 0x00E0FF;
constexpr long long kWhite = 0xFFFFFF;
constexpr long long kPenSolid = 0, kPenDash = 1, kPenDot = 2;

struct Tools {
  std::vector<Value> fonts;    // each with the text it shows
  std::vector<Value> brushes;  // solid, hatched, pattern
  std::vector<Value> pens;
  Value icon;
  Value images;  // an image list holding the icon
  ~Tools() {
    for (auto* group : {&fonts, &brushes, &pens}) {
      for (const Value& object : *group) lanmere::send(object, "End");
    }
    if (icon.isNumber() && icon.integer() != 0) DESTROYICON(icon);
    if (images.isObject()) lanmere::send(images, "End");
  }
};

Value font(const char* face, int height, bool bold, bool italic, int escapement = 0) {
  return lanmere::construct<TFont>({.cFaceName = face,
                                    .nHeight = -height,
                                    .lBold = bold,
                                    .nEscapement = escapement,
                                    .lItalic = italic});
}

// A drawing object of a class whose New takes plain arguments.
template <class T>
Value made(std::initializer_list<Value> args) {
  return lanmere::send(Value(lanmere::make<T>()), "New", args);
}

Value rect(int top, int left, int bottom, int right) {
  return Value::list({Value(top), Value(left), Value(bottom), Value(right)});
}

void paint(const Value& child, const Value& hDC, const Tools& tools) {
  const auto say = [&](int row, int col, const char* text, const Value& font, long long colour) {
    lanmere::send(child, "Say",
                  {Value(row), Value(col), Value(text), Value(colour), Value(kWhite), font,
                   Value(true), Value(true)});
  };
  // Fonts: three faces, sizes and styles, and one turned by 30 degrees.
  const char* samples[] = {"Arial 20 bold", "Times 18 italic", "Courier 14", "Turned"};
  const long long colours[] = {kNavy, kRed, kBlack, kGreen};
  int col = 10;
  for (std::size_t i = 0; i < tools.fonts.size(); ++i) {
    say(i == 3 ? 330 : 14, i == 3 ? 300 : col, samples[i], tools.fonts[i], colours[i]);
    col += i == 2 ? 120 : 150;
  }
  // Brushes: solid, hatched, pattern, then a gradient.
  col = 10;
  for (const Value& brush : tools.brushes) {
    FILLRECT(hDC, rect(70, col, 129, col + 89), lanmere::send(brush, "hBrush"));
    lanmere::send(child, "Box", {Value(70), Value(col), Value(129), Value(col + 89)});
    col += 100;
  }
  const Value bands = Value::list({Value::list({Value(0.5), Value(kYellow), Value(kOrange)}),
                                   Value::list({Value(0.5), Value(kOrange), Value(kRed)})});
  lanmere::callFunction("GRADIENTFILL", {hDC, Value(70), Value(col), Value(129), Value(col + 89),
                                         bands, Value(true)});
  // Pens: widths 1, 3 and 6, then dashed and dotted.
  int row = 145;
  for (const Value& pen : tools.pens) {
    lanmere::send(child, "Line",
                  {Value(row), Value(10), Value(row), Value(300), lanmere::send(pen, "hPen")});
    row += 12;
  }
  lanmere::send(child, "Circle",
                {Value(140), Value(320), Value(60), lanmere::send(tools.pens[1], "hPen")});
  // A bitmap and an icon from the program's resources, and the icon again from an image list,
  // on the list's background colour.
  lanmere::send(child, "SayBitmap", {Value(215), Value(10), Value("PICTURE")});
  if (tools.icon.isNumber()) DRAWICON(hDC, Value(230), Value(130), tools.icon);
  ILDRAW(lanmere::send(tools.images, "hImageList"), Value(0), hDC, Value(230), Value(180));
  say(240, 230, "Bitmap, icon, image list", tools.fonts[2], kBlack);
}

}  // namespace

Value newDrawing(const Value& frame) {
  const Value child = lanmere::construct<TMdiChild>({.nTop = 0,
                                                     .nLeft = 0,
                                                     .nBottom = 320,
                                                     .nRight = 500,
                                                     .cTitle = "Drawing",
                                                     .oWnd = frame,
                                                     .nClrBack = kWhite,
                                                     .lPixel = true});
  auto tools = std::make_shared<Tools>();
  tools->fonts = {font("Arial", 20, true, false), font("Times New Roman", 18, false, true),
                  font("Courier New", 14, false, false), font("Arial", 18, true, false, 300)};
  tools->brushes = {made<TBrush>({Value(), Value(kGreen)}),
                    made<TBrush>({Value("DIAGCROSS"), Value(kNavy)}),
                    made<TBrush>({Value("BRICKS")})};
  tools->pens = {made<TPen>({Value(kPenSolid), Value(1), Value(kBlack)}),
                 made<TPen>({Value(kPenSolid), Value(3), Value(kRed)}),
                 made<TPen>({Value(kPenSolid), Value(6), Value(kNavy)}),
                 made<TPen>({Value(kPenDash), Value(1), Value(kGreen)}),
                 made<TPen>({Value(kPenDot), Value(1), Value(kBlack)})};
  tools->icon = LOADICON(GETRESOURCES(), Value("GALLERY"));
  tools->images = lanmere::construct<TImageList>({.nWidth = 32, .nHeight = 32});
  lanmere::send(tools->images, "SetBkColor", {Value(kYellow)});
  lanmere::send(tools->images, "AddIcon", {Value("GALLERY")});
  // The paint closure holds the tools: they end when the child's window does.
  lanmere::send(child, "_bPainted", {lanmere::block([tools](Args a) {
                  paint(lanmere::arg(a, 3), lanmere::arg(a, 1), *tools);
                  return Value();
                })});
  lanmere::send(child, "Refresh");
  return child;
}

}  // namespace gallery
