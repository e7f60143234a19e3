// WQOUT: the value-list display. Every element of a list becomes one line (CR LF, then its
// CVALTOCHAR text) of one warning box titled "Alert".
#pragma once

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

lanmere::Value WQOUT(lanmere::Args args);

const lanmere::ModuleTable& wqoutModule();

}  // namespace kestrel
