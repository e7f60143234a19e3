#include "framework/controls/tbrush.h"

#include <string>

#include "framework/controls/bitmaps.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/gradient.h"
#include "framework/core/colors.h"
#include "framework/core/messages.h"
#include "framework/core/persist.h"
#include "framework/core/resmodule.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "runtime/builtins.h"
#include "runtime/closure.h"

namespace kestrel {

using lanmere::Ref;
using lanmere::Value;

namespace {

enum BrushResize : long long { kFixed = 0, kStretchOrVertical = 1, kResizeOrHorizontal = 2 };

struct StockBrush {
  long color;
  int object;
};
constexpr StockBrush kStockBrushes[] = {{rgb(255, 255, 255), WHITE_BRUSH},
                                        {rgb(0, 0, 0), BLACK_BRUSH},
                                        {rgb(192, 192, 192), LTGRAY_BRUSH},
                                        {rgb(128, 128, 128), GRAY_BRUSH},
                                        {rgb(64, 64, 64), DKGRAY_BRUSH}};
constexpr const char* kPatternStyles[] = {"STIPPLE", "BRICKS", "TILED", "TABS"};
constexpr const char* kHatchStyles[] = {"HORIZONTAL", "VERTICAL", "FDIAGONAL",
                                        "BDIAGONAL",  "CROSS",    "DIAGCROSS"};

// Position (1-based) of the keyword in the table, 0 when absent.
template <std::size_t N>
int keywordPosition(const char* const (&table)[N], const std::string& word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (word == table[i]) return static_cast<int>(i + 1);
  }
  return 0;
}

bool isBmpFile(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = path.substr(dot);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".bmp";
}

void deleteHandle(const Value& handle) {
  if (!lanmere::isEmpty(handle)) deleteObject(handleOf<HGDIOBJ>(handle));
}

long long rectSide(const Value& rect, std::size_t n) {
  return rect.item(n).integer();
}

bool sameRect(const Value& a, const Value& b) {
  if (!a.isList() || !b.isList()) return false;
  for (std::size_t i = 1; i <= 4; ++i) {
    if (rectSide(a, i) != rectSide(b, i)) return false;
  }
  return true;
}

HWND windowHandle(const Value& window) {
  return lanmere::understands(window, msg::hWnd) ? handleOf<HWND>(tell(window, msg::hWnd))
                                                 : nullptr;
}

void logResourceFailure(std::initializer_list<Value> values) {
  if (const lanmere::FunctionEntry* log = lanmere::findFunction("LOGFILE")) {
    Value args[] = {Value("resources.txt"), Value::list(values)};
    log->call(lanmere::Args(args));
  }
}

}  // namespace

LM_DEFINE_CLASS(TBrush) {
  c.data(LM_FIELDS(hBrush, hBitmap, hBmpOrgl, nBmpFormat, nCount, cStyle, nRGBColor, cBmpFile,
                   cBmpRes, lSystem, aGrad, uSource, nResizeMode, oRect, Cargo));
  c.classData("aBrushes", Value::list());
  c.classData("aProperties",
              Value::list({"cStyle", "cBmpFile", "cBmpRes", "nRGBColor", "lSystem"}));
  c.methods(LM_METHODS(New, End, Release, SameAs, Resize, Resized, Cropped, Copy, cGenPRG, Save,
                       Load, SaveToText));
  c.method<&TBrush::SameAs>("==");
  c.method<&TBrush::NotSameAs>("!=");
  c.creatable();
}

Value& TBrush::brushes() {
  static Value* list = Class().resolve(msg::aBrushes)->classValue;
  return *list;
}

Value TBrush::New(const Value& style, const Value& color, const Value& file, const Value& resource,
                  const Value& image, const Value& resizeMode) {
  hBrush = 0;
  hBitmap = 0;
  cStyle = style;
  nRGBColor = color;
  cBmpFile = file;
  cBmpRes = resource;
  lSystem = false;
  Value picture;
  if (image.isNumber() && isGdiObject(handleOf<HGDIOBJ>(image))) {
    picture = image;
    cBmpFile = lanmere::allTrim(lanmere::str(image));
  } else if (image.isList()) {
    picture = image;
    aGrad = image;
    nResizeMode = kStretchOrVertical;
  }
  Value mode = resizeMode;
  // A style beside an image is the resize keyword.
  if (!lanmere::isEmpty(cStyle) && (!cBmpFile.isNil() || !cBmpRes.isNil() || !picture.isNil()) &&
      lanmere::isEmpty(mode)) {
    mode = cStyle;
    cStyle = Value();
  }
  if (color.isNil()) {
    for (const Value* candidate : {&cStyle, &cBmpFile, &cBmpRes, &picture}) {
      if (!candidate->isNil()) {
        uSource = *candidate;
        break;
      }
    }
  } else {
    uSource = colorCode(static_cast<long>(color.integer()));
  }
  if (!lanmere::isEmpty(mode) && color.isNil() && !uSource.isNil()) {
    const std::string word = lanmere::upper(mode.text());
    if (aGrad.isList()) {
      nResizeMode = word.starts_with("HOR") ? kResizeOrHorizontal : kStretchOrVertical;
    } else {
      nResizeMode = word == "STRETCH"  ? kStretchOrVertical
                    : word == "RESIZE" ? kResizeOrHorizontal
                                       : kFixed;
    }
  }
  if (nResizeMode.integer() == kFixed) {
    for (const Value& live : brushes().items()) {
      if (SameAs(live)) {
        auto& brush = static_cast<TBrush&>(*live.object());
        brush.nCount = brush.nCount.integer() + 1;
        return live;
      }
    }
  }
  createBrush(picture);
  nCount = 1;
  if (hBmpOrgl.isNil()) hBmpOrgl = hBitmap;
  brushes().listData()->items.push_back(self());
  return self();
}

void TBrush::patternOn(HBITMAP bitmap) {
  hBitmap = handleNumber(bitmap);
  hBrush = bitmap ? Value(handleNumber(createPatternBrush(bitmap))) : Value();
}

void TBrush::createBrush(const Value& picture) {
  const std::string style = lanmere::upper(cStyle.text());
  const bool hasStyle = !lanmere::isEmpty(cStyle);
  const COLORREF color = static_cast<COLORREF>(nRGBColor.integer());
  if (!hasStyle && !nRGBColor.isNil()) {
    for (const StockBrush& stock : kStockBrushes) {
      if (stock.color == static_cast<long>(color)) {
        hBrush = handleNumber(GetStockObject(stock.object));
        lSystem = true;
        return;
      }
    }
    hBrush = handleNumber(createSolidBrush(color));
  } else if (style == "NULL") {
    hBrush = handleNumber(GetStockObject(NULL_BRUSH));
    lSystem = true;
  } else if (const int pattern = keywordPosition(kPatternStyles, style)) {
    patternOn(handleOf<HBITMAP>(KSBRUSHES(pattern)));
  } else if (const int hatch = keywordPosition(kHatchStyles, style)) {
    hBrush = CREATEHATCHBRUSH(hatch - 1, nRGBColor);
  } else if (hasStyle) {
    if (fileExists(cBmpFile.string())) patternOn(readBitmapFile(cBmpFile.string()));
  } else if (picture.isNumber()) {
    // From now on the brush owns the bitmap and deletes it with itself.
    patternOn(handleOf<HBITMAP>(picture));
  } else if (!cBmpFile.isNil()) {
    const std::string path = cBmpFile.string();
    if (fileExists(path) && isBmpFile(path)) {
      patternOn(readBitmapFile(path));
    } else {
      hBrush = Value();  // other image formats need the image-file loader
    }
  } else if (!cBmpRes.isNil()) {
    const std::string name =
        cBmpRes.isNumber() ? std::to_string(cBmpRes.integer()) : cBmpRes.string();
    patternOn(loadBitmapResource(resourceModule(), name));
  }
}

bool TBrush::SameAs(const Value& other) {
  if (!other.isObject() || !other.object()->classInfo().derivesFrom(TBrush::Class())) return false;
  const auto& brush = static_cast<const TBrush&>(*other.object());
  return !lanmere::isEmpty(brush.uSource) && brush.uSource.type() == uSource.type() &&
         lanmere::exactlyEqual(brush.uSource, uSource) &&
         brush.nResizeMode.integer() == nResizeMode.integer();
}

void TBrush::End() {
  nCount = (nCount.isNil() ? 1 : nCount.integer()) - 1;
  if (nCount.integer() >= 1) return;
  auto& list = brushes().listData()->items;
  std::erase_if(list, [&](const Value& v) { return v.object() == this; });
  if (!lanmere::isEmpty(hBrush) && !lSystem.logical() && !deleteObject(handleOf<HGDIOBJ>(hBrush))) {
    logResourceFailure({Value("DeleteObject( ::hBrush ) failed from TBrush:End()"), hBrush});
  }
  if (!lanmere::exactlyEqual(hBmpOrgl, hBitmap)) deleteHandle(hBmpOrgl);
  deleteHandle(hBitmap);
  hBrush = 0;
  hBitmap = 0;
  // A second End must not delete the unscaled bitmap again (its handle may be reused by then).
  hBmpOrgl = 0;
}

Value drawingRect(const Value& window) {
  if (lanmere::understands(window, msg::DataRect)) {
    const Value rect = tell(window, msg::DataRect);
    if (rect.isList()) return lanmere::listClone(rect);
    if (rect.isObject()) {
      return Value::list({tell(rect, msg::nTop), tell(rect, msg::nLeft), tell(rect, msg::nBottom),
                          tell(rect, msg::nRight)});
    }
  }
  RECT client{};
  GetClientRect(windowHandle(window), &client);
  return Value::list({static_cast<long long>(client.top), static_cast<long long>(client.left),
                      static_cast<long long>(client.bottom), static_cast<long long>(client.right)});
}

Value TBrush::Resize(const Value& window, Value& x, Value& y) {
  const Value rect = drawingRect(window);
  if (nResizeMode.integer() == kFixed) {
    oRect = rect;
    if (!lanmere::isEmpty(hBmpOrgl)) {
      if (!lanmere::exactlyEqual(hBitmap, hBmpOrgl)) {
        deleteHandle(hBrush);
        deleteHandle(hBitmap);
        hBrush = 0;
      }
      if (lanmere::isEmpty(hBrush)) patternOn(handleOf<HBITMAP>(hBmpOrgl));
    }
  } else if (!sameRect(oRect, rect) || lanmere::isEmpty(hBrush)) {
    deleteHandle(hBrush);
    if (!lanmere::exactlyEqual(hBitmap, hBmpOrgl)) deleteHandle(hBitmap);
    hBrush = 0;
    hBitmap = 0;
    const long long width = rectSide(rect, 4) - rectSide(rect, 2);
    const long long height = rectSide(rect, 3) - rectSide(rect, 1);
    if (aGrad.isList()) {
      const HWND hwnd = windowHandle(window);
      const HDC dc = GetDC(hwnd);
      patternOn(gradientBitmap(dc, static_cast<int>(width), static_cast<int>(height), aGrad,
                               nResizeMode.integer() == kStretchOrVertical));
      ReleaseDC(hwnd, dc);
      if (lanmere::isEmpty(hBmpOrgl)) hBmpOrgl = hBitmap;
    } else if (!lanmere::isEmpty(hBmpOrgl)) {
      patternOn(handleOf<HBITMAP>(RESIZEBITMAP(hBmpOrgl, width, height, nResizeMode)));
    }
    oRect = rect;
  }
  x = x.integer() + rectSide(oRect, 2);
  y = y.integer() + rectSide(oRect, 1);
  return oRect;
}

Value TBrush::Resized(const Value& width, const Value& height, const Value& mode) {
  const Value bitmap = RESIZEBITMAP(hBitmap, width, height, mode);
  return lanmere::make<TBrush>()->New({}, {}, {}, {}, bitmap, {});
}

Value TBrush::Cropped(const Value& control, const Value& rect) {
  const Value owner = lanmere::send(control, msg::oBrush);
  if (!owner.isObject() || !owner.object()->classInfo().derivesFrom(TBrush::Class())) return {};
  auto& brush = static_cast<TBrush&>(*owner.object());
  if (brush.nResizeMode.integer() == kFixed || brush.aGrad.isList()) return brush.Copy();
  const Value area = drawingRect(control);
  const Value resized = RESIZEBITMAP(brush.hBmpOrgl, rectSide(area, 4) - rectSide(area, 2),
                                     rectSide(area, 3) - rectSide(area, 1), brush.nResizeMode);
  const Value part = CROPIMAGE(resized, rect.item(1), rect.item(2), rect.item(3), rect.item(4));
  deleteHandle(resized);
  return lanmere::make<TBrush>()->New({}, {}, {}, {}, part, {});
}

Value TBrush::Copy() {
  if (nResizeMode.integer() == kFixed) return self();
  Ref<TBrush> copy = lanmere::make<TBrush>();
  copy->hBrush = 0;
  copy->hBitmap = 0;
  copy->hBmpOrgl = 0;
  if (!lanmere::isEmpty(hBmpOrgl)) {
    const HBITMAP original = handleOf<HBITMAP>(hBmpOrgl);
    const SIZE size = bitmapSize(original);
    copy->hBmpOrgl = handleNumber(cropImage(original, 0, 0, size.cx, size.cy));
  }
  copy->cBmpFile = cBmpFile;
  copy->cBmpRes = cBmpRes;
  copy->nBmpFormat = nBmpFormat;
  copy->lSystem = lSystem;
  copy->aGrad = aGrad;
  copy->uSource = uSource;
  copy->nResizeMode = nResizeMode;
  copy->nCount = 1;
  brushes().listData()->items.push_back(Value(copy));
  return Value(copy);
}

Value TBrush::cGenPRG(const Value& name) {
  std::string out = "   DEFINE BRUSH " + (name.isNil() ? std::string("oBrush") : name.string());
  if (!lanmere::isEmpty(cStyle)) out += " STYLE '" + cStyle.string() + "'";
  if (!nRGBColor.isNil()) out += " COLOR " + colorCode(static_cast<long>(nRGBColor.integer()));
  // Neither clause without a file or resource: an empty resource name names nothing.
  if (!lanmere::isEmpty(cBmpFile)) {
    out += " FILE '" + cBmpFile.string() + "'";
  } else if (!lanmere::isEmpty(cBmpRes)) {
    out += " RESOURCE '" + cBmpRes.string() + "'";
  }
  return out;
}

Value TBrush::Save() {
  return saveObject(self());
}

void TBrush::Load(const Value& data) {
  // A text member named "On..." calls that method of the brush's window (or of the brush).
  loadObject(self(), data.text(), {}, true);
}

Value TBrush::SaveToText(const Value& indent) {
  return saveToText(self(), "oBrush", indent.integer());
}

Value TBRUSH() {
  return Value(lanmere::make<TBrush>());
}

const lanmere::ModuleTable& tBrushModule() {
  TBrush::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&TBRUSH>("TBRUSH")}};
  return module;
}

}  // namespace kestrel
