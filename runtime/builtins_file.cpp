// File functions over the operating system's handles, and directory listings with "*" and "?"
// masks. A failing system call gives the function's failure answer and leaves the system's
// error code for FERROR.
#include <algorithm>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/builtins_internal.h"
#include "runtime/callstack.h"
#include "runtime/error.h"
#include "runtime/platform.h"

namespace lanmere {

using detail::countOr;
using detail::optionalNumber;
using detail::optionalText;

namespace {

char fold(char c) {
  return namesIgnoreCase() && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// "*" matches any run of characters, "?" any one; "*.*" matches every name, dot or not.
bool matches(std::string_view mask, std::string_view name) {
  if (mask == "*.*") mask = "*";
  std::size_t m = 0, n = 0, starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || fold(mask[m]) == fold(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool hasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

// The directory part of a path (with its separator) and the name part after it.
std::pair<std::string, std::string> splitPath(std::string_view path) {
  std::size_t cut = path.size();
  while (cut > 0 && !isPathSeparator(path[cut - 1])) --cut;
  return {std::string(path.substr(0, cut)), std::string(path.substr(cut))};
}

std::string twoDigits(int n) {
  return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

std::string attributeText(const DirectoryEntry& e) {
  std::string text;
  if (e.readOnly) text += 'R';
  if (e.hidden) text += 'H';
  if (e.system) text += 'S';
  if (e.directory) text += 'D';
  if (e.archive) text += 'A';
  return text;
}

// The entries a mask selects: directories only when `attributes` holds "D", hidden entries
// only with "H", system entries only with "S".
std::vector<DirectoryEntry> listing(std::string_view mask, std::string_view attributes) {
  auto [directory, pattern] = splitPath(mask);
  if (pattern.empty()) pattern = "*";
  auto wants = [&](char c) {
    return attributes.find(c) != std::string_view::npos ||
           attributes.find(static_cast<char>(c - 'A' + 'a')) != std::string_view::npos;
  };
  std::vector<DirectoryEntry> all, chosen;
  if (!readDirectory(directory, all)) return chosen;
  for (DirectoryEntry& e : all) {
    if ((e.directory && !wants('D')) || (e.hidden && !wants('H')) || (e.system && !wants('S'))) {
      continue;
    }
    if (matches(pattern, e.name)) chosen.push_back(std::move(e));
  }
  return chosen;
}

long long handleOf(const Value& v) {
  return v.integer();
}

}  // namespace

// FCREATE (name, [attributes 0]): the handle of the new, empty file, or -1.
Value FCREATE(Args args) {
  if (!arg(args, 1).isText() || !optionalNumber(arg(args, 2))) return argumentError(1140);
  return Value(fileCreate(arg(args, 1).string(), static_cast<int>(countOr(arg(args, 2), 0))));
}

// FOPEN (name, [mode 0]): the handle, or -1.
Value FOPEN(Args args) {
  if (!arg(args, 1).isText() || !optionalNumber(arg(args, 2))) return argumentError(1141);
  return Value(fileOpen(arg(args, 1).string(), static_cast<int>(countOr(arg(args, 2), 0))));
}

// FREAD (handle, buffer, count): reads at most count bytes, and no more than the buffer holds,
// over the start of the buffer (passed by reference); answers the bytes read, 0 on failure.
Value FREAD(Args args) {
  if (args.size() < 3 || !args[0].isNumber() || !args[1].isText() || !args[2].isNumber()) {
    return argumentError(1142);
  }
  const long long wanted =
      std::min<long long>(args[2].integer(), static_cast<long long>(args[1].length()));
  if (wanted <= 0) return Value(0);
  Bytes& buffer = args[1].mutableText();
  const long long n = fileRead(handleOf(args[0]), buffer.data(), static_cast<std::size_t>(wanted));
  return Value(n < 0 ? 0 : n);
}

// FWRITE (handle, text, [count]): writes the text, or its first count bytes; answers the bytes
// written, 0 on failure.
Value FWRITE(Args args) {
  const Value& text = arg(args, 2);
  if (!arg(args, 1).isNumber() || !text.isText() || !optionalNumber(arg(args, 3))) {
    return argumentError(1143);
  }
  const long long length = static_cast<long long>(text.length());
  const long long count = std::clamp(countOr(arg(args, 3), length), 0LL, length);
  if (count == 0) return Value(0);
  const long long n =
      fileWrite(handleOf(arg(args, 1)), text.text().data(), static_cast<std::size_t>(count));
  return Value(n < 0 ? 0 : n);
}

// FSEEK (handle, offset, [origin 0]): the new position, or -1.
Value FSEEK(Args args) {
  if (!arg(args, 1).isNumber() || !arg(args, 2).isNumber() || !optionalNumber(arg(args, 3))) {
    return argumentError(1144);
  }
  return Value(fileSeek(handleOf(arg(args, 1)), arg(args, 2).integer(),
                        static_cast<int>(countOr(arg(args, 3), 0))));
}

Value FCLOSE(Args args) {
  if (!arg(args, 1).isNumber()) return argumentError(1145);
  return Value(fileClose(handleOf(arg(args, 1))));
}

// FERASE (name): 0 when the file was removed, -1 otherwise.
Value FERASE(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1146);
  return Value(fileErase(arg(args, 1).string()) ? 0 : -1);
}

// FILE (name or mask): whether a file (not a directory) of that name, or matching the mask,
// exists. Hidden and system files count.
Value FILE(Args args) {
  if (!arg(args, 1).isText()) return argumentError(1147);
  const std::string name = arg(args, 1).string();
  if (!hasWildcard(name)) return Value(!name.empty() && fileExists(name));
  for (const DirectoryEntry& e : listing(name, "HS")) {
    if (!e.directory) return Value(true);
  }
  return Value(false);
}

// DIRECTORY ([mask "*"], [attributes ""]): one list {name, size, date, time, attributes} per
// entry the mask matches, in the system's order. A mask naming a directory without a wildcard
// lists that directory's own entry (with "D").
Value DIRECTORY(Args args) {
  if (!optionalText(arg(args, 1)) || !optionalText(arg(args, 2))) return argumentError(1148);
  Value result = Value::list();
  for (const DirectoryEntry& e : listing(arg(args, 1).text(), arg(args, 2).text())) {
    const std::string time =
        twoDigits(e.hour) + ":" + twoDigits(e.minute) + ":" + twoDigits(e.second);
    result.listData()->items.push_back(
        Value::list({Value(e.name), Value(static_cast<long long>(e.size)),
                     Value::date(julianFromDate(e.year, e.month, e.day)), Value(time),
                     Value(attributeText(e))}));
  }
  return result;
}

// FERROR (): the system's error code of the last file operation, 0 after a success.
Value FERROR() {
  return Value(fileError());
}

const ModuleTable& fileModule() {
  static const ModuleTable module{
      __FILE__,
      {fn<&FCREATE>("FCREATE"), fn<&FOPEN>("FOPEN"), fn<&FREAD>("FREAD"), fn<&FWRITE>("FWRITE"),
       fn<&FSEEK>("FSEEK"), fn<&FCLOSE>("FCLOSE"), fn<&FERASE>("FERASE"), fn<&FILE>("FILE"),
       fn<&DIRECTORY>("DIRECTORY"), fn<&FERROR>("FERROR")}};
  return module;
}

}  // namespace lanmere
