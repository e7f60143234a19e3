// Stands in for the help module: a HELPTOPIC that records the topics it is asked for.
#pragma once

#include <vector>

#include "runtime/functions.h"

namespace kestrel::test {

// The topics HELPTOPIC was asked for, in order.
extern std::vector<long long> helpTopics;
// The module of the stand-in's HELPTOPIC. Registering it makes HELPTOPIC known for the rest of
// the test program.
const lanmere::ModuleTable& helpStandIn();

}  // namespace kestrel::test
