#include "tests/support/printout.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/files.h"

namespace kestrel::test {

namespace {

constexpr double kRenderDpi = 100;  // the Ghostscript line's -r100
constexpr double kMmPerInch = 25.4;
constexpr unsigned kPollMs = 50;

// Ghostscript renders what the port receives; "done" marks the job's end for the reader.
constexpr const char* kPortCommand =
    "|tee \"$KESTREL_PRINT_DIR/job.ps\" | gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r100 "
    "-sOutputFile=\"$KESTREL_PRINT_DIR/page-%03d.ppm\" - >/dev/null 2>&1; "
    "touch \"$KESTREL_PRINT_DIR/done\"";

std::string windowsPath(const char* unixPath) {
  std::string path = std::string("Z:") + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

bool addDriver(const std::string& ppd, const char* environment) {
  DRIVER_INFO_3A info{};
  info.cVersion = 3;
  info.pName = const_cast<char*>(kTestPrinter);
  info.pEnvironment = const_cast<char*>(environment);
  info.pDriverPath = const_cast<char*>("wineps.drv");
  info.pDataFile = const_cast<char*>(ppd.c_str());
  info.pConfigFile = const_cast<char*>("wineps.drv");
  info.pDefaultDataType = const_cast<char*>("RAW");
  return AddPrinterDriverExA(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                             APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY) != FALSE;
}

bool addPrinter(const char* processor) {
  PRINTER_INFO_2A info{};
  info.pPrinterName = const_cast<char*>(kTestPrinter);
  info.pPortName = const_cast<char*>(kTestPort);
  info.pDriverName = const_cast<char*>(kTestPrinter);
  info.pPrintProcessor = const_cast<char*>(processor);
  info.pDatatype = const_cast<char*>("RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  const HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (!printer) return false;
  ClosePrinter(printer);
  return true;
}

bool printerInstalled() {
  HANDLE printer = nullptr;
  if (!OpenPrinterA(const_cast<char*>(kTestPrinter), &printer, nullptr)) return false;
  ClosePrinter(printer);
  return true;
}

}  // namespace

std::string installTestPrinter(const std::string& ppd) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string ppdPath = std::string(windows) + "\\kestrel_test_printer.ppd";
  if (readFile(ppdPath) != ppd && !writeFile(ppdPath, ppd)) return "cannot write " + ppdPath;
  if (!printerInstalled()) {
    // Both runs share the prefix: the driver is there for each kind of program.
    const bool x86 = addDriver(ppdPath, "Windows NT x86");
    const bool x64 = addDriver(ppdPath, "Windows x64");
    if (!x86 && !x64) return "AddPrinterDriverExA failed: " + std::to_string(GetLastError());
    if (!addPrinter("WinPrint") && !addPrinter("wineps")) {
      return "AddPrinterA failed: " + std::to_string(GetLastError());
    }
  }
  HKEY spooler = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Printing\\Spooler", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &spooler, nullptr) != ERROR_SUCCESS) {
    return "cannot open the spooler key";
  }
  RegSetValueExA(spooler, kTestPort, 0, REG_SZ, reinterpret_cast<const BYTE*>(kPortCommand),
                 static_cast<DWORD>(std::strlen(kPortCommand) + 1));
  RegCloseKey(spooler);
  char devices[256] = {};
  if (GetProfileStringA("Devices", kTestPrinter, "", devices, sizeof devices) == 0) {
    WriteProfileStringA("Devices", kTestPrinter, (std::string("winspool,") + kTestPort).c_str());
    WriteProfileStringA("PrinterPorts", kTestPrinter,
                        (std::string("winspool,") + kTestPort + ",15,45").c_str());
  }
  if (!SetDefaultPrinterA(kTestPrinter)) {
    return "SetDefaultPrinterA failed: " + std::to_string(GetLastError());
  }
  return "";
}

double PrintedPage::mmWide() const {
  return width * kMmPerInch / kRenderDpi;
}
double PrintedPage::mmHigh() const {
  return height * kMmPerInch / kRenderDpi;
}

bool darkInk(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r < 128 && g < 128 && b < 128;
}
bool redInk(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return r > 160 && g < 96 && b < 96;
}

Ink inkBox(const PrintedPage& page, double left, double top, double right, double bottom,
           const InkTest& ink) {
  const auto px = [](double mm) { return static_cast<int>(mm * kRenderDpi / kMmPerInch); };
  Ink box;
  int minX = page.width, minY = page.height, maxX = -1, maxY = -1;
  for (int y = std::max(0, px(top)); y < std::min(page.height, px(bottom)); ++y) {
    for (int x = std::max(0, px(left)); x < std::min(page.width, px(right)); ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * page.width + x) * 3;
      if (!ink(page.rgb[at], page.rgb[at + 1], page.rgb[at + 2])) continue;
      minX = std::min(minX, x), maxX = std::max(maxX, x);
      minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
  }
  if (maxX < 0) return box;
  const auto mm = [](int pixel) { return pixel * kMmPerInch / kRenderDpi; };
  return {true, mm(minX), mm(minY), mm(maxX + 1), mm(maxY + 1)};
}

PrintOutput::PrintOutput() {
  if (const char* dir = std::getenv("KESTREL_PRINT_DIR"); dir && *dir) {
    folder_ = windowsPath(dir);
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  clear();
}

void PrintOutput::clear() const {
  if (folder_.empty()) return;
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder_ + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      DeleteFileA((folder_ + "\\" + entry.cFileName).c_str());
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

bool PrintOutput::waitDone(unsigned timeoutMs) const {
  if (folder_.empty()) return false;
  for (unsigned waited = 0; waited <= timeoutMs; waited += kPollMs) {
    if (kestrel::test::fileExists(folder_ + "\\done")) return true;
    Sleep(kPollMs);
  }
  return false;
}

std::vector<PrintedPage> PrintOutput::pages() const {
  std::vector<PrintedPage> pages;
  for (int n = 1; n < 1000; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "\\page-%03d.ppm", n);
    std::ifstream file(folder_ + name, std::ios::binary);
    if (!file) break;
    // P6, then width, height and the largest value, each possibly after comment lines.
    std::string magic;
    file >> magic;
    int fields[3] = {};
    for (int& field : fields) {
      file >> std::ws;
      while (file.peek() == '#') {
        std::string comment;
        std::getline(file, comment);
        file >> std::ws;
      }
      file >> field;
    }
    file.get();
    PrintedPage page;
    page.width = fields[0];
    page.height = fields[1];
    page.rgb.resize(static_cast<std::size_t>(page.width) * page.height * 3);
    file.read(reinterpret_cast<char*>(page.rgb.data()),
              static_cast<std::streamsize>(page.rgb.size()));
    if (magic != "P6" || !file) break;
    pages.push_back(std::move(page));
  }
  return pages;
}

std::string PrintOutput::postScript() const {
  return readFile(folder_ + "\\job.ps");
}

}  // namespace kestrel::test
