#include "framework/display/msgbox.h"

#include <windows.h>

#include <cstdio>
#include <limits>

#include "framework/core/win32.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/callstack.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Type;
using lanmere::Value;

namespace {

std::string printed(const char* format, auto number) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format, number);
  return buffer;
}

// Text and title of a box call: the text is the first argument; the title is the second only
// when exactly two were passed. Each keeps its own storage until the box is gone.
struct BoxTexts {
  std::string text;
  std::string title;
  BoxTexts(Args args, const char* defaultTitle)
      : text(args.empty() ? std::string() : msgBoxText(args[0])),
        title(args.size() == 2 ? msgBoxText(args[1]) : std::string(defaultTitle)) {}
};

int showBox(Args args, const char* defaultTitle, unsigned style) {
  const BoxTexts texts(args, defaultTitle);
  const int result = MessageBoxA(GetActiveWindow(), texts.text.c_str(), texts.title.c_str(), style);
  // Our own window procedures may have parked a break or quit while the box ran its loop.
  lanmere::raiseParked();
  return result;
}

}  // namespace

std::string msgBoxText(const Value& value) {
  switch (value.type()) {
    case Type::Text:
      return value.string();
    case Type::Nil:
      return "nil";
    case Type::Integer: {
      const long long n = value.integer();
      if (n >= std::numeric_limits<int>::min() && n <= std::numeric_limits<int>::max()) {
        return printed("%d", static_cast<int>(n));
      }
      std::string text = printed("%f", static_cast<double>(n));
      return text.substr(0, text.find('.'));
    }
    case Type::Float:
      return printed("%f", value.number());
    case Type::Date:
      return lanmere::dtoc(value);
    case Type::Logical:
      return value.logical() ? ".T." : ".F.";
    case Type::List:
      return "Array";
    case Type::Object:
      return "Object";
    default:
      return "ValtoChar not suported type yet";
  }
}

Value NMSGBOX(Args args) {
  showBox(args, "Alert", kAlertStyle);
  return {};
}

Value MSGALERT(Args args) {
  showBox(args, "Alert", kAlertStyle);
  return {};
}

Value MSGINFO(Args args) {
  showBox(args, "Information", kInfoStyle);
  return {};
}

Value MSGSTOP(Args args) {
  showBox(args, "Stop", kStopStyle);
  return {};
}

Value MSGYESNO(Args args) {
  return showBox(args, "Select an option", kQuestionStyle) == kIdYes;
}

Value MSGABOUT(Args args) {
  const BoxTexts texts(args, "About");
  callSystem<"shell32.dll", "ShellAboutA", decltype(::ShellAboutA)>(
      GetActiveWindow(), texts.text.c_str(), texts.title.c_str(), nullptr);
  lanmere::raiseParked();
  return {};
}

Value MSGBEEP() {
  MessageBeep(0);
  return {};
}

Value MESSAGEBEEP(Args args) {
  MessageBeep(static_cast<UINT>(lanmere::arg(args, 1).integer()));
  return {};
}

const lanmere::ModuleTable& msgBoxModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&NMSGBOX>("NMSGBOX"), lanmere::fn<&MSGALERT>("MSGALERT"),
       lanmere::fn<&MSGINFO>("MSGINFO"), lanmere::fn<&MSGSTOP>("MSGSTOP"),
       lanmere::fn<&MSGYESNO>("MSGYESNO"), lanmere::fn<&MSGABOUT>("MSGABOUT"),
       lanmere::fn<&MSGBEEP>("MSGBEEP"), lanmere::fn<&MESSAGEBEEP>("MESSAGEBEEP")}};
  return module;
}

}  // namespace kestrel
