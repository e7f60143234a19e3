#include "framework/display/cvaltochar.h"

#include <cstdint>

#include "framework/core/messages.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/object.h"

namespace kestrel {

using lanmere::Type;
using lanmere::Value;

namespace {

// An object names itself by its cClassName member when it has one: a member is data when the
// object answers both the name and its assignment.
std::string objectName(const Value& object) {
  if (lanmere::understands(object, msg::cClassName) &&
      lanmere::understands(object, msg::_cClassName)) {
    return cValToChar(tell(object, msg::cClassName));
  }
  return object.object()->ClassName();
}

}  // namespace

std::string cValToChar(const Value& value) {
  switch (value.type()) {
    case Type::Text:
      return value.string();
    case Type::Date:
      return lanmere::dtoc(value);
    case Type::Timestamp:  // without a date part: the time alone
      return value.julian() == 0 ? lanmere::timeText(value.millisecond()) : lanmere::ttoc(value);
    case Type::Logical:
      return value.logical() ? ".T." : ".F.";
    case Type::Integer:
    case Type::Float:
      return lanmere::allTrim(lanmere::str(value));
    case Type::Closure:
      return "{|| ... }";
    case Type::List:
      return "{ ... }";
    case Type::Object:
      return objectName(value);
    case Type::Hash:
      return "{=>}";
    case Type::Pointer:
      return "0x" + lanmere::numToHex(reinterpret_cast<std::uintptr_t>(value.pointer()));
    default:
      return "";
  }
}

Value CVALTOCHAR(lanmere::Args args) {
  return cValToChar(lanmere::arg(args, 1));
}

const lanmere::ModuleTable& valToCharModule() {
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&CVALTOCHAR>("CVALTOCHAR")}};
  return module;
}

}  // namespace kestrel
