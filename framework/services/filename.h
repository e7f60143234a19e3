// Taking Windows path texts apart: drive, directory, name, mask, extension. Pure text work; the
// separator is the backslash and a drive is one letter and a colon.
#pragma once

#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

std::string cFileDisc(std::string_view path);    // "C:" or ""
std::string cFilePath(std::string_view path);    // "C:\DIR\" (upper case), "C:\" or ""
std::string cFileNoPath(std::string_view path);  // the name part
std::string cFileMask(std::string_view path);    // the name part when it holds * or ?
std::string cFileNoExt(std::string_view path);   // the name part without its extension
std::string cFileExt(std::string_view path);     // the name part's extension
std::string cFileSetExt(std::string_view path, std::string_view extension);
std::string cFileSubDir(std::string_view path);  // the parent directory, with its backslash

// Each takes the path (and CFILESETEXT the extension); a missing or non-text argument reads as
// the empty text.
lanmere::Value CFILEDISC(lanmere::Args args);
lanmere::Value CFILEPATH(lanmere::Args args);
lanmere::Value CFILENOPATH(lanmere::Args args);
lanmere::Value CFILENAME(lanmere::Args args);
lanmere::Value CFILEMASK(lanmere::Args args);
lanmere::Value CFILENOEXT(lanmere::Args args);
lanmere::Value CFILEEXT(lanmere::Args args);
lanmere::Value CFILESETEXT(lanmere::Args args);
lanmere::Value CFILESUBDIR(lanmere::Args args);

const lanmere::ModuleTable& fileNameModule();

}  // namespace kestrel
