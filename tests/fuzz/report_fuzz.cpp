// The one-line error text and the report builder over records, call levels and facts from the
// input, and the report's formatters at any value.
#include <cstring>
#include <memory>

#include "errors/errormessage.h"
#include "errors/report.h"
#include "runtime/object.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using lanmere::Value;

constexpr const char* kSlots[] = {"_CARGO",      "_ARGS",        "_CANRETRY", "_CANSUBSTITUTE",
                                  "_CANDEFAULT", "_DESCRIPTION", "_FILENAME", "_GENCODE",
                                  "_OPERATION",  "_OSCODE",      "_SEVERITY", "_SUBCODE",
                                  "_SUBSYSTEM",  "_TRIES"};

double anyDouble(FuzzedDataProvider& input) {
  double value;
  const std::string bytes = input.ConsumeBytesAsString(sizeof value);
  if (bytes.size() < sizeof value) return 0;
  std::memcpy(&value, bytes.data(), sizeof value);  // NaN and infinities included
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::startRuntime();
  FuzzedDataProvider input(data, size);

  // The formatters at any number.
  kestrel::sizePicture(input.ConsumeIntegral<long long>());
  kestrel::roundClockRate(anyDouble(input));
  kestrel::clockRateMhz(input.ConsumeIntegral<unsigned long long>(),
                        input.ConsumeIntegral<long long>(), input.ConsumeIntegral<long long>());
  kestrel::elapsedText(input.ConsumeIntegral<std::int32_t>(), anyDouble(input),
                       input.ConsumeIntegral<std::int32_t>(), anyDouble(input));

  // A record whose slots were assigned values of any kind, through its messages.
  const Value record(lanmere::errorNew());
  const int assignments = input.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < assignments; ++i) {
    const char* slot = input.PickValueInArray(kSlots);
    const Value value = kestrel::fuzz::anyValue(input);
    kestrel::fuzz::guarded([&] { lanmere::send(record, slot, {value}); });
  }

  // Call levels with any names, lines, parameters and locals, then the handler's two levels.
  std::vector<std::unique_ptr<lanmere::Frame>> frames;
  std::vector<std::string> names;
  std::vector<std::vector<Value>> params;
  std::vector<Value> locals;
  const int levels = input.ConsumeIntegralInRange(0, 90);
  names.reserve(levels);
  params.reserve(levels);
  locals.reserve(levels);
  for (int i = 0; i < levels; ++i) {
    names.push_back(input.ConsumeRandomLengthString(12));
    params.push_back(kestrel::fuzz::anyArguments(input, 2));
    locals.push_back(kestrel::fuzz::anyValue(input));
    frames.push_back(std::make_unique<lanmere::Frame>(std::string_view(), names.back(),
                                                      lanmere::Args(params.back()), "fuzz.cpp",
                                                      input.ConsumeIntegral<int>()));
    frames.back()->local("xLocal", locals.back());
  }
  kestrel::ReportFacts facts;
  facts.programPath = input.ConsumeRandomLengthString(40);
  facts.programSize = input.ConsumeIntegral<long long>();
  facts.is64Bit = input.ConsumeBool();
  facts.clockMhz = input.ConsumeIntegral<long long>();
  facts.availablePhysicalBytes = input.ConsumeIntegral<unsigned long long>();
  facts.tasks.resize(input.ConsumeIntegralInRange(0, 3), input.ConsumeRandomLengthString(20));
  {
    lanmere::Frame block("(b)ERRORSYS", {});
    lanmere::Frame handler("ERRORDIALOG", {});
    const auto* error = static_cast<const lanmere::ErrorRecord*>(record.object());
    kestrel::errorMessage(*error);
    kestrel::buildReport(*error, facts, kestrel::reportValueText);
  }
  while (!frames.empty()) frames.pop_back();  // innermost first
  return 0;
}
