// A drawing object selected into a device context for a scope.
#pragma once

#include <windows.h>

namespace kestrel {

// Puts a drawing object into a device context for the life of this object (nothing for a null
// object); the previous one goes back first, so whatever the caller made can then be deleted.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace kestrel
