#include "framework/core/classkind.h"

namespace kestrel {

// The class and its parents, walked upwards: a few steps, no search of the class registry.
bool isKindOf(const lanmere::ClassInfo& info, std::string_view name) noexcept {
  if (info.name == name) return true;
  for (const lanmere::ClassInfo* parent : info.parents) {
    if (isKindOf(*parent, name)) return true;
  }
  return false;
}

bool isKindOf(const lanmere::Object& object, std::string_view name) noexcept {
  return isKindOf(object.classInfo(), name);
}

bool isKindOf(const lanmere::Value& object, std::string_view name) noexcept {
  return object.isObject() && isKindOf(*object.object(), name);
}

bool isKindOf(const lanmere::Object& object,
              std::initializer_list<std::string_view> names) noexcept {
  for (std::string_view name : names) {
    if (isKindOf(object, name)) return true;
  }
  return false;
}

bool isKindOf(const lanmere::Value& object,
              std::initializer_list<std::string_view> names) noexcept {
  return object.isObject() && isKindOf(*object.object(), names);
}

}  // namespace kestrel
