#include <cstring>

#include "errors/kserror.h"

namespace kestrel {

std::string systemErrorText(unsigned long code) {
  return std::strerror(static_cast<int>(code));
}

}  // namespace kestrel
