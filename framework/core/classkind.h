// Classes the framework recognises by name because they live above the code that asks (folders,
// bar buttons, MDI windows, the controls seen from the core) or need not exist at all. One rule
// everywhere: an object is of such a class when its class has that name or derives from a class
// that has it, as a C++ type check would answer. Classes of the same or a lower layer are checked
// as C++ types (`classInfo().derivesFrom(TDialog::Class())`).
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "runtime/object.h"
#include "runtime/value.h"

namespace kestrel {

// Names in upper case, as classes are registered. Nil and other values are of no class.
bool isKindOf(const lanmere::ClassInfo& info, std::string_view name) noexcept;
bool isKindOf(const lanmere::Object& object, std::string_view name) noexcept;
bool isKindOf(const lanmere::Value& object, std::string_view name) noexcept;
bool isKindOf(const lanmere::Object& object,
              std::initializer_list<std::string_view> names) noexcept;
bool isKindOf(const lanmere::Value& object, std::initializer_list<std::string_view> names) noexcept;

template <std::size_t N>
bool isKindOf(const lanmere::Value& object, const char* const (&names)[N]) noexcept {
  for (const char* name : names) {
    if (isKindOf(object, name)) return true;
  }
  return false;
}

template <std::size_t N>
bool isKindOf(const lanmere::Object& object, const char* const (&names)[N]) noexcept {
  for (const char* name : names) {
    if (isKindOf(object, name)) return true;
  }
  return false;
}

// The folder classes (a folder's pages are dialogs whose parent is the folder).
inline constexpr const char* kFolderClasses[] = {"TFOLDER", "TFOLDEREX", "TPAGES"};

}  // namespace kestrel
