// Text-macro expansion over dynamic variables whose names and texts come from the input,
// references to themselves and to each other included.
#include "runtime/memvars.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::startRuntime();
  FuzzedDataProvider input(data, size);
  const int variables = input.ConsumeIntegralInRange(0, 6);
  for (int i = 0; i < variables; ++i) {
    const std::string name = input.ConsumeRandomLengthString(70);
    lanmere::publicVariable(name) = input.ConsumeBool()
                                        ? lanmere::Value(input.ConsumeRandomLengthString(40))
                                        : kestrel::fuzz::anyValue(input);
  }
  {
    lanmere::PrivateScope scope;
    if (input.ConsumeBool()) {
      scope.declare(input.ConsumeRandomLengthString(16), input.ConsumeRandomLengthString(16));
    }
    lanmere::expandMacros(input.ConsumeRemainingBytesAsString());
  }
  lanmere::clearDynamics();
  return 0;
}
