// Printing on a real printer: the test printer of the printing prefix renders every job through
// Ghostscript, and the tests read the pages' pixels back.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/controls/tbrush.h"
#include "framework/controls/tfont.h"
#include "framework/controls/tmultiget.h"
#include "framework/core/messages.h"
#include "framework/core/tracked.h"
#include "runtime/closure.h"
#include "tests/framework/services/printer_fixture.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"
#include "tests/support/log_folder.h"
#include "tests/support/printout.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"

namespace kestrel {
namespace {

using lanmere::Value;
using test::BoxInfo;
using test::DialogSteps;
using test::Ink;
using test::inkBox;
using test::ModalDriver;
using test::newPrinter;
using test::printerOf;

const double kMargin = 25.4 / 4;  // the test printer's unprintable quarter inch

// The profile's default printer as the system keeps it.
std::string profileDefault() {
  char value[512] = {};
  GetProfileStringA("windows", "device", "", value, sizeof value);
  return value;
}

Value call(const Value& printer, const char* method, std::vector<Value> args = {}) {
  return lanmere::send(printer, lanmere::symbol(method), lanmere::Args(args));
}

// A dialog step that presses a button of the dialog up now.
DialogSteps::Step press(int id) {
  return [id](HWND dialog) {
    if (!dialog) return false;
    PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
  };
}
using test::PrintOutput;

constexpr double kA4Wide = 210, kA4High = 297;

class Printing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::registerPrintingModules();
    static const std::string installed =
        test::installTestPrinter(test::resourceBytes("TESTPRINTERPPD"));
    ASSERT_EQ(installed, "");
    PRINTERINIT();
  }
  void SetUp() override { ASSERT_FALSE(output.folder().empty()) << "KESTREL_PRINT_DIR unset"; }
  void TearDown() override {
    PRINTERINIT();
    EXPECT_EQ(test::liveRecords("DC"), 0u);
    EXPECT_EQ(test::liveRecords("EMF"), 0u);
    EXPECT_EQ(test::liveRecords("BRUSH"), 0u);
    EXPECT_EQ(test::liveRecords("PAL"), 0u);
  }
  // Prints pages drawn by `draw` (one call per page) and answers the rendered pages.
  std::vector<test::PrintedPage> print(int pages, const std::function<void(const Value&)>& draw) {
    const Value printer = newPrinter();
    EXPECT_NE(printerOf(printer).hDC.integer(), 0);
    for (int page = 0; page < pages; ++page) {
      lanmere::send(printer, msg::StartPage);
      draw(printer);
      lanmere::send(printer, msg::EndPage);
    }
    lanmere::send(printer, msg::End);
    EXPECT_TRUE(output.waitDone());
    return output.pages();
  }

  PrintOutput output;
};

TEST_F(Printing, ABoxIsPrintedWhereAsked) {
  const auto pages = print(1, [](const Value& p) {
    const Value rect = lanmere::send(p, "CmRect2Pix", {Value::list({3, 2, 5, 6})});
    lanmere::send(p, "Box", {rect.item(1), rect.item(2), rect.item(3), rect.item(4)});
  });
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NEAR(pages[0].mmWide(), kA4Wide, 1);
  EXPECT_NEAR(pages[0].mmHigh(), kA4High, 1);
  const Ink ink = inkBox(pages[0], 0, 0, kA4Wide, kA4High);
  ASSERT_TRUE(ink.found);
  EXPECT_NEAR(ink.top, 30, 1);
  EXPECT_NEAR(ink.left, 20, 1);
  EXPECT_NEAR(ink.bottom, 50, 1);
  EXPECT_NEAR(ink.right, 60, 1);
}

TEST_F(Printing, NativesReadTheTestPrinter) {
  EXPECT_EQ(PRNGETNAME().string(), test::kTestPrinter);
  EXPECT_EQ(PRNGETPORT().string(), test::kTestPort);
  const Value dc = GETPRINTDEFAULT(0);
  ASSERT_NE(dc.integer(), 0);
  const HDC h = reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc.integer()));
  EXPECT_EQ(GetDeviceCaps(h, LOGPIXELSX), 300);
  const Value offset = PRNOFFSET(dc), size = PRNGETSIZE(dc);
  EXPECT_EQ(offset.item(1).integer(), GetDeviceCaps(h, PHYSICALOFFSETX));
  EXPECT_EQ(offset.item(2).integer(), GetDeviceCaps(h, PHYSICALOFFSETY));
  EXPECT_EQ(offset.item(1).integer(), 75);
  EXPECT_EQ(size.item(1).integer(), GetDeviceCaps(h, PHYSICALWIDTH));
  EXPECT_EQ(size.item(2).integer(), GetDeviceCaps(h, PHYSICALHEIGHT));
  EXPECT_NEAR(size.item(1).number() / 300 * 25.4, kA4Wide, 1);
  EXPECT_NEAR(size.item(2).number() / 300 * 25.4, kA4High, 1);
  trackedDelete(h, DeleteDC);
  const Value printers = AGETPRINTERS();
  EXPECT_EQ(printers.items().size(), 1u);
  EXPECT_EQ(printers.item(1).string(), test::kTestPrinter);
}

// Settings are written to the shared record itself: they read back, and a new context has them.
TEST_F(Printing, SettingsReadBackAndReachANewContext) {
  const HGLOBAL mode = printSettings().hDevMode, names = printSettings().hDevNames;
  EXPECT_TRUE(PRNLANDSCAPE().logical());
  EXPECT_EQ(PRNGETORIENTATION().integer(), DMORIENT_LANDSCAPE);
  Value one = 3;
  EXPECT_TRUE(PRNSETCOPIES(lanmere::Args(&one, 1)).logical());
  EXPECT_EQ(PRNGETCOPIES().integer(), 3);
  Value two[] = {Value(3), Value(5)};
  PRNSETCOPIES(lanmere::Args(two));
  EXPECT_EQ(PRNGETCOPIES().integer(), 5);
  EXPECT_TRUE(PRNSETPAGE(DMPAPER_LETTER).logical());
  EXPECT_EQ(printSettings().hDevMode, mode);
  EXPECT_EQ(printSettings().hDevNames, names);
  const Value dc = GETPRINTDEFAULT(0);
  const HDC h = reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc.integer()));
  // Letter on its side: 11 x 8.5 inches at 300 dpi.
  EXPECT_EQ(GetDeviceCaps(h, PHYSICALWIDTH), 3300);
  EXPECT_EQ(GetDeviceCaps(h, PHYSICALHEIGHT), 2550);
  trackedDelete(h, DeleteDC);
  PRNPORTRAIT();
  PRNSETPAGE(DMPAPER_A4);
}

TEST_F(Printing, StartDocWithAnOutputFileWritesTheCutTitle) {
  test::TempFolder folder;
  const std::string file = folder / "out.ps";
  const Value dc = GETPRINTDEFAULT(0);
  EXPECT_GT(
      STARTDOC(dc, Value("A document name well over thirty-one characters"), Value(file)).integer(),
      0);
  STARTPAGE(dc);
  ENDPAGE(dc);
  EXPECT_GT(ENDDOC(dc).integer(), 0);
  trackedDelete(reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc.integer())), DeleteDC);
  const std::string ps = test::readFile(file);
  EXPECT_NE(ps.find("%%Title: A document name well over thirt\n"), std::string::npos)
      << ps.substr(0, 300);
}

TEST_F(Printing, UnknownDefaultsLeaveTheProfileAlone) {
  const std::string before = profileDefault();
  EXPECT_FALSE(SETPRINTDEFAULT(Value("No Such Printer")).logical());
  EXPECT_EQ(profileDefault(), before);
  EXPECT_TRUE(SETPRINTDEFAULT(Value(test::kTestPrinter)).logical());
  EXPECT_EQ(profileDefault().rfind(test::kTestPrinter, 0), 0u);
  {
    ModalDriver driver([](const BoxInfo&) { return IDOK; });
    const Value printer = newPrinter({.cModel = Value("No Such Printer,wineps.drv,LPT9:")});
    lanmere::send(printer, msg::End);
  }
  // The unknown model leaves no settings behind: the default printer still prints (a "no
  // printers" box would be answered, and counted, rather than hang the test).
  int boxes = 0;
  ModalDriver driver([&](const BoxInfo&) { return ++boxes, IDOK; });
  const Value again = newPrinter({});
  EXPECT_NE(printerOf(again).hDC.integer(), 0);
  EXPECT_EQ(boxes, 0);
  lanmere::send(again, msg::End);
  EXPECT_EQ(profileDefault().rfind(test::kTestPrinter, 0), 0u);
  char name[256] = {};
  DWORD size = sizeof name;
  EXPECT_TRUE(GetDefaultPrinterA(name, &size));
  EXPECT_STREQ(name, test::kTestPrinter) << profileDefault();
}

TEST_F(Printing, ThreePagePairsGiveThreePages) {
  const auto pages = print(3, [](const Value& p) { call(p, "Box", {100, 100, 300, 300}); });
  EXPECT_EQ(pages.size(), 3u);
}

// Text lands in its cell measured from the paper's edge: the offsets come off once, and the
// units are not cut.
TEST_F(Printing, UnitSaysLandWhereAsked) {
  const auto pages = print(1, [](const Value& p) {
    call(p, "CmSay", {3, 2, Value("HHH")});
    call(p, "InchSay", {4, 4, Value("HHH")});
    call(p, "MmSay", {200, 40, Value("HHH")});
  });
  ASSERT_EQ(pages.size(), 1u);
  struct Cell {
    double top, left;
  };
  for (const Cell cell : {Cell{30, 20}, Cell{101.6, 101.6}, Cell{200, 40}}) {
    SCOPED_TRACE(testing::Message() << cell.top << " mm down, " << cell.left << " mm in");
    const Ink ink = inkBox(pages[0], cell.left - 3, cell.top - 3, cell.left + 15, cell.top + 8);
    ASSERT_TRUE(ink.found);
    EXPECT_NEAR(ink.left, cell.left, 1);
    EXPECT_GE(ink.top, cell.top - 0.5);
    EXPECT_LE(ink.top, cell.top + 2.5);
  }
}

TEST_F(Printing, ShapesRenderWhereAsked) {
  const auto pages = print(1, [](const Value& p) {
    call(p, "Line", {1000, 300, 1000, 900});
    call(p, "RoundBox", {1500, 300, 1800, 900, 40, 40, {}, Value(0x0000FF)});
  });
  ASSERT_EQ(pages.size(), 1u);
  // Pixels of the page context start at the printable origin.
  const auto mm = [](double pixels) { return pixels / 300 * 25.4 + kMargin; };
  const Ink line = inkBox(pages[0], 0, mm(1000) - 3, kA4Wide, mm(1000) + 3);
  ASSERT_TRUE(line.found);
  EXPECT_NEAR(line.left, mm(300), 1);
  EXPECT_NEAR(line.right, mm(900), 1);
  const Ink red = inkBox(pages[0], 0, mm(1400), kA4Wide, mm(1900), test::redInk);
  ASSERT_TRUE(red.found);
  EXPECT_NEAR(red.top, mm(1500), 1);
  EXPECT_NEAR(red.bottom, mm(1800), 1);
}

TEST_F(Printing, PicturesRender) {
  test::TempFolder folder;
  const std::string bitmap = folder / "red.bmp";
  ASSERT_TRUE(test::writeBitmapFile(bitmap, 40, 20, [](int, int) { return RGB(255, 0, 0); }));
  const std::string emf = folder / "square.emf";
  {
    const HDC made = CreateEnhMetaFileA(nullptr, emf.c_str(), nullptr, nullptr);
    Rectangle(made, 600, 2000, 900, 2300);
    DeleteEnhMetaFile(CloseEnhMetaFile(made));
  }
  const std::string raw = folder / "square.ps";
  ASSERT_TRUE(test::writeFile(raw,
                              "gsave 0 setgray 300 100 moveto 72 0 rlineto 0 72 rlineto "
                              "-72 0 rlineto closepath fill grestore\n"));
  Value sent;
  const auto pages = print(1, [&](const Value& p) {
    call(p, "SayBitmap", {300, 300, Value(bitmap), 200, 100});
    EXPECT_TRUE(call(p, "ImportWMF", {Value(emf)}).logical());
    sent = call(p, "ImportRAW", {Value(raw)});
    EXPECT_FALSE(call(p, "ImportWMF", {Value(folder / "missing.emf")}).logical());
    EXPECT_EQ(call(p, "ImportRAW", {Value(folder / "missing.ps")}).integer(), 0);
  });
  EXPECT_EQ(sent.integer(), static_cast<long long>(test::readFile(raw).size()));
  ASSERT_EQ(pages.size(), 1u);
  const auto mm = [](double pixels) { return pixels / 300 * 25.4 + kMargin; };
  const Ink red = inkBox(pages[0], 0, 0, kA4Wide, 80, test::redInk);
  ASSERT_TRUE(red.found);
  EXPECT_NEAR(red.left, mm(300), 1);
  EXPECT_NEAR(red.right, mm(500), 1);
  const Ink square = inkBox(pages[0], 0, 150, kA4Wide, kA4High);
  EXPECT_TRUE(square.found);
  // The raw square reaches the page as sent, in the page's own pixels: 72 of them from (300, 100).
  const Ink rawInk = inkBox(pages[0], mm(250), mm(50), mm(450), mm(250));
  ASSERT_TRUE(rawInk.found);
  EXPECT_NEAR(rawInk.left, mm(300), 1);
  EXPECT_NEAR(rawInk.top, mm(100), 1);
  EXPECT_NEAR(rawInk.right - rawInk.left, 72 / 300.0 * 25.4, 1);
}

// An image object as programs hand them to SayImage: its bitmap, and whether the bitmap carries
// premultiplied alpha.
class AlphaImage : public lanmere::Object {
  LM_CLASS(AlphaImage, lanmere::Object)
 public:
  Value hBitmap = 0;
  Value lHasAlpha = true;
};
LM_DEFINE_CLASS(AlphaImage) {
  c.data(LM_FIELDS(hBitmap, lHasAlpha));
}

// A 40 x 20 top-down 32-bit bitmap: the left half opaque blue, the right half fully transparent.
HBITMAP halfTransparentBlue() {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 40, -20, 1, 32, BI_RGB};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixel = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) pixel[y * 40 + x] = x < 20 ? 0xFF0000FFu : 0u;
  }
  return bitmap;
}

// A file fits its box keeping its proportions; an alpha image is blended: opaque pixels print,
// transparent ones leave the paper white, and the alpha level lightens the whole.
TEST_F(Printing, SayImageFitsFilesAndBlendsAlpha) {
  test::TempFolder folder;
  const std::string bitmap = folder / "red.bmp";
  ASSERT_TRUE(test::writeBitmapFile(bitmap, 40, 20, [](int, int) { return RGB(255, 0, 0); }));
  const HBITMAP blue = halfTransparentBlue();
  ASSERT_NE(blue, nullptr);
  const auto image = lanmere::make<AlphaImage>();
  image->hBitmap = handleNumber(blue);
  const auto pages = print(1, [&](const Value& p) {
    call(p, "SayImage", {300, 300, Value(bitmap), 100, 100, {}, false});
    call(p, "SayImage", {600, 300, Value(image), 200, 100});
    call(p, "SayImage", {900, 300, Value(image), 200, 100, {}, {}, 128});
  });
  DeleteObject(blue);
  ASSERT_EQ(pages.size(), 1u);
  const auto mm = [](double pixels) { return pixels / 300 * 25.4 + kMargin; };
  const Ink red = inkBox(pages[0], 0, 0, kA4Wide, mm(500), test::redInk);
  ASSERT_TRUE(red.found);
  EXPECT_NEAR(red.left, mm(300), 1);
  EXPECT_NEAR(red.right, mm(400), 1);
  EXPECT_NEAR(red.bottom, mm(350), 1) << "40 x 20 into 100 x 100 keeps its proportions";
  const auto blueInk = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return b > 160 && r < 96 && g < 96;
  };
  const Ink opaque = inkBox(pages[0], 0, mm(550), kA4Wide, mm(750), blueInk);
  ASSERT_TRUE(opaque.found);
  EXPECT_NEAR(opaque.left, mm(300), 1);
  EXPECT_NEAR(opaque.right, mm(400), 1) << "the transparent half leaves no ink";
  EXPECT_FALSE(inkBox(pages[0], mm(410), mm(550), kA4Wide, mm(750)).found);
  const auto halfBlue = [](std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return b > 200 && r > 96 && r < 160 && g > 96 && g < 160;
  };
  const Ink half = inkBox(pages[0], 0, mm(850), kA4Wide, mm(1050), halfBlue);
  ASSERT_TRUE(half.found) << "level 128 prints half the blue over white";
  EXPECT_NEAR(half.right, mm(400), 1);
}

TEST_F(Printing, CharSayAtTheOriginAndALandscapeLine) {
  const auto pages = print(1, [](const Value& p) { call(p, "CharSay", {1, 1, Value("H")}); });
  ASSERT_EQ(pages.size(), 1u);
  const Ink ink = inkBox(pages[0], 0, 0, 40, 40);
  ASSERT_TRUE(ink.found);
  EXPECT_NEAR(ink.left, kMargin, 1);
  EXPECT_NEAR(ink.top, kMargin, 1.5);

  output.clear();
  const Value printer = newPrinter();
  call(printer, "SetLandscape");
  call(printer, "StartPage");
  Value row = 2, col = 1;
  call(printer, "Cmtr2Pix", {row, col});
  const Value line = call(printer, "CmRect2Pix", {Value::list({2, 1, 2, 26})});
  call(printer, "Line", {line.item(1), line.item(2), line.item(3), line.item(4)});
  call(printer, "EndPage");
  call(printer, "End");
  ASSERT_TRUE(output.waitDone());
  const auto wide = output.pages();
  ASSERT_EQ(wide.size(), 1u);
  const Ink drawn = inkBox(wide[0], 0, 0, wide[0].mmWide(), wide[0].mmHigh());
  ASSERT_TRUE(drawn.found);
  // Rendered portrait or turned, the line's long side is 25 cm.
  EXPECT_NEAR(std::max(drawn.right - drawn.left, drawn.bottom - drawn.top), 250, 1);
  EXPECT_EQ(PRNGETORIENTATION().integer(), DMORIENT_PORTRAIT) << "End restores it";
}

TEST_F(Printing, PreviewKeepsOneMetafilePerPageUntilEnd) {
  test::TempFolder temp;
  const std::string saved = std::getenv("TEMP") ? std::getenv("TEMP") : "";
  SetEnvironmentVariableA("TEMP", temp.path().c_str());
  _putenv_s("TEMP", temp.path().c_str());
  const Value printer = newPrinter({.lMeta = true});
  TPrinter& p = printerOf(printer);
  EXPECT_EQ(p.cDir.string(), temp.path());
  for (int page = 0; page < 3; ++page) {
    call(printer, "StartPage");
    call(printer, "Box", {100 + page * 200, 100, 200 + page * 200, 200});
    call(printer, "EndPage");
  }
  ASSERT_EQ(p.aMeta.items().size(), 3u);
  int index = 0;
  for (const Value& file : p.aMeta.items()) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(file.string().rfind(temp.path() + "\\", 0), 0u);
    const HENHMETAFILE page = GetEnhMetaFileA(file.string().c_str());
    ASSERT_NE(page, nullptr);
    // Played into a bitmap at a tenth of the page's pixels: the page's own box shows.
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP canvas = CreateCompatibleBitmap(screen, 100, 100);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ old = SelectObject(memory, canvas);
    const RECT all{0, 0, 100, 100};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(page, sizeof header, &header);
    const RECT frame{header.rclBounds.left / 10, header.rclBounds.top / 10,
                     header.rclBounds.right / 10 + 1, header.rclBounds.bottom / 10 + 1};
    PlayEnhMetaFile(memory, page, &frame);
    EXPECT_EQ(GetPixel(memory, 10, 10 + index * 20), RGB(0, 0, 0));
    SelectObject(memory, old);
    DeleteObject(canvas);
    DeleteDC(memory);
    DeleteEnhMetaFile(page);
    ++index;
  }
  const Value files = p.aMeta;  // End gives the printer a new list
  call(printer, "End");
  for (const Value& file : files.items()) EXPECT_FALSE(test::fileExists(file.string()));
  SetEnvironmentVariableA("TEMP", saved.c_str());
  _putenv_s("TEMP", saved.c_str());
}

TEST_F(Printing, PrintCommandsChooseAPrinterAndPrintOneJob) {
  struct Case {
    Value model;
  };
  const Case cases[] = {{Value(test::kTestPrinter)}, {Value("test PRINT")}, {Value(1)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model.isText() ? c.model.string() : "by number");
    output.clear();
    Value args[] = {Value("Commands"), Value(false), Value(false), c.model};
    const Value printer = PRINTBEGIN(lanmere::Args(args));
    ASSERT_TRUE(printer.isObject());
    EXPECT_EQ(printerOf(printer).cModel.string().rfind(test::kTestPrinter, 0), 0u);
    for (int page = 0; page < 2; ++page) {
      PAGEBEGIN();
      call(printer, "Box", {100, 100, 200, 200});
      PAGEEND();
    }
    PRINTEND();
    EXPECT_TRUE(currentPrinter().isNil());
    ASSERT_TRUE(output.waitDone());
    EXPECT_EQ(output.pages().size(), 2u);
    EXPECT_NE(output.postScript().find("%%Title: Commands"), std::string::npos);
  }
}

TEST_F(Printing, ANumberOutOfRangeBeepsAndAsks) {
  std::string seen;
  DialogSteps steps({[&](HWND dialog) {
    if (!dialog) return false;
    char title[128] = {};
    GetWindowTextA(dialog, title, sizeof title);
    seen = title;
    // Cancel for the print dialog; OK as well, should a message box stand in its place.
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  // A stop box in place of the dialog is answered too, so a failure shows instead of hanging.
  std::vector<std::string> boxes;
  ModalDriver boxDriver([&](const BoxInfo& box) {
    boxes.push_back(box.text);
    return box.text.empty() ? 0 : IDOK;
  });
  Value args[] = {Value("Asked"), Value(false), Value(false), Value(9)};
  const Value printer = PRINTBEGIN(lanmere::Args(args));
  EXPECT_TRUE(steps.done());
  steps.rethrow();
  EXPECT_EQ(seen, "Print");
  EXPECT_TRUE(boxes.empty()) << boxes.front();
  EXPECT_EQ(printerOf(printer).hDC.integer(), 0) << "Cancel: no context, not the default";
  PAGEBEGIN();
  PAGEEND();
  PRINTEND();
  EXPECT_FALSE(output.waitDone(1500)) << "nothing printed";
}

// Ending another printer, even one with a page of its own open, leaves the commands' printer and
// its job alone: the next PAGEBEGIN adds a page to that job.
TEST_F(Printing, EndOfAnotherPrinterKeepsTheCurrentOne) {
  Value args[] = {Value("Current")};
  const Value printer = PRINTBEGIN(lanmere::Args(args));
  PAGEBEGIN();
  const Value other = newPrinter();
  call(other, "StartPage");
  call(other, "End");
  ASSERT_TRUE(output.waitDone()) << "the other printer's own job";
  output.clear();
  EXPECT_EQ(currentPrinter().identity(), printer.identity());
  call(printer, "Box", {100, 100, 200, 200});
  PAGEEND();
  PAGEBEGIN();
  call(printer, "Box", {300, 300, 400, 400});
  PAGEEND();
  PRINTEND();
  ASSERT_TRUE(output.waitDone());
  const auto pages = output.pages();
  ASSERT_EQ(pages.size(), 2u);
  const auto mm = [](double pixels) { return pixels / 300 * 25.4 + kMargin; };
  EXPECT_NEAR(inkBox(pages[0], 0, 0, kA4Wide, kA4High).left, mm(100), 1);
  EXPECT_NEAR(inkBox(pages[1], 0, 0, kA4Wide, kA4High).left, mm(300), 1);
}

TEST_F(Printing, DialogsAnswerOkAndCancel) {
  {
    DialogSteps steps({press(IDOK)});
    const Value dc = GETPRINTDC(0, false, false);
    steps.rethrow();
    EXPECT_NE(dc.integer(), 0);
    trackedDelete(reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc.integer())), DeleteDC);
  }
  {
    DialogSteps steps({press(IDCANCEL)});
    EXPECT_EQ(GETPRINTDC(0, false, false).integer(), 0);
  }
  {
    DialogSteps steps({press(IDOK)});
    const Value dc = PRINTERSETUP(0);
    EXPECT_NE(dc.integer(), 0);
    trackedDelete(reinterpret_cast<HDC>(static_cast<std::intptr_t>(dc.integer())), DeleteDC);
  }
  {
    DialogSteps steps({press(IDCANCEL)});
    EXPECT_EQ(PRINTERSETUP(0).integer(), 0);
  }
  {
    DialogSteps steps({press(IDOK)});
    Value args[] = {Value(0), Value(1000), Value(1500), Value(2000), Value(2500)};
    EXPECT_TRUE(PAGESETUP(lanmere::Args(args)).logical());
    const Value margins = PAGEGETMARGINS();
    EXPECT_EQ(margins.item(1).integer(), 1000);
    EXPECT_EQ(margins.item(2).integer(), 1500);
  }
  {
    DialogSteps steps({press(IDCANCEL)});
    Value args[] = {Value(0), Value(3000)};
    const Value before = PAGEGETMARGINS();
    EXPECT_FALSE(PAGESETUP(lanmere::Args(args)).logical());
    EXPECT_EQ(PAGEGETMARGINS().item(2).integer(), before.item(2).integer());
  }
}

TEST_F(Printing, ARefusedPageRaisesPrintErrorAndEndsClean) {
  const Value printer = newPrinter({.cDocument = Value("Refused")});
  TPrinter& p = printerOf(printer);
  // A job already running on the context: the printer's own job start is refused.
  ASSERT_GT(STARTDOC(p.hDC, Value("first"), {}).integer(), 0);
  {
    test::ErrorCatcher errors(Value(false));
    call(printer, "StartPage");
    ASSERT_EQ(errors.records.size(), 1u);
    EXPECT_EQ(errors.last().genCode.integer(), 25);
    EXPECT_EQ(errors.last().subCode.integer(), kPrintJobSubCode);
    EXPECT_EQ(errors.last().description.text(), "Print error");
  }
  EXPECT_FALSE(p.lStarted.logical());
  call(printer, "End");
  EXPECT_EQ(p.hDC.integer(), 0);
}

TEST_F(Printing, ACallersFontOutlivesThePrinter) {
  const Value font =
      lanmere::construct<TFont>({.cFaceName = Value("Times New Roman"), .nHeight = Value(-40)});
  const Value handle = tell(font, msg::hFont);
  const long long uses = tell(font, msg::nCount).integer();
  const Value printer = newPrinter();
  call(printer, "StartPage");
  call(printer, "Say", {100, 1000, Value("right"), font, {}, {}, {}, 1});
  EXPECT_EQ(printerOf(printer).oFont.identity(), font.identity()) << "it becomes the default";
  call(printer, "EndPage");
  call(printer, "End");
  call(printer, "End");
  EXPECT_EQ(tell(font, msg::hFont).integer(), handle.integer());
  EXPECT_EQ(tell(font, msg::nCount).integer(), uses);
  lanmere::send(font, msg::End);
  ASSERT_TRUE(output.waitDone());
}

TEST_F(Printing, PhysicalSizeIsNotCut) {
  const Value printer = newPrinter();
  const Value size = call(printer, "GetPhySize");
  EXPECT_NEAR(size.item(1).number(), 209.9, 0.1);
  EXPECT_NEAR(size.item(2).number(), 297.0, 0.1);
  call(printer, "End");
}

TEST_F(Printing, MemoPrintsItsLinesOnTheNotesJob) {
  struct Case {
    int lines;
    std::size_t pages;
  };
  for (const Case c : {Case{3, 1}, Case{61, 2}}) {
    SCOPED_TRACE(c.lines);
    output.clear();
    const Value window = test::pixelWindow(100, 100, 400, 500, "Notes");
    std::string text;
    for (int i = 0; i < c.lines; ++i) text += "HHHHHHHH\r\n";
    Value held = Value(text);
    const Value field =
        lanmere::construct<TMultiGet>({.bSetGet = lanmere::block([&](lanmere::Args a) {
                                         if (!a.empty() && !a[0].isNil()) held = a[0];
                                         return held;
                                       }),
                                       .oWnd = window});
    EXPECT_TRUE(lanmere::send(field, "Print").logical());
    test::destroy(window);
    ASSERT_TRUE(output.waitDone());
    const auto pages = output.pages();
    ASSERT_EQ(pages.size(), c.pages);
    EXPECT_NE(output.postScript().find("%%Title: Notes"), std::string::npos);
    if (c.lines == 3) {
      // Three ink lines, a sixtieth of the printable height apart.
      const double pitch = (kA4High - 2 * kMargin) / 60;
      for (int line = 0; line < 3; ++line) {
        const double top = kMargin + line * pitch;
        EXPECT_TRUE(inkBox(pages[0], 0, top, kA4Wide, top + pitch).found) << line;
      }
      EXPECT_FALSE(inkBox(pages[0], 0, kMargin + 3 * pitch, kA4Wide, kA4High).found);
    }
  }
}

// The figures: jobs and previews leave no context, font, brush, bitmap, palette, metafile or
// page file behind, and the shared settings keep their two blocks.
TEST_F(Printing, TwentyJobsAndPreviewsLeaveNothing) {
  test::TempFolder temp;
  const std::string saved = std::getenv("TEMP") ? std::getenv("TEMP") : "";
  _putenv_s("TEMP", temp.path().c_str());
  const HGLOBAL mode = printSettings().hDevMode, names = printSettings().hDevNames;
  const std::size_t fonts = test::liveRecords("FONT"), bitmaps = test::liveRecords("BMP");
  test::TempFolder pictures;
  const std::string bitmap = pictures / "b.bmp";
  test::writeBitmapFile(bitmap, 8, 8, [](int, int) { return RGB(0, 0, 255); });
  constexpr int kCycles = 20;
  for (int cycle = 0; cycle < 2 * kCycles; ++cycle) {
    const bool preview = cycle >= kCycles;
    output.clear();
    const Value printer = newPrinter({.lMeta = preview});
    for (int page = 0; page < 3; ++page) {
      call(printer, "StartPage");
      call(printer, "Say", {10, 10, Value("x")});
      call(printer, "RoundBox", {10, 10, 50, 50, 5, 5, {}, Value(255)});
      call(printer, "SayBitmap", {60, 60, Value(bitmap)});
      call(printer, "EndPage");
    }
    call(printer, preview ? "Preview" : "End");
    if (!preview) {
      ASSERT_TRUE(output.waitDone());
    }
  }
  std::size_t pageFiles = 0;
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((temp.path() + "\\*.emf").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do ++pageFiles;
    while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  _putenv_s("TEMP", saved.c_str());
  std::printf(
      "[ figures ] after %d jobs and %d previews of 3 pages: DC %zu, FONT %zu, BRUSH %zu, "
      "BMP %zu, PAL %zu, EMF %zu; page files %zu; blocks %s\n",
      kCycles, kCycles, test::liveRecords("DC"), test::liveRecords("FONT") - fonts,
      test::liveRecords("BRUSH"), test::liveRecords("BMP") - bitmaps, test::liveRecords("PAL"),
      test::liveRecords("EMF"), pageFiles,
      printSettings().hDevMode == mode && printSettings().hDevNames == names ? "the same two"
                                                                             : "changed");
  EXPECT_EQ(test::liveRecords("FONT"), fonts);
  EXPECT_EQ(test::liveRecords("BMP"), bitmaps);
  EXPECT_EQ(printSettings().hDevMode, mode);
  EXPECT_EQ(printSettings().hDevNames, names);
  EXPECT_EQ(pageFiles, 0u);
}

}  // namespace
}  // namespace kestrel
