#include "app/errorsys.h"

#include "runtime/binding.h"
#include "runtime/callstack.h"
#include "runtime/closure.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

// Temporary, replaced by the default error handler: shows the error in a box titled "Error"
// (NMSGBOX, found by name so this stays free of the display layer), then ends the program
// with error level 1 through __QUIT.
Value fatalErrorBlock(Args args) {
  const lanmere::ErrorRecord* record = nullptr;
  if (lanmere::Object* object = lanmere::arg(args, 1).object()) {
    if (object->classInfo().derivesFrom(lanmere::ErrorRecord::Class())) {
      record = static_cast<const lanmere::ErrorRecord*>(object);
    }
  }
  std::string text = "Unknown error";
  if (record) text = record->description.string() + ": " + record->operation.string();
  lanmere::callFunction("NMSGBOX", {Value(text), Value("Error")});
  lanmere::callFunction("ERRORLEVEL", {Value(1)});
  lanmere::callFunction("__QUIT");
  return {};
}

Value ERRORSYS() {
  lanmere::errorBlock(lanmere::block(fatalErrorBlock, "(b)ERRORSYS"));
  return {};
}

// Every module references it so that the default handler and the windowless terminal are
// linked in; it does nothing.
Value KS_GT(Args) {
  return {};
}

}  // namespace

const lanmere::ModuleTable& errorSysModule() {
  static const lanmere::ModuleTable module{
      __FILE__, {lanmere::fn<&ERRORSYS>("ERRORSYS"), lanmere::fn<&KS_GT>("KS_GT")}};
  return module;
}

}  // namespace kestrel
