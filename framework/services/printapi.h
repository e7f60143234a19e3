// Native printer services. One process-wide print-dialog record holds the current printer
// settings (the device-mode and device-names blocks, owned here) and is filled with the default
// printer's settings on first use; every function below works on it. The page margins of the
// page-setup dialog sit beside it. Contexts made here are recorded with the resource tracker as
// "DC".
#pragma once

#include <windows.h>

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

// The system headers name three old printer escapes as the natives are named; the escapes are
// not used here.
#undef STARTDOC
#undef ENDDOC
#undef DRAFTMODE

namespace kestrel {

// Argument errors of the printer natives and of TPrinter (genCode 1): a coordinate, size or
// colour that is no 32-bit number; a copy count or paper size outside 1 to 32767; a printer
// model that is neither a number nor a text.
inline constexpr long long kPrintCoordinateSubCode = 6150;
inline constexpr long long kPrintRangeSubCode = 6151;
inline constexpr long long kPrintModelSubCode = 6152;
// A refused job start, page start, page end or job end (genCode 25, "Print error").
inline constexpr long long kPrintJobSubCode = 6153;

// Device capabilities the natives read.
inline constexpr int kPhysicalWidth = PHYSICALWIDTH;      // 110
inline constexpr int kPhysicalHeight = PHYSICALHEIGHT;    // 111
inline constexpr int kPhysicalOffsetX = PHYSICALOFFSETX;  // 112
inline constexpr int kPhysicalOffsetY = PHYSICALOFFSETY;  // 113

// The shared record, loaded first when needed. Tests read its two blocks to see that a dialog
// replaced them in place rather than a copy.
const PRINTDLGA& printSettings();
// The common-dialog error code of the last settings load or dialog (0: none, or cancelled).
DWORD printDialogError() noexcept;
// Device, driver and port of the current settings; "" each when no settings exist.
std::string printerDevice();
std::string printerDriver();
std::string printerPort();

lanmere::Value PRINTERINIT();
lanmere::Value GETPRINTDC(const lanmere::Value& hWnd, const lanmere::Value& lSelection,
                          const lanmere::Value& lPageNums);
lanmere::Value PRINTERSETUP(const lanmere::Value& hWnd);
lanmere::Value GETPRINTDEFAULT(const lanmere::Value& hWnd);
lanmere::Value PRNOFFSET(const lanmere::Value& hDC);
lanmere::Value PRNGETSIZE(const lanmere::Value& hDC);
// STARTDOC (hDC, cDocument, [cOutput]): the job number, 0 or less when refused.
lanmere::Value STARTDOC(const lanmere::Value& hDC, const lanmere::Value& cDocument,
                        const lanmere::Value& cOutput);
lanmere::Value ENDDOC(const lanmere::Value& hDC);
lanmere::Value STARTPAGE(const lanmere::Value& hDC);
lanmere::Value ENDPAGE(const lanmere::Value& hDC);
lanmere::Value RESETDC(const lanmere::Value& hDC);
lanmere::Value PRNGETORIENTATION();
lanmere::Value PRNLANDSCAPE();
lanmere::Value PRNPORTRAIT();
lanmere::Value PRNSETCOPIES(lanmere::Args args);
lanmere::Value PRNGETCOPIES();
lanmere::Value PRNGETCOLLATE();
lanmere::Value PRNSETSIZE(const lanmere::Value& nWidth, const lanmere::Value& nLength);
lanmere::Value PRNSETPAGE(const lanmere::Value& nPaperSize);
lanmere::Value PRNBINSOURCE(const lanmere::Value& nBin);
lanmere::Value PRNGETPAGES();
lanmere::Value PRNGETPAGNUMS();
lanmere::Value PRNGETSELECTION();
lanmere::Value PRNGETNAME();
lanmere::Value PRNGETDRIVE();
lanmere::Value PRNGETPORT();
lanmere::Value DRAFTMODE(const lanmere::Value& lOn);
// PAGESETUP ([hWnd], [nTop], [nLeft], [nRight], [nBottom]): true when the user confirmed.
lanmere::Value PAGESETUP(lanmere::Args args);
lanmere::Value PAGEGETMARGINS();
// IMPORTRAWFILE (hDC, cFile): switches EPS printing on and sends the file's bytes through
// pass-through; answers the bytes sent, 0 when unsupported or the file cannot be read.
lanmere::Value IMPORTRAWFILE(const lanmere::Value& hDC, const lanmere::Value& cFile);

const lanmere::ModuleTable& printApiModule();

}  // namespace kestrel
