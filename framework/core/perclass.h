// A cache with one entry per class, indexed by the class's handle: what the registry resolves
// once per class (a window object's members, its event methods) is found again without a hash
// look-up or any string work.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "runtime/object.h"

namespace kestrel {

template <class Entry>
class PerClass {
 public:
  // `build(info)` fills a new entry the first time a class is met.
  template <class Build>
  const Entry& of(const lanmere::ClassInfo& info, Build&& build) {
    const auto index = static_cast<std::size_t>(info.handle);
    if (index >= entries_.size()) entries_.resize(index + 1);
    auto& entry = entries_[index];
    if (!entry) entry = std::make_unique<Entry>(build(info));
    return *entry;
  }

 private:
  std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace kestrel
