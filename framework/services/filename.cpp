#include "framework/services/filename.h"

#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr auto npos = std::string_view::npos;

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Where the name part begins: after the last backslash, or after the drive's colon.
std::size_t namePartStart(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  if (slash != npos) return slash + 1;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

}  // namespace

std::string cFileDisc(std::string_view path) {
  if (path.find(':') != 1) return {};
  return lanmere::upper(path.substr(0, 2));
}

std::string cFilePath(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  if (slash != npos) return lanmere::upper(path.substr(0, slash + 1));
  const std::string drive = cFileDisc(path);
  return drive.empty() ? drive : drive + "\\";
}

std::string cFileNoPath(std::string_view path) {
  const std::size_t slash = path.rfind('\\');
  if (slash != npos && slash + 1 < path.size()) return std::string(path.substr(slash + 1));
  // No name after the last backslash ("C:\DIR\"): what follows the drive, or the whole path.
  const std::size_t colon = path.find(':');
  if (colon != npos) return std::string(path.substr(colon + 1));
  return std::string(path);
}

std::string cFileMask(std::string_view path) {
  std::string name = cFileNoPath(path);
  return name.find_first_of("*?") != npos ? name : std::string();
}

std::string cFileNoExt(std::string_view path) {
  const std::string name = cFileNoPath(path);
  std::string_view part = trimBlanks(name);
  const std::size_t dot = part.rfind('.');
  if (dot != npos) part = trimBlanks(part.substr(0, dot));
  return std::string(part);
}

std::string cFileExt(std::string_view path) {
  const std::string name = cFileNoPath(path);
  const std::size_t dot = name.rfind('.');
  if (dot == npos || dot + 1 == name.size()) return {};
  return std::string(trimBlanks(std::string_view(name).substr(dot + 1)));
}

std::string cFileSetExt(std::string_view path, std::string_view extension) {
  // Only a dot of the name part starts an extension: a dot in a directory name ("C:\V1.2\APP")
  // must not cut the name away.
  const std::size_t dot = path.rfind('.');
  if (dot != npos && dot >= namePartStart(path)) path = path.substr(0, dot);
  std::string result(path);
  result += '.';
  result += extension;
  return result;
}

std::string cFileSubDir(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return cFilePath(path);
}

Value CFILEDISC(const Value& path) {
  return cFileDisc(path.text());
}
Value CFILEPATH(const Value& path) {
  return cFilePath(path.text());
}
Value CFILENOPATH(const Value& path) {
  return cFileNoPath(path.text());
}
Value CFILENAME(const Value& path) {
  return cFileNoPath(path.text());
}
Value CFILEMASK(const Value& path) {
  return cFileMask(path.text());
}
Value CFILENOEXT(const Value& path) {
  return cFileNoExt(path.text());
}
Value CFILEEXT(const Value& path) {
  return cFileExt(path.text());
}
Value CFILESUBDIR(const Value& path) {
  return cFileSubDir(path.text());
}

Value CFILESETEXT(const Value& path, const Value& extension) {
  return cFileSetExt(path.text(), extension.text());
}

const lanmere::ModuleTable& fileNameModule() {
  using namespace lanmere;
  static const ModuleTable module{
      "framework/services/filename.cpp",
      {lanmere::fn<&CFILEDISC>("CFILEDISC"), lanmere::fn<&CFILEPATH>("CFILEPATH"),
       lanmere::fn<&CFILENOPATH>("CFILENOPATH"), lanmere::fn<&CFILENAME>("CFILENAME"),
       lanmere::fn<&CFILEMASK>("CFILEMASK"), lanmere::fn<&CFILENOEXT>("CFILENOEXT"),
       lanmere::fn<&CFILEEXT>("CFILEEXT"), lanmere::fn<&CFILESETEXT>("CFILESETEXT"),
       lanmere::fn<&CFILESUBDIR>("CFILESUBDIR")}};
  return module;
}

}  // namespace kestrel
