// Command-line splitting: any bytes after the program name, quotes and separators included.
#include <cstdlib>

#include "app/startup.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> arguments = kestrel::splitCommandLine("prog", line);
  // What the splitting promises, whatever the bytes.
  if (arguments.empty() || arguments.size() > kestrel::kMaxArguments || arguments[0] != "prog") {
    std::abort();
  }
  std::size_t bytes = 0;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    bytes += arguments[i].size();
    kestrel::isInternalSwitch(arguments[i]);
  }
  if (bytes > size) std::abort();  // no argument invents bytes
  return 0;
}
