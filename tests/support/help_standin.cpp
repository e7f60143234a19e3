#include "tests/support/help_standin.h"

#include "runtime/binding.h"

namespace kestrel::test {

using lanmere::Value;

std::vector<long long> helpTopics;

namespace {
Value recordHelpTopic(lanmere::Args args) {
  helpTopics.push_back(lanmere::arg(args, 1).integer());
  return {};
}
}  // namespace

const lanmere::ModuleTable& helpStandIn() {
  static const lanmere::ModuleTable module{"help stand-in",
                                           {lanmere::fn<&recordHelpTopic>("HELPTOPIC")}};
  return module;
}

}  // namespace kestrel::test
