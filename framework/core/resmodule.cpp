#include "framework/core/resmodule.h"

#include <string>
#include <utility>

#include "framework/core/tracked.h"
#include "runtime/binding.h"

namespace kestrel {

namespace {

HINSTANCE& current() {
  static HINSTANCE module = nullptr;
  return module;
}

// What the framework itself loaded or added, released by FREERESOURCES.
HINSTANCE& loadedLibrary() {
  static HINSTANCE library = nullptr;
  return library;
}

ATOM& ownAtom() {
  static ATOM atom = 0;
  return atom;
}

constexpr const char* kAtomName = "Kestrel";

void freeLoadedLibrary() noexcept {
  const HINSTANCE library = std::exchange(loadedLibrary(), nullptr);
  if (!library) return;
  if (current() == library) current() = nullptr;
  FreeLibrary(library);
}

}  // namespace

HINSTANCE resourceModule() noexcept {
  return current() ? current() : GetModuleHandleA(nullptr);
}

HINSTANCE setResourceModule(HINSTANCE module) noexcept {
  const HINSTANCE previous = resourceModule();
  current() = module;
  return previous;
}

HINSTANCE loadResourceLibrary(const std::string& path) {
  const HINSTANCE library = LoadLibraryA(path.c_str());
  if (!library) return nullptr;
  freeLoadedLibrary();
  loadedLibrary() = library;
  current() = library;
  return library;
}

ATOM frameworkAtom() {
  if (!ownAtom()) ownAtom() = GlobalAddAtomA(kAtomName);
  return ownAtom();
}

void FREERESOURCES() {
  freeLoadedLibrary();
  if (const ATOM atom = std::exchange(ownAtom(), 0)) GlobalDeleteAtom(atom);
}

namespace {

constexpr long long kLastOrdinal = 0xFFFF;

bool allDigits(const std::string& text) {
  return !text.empty() && text.size() <= 5 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

ResourceName::ResourceName(const lanmere::Value& name) {
  if (name.isNumber()) {
    fromNumber(name.integer());
  } else if (name.isText()) {
    const std::string_view text = name.text();
    fromText(std::string(text.substr(0, text.find('\0'))));
  }
}

ResourceName::ResourceName(const std::string& name) {
  if (allDigits(name)) {
    fromNumber(std::stoll(name));
  } else {
    fromText(name);
  }
}

void ResourceName::fromText(std::string text) {
  text_ = std::move(text);
  named_ = true;
}

void ResourceName::fromNumber(long long n) noexcept {
  if (n >= 1 && n <= kLastOrdinal) id_ = static_cast<WORD>(n);
}

LPCSTR ResourceName::get() const noexcept {
  if (id_ != 0) return MAKEINTRESOURCEA(id_);
  return named_ ? text_.c_str() : nullptr;
}

lanmere::Value GETRESOURCES() {
  return handleNumber(resourceModule());
}

const lanmere::ModuleTable& resModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&GETRESOURCES>("GETRESOURCES"), lanmere::fn<&FREERESOURCES>("FREERESOURCES")}};
  return module;
}

}  // namespace kestrel
