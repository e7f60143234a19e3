// List functions: append, resize, deep copy, search, insert, delete, sort and evaluate. Lists
// are shared by reference, so each works on the caller's list in place.
#include <algorithm>
#include <unordered_map>

#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/builtins_internal.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace lanmere {

using detail::countOr;
using detail::optionalNumber;

namespace {

// The default order of ASORT: values of one kind by value (texts byte by byte); different kinds
// by kind: nil, logical, number, date, text, then the rest.
int kindRank(const Value& v) {
  switch (v.type()) {
    case Type::Nil:
      return 0;
    case Type::Logical:
      return 1;
    case Type::Integer:
    case Type::Float:
      return 2;
    case Type::Date:
    case Type::Timestamp:
      return 3;
    case Type::Text:
      return 4;
    default:
      return 5;
  }
}

bool defaultBefore(const Value& a, const Value& b) {
  const int ra = kindRank(a), rb = kindRank(b);
  if (ra != rb) return ra < rb;
  switch (ra) {
    case 1:
      return !a.logical() && b.logical();
    case 2:
      if (a.isInteger() && b.isInteger()) return a.integer() < b.integer();
      return a.number() < b.number();
    case 3:
      return a.julian() < b.julian() ||
             (a.julian() == b.julian() && a.millisecond() < b.millisecond());
    case 4:
      return a.text() < b.text();
    default:
      return false;
  }
}

// A merge sort on a private copy: a comparison closure may answer inconsistently or change the
// list while it runs without breaking the sort's bounds.
template <class Before>
void mergeSort(std::vector<Value>& items, Before before) {
  std::vector<Value> buffer(items.size());
  for (std::size_t width = 1; width < items.size(); width *= 2) {
    for (std::size_t low = 0; low < items.size(); low += 2 * width) {
      const std::size_t mid = std::min(low + width, items.size());
      const std::size_t high = std::min(low + 2 * width, items.size());
      std::size_t left = low, right = mid, out = low;
      while (left < mid && right < high) {
        // Taking the right item only when it strictly comes first keeps equal items in order.
        buffer[out++] = before(items[right], items[left]) ? items[right++] : items[left++];
      }
      while (left < mid) buffer[out++] = items[left++];
      while (right < high) buffer[out++] = items[right++];
    }
    items.swap(buffer);
  }
}

// The 0-based range [first, first + count) of a list that START and COUNT arguments select.
struct Range {
  std::size_t first = 0, count = 0;
};

Range range(std::size_t length, const Value& start, const Value& count) {
  long long first = std::max(1LL, countOr(start, 1));
  if (first > static_cast<long long>(length)) return {};
  const long long available = static_cast<long long>(length) - first + 1;
  const long long n = std::clamp(countOr(count, available), 0LL, available);
  return {static_cast<std::size_t>(first - 1), static_cast<std::size_t>(n)};
}

}  // namespace

// Copies through a work list rather than by recursion, so no nesting depth can exhaust the stack.
Value listClone(const Value& list) {
  if (!list.isList()) return {};
  std::unordered_map<const void*, Value> copies;
  std::vector<std::pair<const ListData*, ListData*>> work;  // lists still to fill
  auto copyOf = [&](const Value& source) {
    auto [at, fresh] = copies.try_emplace(source.identity());
    if (fresh) {
      at->second = Value::list();
      work.emplace_back(source.listData(), at->second.listData());
    }
    return at->second;
  };
  Value root = copyOf(list);
  while (!work.empty()) {
    const auto [source, target] = work.back();
    work.pop_back();
    target->items.reserve(source->items.size());
    for (const Value& item : source->items) {
      target->items.push_back(item.isList() ? copyOf(item) : item);
    }
  }
  return root;
}

// AADD (list, value): appends the value and answers it.
Value AADD(Args args) {
  ListData* list = arg(args, 1).listData();
  if (!list) return argumentError(1123);
  if (list->items.size() >= kMaxListLength) return detail::listOverflow(1123);
  list->items.push_back(arg(args, 2));
  return arg(args, 2);
}

// ASIZE (list, length): new items are nil; a negative length empties the list.
Value ASIZE(Args args) {
  ListData* list = arg(args, 1).listData();
  if (!list || !arg(args, 2).isNumber()) return argumentError(1136);
  const long long length = std::max(0LL, arg(args, 2).integer());
  if (static_cast<unsigned long long>(length) > kMaxListLength) return detail::listOverflow(1136);
  list->items.resize(static_cast<std::size_t>(length));
  return arg(args, 1);
}

Value ACLONE(Args args) {
  return listClone(arg(args, 1));
}

// ASCAN (list, value or closure, [start], [count]): the position of the first item equal to
// the value (exact equality), or for which the closure, given the item and its position,
// answers true; 0 when none does or the first argument is not a list.
Value ASCAN(Args args) {
  const Value& list = arg(args, 1);
  if (!list.isList()) return Value(0);
  const Value& target = arg(args, 2);
  const Range r = range(list.length(), arg(args, 3), arg(args, 4));
  for (std::size_t i = r.first; i < r.first + r.count && i < list.length(); ++i) {
    const auto position = static_cast<long long>(i) + 1;
    const Value item = list.item(i + 1);  // the closure may change the list
    const bool found = target.isClosure() ? eval(target, {item, Value(position)}).logical()
                                          : exactlyEqual(item, target);
    if (found) return Value(position);
  }
  return Value(0);
}

// AINS (list, position): a nil enters at the position and the last item drops off.
Value AINS(Args args) {
  ListData* list = arg(args, 1).listData();
  const long long at = arg(args, 2).integer();
  if (list && at >= 1 && at <= static_cast<long long>(list->items.size())) {
    list->items.insert(list->items.begin() + (at - 1), Value());
    list->items.pop_back();
  }
  return arg(args, 1);
}

// ADEL (list, position): the items after the position move up and the last becomes nil.
Value ADEL(Args args) {
  ListData* list = arg(args, 1).listData();
  const long long at = arg(args, 2).integer();
  if (list && at >= 1 && at <= static_cast<long long>(list->items.size())) {
    list->items.erase(list->items.begin() + (at - 1));
    list->items.emplace_back();
  }
  return arg(args, 1);
}

// ASORT (list, [start], [count], [closure]): sorts in place, stably; the closure receives two
// items and answers true when the first belongs before the second.
Value ASORT(Args args) {
  const Value& list = arg(args, 1);
  if (!list.isList()) return {};
  const Value& order = arg(args, 4);
  const Range r = range(list.length(), arg(args, 2), arg(args, 3));
  std::span<Value> all = list.items();
  std::vector<Value> items(all.begin() + static_cast<std::ptrdiff_t>(r.first),
                           all.begin() + static_cast<std::ptrdiff_t>(r.first + r.count));
  if (order.isClosure()) {
    mergeSort(items, [&](const Value& a, const Value& b) { return eval(order, {a, b}).logical(); });
  } else {
    mergeSort(items, defaultBefore);
  }
  std::span<Value> now = list.items();
  for (std::size_t i = 0; i < items.size() && r.first + i < now.size(); ++i) {
    now[r.first + i] = std::move(items[i]);
  }
  return list;
}

// AEVAL (list, closure, [start], [count]): evaluates the closure with each item and its
// position; answers the list.
Value AEVAL(Args args) {
  const Value& list = arg(args, 1);
  const Value& body = arg(args, 2);
  if (!list.isList() || !body.isClosure() || !optionalNumber(arg(args, 3)) ||
      !optionalNumber(arg(args, 4))) {
    return argumentError(1137);
  }
  const Range r = range(list.length(), arg(args, 3), arg(args, 4));
  for (std::size_t i = r.first; i < r.first + r.count && i < list.length(); ++i) {
    const Value item = list.item(i + 1);
    eval(body, {item, Value(static_cast<long long>(i) + 1)});
  }
  return list;
}

const ModuleTable& listModule() {
  static const ModuleTable module{
      __FILE__,
      {fn<&AADD>("AADD"), fn<&ASIZE>("ASIZE"), fn<&ACLONE>("ACLONE"), fn<&ASCAN>("ASCAN"),
       fn<&AINS>("AINS"), fn<&ADEL>("ADEL"), fn<&ASORT>("ASORT"), fn<&AEVAL>("AEVAL")}};
  return module;
}

}  // namespace lanmere
