#include "tests/framework/core/twindow_support.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel::test {

using lanmere::Value;

namespace {

class Modules : public ::testing::Environment {
 public:
  void SetUp() override {
    for (const lanmere::ModuleTable* module : coreModules()) lanmere::registerModule(*module);
    for (const lanmere::ModuleTable* module : controlsModules()) lanmere::registerModule(*module);
    // An error no test expects fails the test that raised it, with what the record says.
    lanmere::errorBlock(closure([](lanmere::Args args) {
      const Value& error = args.empty() ? lanmere::nil : args[0];
      ADD_FAILURE() << "unexpected error: " << lanmere::send(error, "description").string() << " / "
                    << lanmere::send(error, "operation").string() << " / "
                    << lanmere::send(error, "subCode").integer();
      return Value(false);
    }));
  }
};

[[maybe_unused]] ::testing::Environment* const modules =
    ::testing::AddGlobalTestEnvironment(new Modules);

constexpr std::size_t kNewArguments = 22;
constexpr std::size_t kPixelArgument = 21;

Value newWith(const char* className, std::vector<Value> args) {
  return lanmere::send(lanmere::createObject(className), lanmere::symbol("New"),
                       lanmere::Args(args));
}

}  // namespace

Value window(const char* className) {
  return newWith(className, {});
}

Value pixelWindow(long long top, long long left, long long bottom, long long right,
                  const char* title, const char* className) {
  std::vector<Value> args(kNewArguments);
  args[0] = top;
  args[1] = left;
  args[2] = bottom;
  args[3] = right;
  args[4] = title;
  args[kPixelArgument - 1] = true;
  return newWith(className, args);
}

Value childWindow(const Value& parent, long long top, const char* className) {
  std::vector<Value> args(kNewArguments);
  args[0] = top;
  args[1] = 10;
  args[2] = top + 19;
  args[3] = 109;
  args[5] = static_cast<long long>(WS_VISIBLE | WS_TABSTOP);
  args[9] = parent;
  args[kPixelArgument - 1] = true;
  return newWith(className, args);
}

void destroy(const Value& window) {
  DestroyWindow(hwndOf(window));
}

Value newFont(const char* face, long long height) {
  return lanmere::send(lanmere::createObject("TFONT"), "New", {face, 0, height});
}

Value newBrush(long long color) {
  return lanmere::send(lanmere::createObject("TBRUSH"), "New", {Value(), color});
}

ErrorBlock::ErrorBlock(std::function<void(const Value&)> seen)
    : previous_(lanmere::errorBlock(closure([seen](lanmere::Args args) {
        seen(args.empty() ? Value() : args[0]);
        return Value(false);
      }))) {}

ErrorBlock::~ErrorBlock() {
  lanmere::restoreErrorBlock(previous_);
}

}  // namespace kestrel::test
