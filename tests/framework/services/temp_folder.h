// A fresh folder under the system's temporary directory, removed with everything in it when
// the test ends.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::test {

class TempFolder {
 public:
  TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    path_ = std::string(base) + "kestrel-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() { removeTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  static void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

  static std::string readFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
      bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
  }

  static bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

 private:
  static void removeTree(const std::string& dir) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = dir + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          removeTree(full);
        } else {
          SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(find, &entry));
      FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
  }

  std::string path_;
};

}  // namespace kestrel::test
