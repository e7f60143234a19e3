#include "framework/services/tprinter.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/controls/bitmaps.h"
#include "framework/controls/fontapi.h"
#include "framework/controls/gdiobj.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tpen.h"
#include "framework/core/args.h"
#include "framework/core/classkind.h"
#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/resmodule.h"
#include "framework/core/selected.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "framework/core/wndproc.h"
#include "framework/display/msgbox.h"
#include "framework/services/files.h"
#include "framework/services/printapi.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

namespace {

constexpr double kMmPerCm = 10;
constexpr double kMmPerMm = 1;
constexpr double kMmPerInch = 25.4;
constexpr int kDefaultFontHeight = -12;
constexpr long long kFontClipNumerator = 3;  // the clip box is 1.5 font heights tall
constexpr long long kFontClipDenominator = 2;
constexpr int kPendingMessageLimit = 256;
constexpr DWORD kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeader = 22;
constexpr long long kAlignCentre = 1, kAlignRight = 2, kAlignMiddle = 4, kAlignBottom = 8;
constexpr BYTE kOpaqueAlpha = 255;

Value& current() {
  static Value printer;
  return printer;
}

bool isInt32(const Value& v) {
  return v.isNumber() && v.number() >= INT_MIN && v.number() <= INT_MAX;
}

// Every required coordinate a 32-bit number, every optional one nil or such a number; otherwise
// the argument error, and the caller draws nothing.
bool coordinates(std::initializer_list<const Value*> required,
                 std::initializer_list<const Value*> optional = {}) {
  const bool good =
      std::all_of(required.begin(), required.end(), [](auto v) { return isInt32(*v); }) &&
      std::all_of(optional.begin(), optional.end(),
                  [](auto v) { return v->isNil() || isInt32(*v); });
  if (!good) lanmere::argumentError(kPrintCoordinateSubCode);
  return good;
}

int i32(const Value& v) {
  return static_cast<int>(v.integer());
}

// Lets the messages the profile change broadcast run; bounded, the queue may keep filling.
void runPendingMessages() {
  MSG message;
  for (int i = 0; i < kPendingMessageLimit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
       ++i) {
    TranslateMessage(&message);
    callWindows([&] { return DispatchMessageA(&message); });
  }
}

std::string profileString(const char* section, const char* key) {
  std::vector<char> buffer(256);
  for (int tries = 0; tries < 8; ++tries) {
    const DWORD got =
        GetProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got + 2 < buffer.size()) return std::string(buffer.data(), got);
    buffer.resize(buffer.size() * 4);
  }
  return std::string(buffer.data());
}

// The installed printers and their "driver,port" values, in profile order.
std::vector<std::string> printerNames() {
  std::vector<char> buffer(1024);
  DWORD got = 0;
  for (int tries = 0; tries < 8; ++tries) {
    got =
        GetProfileStringA("Devices", nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got + 2 < buffer.size()) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> names;
  for (const char* at = buffer.data(); at < buffer.data() + got && *at; at += std::strlen(at) + 1) {
    std::string name(at);
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    if (first != std::string::npos) names.push_back(name.substr(first, last - first + 1));
  }
  return names;
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The default printer of the profile, written for one printer model and put back on every way
// out of the scope, a BREAK included.
class ProfileDefault {
 public:
  explicit ProfileDefault(const std::string& model) : saved_(profileString("windows", "device")) {
    WriteProfileStringA("windows", "device", model.c_str());
  }
  ~ProfileDefault() {
    WriteProfileStringA("windows", "device", saved_.empty() ? nullptr : saved_.c_str());
  }
  ProfileDefault(const ProfileDefault&) = delete;
  ProfileDefault& operator=(const ProfileDefault&) = delete;

 private:
  std::string saved_;
};

HGDIOBJ penOf(const Value& pen) {
  return pen.isObject() ? handleOf<HGDIOBJ>(lanmere::send(pen, msg::hPen)) : nullptr;
}

// The bitmap's pixels as a 32-bit top-down DIB, drawn with StretchDIBits: printer drivers take
// device-independent bits where a blit from a memory context may be refused.
struct DibPixels {
  BITMAPINFO info{};
  std::vector<std::uint32_t> bits;
};

bool dibPixels(HBITMAP bitmap, DibPixels& dib) {
  const SIZE size = bitmapSize(bitmap);
  if (size.cx <= 0 || size.cy <= 0) return false;
  dib.info.bmiHeader.biSize = sizeof dib.info.bmiHeader;
  dib.info.bmiHeader.biWidth = size.cx;
  dib.info.bmiHeader.biHeight = -size.cy;
  dib.info.bmiHeader.biPlanes = 1;
  dib.info.bmiHeader.biBitCount = 32;
  dib.info.bmiHeader.biCompression = BI_RGB;
  dib.bits.resize(static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
  const HDC screen = GetDC(nullptr);
  const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(size.cy), dib.bits.data(),
                             &dib.info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  dib.info.bmiHeader.biHeight = -size.cy;
  return rows == size.cy;
}

// A palette of the bitmap's colour table, for devices that draw through one; null for a
// bitmap without a table.
HPALETTE bitmapPalette(HBITMAP bitmap) {
  DIBSECTION section{};
  if (GetObjectA(bitmap, sizeof section, &section) != sizeof section ||
      section.dsBmih.biBitCount > 8) {
    return nullptr;
  }
  const HDC memory = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  RGBQUAD colours[256];
  const UINT count = GetDIBColorTable(memory, 0, 256, colours);
  SelectObject(memory, old);
  DeleteDC(memory);
  if (count == 0) return nullptr;
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(count);
  for (UINT i = 0; i < count; ++i) {
    palette->palPalEntry[i] = {colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, 0};
  }
  return trackedCreate("CREATEPALETTE", "PAL", [&] { return CreatePalette(palette); });
}

// Selects and realizes a palette for one drawing; selects the previous one back and deletes it.
class PaletteUse {
 public:
  PaletteUse(HDC dc, HPALETTE palette) : dc_(dc), palette_(palette) {
    if (palette_) {
      previous_ = SelectPalette(dc_, palette_, FALSE);
      RealizePalette(dc_);
    }
  }
  ~PaletteUse() {
    if (!palette_) return;
    SelectPalette(dc_, previous_, FALSE);
    deleteObject(palette_);
  }
  PaletteUse(const PaletteUse&) = delete;
  PaletteUse& operator=(const PaletteUse&) = delete;

 private:
  HDC dc_;
  HPALETTE palette_;
  HPALETTE previous_ = nullptr;
};

void drawDib(HDC dc, const DibPixels& dib, int x, int y, int width, int height, DWORD raster) {
  StretchDIBits(dc, x, y, width, height, 0, 0, dib.info.bmiHeader.biWidth,
                -dib.info.bmiHeader.biHeight, dib.bits.data(), &dib.info, DIB_RGB_COLORS, raster);
}

// Premultiplied pixels blended at `level` over white paper, made opaque.
void blendOverWhite(DibPixels& dib, BYTE level) {
  for (std::uint32_t& pixel : dib.bits) {
    const std::uint32_t alpha = (pixel >> 24) * level / 255;
    const auto channel = [&](int shift) {
      return std::min<std::uint32_t>(255, ((pixel >> shift) & 0xFF) * level / 255 + 255 - alpha);
    };
    pixel = channel(16) << 16 | channel(8) << 8 | channel(0);
  }
}

// A device that blends (the screen, a preview's metafile) blends; one that cannot (the PostScript
// driver refuses AlphaBlend) gets the image blended over the white paper, as an opaque picture.
void alphaDraw(HDC dc, HBITMAP bitmap, int x, int y, int width, int height, BYTE level) {
  const SIZE size = bitmapSize(bitmap);
  if (GetDeviceCaps(dc, SHADEBLENDCAPS) & SB_PIXEL_ALPHA) {
    const HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, level, AC_SRC_ALPHA};
    const BOOL blended =
        GdiAlphaBlend(dc, x, y, width, height, memory, 0, 0, size.cx, size.cy, blend);
    SelectObject(memory, old);
    DeleteDC(memory);
    if (blended) return;
  }
  if (DibPixels dib; dibPixels(bitmap, dib)) {
    blendOverWhite(dib, level);
    drawDib(dc, dib, x, y, width, height, SRCCOPY);
  }
}

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && lowered(text.substr(text.size() - tail.size())) == tail;
}

// An enhanced metafile from an .emf file, or from a placeable Windows metafile; null otherwise.
HENHMETAFILE readMetafile(const std::string& path) {
  if (endsWithIgnoringCase(path, ".emf")) {
    return trackedCreate("GETENHMETAFILE", "EMF", [&] { return GetEnhMetaFileA(path.c_str()); });
  }
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
  DWORD key = 0;
  if (bytes.size() <= kPlaceableHeader) return nullptr;
  std::memcpy(&key, bytes.data(), sizeof key);
  if (key != kPlaceableKey) return nullptr;
  return trackedCreate("SETWINMETAFILEBITS", "EMF", [&] {
    return SetWinMetaFileBits(static_cast<UINT>(bytes.size() - kPlaceableHeader),
                              reinterpret_cast<const BYTE*>(bytes.data() + kPlaceableHeader),
                              nullptr, nullptr);
  });
}

void printErrorRaise(const Value& model, const Value& document, const char* step) {
  lanmere::raiseRuntimeError({.genCode = 25,
                              .subCode = kPrintJobSubCode,
                              .operation = step,
                              .args = lanmere::ErrorArgs::of({model, document}),
                              .flags = lanmere::kCanDefault});
}

}  // namespace

SayPlacement sayPlacement(long long col, long long textWidth, std::optional<long long> width,
                          long long pad) {
  if (!width) {
    if (pad == 1) return {std::max(0LL, col - textWidth), TA_LEFT | TA_TOP};
    if (pad == 2) return {std::max(0LL, col - textWidth / 2), TA_LEFT | TA_TOP};
    return {col, TA_LEFT | TA_TOP};
  }
  if (pad == 1) return {col + *width, TA_RIGHT | TA_TOP};
  if (pad == 2) return {col + *width / 2, TA_CENTER | TA_TOP};
  return {col, TA_LEFT | TA_TOP};
}

ImageBox imageBox(long long imageWidth, long long imageHeight, long long width, long long height,
                  bool stretch, long long align) {
  if (imageWidth <= 0 || imageHeight <= 0) return {0, 0, 0, 0};
  if (width == 0 && height == 0) return {0, 0, imageWidth, imageHeight};
  if (width == 0) return {0, 0, height * imageWidth / imageHeight, height};
  if (height == 0) return {0, 0, width, width * imageHeight / imageWidth};
  if (stretch) return {0, 0, width, height};
  // Fit inside keeping the proportions: the tighter side decides.
  long long w = width, h = height;
  if (width * imageHeight > height * imageWidth) {
    w = height * imageWidth / imageHeight;
  } else {
    h = width * imageHeight / imageWidth;
  }
  long long left = 0, top = 0;
  if (w < width) {
    if (align & kAlignCentre)
      left = (width - w) / 2;
    else if (align & kAlignRight)
      left = width - w;
  }
  if (h < height) {
    if (align & kAlignMiddle)
      top = (height - h) / 2;
    else if (align & kAlignBottom)
      top = height - h;
  }
  return {left, top, w, h};
}

long long unitLength(double value, double mmPerUnit, long long resolution, long long sizeMm) {
  if (sizeMm == 0) return 0;
  return std::llround(value * mmPerUnit * static_cast<double>(resolution) /
                      static_cast<double>(sizeMm));
}

long long unitPosition(double value, double mmPerUnit, long long resolution, long long sizeMm,
                       long long offset) {
  if (sizeMm == 0) return 0;
  const double pixels =
      value * mmPerUnit * static_cast<double>(resolution) / static_cast<double>(sizeMm);
  return std::max(0LL, std::llround(pixels - static_cast<double>(offset)));
}

LM_DEFINE_CLASS(TPrinter) {
  c.data(LM_FIELDS(oFont, hDC, hDCOut, aMeta, cDir, cDocument, cModel, nPage, nXOffset, nYOffset,
                   nPad, nOrient, lMeta, lStarted, lModified, lPrvModal));
  c.methods(LM_METHODS(New, StartPage, EndPage, End, Say, CmSay, MmSay, InchSay, SayBitmap,
                       SayImage, SetPos, Line, Box, RoundBox, Arc, Chord, Ellipse, Pie, GetPixel,
                       SetPixel, Cmtr2Pix, Mmtr2Pix, Inch2Pix, DraftMode, Pix2Mmtr, Pix2Inch));
  c.methods(LM_METHODS(CmRect2Pix, nVertRes, nHorzRes, nVertSize, nHorzSize, nLogPixelX, nLogPixelY,
                       SetPixelMode, SetTwipsMode, SetLoInchMode, SetHiInchMode, SetLoMetricMode,
                       SetHiMetricMode, SetIsotropicMode, SetAnisotropicMode, SetWindowExt,
                       SetViewPortExt, GetTextWidth, GetTextHeight, Preview));
  c.methods(LM_METHODS(FillRect, ResetDC, GetOrientation, SetLandscape, SetPortrait, SetCopies,
                       SetSize, SetPage, SetBin, GetModel, GetDriver, GetPort, GetPhySize, Setup,
                       Rebuild, SetFont, CharSay, CharWidth, CharHeight, ImportWMF, ImportRAW,
                       SizeInch2Pix));
  c.creatable();
}

HDC TPrinter::dc() const {
  return handleOf<HDC>(hDC);
}
HDC TPrinter::out() const {
  return handleOf<HDC>(hDCOut);
}
long long TPrinter::caps(int index) const {
  return dc() ? GetDeviceCaps(dc(), index) : 0;
}
Value TPrinter::self() {
  return Value(Ref<TPrinter>(this));
}

Value TPrinter::New(Args args) {
  const NewArgs a = NewArgs::from(args);
  const bool user = flag(a.lUser);
  Value model = a.cModel;
  if (!model.isNil() && !model.isText()) return lanmere::argumentError(kPrintModelSubCode);
  const auto describe = [] {
    return Value(printerDevice() + "," + printerDriver() + "," + printerPort());
  };
  // The three ways to a context are exclusive: a cancelled dialog must not fall back to the
  // default printer, which would print after Cancel.
  if (user) {
    hDC = GETPRINTDC(handleNumber(GetActiveWindow()), flag(a.lSelection), PRNGETPAGNUMS());
    if (hDC.integer() != 0) model = describe();
  } else if (model.isNil() || model.text().empty()) {
    hDC = GETPRINTDEFAULT(handleNumber(GetActiveWindow()));
    if (hDC.integer() != 0) model = describe();
  } else {
    {
      const ProfileDefault chosen(model.string());
      runPendingMessages();
      PRINTERINIT();
      hDC = GETPRINTDEFAULT(handleNumber(GetActiveWindow()));
      runPendingMessages();
    }
    // A model that made no context leaves settings of no printer behind: the next use loads the
    // default printer's again (the dialog's error stays for the box below).
    if (hDC.integer() == 0) PRINTERINIT();
  }
  if (hDC.integer() != 0) {
    const Value offsets = PRNOFFSET(hDC);
    nXOffset = offsets.item(1);
    nYOffset = offsets.item(2);
    nOrient = GetOrientation();
  } else {
    if (printDialogError() != 0) {
      Value text(
          "There are no printers installed!\r\n"
          "Please exit this application and install a printer.");
      MSGSTOP(Args(&text, 1));
    } else {
      nOrient = 1;
    }
    nXOffset = 0;
    nYOffset = 0;
  }
  cDocument = orDefault(a.cDocument, Value("Kestrel Report"));
  cModel = model;
  nPage = 0;
  nPad = 0;
  lMeta = flag(a.lMeta);
  lStarted = false;
  lModified = false;
  lPrvModal = flag(a.lModal);
  if (!lMeta.logical()) {
    hDCOut = hDC;
  } else {
    hDCOut = 0;
    aMeta = Value::list();
    std::string dir;
    if (const char* temp = std::getenv("TEMP"); temp && *temp)
      dir = temp;
    else if (const char* tmp = std::getenv("TMP"); tmp && *tmp)
      dir = tmp;
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    if (dir.empty() || !lIsDir(dir)) {
      char windows[MAX_PATH] = {};
      GetWindowsDirectoryA(windows, MAX_PATH);
      dir = windows;
    }
    cDir = dir;
  }
  return self();
}

void TPrinter::failJob(const char* step) {
  if (dc()) AbortDoc(dc());
  lStarted = false;
  pageOpen_ = false;
  printErrorRaise(cModel, cDocument, step);
}

Value TPrinter::StartPage() {
  if (!dc() || ended_) return {};
  if (pageOpen_) EndPage();
  if (!lMeta.logical() && !lStarted.logical()) {
    if (STARTDOC(hDC, cDocument, {}).integer() <= 0) {
      failJob("STARTDOC");
      return {};
    }
    lStarted = true;
  }
  nPage = nPage.integer() + 1;
  if (lMeta.logical()) {
    const std::string file = cTempFile(cDir.string() + "\\", "emf");
    aMeta.listData()->items.push_back(Value(file));
    const std::string description = cDocument.isText() ? cDocument.string() : std::string();
    // The description is two texts ending in two zero bytes.
    const std::string described = description + '\0' + description + '\0';
    hDCOut = handleNumber(trackedCreate("CREATEENHMETAFILE", "EMF", [&] {
      return CreateEnhMetaFileA(dc(), file.c_str(), nullptr, described.c_str());
    }));
  } else if (STARTPAGE(hDC).integer() <= 0) {
    failJob("STARTPAGE");
    return {};
  }
  pageOpen_ = true;
  return {};
}

void TPrinter::closePage() {
  const HDC metafile = out();
  hDCOut = 0;
  if (!metafile) return;
  const HENHMETAFILE closed = CloseEnhMetaFile(metafile);
  trackedDelete(metafile, [](HDC) { return 0; });
  if (closed) DeleteEnhMetaFile(closed);
}

Value TPrinter::EndPage() {
  if (!dc() || !pageOpen_) return {};
  pageOpen_ = false;
  if (lMeta.logical()) {
    if (!aMeta.isList() || aMeta.items().empty()) {
      showAlert("The temporal metafile could not be created", "Printer object Error");
      return {};
    }
    closePage();
    const std::string file = aMeta.items().back().string();
    if (!fileExists(file)) {
      showAlert("Could not create temporary file: " + file +
                    "\r\n\r\nPlease check your free space on your hard drive \r\n"
                    "and the amount of files handles available.",
                "Print preview error");
    }
    return {};
  }
  if (ENDPAGE(hDC).integer() <= 0) failJob("ENDPAGE");
  return {};
}

void TPrinter::eraseMeta() {
  if (pageOpen_) closePage();
  pageOpen_ = false;
  if (aMeta.isList()) {
    for (const Value& file : aMeta.items()) {
      if (file.isText()) DeleteFileA(file.string().c_str());
    }
  }
  aMeta = Value::list();
  hDCOut = 0;
}

Value TPrinter::End() {
  if (ended_) return {};
  ended_ = true;
  bool endFailed = false;
  if (dc()) {
    if (lMeta.logical()) {
      eraseMeta();
    } else if (lStarted.logical()) {
      if (pageOpen_ && ENDPAGE(hDC).integer() <= 0) endFailed = true;
      pageOpen_ = false;
      if (!endFailed && ENDDOC(hDC).integer() <= 0) endFailed = true;
      if (endFailed) AbortDoc(dc());
      lStarted = false;
    }
    if (!nOrient.isNil() && GetOrientation().integer() != nOrient.integer()) {
      if (nOrient.integer() == 1)
        PRNPORTRAIT();
      else
        PRNLANDSCAPE();
    }
    trackedDelete(dc(), DeleteDC);
    hDC = 0;
    hDCOut = 0;
  }
  if (fontTaken_ && oFont.isObject()) offer(oFont, msg::End);
  fontTaken_ = false;
  if (current().isObject() && current().identity() == this) current() = Value();
  if (endFailed) printErrorRaise(cModel, cDocument, "ENDDOC");
  return {};
}

Value TPrinter::Say(Args args) {
  const SayArgs a = SayArgs::from(args);
  if (!dc() || ended_) return {};
  if (!coordinates({&a.nRow, &a.nCol}, {&a.nWidth, &a.nClrText})) return {};
  const Value font = a.oFont.isObject() ? a.oFont : oFont;
  const long long pad = number(a.nPad, nPad.integer());
  const std::string text = a.cText.isText() ? a.cText.string() : std::string();
  // Measured first: GetTextWidth makes a passed font the default.
  const long long width =
      a.nWidth.isNil() && pad != 0 ? GetTextWidth(a.cText, a.oFont).integer() : 0;
  const HDC target = out();
  if (font.isObject()) offer(font, msg::Activate, hDCOut);
  SetBkMode(target, static_cast<int>(number(a.nBkMode, TRANSPARENT)));
  if (a.nClrText.isNumber()) SetTextColor(target, static_cast<COLORREF>(a.nClrText.integer()));
  const std::optional<long long> boxWidth =
      a.nWidth.isNil() ? std::nullopt : std::optional<long long>(a.nWidth.integer());
  const SayPlacement place = sayPlacement(a.nCol.integer(), width, boxWidth, pad);
  SetTextAlign(target, place.align);
  if (!boxWidth) {
    TextOutA(target, static_cast<int>(place.x), i32(a.nRow), text.c_str(),
             static_cast<int>(text.size()));
  } else {
    // The clip height comes from the font the context holds now, passed or not.
    TEXTMETRICA metrics{};
    GetTextMetricsA(target, &metrics);
    const RECT clip{i32(a.nCol), i32(a.nRow), i32(a.nCol) + static_cast<int>(*boxWidth),
                    i32(a.nRow) + static_cast<int>(metrics.tmHeight * kFontClipNumerator /
                                                   kFontClipDenominator)};
    ExtTextOutA(target, static_cast<int>(place.x), i32(a.nRow), ETO_CLIPPED, &clip, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
  }
  if (font.isObject()) offer(font, msg::DeActivate, hDCOut);
  return {};
}

Value TPrinter::unitSay(Args args, double mmPerUnit) {
  SayArgs a = SayArgs::from(args);
  if (!coordinates({&a.nRow, &a.nCol}, {&a.nWidth})) return {};
  const long long vres = caps(VERTRES), vsize = caps(VERTSIZE);
  const long long hres = caps(HORZRES), hsize = caps(HORZSIZE);
  a.nRow = unitPosition(a.nRow.number(), mmPerUnit, vres, vsize, nYOffset.integer());
  a.nCol = unitPosition(a.nCol.number(), mmPerUnit, hres, hsize, nXOffset.integer());
  // A width is a length: no offset comes off it.
  if (!a.nWidth.isNil()) a.nWidth = unitLength(a.nWidth.number(), mmPerUnit, hres, hsize);
  auto values = a.list();
  return Say(Args(values));
}

Value TPrinter::CmSay(Args args) {
  return unitSay(args, kMmPerCm);
}
Value TPrinter::MmSay(Args args) {
  return unitSay(args, kMmPerMm);
}
Value TPrinter::InchSay(Args args) {
  return unitSay(args, kMmPerInch);
}

Value TPrinter::SayBitmap(Args args) {
  const SayBitmapArgs a = SayBitmapArgs::from(args);
  if (!dc() || ended_) return {};
  if (!coordinates({&a.nRow, &a.nCol}, {&a.nWidth, &a.nHeight, &a.nRaster})) return {};
  if (!a.xBitmap.isNumber() && !a.xBitmap.isText()) return {};
  const std::string name =
      a.xBitmap.isNumber() ? std::to_string(a.xBitmap.integer()) : a.xBitmap.string();
  const HBITMAP bitmap = loadBitmapFileOrResource(resourceModule(), name);
  if (!bitmap) return {};
  DibPixels dib;
  if (dibPixels(bitmap, dib)) {
    const SIZE size = bitmapSize(bitmap);
    const PaletteUse palette(out(), lMeta.logical() ? nullptr : bitmapPalette(bitmap));
    drawDib(out(), dib, i32(a.nCol), i32(a.nRow), static_cast<int>(number(a.nWidth, size.cx)),
            static_cast<int>(number(a.nHeight, size.cy)),
            static_cast<DWORD>(number(a.nRaster, SRCCOPY)));
  }
  deleteObject(bitmap);
  return {};
}

Value TPrinter::SayImage(Args args) {
  const SayImageArgs a = SayImageArgs::from(args);
  if (!dc() || ended_) return {};
  if (!coordinates({&a.nRow, &a.nCol}, {&a.nWidth, &a.nHeight, &a.nRaster})) return {};
  // An image object answers its bitmap; a ".bmp" file goes through the bitmap reader. Other
  // image files draw nothing until an image-file loader exists.
  HBITMAP bitmap = nullptr;
  bool own = false;
  bool alpha = false;
  if (a.xImage.isObject() && lanmere::understands(a.xImage, msg::hBitmap)) {
    bitmap = handleOf<HBITMAP>(lanmere::send(a.xImage, msg::hBitmap));
    alpha = lanmere::understands(a.xImage, msg::lHasAlpha) &&
            flag(lanmere::send(a.xImage, msg::lHasAlpha));
  } else if (a.xImage.isText() && endsWithIgnoringCase(a.xImage.string(), ".bmp") &&
             fileExists(a.xImage.string())) {
    bitmap = readBitmapFile(a.xImage.string());
    own = true;
  }
  if (!bitmap) return {};
  const SIZE size = bitmapSize(bitmap);
  const ImageBox box = imageBox(size.cx, size.cy, number(a.nWidth, 0), number(a.nHeight, 0),
                                flag(a.lStretch, true), number(a.nAlign, 1));
  if (box.width > 0 && box.height > 0) {
    const int x = i32(a.nCol) + static_cast<int>(box.left);
    const int y = i32(a.nRow) + static_cast<int>(box.top);
    if (alpha) {
      alphaDraw(out(), bitmap, x, y, static_cast<int>(box.width), static_cast<int>(box.height),
                static_cast<BYTE>(
                    std::clamp<long long>(number(a.nAlphaLevel, kOpaqueAlpha), 0, kOpaqueAlpha)));
    } else if (DibPixels dib; dibPixels(bitmap, dib)) {
      const PaletteUse palette(out(), lMeta.logical() ? nullptr : bitmapPalette(bitmap));
      drawDib(out(), dib, x, y, static_cast<int>(box.width), static_cast<int>(box.height),
              static_cast<DWORD>(number(a.nRaster, SRCCOPY)));
    }
  }
  if (own) deleteObject(bitmap);
  return {};
}

Value TPrinter::SetPos(const Value& nRow, const Value& nCol) {
  if (ended_ || !coordinates({&nRow, &nCol})) return {};
  MoveToEx(out(), i32(nCol), i32(nRow), nullptr);
  return {};
}

Value TPrinter::Line(const Value& nTop, const Value& nLeft, const Value& nBottom,
                     const Value& nRight, const Value& oPen) {
  if (ended_ || !coordinates({&nTop, &nLeft, &nBottom, &nRight})) return {};
  const Selected pen(out(), penOf(oPen));
  MoveToEx(out(), i32(nLeft), i32(nTop), nullptr);
  LineTo(out(), i32(nRight), i32(nBottom));
  return {};
}

Value TPrinter::Box(const Value& nRow, const Value& nCol, const Value& nBottom, const Value& nRight,
                    const Value& oPen) {
  if (ended_ || !coordinates({&nRow, &nCol, &nBottom, &nRight})) return {};
  const Selected pen(out(), penOf(oPen));
  Rectangle(out(), i32(nCol), i32(nRow), i32(nRight), i32(nBottom));
  return {};
}

Value TPrinter::RoundBox(Args args) {
  const RoundBoxArgs a = RoundBoxArgs::from(args);
  if (ended_ || !coordinates({&a.nRow, &a.nCol, &a.nBottom, &a.nRight, &a.nWidth, &a.nHeight},
                             {&a.nBackColor})) {
    return {};
  }
  HPEN made = nullptr;
  HGDIOBJ pen = penOf(a.oPen);
  if (!pen) pen = made = CreatePen(PS_SOLID, 1, 0);
  const HBRUSH brush = a.nBackColor.isNumber()
                           ? createSolidBrush(static_cast<COLORREF>(a.nBackColor.integer()))
                           : nullptr;
  {
    // Both go back out of the context before they are deleted, or the system keeps them.
    const Selected penUse(out(), pen);
    const Selected brushUse(out(), brush);
    RoundRect(out(), i32(a.nCol), i32(a.nRow), i32(a.nRight), i32(a.nBottom), i32(a.nWidth),
              i32(a.nHeight));
  }
  if (made) DeleteObject(made);
  if (brush) deleteObject(brush);
  return {};
}

namespace {
enum ShapeKind { kArc, kChord, kPie };
}

Value TPrinter::shape(Args args, int kind) {
  Value v[8];
  for (std::size_t i = 0; i < 8; ++i) v[i] = lanmere::arg(args, i + 1);
  if (ended_ || !coordinates({&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]})) return {};
  const Selected pen(out(), penOf(lanmere::arg(args, 9)));
  const int x1 = i32(v[4]), y1 = i32(v[5]), x2 = i32(v[6]), y2 = i32(v[7]);
  // Arc and Chord take their corners as top, left, bottom, right; Pie hands them on as given,
  // because callers rely on that order.
  if (kind == kPie) {
    ::Pie(out(), i32(v[0]), i32(v[1]), i32(v[2]), i32(v[3]), x1, y1, x2, y2);
  } else if (kind == kArc) {
    ::Arc(out(), i32(v[1]), i32(v[0]), i32(v[3]), i32(v[2]), x1, y1, x2, y2);
  } else {
    ::Chord(out(), i32(v[1]), i32(v[0]), i32(v[3]), i32(v[2]), x1, y1, x2, y2);
  }
  return {};
}

Value TPrinter::Arc(Args args) {
  return shape(args, kArc);
}
Value TPrinter::Chord(Args args) {
  return shape(args, kChord);
}
Value TPrinter::Pie(Args args) {
  return shape(args, kPie);
}

Value TPrinter::Ellipse(const Value& nTop, const Value& nLeft, const Value& nBottom,
                        const Value& nRight, const Value& oPen) {
  if (ended_ || !coordinates({&nTop, &nLeft, &nBottom, &nRight})) return {};
  const Selected pen(out(), penOf(oPen));
  ::Ellipse(out(), i32(nLeft), i32(nTop), i32(nRight), i32(nBottom));
  return {};
}

Value TPrinter::GetPixel(const Value& nRow, const Value& nCol, const Value& nColor) {
  if (ended_ || !coordinates({&nRow, &nCol}, {&nColor})) return {};
  if (nColor.isNumber()) return SetPixel(nRow, nCol, nColor);
  return static_cast<long long>(::GetPixel(out(), i32(nCol), i32(nRow)));
}

Value TPrinter::SetPixel(const Value& nRow, const Value& nCol, const Value& nColor) {
  if (ended_ || !coordinates({&nRow, &nCol}, {&nColor})) return {};
  return static_cast<long long>(
      ::SetPixel(out(), i32(nCol), i32(nRow), static_cast<COLORREF>(number(nColor, 0))));
}

Value TPrinter::convertPair(Value& nRow, Value& nCol, double mmPerUnit) {
  nRow = unitPosition(nRow.number(), mmPerUnit, caps(VERTRES), caps(VERTSIZE), nYOffset.integer());
  nCol = unitPosition(nCol.number(), mmPerUnit, caps(HORZRES), caps(HORZSIZE), nXOffset.integer());
  return Value::list({nRow, nCol});
}

Value TPrinter::Cmtr2Pix(Value& nRow, Value& nCol) {
  return convertPair(nRow, nCol, kMmPerCm);
}
Value TPrinter::Mmtr2Pix(Value& nRow, Value& nCol) {
  return convertPair(nRow, nCol, kMmPerMm);
}
Value TPrinter::Inch2Pix(Value& nRow, Value& nCol) {
  return convertPair(nRow, nCol, kMmPerInch);
}

Value TPrinter::rebuildAfter(const Value& changed) {
  if (changed.isLogical() && changed.logical()) Rebuild();
  return {};
}

Value TPrinter::DraftMode(const Value& lOn) {
  if (ended_) return {};
  return rebuildAfter(DRAFTMODE(lOn));
}

Value TPrinter::Pix2Mmtr(const Value& nRow, const Value& nCol) {
  const long long x = caps(LOGPIXELSX), y = caps(LOGPIXELSY);
  return Value::list({x ? nRow.number() * kMmPerInch / static_cast<double>(x) : 0.0,
                      y ? nCol.number() * kMmPerInch / static_cast<double>(y) : 0.0});
}

Value TPrinter::Pix2Inch(const Value& nRow, const Value& nCol) {
  const long long x = caps(LOGPIXELSX), y = caps(LOGPIXELSY);
  return Value::list({x ? nRow.number() / static_cast<double>(x) : 0.0,
                      y ? nCol.number() / static_cast<double>(y) : 0.0});
}

Value TPrinter::CmRect2Pix(const Value& aRect) {
  if (!aRect.isList() || aRect.items().size() < 4) return Value::list({0, 0, 0, 0});
  Value top = aRect.item(1), left = aRect.item(2), bottom = aRect.item(3), right = aRect.item(4);
  Cmtr2Pix(top, left);
  Cmtr2Pix(bottom, right);
  return Value::list({top, left, bottom, right});
}

Value TPrinter::nVertRes() {
  return caps(VERTRES);
}
Value TPrinter::nHorzRes() {
  return caps(HORZRES);
}
Value TPrinter::nVertSize() {
  return caps(VERTSIZE);
}
Value TPrinter::nHorzSize() {
  return caps(HORZSIZE);
}
Value TPrinter::nLogPixelX() {
  return caps(LOGPIXELSX);
}
Value TPrinter::nLogPixelY() {
  return caps(LOGPIXELSY);
}

Value TPrinter::setMapMode(int mode) {
  return static_cast<long long>(::SetMapMode(dc(), mode));
}
Value TPrinter::SetPixelMode() {
  return setMapMode(MM_TEXT);
}
Value TPrinter::SetTwipsMode() {
  return setMapMode(MM_TWIPS);
}
Value TPrinter::SetLoInchMode() {
  return setMapMode(MM_LOENGLISH);
}
Value TPrinter::SetHiInchMode() {
  return setMapMode(MM_HIENGLISH);
}
Value TPrinter::SetLoMetricMode() {
  return setMapMode(MM_LOMETRIC);
}
Value TPrinter::SetHiMetricMode() {
  return setMapMode(MM_HIMETRIC);
}
Value TPrinter::SetIsotropicMode() {
  return setMapMode(MM_ISOTROPIC);
}
Value TPrinter::SetAnisotropicMode() {
  return setMapMode(MM_ANISOTROPIC);
}

Value TPrinter::SetWindowExt(const Value& nX, const Value& nY) {
  if (!coordinates({&nX, &nY})) return {};
  return SetWindowExtEx(dc(), i32(nX), i32(nY), nullptr) != FALSE;
}

Value TPrinter::SetViewPortExt(const Value& nX, const Value& nY) {
  if (!coordinates({&nX, &nY})) return {};
  return SetViewportExtEx(dc(), i32(nX), i32(nY), nullptr) != FALSE;
}

Value TPrinter::GetTextWidth(const Value& cText, const Value& font) {
  if (!dc() || ended_) return 0;
  const Value used = SetFont(font);
  const std::string text = cText.isText() ? cText.string() : std::string();
  return static_cast<long long>(textWidth(dc(), text, handleOf<HFONT>(tell(used, msg::hFont))));
}

Value TPrinter::GetTextHeight(const Value& font) {
  if (ended_) return 0;
  const Value used = SetFont(font);
  return std::llabs(tell(used, msg::nHeight).integer());
}

long long TPrinter::letterWidth() {
  return GetTextWidth(Value("B"), Value()).integer();
}

Value TPrinter::Preview() {
  if (ended_ || !lMeta.logical() || !aMeta.isList() || aMeta.items().empty()) return {};
  if (pageOpen_) EndPage();
  if (dc() && lanmere::findFunction("RPREVIEW")) {
    lanmere::callFunction("RPREVIEW", {self(), lPrvModal});
    return {};
  }
  return End();
}

Value TPrinter::FillRect(const Value& aRect, const Value& oBrush) {
  if (!dc() || ended_) return {};
  Value top, left, bottom, right;
  if (aRect.isList() && aRect.items().size() >= 4) {
    top = aRect.item(1), left = aRect.item(2), bottom = aRect.item(3), right = aRect.item(4);
  } else if (aRect.isObject()) {
    top = tell(aRect, msg::nTop), left = tell(aRect, msg::nLeft);
    bottom = tell(aRect, msg::nBottom), right = tell(aRect, msg::nRight);
  }
  if (!coordinates({&top, &left, &bottom, &right})) return {};
  const RECT rect{i32(left), i32(top), i32(right), i32(bottom)};
  ::FillRect(out(), &rect, handleOf<HBRUSH>(tell(oBrush, msg::hBrush)));
  return {};
}

Value TPrinter::ResetDC() {
  if (!dc() || ended_) return false;
  return RESETDC(hDC);
}

Value TPrinter::GetOrientation() {
  return PRNGETORIENTATION();
}

Value TPrinter::SetLandscape() {
  if (ended_) return {};
  return rebuildAfter(PRNLANDSCAPE());
}

Value TPrinter::SetPortrait() {
  if (ended_) return {};
  return rebuildAfter(PRNPORTRAIT());
}

Value TPrinter::SetCopies(const Value& nCopies) {
  if (ended_) return {};
  Value copies = nCopies;
  return rebuildAfter(PRNSETCOPIES(Args(&copies, 1)));
}

Value TPrinter::SetSize(const Value& nWidth, const Value& nLength) {
  if (ended_) return {};
  return rebuildAfter(PRNSETSIZE(nWidth, nLength));
}

Value TPrinter::SetPage(const Value& nPaperSize) {
  if (ended_) return {};
  return rebuildAfter(PRNSETPAGE(nPaperSize));
}

Value TPrinter::SetBin(const Value& nBin) {
  if (ended_ || !nBin.isNumber()) return {};
  PRNBINSOURCE(nBin);
  return rebuildAfter(true);
}

Value TPrinter::GetModel() {
  return printerDevice();
}
Value TPrinter::GetDriver() {
  return printerDriver();
}
Value TPrinter::GetPort() {
  return printerPort();
}

Value TPrinter::GetPhySize() {
  const long long x = caps(LOGPIXELSX), y = caps(LOGPIXELSY);
  if (x == 0 || y == 0) return Value::list({0.0, 0.0});
  return Value::list(
      {static_cast<double>(caps(PHYSICALWIDTH)) / static_cast<double>(x) * kMmPerInch,
       static_cast<double>(caps(PHYSICALHEIGHT)) / static_cast<double>(y) * kMmPerInch});
}

Value TPrinter::Setup() {
  if (ended_) return {};
  const Value chosen = PRINTERSETUP(handleNumber(GetActiveWindow()));
  if (chosen.integer() != 0) trackedDelete(handleOf<HDC>(chosen), DeleteDC);
  return Rebuild();
}

Value TPrinter::Rebuild() {
  if (ended_) return {};
  if (lStarted.logical()) {
    if (lMeta.logical()) {
      hDCOut = 0;
    } else {
      if (pageOpen_) ENDPAGE(hDC);
      ENDDOC(hDC);
    }
    pageOpen_ = false;
  }
  if (dc()) {
    trackedDelete(dc(), DeleteDC);
    hDC = GETPRINTDEFAULT(handleNumber(GetActiveWindow()));
    lStarted = false;
    lModified = true;
  }
  if (!lMeta.logical() && dc()) hDCOut = hDC;
  return {};
}

Value TPrinter::SetFont(const Value& font) {
  if (ended_) return oFont;
  if (font.isObject()) {
    if (oFont.isObject() && oFont.identity() == font.identity()) return oFont;
    // The printer holds a use of its default font: the new one's is taken before the old one's
    // is given back, so the caller's font outlives the printer's End.
    tell(font, msg::_nCount, Value(tell(font, msg::nCount).integer() + 1));
    if (fontTaken_ && oFont.isObject()) offer(oFont, msg::End);
    oFont = font;
    fontTaken_ = true;
  } else if (!oFont.isObject()) {
    oFont = lanmere::construct<TFont>(
        {.cFaceName = Value("COURIER"), .nHeight = kDefaultFontHeight, .oDevice = self()});
    fontTaken_ = true;
  }
  return oFont;
}

Value TPrinter::CharSay(const Value& nRow, const Value& nCol, const Value& cText) {
  if (!dc() || ended_ || !coordinates({&nRow, &nCol})) return {};
  const Value font = SetFont({});
  const long long height = std::llabs(tell(font, msg::nHeight).integer());
  const long long width = letterWidth();
  const Value row = std::max(0LL, nRow.integer() - 1) * height;
  const Value col = std::max(0LL, nCol.integer() - 1) * width;
  return SayArgs{.nRow = row, .nCol = col, .cText = cText, .oFont = font}.sendTo(self());
}

Value TPrinter::CharWidth() {
  if (!dc()) return 0;
  const long long width = letterWidth();
  return width > 0 ? caps(HORZRES) / width : 0;
}

Value TPrinter::CharHeight() {
  if (!dc()) return 0;
  const long long height = GetTextHeight({}).integer();
  return height > 0 ? caps(VERTRES) / height : 0;
}

Value TPrinter::ImportWMF(const Value& cFile) {
  if (!dc() || ended_ || !cFile.isText() || !fileExists(cFile.string())) return false;
  const HENHMETAFILE metafile = readMetafile(cFile.string());
  if (!metafile) return false;
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  const HDC target = out();
  const int savedOut = SaveDC(target);
  const int savedDc = target == dc() ? 0 : SaveDC(dc());
  const int hres = static_cast<int>(caps(HORZRES)), vres = static_cast<int>(caps(VERTRES));
  ::SetMapMode(dc(), MM_ISOTROPIC);
  SetWindowExtEx(dc(), hres, vres, nullptr);
  SetViewportExtEx(dc(), hres, vres, nullptr);
  if (!lMeta.logical()) SetViewportOrgEx(dc(), -nXOffset.integer(), -nYOffset.integer(), nullptr);
  SetBkMode(target, TRANSPARENT);
  const RECT bounds{header.rclBounds.left, header.rclBounds.top, header.rclBounds.right + 1,
                    header.rclBounds.bottom + 1};
  const BOOL played = PlayEnhMetaFile(target, metafile, &bounds);
  trackedDelete(metafile, DeleteEnhMetaFile);
  if (savedDc) RestoreDC(dc(), savedDc);
  RestoreDC(target, savedOut);
  return played != FALSE;
}

Value TPrinter::ImportRAW(const Value& cFile) {
  if (!dc() || ended_) return 0;
  return IMPORTRAWFILE(hDC, cFile);
}

Value TPrinter::SizeInch2Pix(const Value& nHeight, const Value& nWidth) {
  const double height = nHeight.isNumber() ? nHeight.number() : 0;
  const double width = nWidth.isNumber() ? nWidth.number() : 0;
  return Value::list(
      {width != 0 ? unitLength(width, kMmPerInch, caps(HORZRES), caps(HORZSIZE)) : 0LL,
       height != 0 ? unitLength(height, kMmPerInch, caps(VERTRES), caps(VERTSIZE)) : 0LL});
}

// ---- The print commands ----

Value TPRINTER() {
  return Value(lanmere::make<TPrinter>());
}

Value currentPrinter() {
  return current();
}

Value PRINTBEGIN(Args args) {
  const Value& document = lanmere::arg(args, 1);
  const Value& user = lanmere::arg(args, 2);
  const Value& preview = lanmere::arg(args, 3);
  const Value& model = lanmere::arg(args, 4);
  const Value& modal = lanmere::arg(args, 5);
  const Value& selection = lanmere::arg(args, 6);
  if (model.isNil()) {
    current() = lanmere::construct<TPrinter>({.cDocument = document,
                                              .lUser = user,
                                              .lMeta = preview,
                                              .lModal = modal,
                                              .lSelection = selection});
    return current();
  }
  if (!model.isNumber() && !model.isText()) return lanmere::argumentError(kPrintModelSubCode);
  const std::vector<std::string> names = printerNames();
  std::string chosen;
  if (model.isNumber()) {
    const long long at = model.integer();
    if (at >= 1 && at <= static_cast<long long>(names.size())) chosen = names[at - 1];
  } else {
    const std::string wanted = lowered(model.string());
    for (const auto& name : names) {
      if (lowered(name) == wanted) {
        chosen = name;
        break;
      }
    }
    if (chosen.empty() && !wanted.empty()) {
      for (const auto& name : names) {
        if (lowered(name).find(wanted) != std::string::npos) {
          chosen = name;
          break;
        }
      }
    }
  }
  if (chosen.empty()) {
    MSGBEEP();
    current() = lanmere::construct<TPrinter>({.cDocument = document,
                                              .lUser = true,
                                              .lMeta = preview,
                                              .lModal = modal,
                                              .lSelection = selection});
  } else {
    current() = lanmere::construct<TPrinter>(
        {.cDocument = document,
         .lUser = false,
         .lMeta = preview,
         .cModel = Value(chosen + "," + profileString("Devices", chosen.c_str())),
         .lModal = modal,
         .lSelection = selection});
  }
  return current();
}

Value PAGEBEGIN() {
  if (current().isObject()) lanmere::send(current(), msg::StartPage);
  return {};
}

Value PAGEEND() {
  if (current().isObject()) lanmere::send(current(), msg::EndPage);
  return {};
}

Value PRINTEND() {
  const Value printer = current();
  if (printer.isObject()) {
    if (flag(tell(printer, lanmere::symbol("lMeta")))) {
      lanmere::send(printer, msg::Preview);
    } else {
      lanmere::send(printer, msg::End);
    }
  }
  current() = Value();
  return {};
}

Value AGETPRINTERS() {
  Value list = Value::list();
  for (const auto& name : printerNames()) list.listData()->items.push_back(Value(name));
  return list;
}

Value SETPRINTDEFAULT(const Value& cPrinter) {
  if (!cPrinter.isText() || cPrinter.text().empty()) return false;
  const std::string name = cPrinter.string();
  const std::string value = profileString("Devices", name.c_str());
  if (value.empty()) return false;
  const auto comma = value.find(',');
  const std::string driver = value.substr(0, comma);
  std::string port;
  if (comma != std::string::npos)
    port = value.substr(comma + 1, value.find(',', comma + 1) - comma - 1);
  return WriteProfileStringA("Windows", "Device", (name + "," + driver + "," + port).c_str()) !=
         FALSE;
}

const lanmere::ModuleTable& tPrinterModule() {
  TPrinter::Class();  // the class is known by name once its module is
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/services/tprinter.cpp",
      {fn<&TPRINTER>("TPRINTER"), fn<&PRINTBEGIN>("PRINTBEGIN"), fn<&PAGEBEGIN>("PAGEBEGIN"),
       fn<&PAGEEND>("PAGEEND"), fn<&PRINTEND>("PRINTEND"), fn<&AGETPRINTERS>("AGETPRINTERS"),
       fn<&SETPRINTDEFAULT>("SETPRINTDEFAULT")}};
  return module;
}

}  // namespace kestrel
