// What a process holds that a leak would grow, counted in ways that also work under Wine, whose
// GetGuiResources answers 0: this thread's windows with all their descendants, the drawing objects
// and the menus found by probing the handle tables, and the run-time's bytes in use. Layers above
// add their own counts (tracked resources, live framework objects) by name.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::test {

// This thread's top-level windows and all their descendants.
long threadWindows();
// Live drawing objects of the process (pens, brushes, fonts, bitmaps, regions, DCs, ...).
long drawingObjects();
// Live menus of the process (menu bars, pop-ups, system-menu copies).
long liveMenus();
// The process's private bytes (its commit charge: memory no other process shares).
std::size_t privateBytes();

class LiveObjects {
 public:
  struct Count {
    std::string name;
    long long value;
  };
  // Windows, drawing objects, menus and the run-time's bytes in use, now.
  static LiveObjects now();
  LiveObjects& add(std::string name, long long value);
  long long operator[](std::string_view name) const;
  // "windows +2, menus +1": every count that is higher here than in `before`; empty when none.
  std::string grownSince(const LiveObjects& before) const;
  // "windows 12, drawing objects 80, ...".
  std::string describe() const;

 private:
  std::vector<Count> counts_;
};

}  // namespace kestrel::test
