#include "errors/errormessage.h"

#include <cstdio>

#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

// A number as text without blanks, with the decimals a floating value carries.
std::string numberText(const Value& number) {
  if (!number.isFloat()) return std::to_string(number.integer());
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", number.decimals(), number.number());
  return buffer;
}

struct Pieces {
  Value osCode, severity, subSystem, subCode, description, filename, operation;
};

std::string build(const Pieces& e) {
  std::string line;
  if (e.osCode.integer() == 0) {
    line = e.severity.integer() > 1 ? "Error " : "Warning ";
  } else {
    line = "(DOS Error " + numberText(e.osCode) + ") ";
  }
  line += e.subSystem.isText() ? e.subSystem.string() : "???";
  line += e.subCode.isNumber() ? "/" + numberText(e.subCode) : "/???";
  if (e.description.isText()) line += "  " + e.description.string();
  // Both members hold texts (the record accepts nothing else), so "not empty" is "has bytes".
  if (e.filename.length() > 0 && e.filename.isText()) {
    line += ": " + e.filename.string();
  } else if (e.operation.length() > 0 && e.operation.isText()) {
    line += ": " + e.operation.string();
  }
  return line;
}

}  // namespace

std::string errorMessage(const lanmere::ErrorRecord& e) {
  return build(
      {e.osCode, e.severity, e.subSystem, e.subCode, e.description, e.filename, e.operation});
}

Value ERRORMESSAGE(Args args) {
  const Value& error = lanmere::arg(args, 1);
  if (auto* record = dynamic_cast<lanmere::ErrorRecord*>(error.object())) {
    return Value(errorMessage(*record));
  }
  // Another object that plays the record: ask it by message, as for a record.
  auto ask = [&](std::string_view member) { return lanmere::send(error, member); };
  return Value(build({ask("OSCODE"), ask("SEVERITY"), ask("SUBSYSTEM"), ask("SUBCODE"),
                      ask("DESCRIPTION"), ask("FILENAME"), ask("OPERATION")}));
}

Value DOBREAK() {
  lanmere::doBreak();
}

const lanmere::ModuleTable& errorMessageModule() {
  using namespace lanmere;
  static const ModuleTable module{"errors/errormessage.cpp",
                                  {lanmere::fn<&ERRORMESSAGE>("ERRORMESSAGE", kStatic | kDefined),
                                   lanmere::fn<&DOBREAK>("DOBREAK")}};
  return module;
}

}  // namespace kestrel
