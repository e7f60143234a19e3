// Files for tests: a fresh temporary folder removed with everything in it when the test ends, whole
// files read and written as bytes, and the programs that stand beside the test program. Portable:
// both builds use them.
#pragma once

#include <string>

namespace kestrel::test {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // A name inside the folder, joined with the system's separator.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

// The file's bytes, or "<missing>" when it cannot be read.
std::string readFile(const std::string& path);
// Replaces the file with `bytes`; false when it cannot be written.
bool writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// The running test program's file, and a file in its folder (helper programs are built beside
// it).
std::string thisProgram();
std::string besideThisProgram(const std::string& name);

}  // namespace kestrel::test
