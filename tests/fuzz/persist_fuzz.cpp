// Object records: any bytes as AREAD, OREAD and Load payloads (parsed or refused, a refused Load
// leaves its object as it was), values written by ASAVE read back by AREAD as equal texts of
// equal kinds, and no run-time memory kept afterwards.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/core/persist.h"
#include "runtime/memory.h"
#include "tests/framework/core/persist_classes.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using lanmere::Value;

// What one call and one raised error cost whatever the input (the frame, the error record).
constexpr std::size_t kFixedCost = 2048;

void check(bool condition) {
  if (!condition) std::abort();
}

// The kinds a record restores: nil, closures and timestamps are written but not read back.
bool restorable(const Value& value) {
  if (value.isList()) {
    for (const Value& item : value.items()) {
      if (!restorable(item)) return false;
    }
    return true;
  }
  return value.isText() || value.isNumber() || value.isLogical() || value.isDate();
}

bool sameRecord(const Value& a, const Value& b) {
  if (a.isList() || b.isList()) {
    if (!a.isList() || !b.isList() || a.length() != b.length()) return false;
    for (std::size_t i = 1; i <= a.length(); ++i) {
      if (!sameRecord(a.item(i), b.item(i))) return false;
    }
    return true;
  }
  return lanmere::typeLetter(a) == lanmere::typeLetter(b) &&
         kestrel::scalarText(a) == kestrel::scalarText(b);
}

// A value of a restorable kind, lists nested up to a few levels.
Value anyRecordValue(FuzzedDataProvider& input, int depth) {
  if (depth < 4 && input.ConsumeIntegralInRange(0, 4) == 0) {
    Value list = Value::list();
    const int count = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) {
      list.listData()->items.push_back(anyRecordValue(input, depth + 1));
    }
    return list;
  }
  return kestrel::fuzz::anyValue(input);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kestrel::fuzz::startRuntime();
  lanmere::registerModule(kestrel::persistModule());
  kestrel::test::registerPersistClasses();
  lanmere::setDateFormat("YYYY.MM.DD");
  const std::size_t inUse = lanmere::memoryCounters().inUse;
  {
    const Value raw(std::string_view(reinterpret_cast<const char*>(data), size));
    // Reading keeps its run-time memory within 64 x the input, past the fixed cost of a call and
    // its error; the highest peak seen is printed when it grows.
    lanmere::resetMemoryPeak();
    const std::size_t start = lanmere::memoryCounters().inUse;
    kestrel::fuzz::guarded([&] {
      lanmere::callFunction("AREAD", {raw});
      lanmere::callFunction("OREAD", {raw});
    });
    const std::size_t peak = lanmere::memoryCounters().highest - start;
    check(peak <= kFixedCost + 64 * size);
    static std::size_t worst = 0;
    if (peak > worst) {
      worst = peak;
      std::fprintf(stderr, "persist: peak %zu bytes for %zu input bytes\n", peak, size);
    }
    const Value pad = lanmere::createObject("TPAD");
    auto& padObject = *static_cast<kestrel::test::TPad*>(pad.object());
    padObject.cTitle = "kept";
    padObject.aList = Value::list({1, "two"});
    const std::string before = lanmere::send(pad, "Save").string();
    kestrel::fuzz::guarded([&] {
      if (!lanmere::send(pad, "Load", {raw}).logical()) {
        check(lanmere::send(pad, "Save").string() == before);
      }
    });

    FuzzedDataProvider input(data, size);
    const Value list = Value::list();
    const int count = input.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) list.listData()->items.push_back(anyRecordValue(input, 1));
    if (restorable(list)) {
      kestrel::fuzz::guarded([&] {
        const std::string record = kestrel::saveList(list);
        if (record.empty()) return;  // too long: refused, with its error
        const Value back = lanmere::callFunction("AREAD", {Value(record.substr(3))});
        check(sameRecord(list, back));
      });
    }
  }
  check(lanmere::memoryCounters().inUse == inUse);
  return 0;
}
