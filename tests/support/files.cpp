#include "tests/support/files.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kestrel::test {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
long processId() {
  return static_cast<long>(GetCurrentProcessId());
}
#else
constexpr char kSeparator = '/';
long processId() {
  return static_cast<long>(getpid());
}
#endif

}  // namespace

TempFolder::TempFolder() {
  static int serial = 0;
  std::string base = fs::temp_directory_path().string();
  if (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
  path_ =
      base + kSeparator + "kestrel-" + std::to_string(processId()) + "-" + std::to_string(++serial);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
  fs::create_directories(path_, ignored);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only files a test made would keep the folder on Windows.
  for (fs::recursive_directory_iterator it(path_, ignored), end; !ignored && it != end;
       it.increment(ignored)) {
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
  }
  fs::remove_all(path_, ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
  return path_ + kSeparator + name;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

bool fileExists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

std::string thisProgram() {
#ifdef _WIN32
  char own[MAX_PATH] = {};
  return std::string(own, GetModuleFileNameA(nullptr, own, MAX_PATH));
#else
  std::error_code ignored;
  return fs::read_symlink("/proc/self/exe", ignored).string();
#endif
}

std::string besideThisProgram(const std::string& name) {
  const std::string program = thisProgram();
  return program.substr(0, program.find_last_of("\\/") + 1) + name;
}

}  // namespace kestrel::test
