#include "framework/services/tini.h"

#include <windows.h>

#include <string>
#include <vector>

#include "framework/display/cvaltochar.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Args;
using lanmere::Value;

namespace {

// The profile text read takes at most this many characters, terminator included; a longer
// entry or section list is read again with a larger buffer, up to the last limit.
constexpr DWORD kProfileBuffer = 4096;
constexpr DWORD kProfileBufferLimit = 16u << 20;

// Reads through `read(buffer, size)`, which answers like the profile services: size - 1 (or
// size - 2 for lists of names) when the buffer was too small.
template <class Read>
std::string readGrowing(DWORD truncatedMargin, Read read) {
  std::vector<char> buffer(kProfileBuffer);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = read(buffer.data(), size);
    if (length + truncatedMargin < size || size >= kProfileBufferLimit) {
      return std::string(buffer.data(), length < size ? length : size);
    }
    buffer.assign(size * 2, '\0');
  }
}

}  // namespace

LM_DEFINE_CLASS(TIni) {
  c.data(LM_FIELDS(cIniFile, lAutoSet));
  c.methods(LM_METHODS(New, Get, Set, Sections, DelSection, DelEntry));
  c.creatable();
}

Value TIni::New(const Value& file) {
  std::string name = file.string();
  if (!name.empty() && name.find('.') == std::string::npos) name += ".ini";
  cIniFile = name;
  lAutoSet = true;
  return Value(lanmere::Ref<TIni>(this));
}

Value TIni::Get(const Value& section, const Value& entry, const Value& byDefault,
                const Value& current) {
  const Value& typed = byDefault.isNil() ? current : byDefault;
  const std::string sectionName = section.string();
  const std::string entryName = entry.string();
  const std::string file = cIniFile.string();
  Value result;
  if (typed.isNumber()) {
    const INT fallback = static_cast<INT>(byDefault.integer());
    const UINT read =
        file.empty()
            ? GetProfileIntA(sectionName.c_str(), entryName.c_str(), fallback)
            : GetPrivateProfileIntA(sectionName.c_str(), entryName.c_str(), fallback, file.c_str());
    result = Value(static_cast<long long>(static_cast<INT>(read)));
  } else {
    const std::string fallback = cValToChar(byDefault);
    const std::string text = readGrowing(1, [&](char* buffer, DWORD size) {
      return file.empty() ? GetProfileStringA(sectionName.c_str(), entryName.c_str(),
                                              fallback.c_str(), buffer, size)
                          : GetPrivateProfileStringA(sectionName.c_str(), entryName.c_str(),
                                                     fallback.c_str(), buffer, size, file.c_str());
    });
    if (typed.isDate()) {
      result = lanmere::ctod(text);
    } else if (typed.isLogical()) {
      result = Value(lanmere::upper(text) == ".T.");
    } else {
      result = Value(text);
    }
  }
  if (lAutoSet.logical() && lanmere::exactlyEqual(result, byDefault)) {
    Set(section, entry, byDefault);
  }
  return result;
}

Value TIni::Set(const Value& section, const Value& entry, const Value& value) {
  const std::string sectionName = section.string();
  const std::string entryName = entry.string();
  const std::string text = cValToChar(value);
  const std::string file = cIniFile.string();
  if (file.empty()) {
    WriteProfileStringA(sectionName.c_str(), entryName.c_str(), text.c_str());
  } else {
    WritePrivateProfileStringA(sectionName.c_str(), entryName.c_str(), text.c_str(), file.c_str());
  }
  return {};
}

// The three file-wide operations name the file; "" names the user's profile as the others do.
namespace {
const char* fileOrProfile(const std::string& file) {
  return file.empty() ? nullptr : file.c_str();
}
}  // namespace

Value TIni::Sections() {
  const std::string file = cIniFile.string();
  const std::string names = readGrowing(2, [&](char* buffer, DWORD size) {
    return GetPrivateProfileSectionNamesA(buffer, size, fileOrProfile(file));
  });
  Value list = Value::list();
  for (std::size_t start = 0; start < names.size();) {
    const std::size_t end = names.find('\0', start);
    const std::size_t stop = end == std::string::npos ? names.size() : end;
    if (stop == start) break;  // the empty name that ends the list
    list.listData()->items.push_back(Value(std::string_view(names).substr(start, stop - start)));
    start = stop + 1;
  }
  return list;
}

Value TIni::DelSection(const Value& section) {
  const std::string file = cIniFile.string();
  WritePrivateProfileStringA(section.string().c_str(), nullptr, nullptr, fileOrProfile(file));
  return {};
}

Value TIni::DelEntry(const Value& section, const Value& entry) {
  const std::string file = cIniFile.string();
  WritePrivateProfileStringA(section.string().c_str(), entry.string().c_str(), nullptr,
                             fileOrProfile(file));
  return {};
}

Value TINI() {
  return Value(lanmere::make<TIni>());
}

const lanmere::ModuleTable& tIniModule() {
  using namespace lanmere;
  TIni::Class();  // the class is known by name once its module is
  static const ModuleTable module{"framework/services/tini.cpp", {lanmere::fn<&TINI>("TINI")}};
  return module;
}

}  // namespace kestrel
