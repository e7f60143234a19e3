#include "framework/services/printapi.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/core/handles.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "framework/core/wndproc.h"
#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr DWORD kPrintSetupFlags = 0x42140;  // setup, do-nothing hook, copies in devmode, DC
constexpr DWORD kPageSetupFlags = 0x200A;    // margins, hundredths of mm, do-nothing hook
constexpr WORD kMaxPage = 65535;
constexpr long long kMaxSetting = 32767;
constexpr std::size_t kDocNameLength = 31;
constexpr int kPassThrough = 19;  // PASSTHROUGH
constexpr int kEpsPrinting = 33;  // EPSPRINTING
// Pass-through data goes in pieces each led by its 16-bit count.
constexpr std::size_t kPassThroughPiece = 4096;
constexpr short kDraftQuality = -1;  // DMRES_DRAFT
constexpr short kHighQuality = -4;   // DMRES_HIGH
constexpr short kUserPaper = 256;    // DMPAPER_USER

struct Settings {
  PRINTDLGA record{};
  bool loaded = false;
  DWORD error = 0;
  RECT margins{};  // left, top, right, bottom in hundredths of a millimetre
};

Settings& settings() {
  static Settings state;
  return state;
}

// Set when one of our dialogs came up. A dialog that was shown and not confirmed was cancelled,
// whatever the last dialog error says: Wine keeps an earlier failure's code through a cancel,
// which would show "no printers" after the user merely pressed Cancel.
bool& dialogShown() {
  static bool shown = false;
  return shown;
}

// The dialogs' hooks change nothing but note that the dialog came up.
UINT_PTR CALLBACK noticingHook(HWND, UINT message, WPARAM, LPARAM) {
  return guardWindowCallback<UINT_PTR>(0, [message] {
    if (message == WM_INITDIALOG) dialogShown() = true;
    return UINT_PTR{0};
  });
}

DWORD extendedError() {
  return callSystem<"comdlg32.dll", "CommDlgExtendedError", decltype(::CommDlgExtendedError)>();
}

DWORD dialogError(BOOL confirmed) {
  return confirmed || dialogShown() ? 0 : extendedError();
}

void freeBlock(HGLOBAL& block) {
  if (block) GlobalFree(block);
  block = nullptr;
}

// A dialog may hand back new blocks in place of those it was given: the old ones are freed once.
void adoptBlocks(HGLOBAL oldMode, HGLOBAL oldNames, HGLOBAL newMode, HGLOBAL newNames) {
  auto retire = [](HGLOBAL old, HGLOBAL now) {
    if (old && old != now && GlobalFlags(old) != GMEM_INVALID_HANDLE) GlobalFree(old);
  };
  retire(oldMode, newMode);
  retire(oldNames, newNames);
  PRINTDLGA& pd = settings().record;
  pd.hDevMode = newMode;
  pd.hDevNames = newNames;
}

PRINTDLGA& loaded() {
  Settings& s = settings();
  if (s.loaded) return s.record;
  PRINTDLGA& pd = s.record;
  freeBlock(pd.hDevMode);
  freeBlock(pd.hDevNames);
  pd = PRINTDLGA{};
  pd.lStructSize = sizeof pd;
  pd.hwndOwner = GetActiveWindow();
  pd.Flags = PD_RETURNDEFAULT;
  pd.nFromPage = 1;
  pd.nToPage = 1;
  pd.nMinPage = 1;
  pd.nMaxPage = kMaxPage;
  pd.nCopies = 1;
  const auto printDlg = [&] {
    return callSystem<"comdlg32.dll", "PrintDlgA", decltype(::PrintDlgA)>(&pd);
  };
  s.error = callWindows(printDlg) ? 0 : extendedError();
  s.loaded = true;
  return pd;
}

// The device-mode block, locked for the life of this object; null when there is none.
class DevMode {
 public:
  DevMode() : block_(loaded().hDevMode) {
    if (block_) mode_ = static_cast<DEVMODEA*>(GlobalLock(block_));
  }
  ~DevMode() {
    if (mode_) GlobalUnlock(block_);
  }
  DevMode(const DevMode&) = delete;
  DevMode& operator=(const DevMode&) = delete;
  DEVMODEA* operator->() const { return mode_; }
  explicit operator bool() const { return mode_ != nullptr; }
  const DEVMODEA* get() const { return mode_; }

 private:
  HGLOBAL block_;
  DEVMODEA* mode_ = nullptr;
};

// One of the three names of the device-names block.
std::string deviceName(WORD DEVNAMES::*offset) {
  const HGLOBAL block = loaded().hDevNames;
  if (!block) return "";
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(block));
  if (!names) return "";
  std::string name = reinterpret_cast<const char*>(names) + names->*offset;
  GlobalUnlock(block);
  return name;
}

HDC dcOf(const Value& hDC) {
  return hDC.isNumber() ? handleOf<HDC>(hDC) : nullptr;
}

bool inSettingRange(const Value& n) {
  return n.isNumber() && n.number() >= 1 && n.number() <= kMaxSetting;
}

HDC trackedDc(std::string_view service, HDC dc) {
  return trackedCreate(service, "DC", [&] { return dc; });
}

// Runs a print dialog on the shared record with `flags`, keeping the blocks it gives back.
HDC printDialog(HWND owner, DWORD flags, bool pageRange) {
  PRINTDLGA& pd = loaded();
  PRINTDLGA dialog = pd;
  dialog.hwndOwner = owner;
  dialog.Flags = flags;
  dialog.hDC = nullptr;
  if (flags & PD_ENABLESETUPHOOK) {
    dialog.lpfnSetupHook = noticingHook;
  } else {
    dialog.Flags |= PD_ENABLEPRINTHOOK;
    dialog.lpfnPrintHook = noticingHook;
  }
  dialogShown() = false;
  if (pageRange) {
    dialog.nFromPage = 1;
    dialog.nToPage = 1;
  }
  const BOOL confirmed = callWindows(
      [&] { return callSystem<"comdlg32.dll", "PrintDlgA", decltype(::PrintDlgA)>(&dialog); });
  settings().error = dialogError(confirmed);
  adoptBlocks(pd.hDevMode, pd.hDevNames, dialog.hDevMode, dialog.hDevNames);
  if (!confirmed) return nullptr;
  pd.Flags = dialog.Flags & ~(flags & PD_ENABLEPRINTHOOK ? 0 : DWORD{PD_ENABLEPRINTHOOK});
  pd.nFromPage = dialog.nFromPage;
  pd.nToPage = dialog.nToPage;
  pd.nCopies = dialog.nCopies;
  return trackedDc("PRINTDLG", dialog.hDC);
}

HWND ownerOr(const Value& hWnd) {
  return hWnd.isNumber() && hWnd.integer() != 0 ? handleOf<HWND>(hWnd) : GetActiveWindow();
}

}  // namespace

const PRINTDLGA& printSettings() {
  return loaded();
}

DWORD printDialogError() noexcept {
  return settings().error;
}

std::string printerDevice() {
  return deviceName(&DEVNAMES::wDeviceOffset);
}
std::string printerDriver() {
  return deviceName(&DEVNAMES::wDriverOffset);
}
std::string printerPort() {
  return deviceName(&DEVNAMES::wOutputOffset);
}

Value PRINTERINIT() {
  PRINTDLGA& pd = settings().record;
  freeBlock(pd.hDevMode);
  freeBlock(pd.hDevNames);
  settings().loaded = false;
  return {};
}

Value GETPRINTDC(const Value& hWnd, const Value& lSelection, const Value& lPageNums) {
  const bool selection = lSelection.isLogical() && lSelection.logical();
  const bool pageNums = !selection && lPageNums.isLogical() && lPageNums.logical();
  DWORD flags = PD_RETURNDC | PD_HIDEPRINTTOFILE;
  flags |= selection ? PD_SELECTION : PD_NOSELECTION;
  if (pageNums) flags |= PD_PAGENUMS;
  return handleNumber(printDialog(ownerOr(hWnd), flags, !pageNums));
}

Value PRINTERSETUP(const Value& hWnd) {
  return handleNumber(printDialog(ownerOr(hWnd), kPrintSetupFlags, false));
}

Value GETPRINTDEFAULT(const Value&) {
  const std::string driver = printerDriver();
  const std::string device = printerDevice();
  const std::string port = printerPort();
  if (device.empty()) return 0;
  const DevMode mode;
  const HDC dc = trackedCreate("GETPRINTDEFAULT", "DC", [&] {
    return CreateDCA(driver.c_str(), device.c_str(), port.c_str(), mode.get());
  });
  return handleNumber(dc);
}

Value PRNOFFSET(const Value& hDC) {
  const HDC dc = dcOf(hDC);
  return Value::list({GetDeviceCaps(dc, kPhysicalOffsetX), GetDeviceCaps(dc, kPhysicalOffsetY)});
}

Value PRNGETSIZE(const Value& hDC) {
  const HDC dc = dcOf(hDC);
  return Value::list({GetDeviceCaps(dc, kPhysicalWidth), GetDeviceCaps(dc, kPhysicalHeight)});
}

Value STARTDOC(const Value& hDC, const Value& cDocument, const Value& cOutput) {
  const std::string name =
      cDocument.isText() ? cDocument.string().substr(0, kDocNameLength) : std::string();
  const std::string output = cOutput.isText() ? cOutput.string() : std::string();
  DOCINFOA info{};
  info.cbSize = sizeof info;
  info.lpszDocName = name.c_str();
  info.lpszOutput = output.empty() ? nullptr : output.c_str();
  return callWindows([&] { return StartDocA(dcOf(hDC), &info); });
}

Value ENDDOC(const Value& hDC) {
  return callWindows([&] { return EndDoc(dcOf(hDC)); });
}

Value STARTPAGE(const Value& hDC) {
  return StartPage(dcOf(hDC));
}

Value ENDPAGE(const Value& hDC) {
  return EndPage(dcOf(hDC));
}

Value RESETDC(const Value& hDC) {
  const DevMode mode;
  return mode && ResetDCA(dcOf(hDC), mode.get()) != nullptr;
}

Value PRNGETORIENTATION() {
  const DevMode mode;
  return mode ? Value(mode->dmOrientation) : Value(0);
}

namespace {

Value setOrientation(short orientation) {
  const DevMode mode;
  if (!mode) return false;
  mode->dmFields |= DM_ORIENTATION;
  mode->dmOrientation = orientation;
  return true;
}

}  // namespace

Value PRNLANDSCAPE() {
  return setOrientation(DMORIENT_LANDSCAPE);
}

Value PRNPORTRAIT() {
  return setOrientation(DMORIENT_PORTRAIT);
}

Value PRNSETCOPIES(Args args) {
  const Value& copies = args.size() >= 2 ? args[1] : lanmere::arg(args, 1);
  if (!inSettingRange(copies)) return lanmere::argumentError(kPrintRangeSubCode);
  const DevMode mode;
  if (mode) {
    mode->dmFields |= DM_COPIES;
    mode->dmCopies = static_cast<short>(copies.integer());
  }
  loaded().nCopies = static_cast<WORD>(copies.integer());
  return true;
}

Value PRNGETCOPIES() {
  const DevMode mode;
  return mode ? Value(mode->dmCopies) : Value(loaded().nCopies);
}

Value PRNGETCOLLATE() {
  const DevMode mode;
  if (mode && (mode->dmFields & DM_COLLATE)) return mode->dmCollate == DMCOLLATE_TRUE;
  return (loaded().Flags & PD_COLLATE) != 0;
}

Value PRNSETSIZE(const Value& nWidth, const Value& nLength) {
  if (!inSettingRange(nWidth) || !inSettingRange(nLength)) {
    return lanmere::argumentError(kPrintRangeSubCode);
  }
  const DevMode mode;
  if (!mode) return false;
  mode->dmFields |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
  mode->dmPaperSize = kUserPaper;
  mode->dmPaperWidth = static_cast<short>(nWidth.integer());
  mode->dmPaperLength = static_cast<short>(nLength.integer());
  return true;
}

Value PRNSETPAGE(const Value& nPaperSize) {
  if (!inSettingRange(nPaperSize)) return lanmere::argumentError(kPrintRangeSubCode);
  const DevMode mode;
  if (!mode) return false;
  mode->dmFields |= DM_PAPERSIZE;
  mode->dmPaperSize = static_cast<short>(nPaperSize.integer());
  return true;
}

Value PRNBINSOURCE(const Value& nBin) {
  const DevMode mode;
  if (!mode) return 0;
  const Value previous = mode->dmDefaultSource;
  if (nBin.isNumber()) {
    mode->dmFields |= DM_DEFAULTSOURCE;
    mode->dmDefaultSource = static_cast<short>(nBin.integer());
  }
  return previous;
}

Value PRNGETPAGES() {
  const PRINTDLGA& pd = loaded();
  return Value::list({pd.nFromPage, pd.nToPage});
}

Value PRNGETPAGNUMS() {
  return (loaded().Flags & PD_PAGENUMS) != 0;
}

Value PRNGETSELECTION() {
  return (loaded().Flags & PD_SELECTION) != 0;
}

Value PRNGETNAME() {
  return printerDevice();
}
Value PRNGETDRIVE() {
  return printerDriver();
}
Value PRNGETPORT() {
  return printerPort();
}

Value DRAFTMODE(const Value& lOn) {
  const DevMode mode;
  if (!mode) return false;
  mode->dmFields |= DM_PRINTQUALITY;
  mode->dmPrintQuality = lOn.isLogical() && lOn.logical() ? kDraftQuality : kHighQuality;
  return true;
}

Value PAGESETUP(Args args) {
  PRINTDLGA& pd = loaded();
  RECT& margins = settings().margins;
  const auto keep = [](const Value& v, LONG& slot) {
    if (v.isNumber()) slot = static_cast<LONG>(v.integer());
  };
  keep(lanmere::arg(args, 2), margins.top);
  keep(lanmere::arg(args, 3), margins.left);
  keep(lanmere::arg(args, 4), margins.right);
  keep(lanmere::arg(args, 5), margins.bottom);
  PAGESETUPDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = ownerOr(lanmere::arg(args, 1));
  dialog.hDevMode = pd.hDevMode;
  dialog.hDevNames = pd.hDevNames;
  dialog.Flags = kPageSetupFlags;
  dialog.rtMargin = margins;
  dialog.lpfnPageSetupHook = noticingHook;
  dialogShown() = false;
  const BOOL confirmed = callWindows([&] {
    return callSystem<"comdlg32.dll", "PageSetupDlgA", decltype(::PageSetupDlgA)>(&dialog);
  });
  settings().error = dialogError(confirmed);
  adoptBlocks(pd.hDevMode, pd.hDevNames, dialog.hDevMode, dialog.hDevNames);
  if (confirmed) margins = dialog.rtMargin;
  return confirmed != FALSE;
}

Value PAGEGETMARGINS() {
  const RECT& m = settings().margins;
  return Value::list({m.top, m.left, m.right, m.bottom});
}

Value IMPORTRAWFILE(const Value& hDC, const Value& cFile) {
  const HDC dc = dcOf(hDC);
  const auto supports = [&](int escape) {
    return Escape(dc, QUERYESCSUPPORT, sizeof escape, reinterpret_cast<LPCSTR>(&escape), nullptr) >
           0;
  };
  if (!supports(kPassThrough) || !supports(kEpsPrinting)) return 0;
  if (!cFile.isText()) return 0;
  std::ifstream file(cFile.string(), std::ios::binary);
  if (!file) return 0;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
  if (bytes.empty()) return 0;
  const WORD on = 1;
  Escape(dc, kEpsPrinting, sizeof on, reinterpret_cast<LPCSTR>(&on), nullptr);
  long long sent = 0;
  std::vector<char> piece(sizeof(WORD) + kPassThroughPiece);
  for (std::size_t at = 0; at < bytes.size(); at += kPassThroughPiece) {
    const WORD count = static_cast<WORD>(std::min(kPassThroughPiece, bytes.size() - at));
    std::memcpy(piece.data(), &count, sizeof count);
    std::memcpy(piece.data() + sizeof count, bytes.data() + at, count);
    if (Escape(dc, kPassThrough, static_cast<int>(sizeof count + count), piece.data(), nullptr) <=
        0) {
      break;
    }
    sent += count;
  }
  return sent;
}

const lanmere::ModuleTable& printApiModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{"framework/services/printapi.cpp",
                                           {fn<&PRINTERINIT>("PRINTERINIT"),
                                            fn<&GETPRINTDC>("GETPRINTDC"),
                                            fn<&PRINTERSETUP>("PRINTERSETUP"),
                                            fn<&GETPRINTDEFAULT>("GETPRINTDEFAULT"),
                                            fn<&PRNOFFSET>("PRNOFFSET"),
                                            fn<&PRNGETSIZE>("PRNGETSIZE"),
                                            fn<&STARTDOC>("STARTDOC"),
                                            fn<&ENDDOC>("ENDDOC"),
                                            fn<&STARTPAGE>("STARTPAGE"),
                                            fn<&ENDPAGE>("ENDPAGE"),
                                            fn<&RESETDC>("RESETDC"),
                                            fn<&PRNGETORIENTATION>("PRNGETORIENTATION"),
                                            fn<&PRNLANDSCAPE>("PRNLANDSCAPE"),
                                            fn<&PRNPORTRAIT>("PRNPORTRAIT"),
                                            fn<&PRNSETCOPIES>("PRNSETCOPIES"),
                                            fn<&PRNGETCOPIES>("PRNGETCOPIES"),
                                            fn<&PRNGETCOLLATE>("PRNGETCOLLATE"),
                                            fn<&PRNSETSIZE>("PRNSETSIZE"),
                                            fn<&PRNSETPAGE>("PRNSETPAGE"),
                                            fn<&PRNBINSOURCE>("PRNBINSOURCE"),
                                            fn<&PRNGETPAGES>("PRNGETPAGES"),
                                            fn<&PRNGETPAGNUMS>("PRNGETPAGNUMS"),
                                            fn<&PRNGETSELECTION>("PRNGETSELECTION"),
                                            fn<&PRNGETNAME>("PRNGETNAME"),
                                            fn<&PRNGETDRIVE>("PRNGETDRIVE"),
                                            fn<&PRNGETPORT>("PRNGETPORT"),
                                            fn<&DRAFTMODE>("DRAFTMODE"),
                                            fn<&PAGESETUP>("PAGESETUP"),
                                            fn<&PAGEGETMARGINS>("PAGEGETMARGINS"),
                                            fn<&IMPORTRAWFILE>("IMPORTRAWFILE")}};
  return module;
}

}  // namespace kestrel
