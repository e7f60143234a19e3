// The list functions driven by a small program read from the input: four list variables that
// grow, shrink, nest into each other, get cloned, searched, sorted with closures that may change
// them, and are released in any order.
#include <unordered_set>

#include "tests/fuzz/fuzz_support.h"

namespace {

using lanmere::Value;

constexpr std::size_t kVariables = 4;

// Sizes stay small, with now and then one past the limit, which must be refused.
Value size(FuzzedDataProvider& input) {
  if (input.ConsumeIntegralInRange(0, 15) == 0) {
    return Value(static_cast<long long>(lanmere::kMaxListLength) +
                 input.ConsumeIntegralInRange<long long>(1, 1LL << 40));
  }
  return Value(input.ConsumeIntegralInRange<long long>(-3, 300));
}

// Whether `target` is `from` or lies inside it. Counted references do not collect cycles, so
// the program never nests a list into itself (ACLONE's cycles are a test of their own): that
// way LeakSanitizer still finds every list a function loses.
bool reaches(const Value& from, const Value& target) {
  std::vector<Value> work{from};
  std::unordered_set<const void*> seen;
  while (!work.empty()) {
    Value value = std::move(work.back());
    work.pop_back();
    if (!value.isList() || !seen.insert(value.identity()).second) continue;
    if (value.sharesStorageWith(target)) return true;
    for (const Value& item : value.items()) work.push_back(item);
  }
  return false;
}

void nest(const Value& outer, const Value& inner) {
  if (!reaches(inner, outer)) lanmere::callFunction("AADD", {outer, inner});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size_) {
  kestrel::fuzz::startRuntime();
  FuzzedDataProvider input(data, size_);
  Value lists[kVariables];
  for (Value& list : lists) list = Value::list();
  auto pick = [&]() -> Value& { return lists[input.ConsumeIntegralInRange<std::size_t>(0, 3)]; };
  while (input.remaining_bytes() > 0) {
    Value& list = pick();
    kestrel::fuzz::guarded([&] {
      switch (input.ConsumeIntegralInRange(0, 15)) {
        case 0:
          lanmere::callFunction("AADD", {list, kestrel::fuzz::anyValue(input)});
          break;
        case 1:
          nest(list, pick());
          break;
        case 2:
          lanmere::callFunction("ASIZE", {list, size(input)});
          break;
        case 3:
          list = lanmere::callFunction("ACLONE", {pick()});
          break;
        case 4:
          lanmere::callFunction(
              "ASCAN", {list, kestrel::fuzz::anyValue(input), kestrel::fuzz::anyValue(input)});
          break;
        case 5:
          lanmere::callFunction("AINS", {list, kestrel::fuzz::anyValue(input)});
          break;
        case 6:
          lanmere::callFunction("ADEL", {list, kestrel::fuzz::anyValue(input)});
          break;
        case 7:
          lanmere::callFunction("ASORT", {list, kestrel::fuzz::anyValue(input)});
          break;
        case 8: {
          // A comparison that answers at random and shrinks the list it sorts.
          const bool shrink = input.ConsumeBool();
          const Value order = lanmere::block([&list, shrink](lanmere::Args args) {
            if (shrink && list.listData() && !list.listData()->items.empty()) {
              list.listData()->items.pop_back();
            }
            return Value(args.size() == 2 && lanmere::typeLetter(args[0]) < 'M');
          });
          lanmere::callFunction("ASORT", {list, Value(), Value(), order});
          break;
        }
        case 9: {
          const Value body = lanmere::block([&list](lanmere::Args) {
            lanmere::callFunction("AADD", {list, Value(1)});
            return Value();
          });
          lanmere::callFunction("AEVAL", {list, body, kestrel::fuzz::anyValue(input),
                                          kestrel::fuzz::anyValue(input)});
          break;
        }
        case 10:
          list = Value::list();
          break;  // releases whatever the old list held alone
        case 11: {
          // A chain of lists, one inside the next, released or cloned whole.
          const int depth = input.ConsumeIntegralInRange(0, 1000);
          Value chain = Value::list();
          for (int i = 0; i < depth; ++i) chain = Value::list({chain});
          list = input.ConsumeBool() ? lanmere::callFunction("ACLONE", {chain}) : chain;
          break;
        }
        default:
          nest(pick(), list);
          break;
      }
    });
  }
  return 0;
}
