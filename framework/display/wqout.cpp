#include "framework/display/wqout.h"

#include "framework/display/cvaltochar.h"
#include "framework/display/msgbox.h"
#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Value;

Value WQOUT(lanmere::Args args) {
  const Value list = lanmere::arg(args, 1);
  if (!list.isList()) return {};
  std::string shown;
  // By position and by copy: converting an object runs its code, which may change the list.
  for (std::size_t i = 1; i <= list.length(); ++i) {
    const Value item = list.item(i);
    shown += "\r\n";
    shown += cValToChar(item);
  }
  Value text(shown);
  NMSGBOX({&text, 1});
  return {};
}

const lanmere::ModuleTable& wqoutModule() {
  static const lanmere::ModuleTable module{__FILE__, {lanmere::fn<&WQOUT>("WQOUT")}};
  return module;
}

}  // namespace kestrel
