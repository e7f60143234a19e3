// TPrinter: a print job on a printer device context, drawn with the window's vocabulary in device
// pixels or in centimetres, millimetres and inches; direct to the device, or one enhanced
// metafile per page for a preview. The print commands (PRINTBEGIN to PRINTEND) drive one
// module-wide current printer. The natives beneath are in printapi.h.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

// The system headers make ResetDC a macro for their ANSI entry; here it names the method.
#undef ResetDC

namespace kestrel {

// Where Say writes a text `textWidth` wide at column `col`: without a width the column moves
// left by the text (pad 1) or half of it (pad 2), never below 0, and the text is left-aligned;
// with a width it is right-aligned at its end (pad 1), centred on its middle (pad 2) or
// left-aligned at col.
struct SayPlacement {
  long long x;
  UINT align;  // TA_LEFT, TA_RIGHT or TA_CENTER, always with TA_TOP
  bool operator==(const SayPlacement&) const = default;
};
SayPlacement sayPlacement(long long col, long long textWidth, std::optional<long long> width,
                          long long pad);

// The box an image of imageWidth x imageHeight takes, relative to (col, row) given the asked
// size: a zero side follows the other by the image's proportions; with both given and no
// stretch the image fits inside keeping them, placed by nAlign (1 centre, 2 right, 4 middle,
// 8 bottom) where it is narrower or lower. All zero for an image with a zero side.
struct ImageBox {
  long long left, top, width, height;
  bool operator==(const ImageBox&) const = default;
};
ImageBox imageBox(long long imageWidth, long long imageHeight, long long width, long long height,
                  bool stretch, long long align);

// A distance in a unit (`mmPerUnit` millimetres each) as device pixels, where `resolution`
// pixels span `sizeMm`: computed in floating point and rounded once. 0 on a zero size.
long long unitLength(double value, double mmPerUnit, long long resolution, long long sizeMm);
// A position: the length less the unprintable offset, never below 0.
long long unitPosition(double value, double mmPerUnit, long long resolution, long long sizeMm,
                       long long offset);

class TPrinter : public lanmere::Object {
  LM_CLASS(TPrinter, lanmere::Object)

  lanmere::Value oFont;
  lanmere::Value hDC = 0;
  lanmere::Value hDCOut = 0;
  lanmere::Value aMeta;
  lanmere::Value cDir;
  lanmere::Value cDocument;
  lanmere::Value cModel;
  lanmere::Value nPage = 0;
  lanmere::Value nXOffset = 0;
  lanmere::Value nYOffset = 0;
  lanmere::Value nPad = 0;
  lanmere::Value nOrient;
  lanmere::Value lMeta = false;
  lanmere::Value lStarted = false;
  lanmere::Value lModified = false;
  lanmere::Value lPrvModal = false;

  LM_ARGS(NewArgs, cDocument, lUser, lMeta, cModel, lModal, lSelection)
  lanmere::Value New(lanmere::Args args);
  // Jobs. A refused job start, page start or page end raises "Print error" and aborts the job.
  lanmere::Value StartPage();
  lanmere::Value EndPage();
  lanmere::Value End();
  // Text.
  LM_ARGS(SayArgs, nRow, nCol, cText, oFont, nWidth, nClrText, nBkMode, nPad)
  lanmere::Value Say(lanmere::Args args);
  lanmere::Value CmSay(lanmere::Args args);
  lanmere::Value MmSay(lanmere::Args args);
  lanmere::Value InchSay(lanmere::Args args);
  // Pictures.
  LM_ARGS(SayBitmapArgs, nRow, nCol, xBitmap, nWidth, nHeight, nRaster)
  lanmere::Value SayBitmap(lanmere::Args args);
  LM_ARGS(SayImageArgs, nRow, nCol, xImage, nWidth, nHeight, nRaster, lStretch, nAlphaLevel, nAlign)
  lanmere::Value SayImage(lanmere::Args args);
  // Shapes.
  lanmere::Value SetPos(const lanmere::Value& nRow, const lanmere::Value& nCol);
  lanmere::Value Line(const lanmere::Value& nTop, const lanmere::Value& nLeft,
                      const lanmere::Value& nBottom, const lanmere::Value& nRight,
                      const lanmere::Value& oPen);
  lanmere::Value Box(const lanmere::Value& nRow, const lanmere::Value& nCol,
                     const lanmere::Value& nBottom, const lanmere::Value& nRight,
                     const lanmere::Value& oPen);
  LM_ARGS(RoundBoxArgs, nRow, nCol, nBottom, nRight, nWidth, nHeight, oPen, nBackColor)
  lanmere::Value RoundBox(lanmere::Args args);
  // Arc, Chord and Pie: four corners, four end-point coordinates, [oPen].
  lanmere::Value Arc(lanmere::Args args);
  lanmere::Value Chord(lanmere::Args args);
  lanmere::Value Ellipse(const lanmere::Value& nTop, const lanmere::Value& nLeft,
                         const lanmere::Value& nBottom, const lanmere::Value& nRight,
                         const lanmere::Value& oPen);
  lanmere::Value Pie(lanmere::Args args);
  // With a colour sets the pixel (callers rely on it); without one answers the colour read.
  lanmere::Value GetPixel(const lanmere::Value& nRow, const lanmere::Value& nCol,
                          const lanmere::Value& nColor);
  lanmere::Value SetPixel(const lanmere::Value& nRow, const lanmere::Value& nCol,
                          const lanmere::Value& nColor);
  // Units.
  lanmere::Value Cmtr2Pix(lanmere::Value& nRow, lanmere::Value& nCol);
  lanmere::Value Mmtr2Pix(lanmere::Value& nRow, lanmere::Value& nCol);
  lanmere::Value Inch2Pix(lanmere::Value& nRow, lanmere::Value& nCol);
  lanmere::Value DraftMode(const lanmere::Value& lOn);
  lanmere::Value Pix2Mmtr(const lanmere::Value& nRow, const lanmere::Value& nCol);
  lanmere::Value Pix2Inch(const lanmere::Value& nRow, const lanmere::Value& nCol);
  lanmere::Value CmRect2Pix(const lanmere::Value& aRect);
  // Device.
  lanmere::Value nVertRes();
  lanmere::Value nHorzRes();
  lanmere::Value nVertSize();
  lanmere::Value nHorzSize();
  lanmere::Value nLogPixelX();
  lanmere::Value nLogPixelY();
  lanmere::Value SetPixelMode();
  lanmere::Value SetTwipsMode();
  lanmere::Value SetLoInchMode();
  lanmere::Value SetHiInchMode();
  lanmere::Value SetLoMetricMode();
  lanmere::Value SetHiMetricMode();
  lanmere::Value SetIsotropicMode();
  lanmere::Value SetAnisotropicMode();
  lanmere::Value SetWindowExt(const lanmere::Value& nX, const lanmere::Value& nY);
  lanmere::Value SetViewPortExt(const lanmere::Value& nX, const lanmere::Value& nY);
  lanmere::Value GetTextWidth(const lanmere::Value& cText, const lanmere::Value& oFont);
  lanmere::Value GetTextHeight(const lanmere::Value& oFont);
  lanmere::Value Preview();
  // aRect is {top, left, bottom, right} or a rectangle object.
  lanmere::Value FillRect(const lanmere::Value& aRect, const lanmere::Value& oBrush);
  // Settings, shared by every printer object.
  lanmere::Value ResetDC();
  lanmere::Value GetOrientation();
  lanmere::Value SetLandscape();
  lanmere::Value SetPortrait();
  lanmere::Value SetCopies(const lanmere::Value& nCopies);
  lanmere::Value SetSize(const lanmere::Value& nWidth, const lanmere::Value& nLength);
  lanmere::Value SetPage(const lanmere::Value& nPaperSize);
  lanmere::Value SetBin(const lanmere::Value& nBin);
  lanmere::Value GetModel();
  lanmere::Value GetDriver();
  lanmere::Value GetPort();
  lanmere::Value GetPhySize();
  lanmere::Value Setup();
  lanmere::Value Rebuild();
  // A passed font becomes the default, with a use taken of it and the previous one's given back.
  lanmere::Value SetFont(const lanmere::Value& oFont);
  lanmere::Value CharSay(const lanmere::Value& nRow, const lanmere::Value& nCol,
                         const lanmere::Value& cText);
  lanmere::Value CharWidth();
  lanmere::Value CharHeight();
  lanmere::Value ImportWMF(const lanmere::Value& cFile);
  lanmere::Value ImportRAW(const lanmere::Value& cFile);
  lanmere::Value SizeInch2Pix(const lanmere::Value& nHeight, const lanmere::Value& nWidth);

 private:
  HDC dc() const;
  HDC out() const;
  long long caps(int index) const;
  bool ended() const { return ended_; }
  lanmere::Value self();
  lanmere::Value unitSay(lanmere::Args args, double mmPerUnit);
  lanmere::Value convertPair(lanmere::Value& nRow, lanmere::Value& nCol, double mmPerUnit);
  lanmere::Value setMapMode(int mode);
  lanmere::Value rebuildAfter(const lanmere::Value& changed);
  lanmere::Value shape(lanmere::Args args, int kind);
  void failJob(const char* step);
  void closePage();
  void eraseMeta();
  long long letterWidth();

  bool pageOpen_ = false;
  bool fontTaken_ = false;
  bool ended_ = false;
};

// TPRINTER (): a new instance, to be sent New.
lanmere::Value TPRINTER();
// PRINTBEGIN (cDocument, lUser, lPreview, xModel, lModal, lSelection): the new current printer;
// xModel picks an installed printer by number or by name.
lanmere::Value PRINTBEGIN(lanmere::Args args);
lanmere::Value PAGEBEGIN();
lanmere::Value PAGEEND();
lanmere::Value PRINTEND();
// AGETPRINTERS (): the installed printers' names, in profile order.
lanmere::Value AGETPRINTERS();
// SETPRINTDEFAULT (cPrinter): false, writing nothing, for a printer that is not installed.
lanmere::Value SETPRINTDEFAULT(const lanmere::Value& cPrinter);
// The print commands' current printer (nil when none).
lanmere::Value currentPrinter();

const lanmere::ModuleTable& tPrinterModule();

}  // namespace kestrel
