// The text and number built-ins called by name with arguments of every kind.
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr const char* kFunctions[] = {
    "SPACE", "LEFT",    "RIGHT",   "STRTRAN", "SUBSTR", "AT",    "RAT",        "UPPER", "LOWER",
    "TRIM",  "LTRIM",   "ALLTRIM", "PADR",    "PADL",   "PADC",  "REPLICATE",  "CHR",   "ASC",
    "LEN",   "VALTYPE", "EMPTY",   "STR",     "VAL",    "INT",   "ROUND",      "ABS",   "MOD",
    "MAX",   "MIN",     "I2BIN",   "BIN2I",   "L2BIN",  "BIN2L", "HB_NUMTOHEX"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::startRuntime();
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    const char* name = input.PickValueInArray(kFunctions);
    std::vector<lanmere::Value> args = kestrel::fuzz::anyArguments(input);
    kestrel::fuzz::guarded([&] { lanmere::callFunction(name, lanmere::Args(args)); });
  }
  return 0;
}
