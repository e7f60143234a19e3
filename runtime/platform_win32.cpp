#include <windows.h>

#include "runtime/platform.h"

namespace lanmere {

namespace {

DWORD lastError = 0;

template <class T>
T track(T result, bool failed) {
  lastError = failed ? GetLastError() : 0;
  return result;
}

HANDLE toHandle(long long handle) {
  return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handle));
}

long long fromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? -1
                                        : static_cast<long long>(reinterpret_cast<INT_PTR>(handle));
}

}  // namespace

std::string programPath() {
  char buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, n);
}

long long fileCreate(const std::string& path, int attributes) {
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (attributes & 7) {
    flags = 0;
    if (attributes & 1) flags |= FILE_ATTRIBUTE_READONLY;
    if (attributes & 2) flags |= FILE_ATTRIBUTE_HIDDEN;
    if (attributes & 4) flags |= FILE_ATTRIBUTE_SYSTEM;
  }
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, CREATE_ALWAYS, flags, nullptr);
  return track(fromHandle(h), h == INVALID_HANDLE_VALUE);
}

long long fileOpen(const std::string& path, int mode) {
  static constexpr DWORD kAccess[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE,
                                      GENERIC_READ};
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (mode & 0x70) {
    case 0x10:
      share = 0;
      break;
    case 0x20:
      share = FILE_SHARE_READ;
      break;
    case 0x30:
      share = FILE_SHARE_WRITE;
      break;
    default:
      break;
  }
  HANDLE h = CreateFileA(path.c_str(), kAccess[mode & 3], share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return track(fromHandle(h), h == INVALID_HANDLE_VALUE);
}

long long fileRead(long long handle, char* buffer, std::size_t count) {
  DWORD n = 0;
  const BOOL ok = ReadFile(toHandle(handle), buffer, static_cast<DWORD>(count), &n, nullptr);
  return track<long long>(ok ? static_cast<long long>(n) : -1, !ok);
}

long long fileWrite(long long handle, const char* buffer, std::size_t count) {
  DWORD n = 0;
  const BOOL ok = WriteFile(toHandle(handle), buffer, static_cast<DWORD>(count), &n, nullptr);
  return track<long long>(ok ? static_cast<long long>(n) : -1, !ok);
}

long long fileSeek(long long handle, long long offset, int origin) {
  static constexpr DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (origin < 0 || origin > 2) origin = 0;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  const BOOL ok = SetFilePointerEx(toHandle(handle), distance, &position, kMethod[origin]);
  return track<long long>(ok ? position.QuadPart : -1, !ok);
}

bool fileClose(long long handle) {
  const BOOL ok = CloseHandle(toHandle(handle));
  return track(ok != FALSE, !ok);
}

bool fileErase(const std::string& path) {
  const BOOL ok = DeleteFileA(path.c_str());
  return track(ok != FALSE, !ok);
}

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool found = attributes != INVALID_FILE_ATTRIBUTES;
  return track(found && !(attributes & FILE_ATTRIBUTE_DIRECTORY), !found);
}

int fileError() {
  return static_cast<int>(lastError);
}

bool readDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries) {
  std::string pattern = directory;
  if (!pattern.empty() && !isPathSeparator(pattern.back())) pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return track(false, true);
  do {
    DirectoryEntry entry;
    entry.name = found.cFileName;
    const DWORD a = found.dwFileAttributes;
    entry.directory = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.hidden = (a & FILE_ATTRIBUTE_HIDDEN) != 0;
    entry.system = (a & FILE_ATTRIBUTE_SYSTEM) != 0;
    entry.readOnly = (a & FILE_ATTRIBUTE_READONLY) != 0;
    entry.archive = (a & FILE_ATTRIBUTE_ARCHIVE) != 0;
    entry.size = entry.directory ? 0
                                 : (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                                       found.nFileSizeLow;
    FILETIME local;
    SYSTEMTIME t;
    if (FileTimeToLocalFileTime(&found.ftLastWriteTime, &local) &&
        FileTimeToSystemTime(&local, &t)) {
      entry.year = t.wYear;
      entry.month = t.wMonth;
      entry.day = t.wDay;
      entry.hour = t.wHour;
      entry.minute = t.wMinute;
      entry.second = t.wSecond;
    }
    entries.push_back(std::move(entry));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return track(true, false);
}

bool isPathSeparator(char c) {
  return c == '\\' || c == '/' || c == ':';
}
bool namesIgnoreCase() {
  return true;
}

}  // namespace lanmere
