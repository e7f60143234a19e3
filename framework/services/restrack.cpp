#include "framework/services/restrack.h"

#include <algorithm>

#include "framework/services/logfile.h"
#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kCheckResFile = "checkres.txt";
constexpr std::size_t kChainStart = 3;  // KSADDRESOURCE, the native service, the method

std::vector<TrackedResource>& resources() {
  static std::vector<TrackedResource> list;
  return list;
}

}  // namespace

const std::vector<TrackedResource>& trackedResources() {
  return resources();
}

void clearTrackedResources() {
  resources().clear();
}

std::string creationChain(std::size_t level) {
  std::string chain;
  for (; const lanmere::Frame* frame = lanmere::frameAt(level); ++level) {
    const std::string name = frame->procedure();
    if (name.empty()) break;
    if (!chain.empty()) chain += "->";
    chain += name + "(" + std::to_string(frame->line()) + ")";
  }
  return chain;
}

Value KSADDRESOURCE(Args args) {
  resources().push_back({lanmere::arg(args, 2).string(), lanmere::arg(args, 1).integer(),
                         creationChain(kChainStart)});
  return {};
}

Value KSDELRESOURCE(Args args) {
  const long long handle = lanmere::arg(args, 1).integer();
  auto& list = resources();
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const TrackedResource& r) { return r.handle == handle; });
  if (found != list.end()) list.erase(found);
  return {};
}

Value CHECKRES() {
  // A copy: logging must not see the list change under it.
  const std::vector<TrackedResource> list = resources();
  for (const TrackedResource& r : list) {
    if (r.handle == 0) continue;
    logFile(kCheckResFile,
            {Value(r.type + "," + std::to_string(r.handle) + "," + r.chain + "\r\n")});
  }
  logFile(kCheckResFile, {Value(std::string(100, '='))});
  return {};
}

Value SETRESDEBUG() {
  return {};
}

const lanmere::ModuleTable& resTrackModule() {
  using namespace lanmere;
  static const ModuleTable module{
      "framework/services/restrack.cpp",
      {lanmere::fn<&KSADDRESOURCE>("KSADDRESOURCE"), lanmere::fn<&KSDELRESOURCE>("KSDELRESOURCE"),
       lanmere::fn<&CHECKRES>("CHECKRES"), lanmere::fn<&SETRESDEBUG>("SETRESDEBUG")},
      1};
  return module;
}

}  // namespace kestrel
