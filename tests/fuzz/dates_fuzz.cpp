// Dates: day numbers of any size through the date texts and parts, texts read back in any date
// format, and date arithmetic past the calendar's ends.
#include "runtime/operators.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using lanmere::Value;

constexpr const char* kFunctions[] = {"DTOC", "DTOS", "YEAR", "MONTH", "DAY", "HB_TTOC"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::startRuntime();
  FuzzedDataProvider input(data, size);
  lanmere::setDateFormat(input.ConsumeRandomLengthString(16));
  while (input.remaining_bytes() > 0) {
    const Value date = input.ConsumeBool()
                           ? Value::date(input.ConsumeIntegral<std::int32_t>())
                           : Value::timestamp(input.ConsumeIntegral<std::int32_t>(),
                                              input.ConsumeIntegral<std::int32_t>());
    const char* name = input.PickValueInArray(kFunctions);
    kestrel::fuzz::guarded([&] { lanmere::callFunction(name, {date}); });
    const std::string text = input.ConsumeRandomLengthString(24);
    kestrel::fuzz::guarded([&] {
      lanmere::callFunction("CTOD", {text});
      lanmere::callFunction("STOD", {text});
      lanmere::ctod(lanmere::dtoc(date));
    });
    const Value days = kestrel::fuzz::anyValue(input);
    kestrel::fuzz::guarded([&] {
      const Value moved = lanmere::add(date, days);
      if (moved.isDate()) lanmere::dtoc(moved);
    });
  }
  lanmere::setDateFormat("MM/DD/YY");
  return 0;
}
