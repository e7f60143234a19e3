// The few services of the operating system the portable run-time needs.
#pragma once

#include <string>
#include <vector>

namespace lanmere {

// The full path of the running program.
std::string programPath();

// ---- Files, by the operating system's handle (-1 is none) ----
// Each call sets fileError() to the system's error code, 0 on success.

// Creates or truncates a file, open for reading and writing. Attribute bits: 1 read-only,
// 2 hidden, 4 system.
long long fileCreate(const std::string& path, int attributes);
// Mode: the low bits 0 read, 1 write, 2 both; 0x10 exclusive, 0x20 deny write, 0x30 deny read,
// 0x40 deny none (sharing is honoured where the system has it).
long long fileOpen(const std::string& path, int mode);
long long fileRead(long long handle, char* buffer, std::size_t count);  // -1 on failure
long long fileWrite(long long handle, const char* buffer, std::size_t count);
// Origin 0 start, 1 current position, 2 end; answers the new position, -1 on failure.
long long fileSeek(long long handle, long long offset, int origin);
bool fileClose(long long handle);
bool fileErase(const std::string& path);
// True for an existing entry that is not a directory.
bool fileExists(const std::string& path);
int fileError();

struct DirectoryEntry {
  std::string name;
  unsigned long long size = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // last write, local
  bool directory = false, hidden = false, system = false, readOnly = false, archive = false;
};
// Every entry of a directory ("" is the current one; a trailing separator is allowed), "." and
// ".." included; false when the directory cannot be read.
bool readDirectory(const std::string& directory, std::vector<DirectoryEntry>& entries);
// Separators of directory parts: '/' everywhere; '\' and a drive's ':' on Windows.
bool isPathSeparator(char c);
// Whether file names match without regard to case.
bool namesIgnoreCase();

}  // namespace lanmere
