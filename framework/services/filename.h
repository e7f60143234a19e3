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
lanmere::Value CFILEDISC(const lanmere::Value& path);
lanmere::Value CFILEPATH(const lanmere::Value& path);
lanmere::Value CFILENOPATH(const lanmere::Value& path);
lanmere::Value CFILENAME(const lanmere::Value& path);
lanmere::Value CFILEMASK(const lanmere::Value& path);
lanmere::Value CFILENOEXT(const lanmere::Value& path);
lanmere::Value CFILEEXT(const lanmere::Value& path);
lanmere::Value CFILESETEXT(const lanmere::Value& path, const lanmere::Value& extension);
lanmere::Value CFILESUBDIR(const lanmere::Value& path);

const lanmere::ModuleTable& fileNameModule();

}  // namespace kestrel
