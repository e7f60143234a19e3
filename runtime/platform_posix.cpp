#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "runtime/platform.h"

namespace lanmere {

namespace {

int lastError = 0;

// Records the outcome of a call: errno when it failed, 0 otherwise.
template <class T>
T track(T result, bool failed) {
  lastError = failed ? errno : 0;
  return result;
}

}  // namespace

std::string programPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

long long fileCreate(const std::string& path, int attributes) {
  const mode_t mode = (attributes & 1) ? 0444 : 0666;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  return track<long long>(fd, fd < 0);
}

long long fileOpen(const std::string& path, int mode) {
  static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR, O_RDONLY};
  const int fd = ::open(path.c_str(), kAccess[mode & 3] | O_CLOEXEC);
  return track<long long>(fd, fd < 0);
}

long long fileRead(long long handle, char* buffer, std::size_t count) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(handle), buffer, count);
  } while (n < 0 && errno == EINTR);
  return track<long long>(n, n < 0);
}

long long fileWrite(long long handle, const char* buffer, std::size_t count) {
  ssize_t n;
  do {
    n = ::write(static_cast<int>(handle), buffer, count);
  } while (n < 0 && errno == EINTR);
  return track<long long>(n, n < 0);
}

long long fileSeek(long long handle, long long offset, int origin) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (origin < 0 || origin > 2) origin = 0;
  const off_t at = ::lseek(static_cast<int>(handle), static_cast<off_t>(offset), kWhence[origin]);
  return track<long long>(at, at < 0);
}

bool fileClose(long long handle) {
  const int r = ::close(static_cast<int>(handle));
  return track(r == 0, r != 0);
}

bool fileErase(const std::string& path) {
  const int r = ::unlink(path.c_str());
  return track(r == 0, r != 0);
}

bool fileExists(const std::string& path) {
  struct stat info;
  const int r = ::stat(path.c_str(), &info);
  return track(r == 0 && !S_ISDIR(info.st_mode), r != 0);
}

int fileError() {
  return lastError;
}

bool readDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) {
  const std::string base = directory.empty()         ? "./"
                           : directory.back() == '/' ? directory
                                                     : directory + "/";
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return track(false, true);
  while (const dirent* found = ::readdir(dir)) {
    DirectoryEntry entry;
    entry.name = found->d_name;
    struct stat info;
    if (::stat((base + entry.name).c_str(), &info) != 0) continue;  // a dangling link
    entry.directory = S_ISDIR(info.st_mode);
    entry.size = entry.directory ? 0 : static_cast<unsigned long long>(info.st_size);
    entry.hidden = entry.name[0] == '.' && entry.name != "." && entry.name != "..";
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
    entry.archive = S_ISREG(info.st_mode);
    entry.system = !entry.directory && !S_ISREG(info.st_mode);
    std::tm local{};
    const std::time_t written = info.st_mtime;
    ::localtime_r(&written, &local);
    entry.year = local.tm_year + 1900;
    entry.month = local.tm_mon + 1;
    entry.day = local.tm_mday;
    entry.hour = local.tm_hour;
    entry.minute = local.tm_min;
    entry.second = local.tm_sec;
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return track(true, false);
}

bool isPathSeparator(char c) {
  return c == '/';
}
bool namesIgnoreCase() {
  return false;
}

}  // namespace lanmere
