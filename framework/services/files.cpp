#include "framework/services/files.h"

#include <cstdint>
#include <cstdio>

#include "framework/core/win32.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kKernelLibrary = "kernel32.dll";
// Messages handled before each directory entry; a bound, so a window that keeps posting to
// itself cannot hold the search.
constexpr int kMessagesPerEntry = 256;

// Directory listing of one pattern, closed on every path out.
class Listing {
 public:
  explicit Listing(const std::string& pattern)
      : handle_(FindFirstFileA(pattern.c_str(), &entry_)) {}
  ~Listing() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  Listing(const Listing&) = delete;
  Listing& operator=(const Listing&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  const WIN32_FIND_DATAA& entry() const { return entry_; }
  bool next() { return FindNextFileA(handle_, &entry_) != 0; }

 private:
  WIN32_FIND_DATAA entry_{};
  HANDLE handle_;
};

bool localTime(const FILETIME& written, SYSTEMTIME& local) {
  FILETIME localFile;
  return FileTimeToLocalFileTime(&written, &localFile) && FileTimeToSystemTime(&localFile, &local);
}

// Keeps the user interface alive during a long search. A quit request read here is posted
// again for the loop that owns it; a request parked by a window procedure is raised.
void processPendingMessages() {
  MSG msg;
  for (int n = 0; n < kMessagesPerEntry && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    lanmere::raiseParked();
  }
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  return lanmere::upper(a) == lanmere::upper(b);
}

std::string joinPath(std::string_view directory, std::string_view name) {
  std::string path(directory);
  if (path.empty() || path.back() != '\\') path += '\\';
  path += name;
  return path;
}

// One level of AFINDFILE; `depth` 0 is the starting directory.
Value findFile(std::string_view name, std::string_view directory, const Value& found, int depth) {
  if (depth > kFindFileDepth) return {};
  Listing listing(joinPath(directory, "*.*"));
  for (bool more = listing.valid(); more; more = listing.next()) {
    processPendingMessages();
    const WIN32_FIND_DATAA& entry = listing.entry();
    const std::string_view entryName = entry.cFileName;
    if (entryName == "." || entryName == "..") continue;
    if (sameNameIgnoringCase(entryName, name)) {
      found.listData()->items.push_back(Value(joinPath(directory, name)));
    }
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      findFile(name, joinPath(directory, entryName), found, depth + 1);
    }
  }
  return found;
}

template <class Service, class... A>
Value callKernelService(const char* serviceName, A... args) {
  HMODULE library = loadLibraryOrAlert(kKernelLibrary);
  if (!library) return {};
  auto service =
      reinterpret_cast<Service>(reinterpret_cast<void*>(GetProcAddress(library, serviceName)));
  const BOOL result = service ? service(args...) : FALSE;
  FreeLibrary(library);
  return Value(result != FALSE);
}

}  // namespace

std::optional<std::string> cNewFileName(std::string_view root, std::string_view extension) {
  for (int n = 1; n <= kMaxNewFileNumber; ++n) {
    std::string name = std::string(root) + std::to_string(n) + "." + std::string(extension);
    if (!pathExists(name)) return name;
  }
  return std::nullopt;
}

std::string cTempFile(std::string_view directory, std::string_view extension) {
  static bool issuedAny = false;
  static DWORD lastIssued = 0;
  std::string suffix(extension);
  if (!suffix.empty() && suffix.find('.') == std::string::npos) suffix.insert(0, ".");
  DWORD number = GetTickCount();
  // Within one millisecond (or one tick of a coarse clock) the count repeats: move past it.
  // The comparison is modular, so the count's wrap after 49 days keeps working.
  if (issuedAny && static_cast<LONG>(number - lastIssued) <= 0) number = lastIssued + 1;
  std::string name;
  for (int attempt = 0; attempt < 1'000'000; ++attempt, ++number) {
    name = std::string(directory) + std::to_string(number) + suffix;
    if (!pathExists(name)) break;
  }
  issuedAny = true;
  lastIssued = number;
  return name;
}

bool lIsDir(std::string_view path) {
  std::string cleaned(path);
  if (!cleaned.empty() && (cleaned.back() == '\\' || cleaned.back() == '/')) cleaned.pop_back();
  if (cleaned.empty()) return false;
  Listing listing(cleaned);
  if (!listing.valid()) return false;
  const bool directory = (listing.entry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return directory && !listing.next();
}

HMODULE loadLibraryOrAlert(const char* library) {
  HMODULE module = LoadLibraryA(library);
  if (!module) {
    showAlert("Error code: " + std::to_string(reinterpret_cast<std::uintptr_t>(module)) +
              " loading " + library);
  }
  return module;
}

Value CNEWFILENAME(Args args) {
  auto name = cNewFileName(lanmere::arg(args, 1).text(), lanmere::arg(args, 2).text());
  return name ? Value(*name) : Value();
}

Value CTEMPFILE(Args args) {
  return Value(cTempFile(lanmere::arg(args, 1).text(), lanmere::arg(args, 2).text()));
}

Value LISDIR(Args args) {
  return Value(lIsDir(lanmere::arg(args, 1).text()));
}

Value FSIZE(Args args) {
  Listing listing(lanmere::arg(args, 1).string());
  if (!listing.valid()) return Value(0);
  const WIN32_FIND_DATAA& entry = listing.entry();
  return Value(static_cast<long long>((static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) |
                                      entry.nFileSizeLow));
}

Value FDATE(Args args) {
  Listing listing(lanmere::arg(args, 1).string());
  SYSTEMTIME t;
  if (!listing.valid() || !localTime(listing.entry().ftLastWriteTime, t)) return Value::date(0);
  return Value::date(lanmere::julianFromDate(t.wYear, t.wMonth, t.wDay));
}

Value FTIME(Args args) {
  Listing listing(lanmere::arg(args, 1).string());
  SYSTEMTIME t;
  if (!listing.valid() || !localTime(listing.entry().ftLastWriteTime, t)) return Value("");
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
  return Value(text);
}

Value AFINDFILE(Args args) {
  Value found = lanmere::arg(args, 3).isList() ? lanmere::arg(args, 3) : Value::list();
  return findFile(lanmere::arg(args, 1).text(), lanmere::arg(args, 2).text(), found, 0);
}

Value ADRIVES(Args args) {
  const long long kind = lanmere::arg(args, 1).integer();
  Value drives = Value::list();
  // No "insert a disk" box for an empty drive while we look.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  auto add = [&](char letter) {
    drives.listData()->items.push_back(Value(std::string{letter, ':'}));
  };
  if (kind == 0 || kind == 1) {
    for (char letter : {'A', 'B'}) {
      const char root[] = {letter, ':', '\\', 0};
      if (GetDriveTypeA(root) == DRIVE_REMOVABLE) add(letter);
    }
  }
  if (kind == 0 || kind == 2) {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
      const char root[] = {letter, ':', '\\', 0};
      const std::string device = std::string(root) + "NUL";
      if (GetDriveTypeA(root) == DRIVE_CDROM || pathExists(device)) add(letter);
    }
  }
  SetErrorMode(previousMode);
  return drives;
}

Value MOVEFILE(Args args) {
  const std::string from = lanmere::arg(args, 1).string();
  const std::string to = lanmere::arg(args, 2).string();
  return callKernelService<BOOL(WINAPI*)(LPCSTR, LPCSTR)>("MoveFileA", from.c_str(), to.c_str());
}

Value REMOVEDIR(Args args) {
  const std::string directory = lanmere::arg(args, 1).string();
  return callKernelService<BOOL(WINAPI*)(LPCSTR)>("RemoveDirectoryA", directory.c_str());
}

const lanmere::ModuleTable& filesModule() {
  using namespace lanmere;
  static const ModuleTable module{
      "framework/services/files.cpp",
      {lanmere::fn<&CNEWFILENAME>("CNEWFILENAME"), lanmere::fn<&CTEMPFILE>("CTEMPFILE"),
       lanmere::fn<&LISDIR>("LISDIR"), lanmere::fn<&FSIZE>("FSIZE"), lanmere::fn<&FDATE>("FDATE"),
       lanmere::fn<&FTIME>("FTIME"), lanmere::fn<&AFINDFILE>("AFINDFILE"),
       lanmere::fn<&ADRIVES>("ADRIVES"), lanmere::fn<&MOVEFILE>("MOVEFILE"),
       lanmere::fn<&REMOVEDIR>("REMOVEDIR")}};
  return module;
}

}  // namespace kestrel
