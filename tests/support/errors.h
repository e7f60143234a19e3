// An error block for tests: keeps every record it receives and answers a fixed value; the
// previous block (or none) comes back when the catcher goes.
#pragma once

#include <vector>

#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel::test {

class ErrorCatcher {
 public:
  explicit ErrorCatcher(lanmere::Value answer = {}) : previous_(lanmere::errorBlock()) {
    lanmere::errorBlock(lanmere::block([this, answer](lanmere::Args args) {
      records.push_back(static_cast<lanmere::ErrorRecord*>(lanmere::arg(args, 1).object()));
      return answer;
    }));
  }
  ~ErrorCatcher() { lanmere::restoreErrorBlock(previous_); }
  ErrorCatcher(const ErrorCatcher&) = delete;
  ErrorCatcher& operator=(const ErrorCatcher&) = delete;

  const lanmere::ErrorRecord& last() const { return *records.back(); }

  std::vector<lanmere::Ref<lanmere::ErrorRecord>> records;

 private:
  lanmere::Value previous_;
};

}  // namespace kestrel::test
