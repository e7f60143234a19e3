// New file names and the file-system side of the file functions: existence, size, date and time
// of directory entries, recursive search, drives, and the move and remove services.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Numbers up to this are tried by CNEWFILENAME; past it the function refuses.
inline constexpr int kMaxNewFileNumber = 999;
// Directory levels below the start that AFINDFILE still searches.
inline constexpr int kFindFileDepth = 4;

// root + n + "." + extension for the first n in 1..999 naming no existing entry; nothing when
// all 999 exist (the numbers never grow past three digits).
std::optional<std::string> cNewFileName(std::string_view root, std::string_view extension);
// directory + a number + extension; the number is the millisecond tick count, moved on past
// every number this process has already returned and past existing files, so no two calls give
// the same name.
std::string cTempFile(std::string_view directory, std::string_view extension);
bool lIsDir(std::string_view path);

// Loads a system library for one call; when it cannot be loaded, shows the alert
// "Error code: <load result> loading <library>" and returns null.
HMODULE loadLibraryOrAlert(const char* library);

lanmere::Value CNEWFILENAME(lanmere::Args args);  // root, extension
lanmere::Value CTEMPFILE(lanmere::Args args);     // directory [""], extension [""]
lanmere::Value LISDIR(lanmere::Args args);        // path
lanmere::Value FSIZE(lanmere::Args args);         // file: bytes, 0 when absent
lanmere::Value FDATE(lanmere::Args args);         // file: last-write date, blank when absent
lanmere::Value FTIME(lanmere::Args args);         // file: "hh:mm:ss", "" when absent
lanmere::Value AFINDFILE(lanmere::Args args);     // file name, directory, list
lanmere::Value ADRIVES(lanmere::Args args);       // kind [0]: 1 diskettes, 2 the others
lanmere::Value MOVEFILE(lanmere::Args args);      // old name, new name
lanmere::Value REMOVEDIR(lanmere::Args args);     // directory

const lanmere::ModuleTable& filesModule();

}  // namespace kestrel
