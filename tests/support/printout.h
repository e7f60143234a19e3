// A real printer for the printing tests: a PostScript printer of our own, installed in the
// printing prefix, whose port pipes each job to Ghostscript; and a reader of the rendered pages
// (PPM files at 100 dpi in $KESTREL_PRINT_DIR), measured in millimetres from the paper's edge.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::test {

inline constexpr const char* kTestPrinter = "Kestrel Test Printer";
inline constexpr const char* kTestPort = "KESTREL:";

// Installs, where missing, the driver (the PPD `ppd`, written into the prefix), the printer, its
// port's mapping to Ghostscript and the default printer. Answers "" or what failed.
std::string installTestPrinter(const std::string& ppd);

struct PrintedPage {
  int width = 0, height = 0;  // pixels
  std::vector<std::uint8_t> rgb;
  double mmWide() const;
  double mmHigh() const;
};

// The ink box of a region: the bounds of the pixels `ink` accepts, in mm from the paper's
// top-left edge; empty when none is.
struct Ink {
  bool found = false;
  double left = 0, top = 0, right = 0, bottom = 0;
};
using InkTest = std::function<bool(std::uint8_t r, std::uint8_t g, std::uint8_t b)>;
bool darkInk(std::uint8_t r, std::uint8_t g, std::uint8_t b);
bool redInk(std::uint8_t r, std::uint8_t g, std::uint8_t b);
Ink inkBox(const PrintedPage& page, double left, double top, double right, double bottom,
           const InkTest& ink = darkInk);

// The output folder of the test printer: cleared on construction.
class PrintOutput {
 public:
  PrintOutput();
  // The folder as a Windows path ("" when $KESTREL_PRINT_DIR is not set).
  const std::string& folder() const { return folder_; }
  // Waits (bounded) for the job's "done" mark.
  bool waitDone(unsigned timeoutMs = 60000) const;
  std::vector<PrintedPage> pages() const;
  // The job's PostScript as the printer received it.
  std::string postScript() const;
  void clear() const;

 private:
  std::string folder_;
};

}  // namespace kestrel::test
