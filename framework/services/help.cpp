#include "framework/services/help.h"

#include "runtime/binding.h"
#include "runtime/callstack.h"

namespace kestrel {

using lanmere::Args;
using lanmere::Value;

namespace {

struct HtmlHelp {
  HMODULE library = nullptr;
  FARPROC entry = nullptr;
};

HtmlHelp& htmlHelp() {
  static HtmlHelp state;
  return state;
}

Value CHMEXIT() {
  freeHtmlDll();
  return {};
}

}  // namespace

HMODULE htmlHelpLibrary() {
  HtmlHelp& help = htmlHelp();
  if (!help.library) {
    help.library = LoadLibraryA("hhctrl.ocx");
    if (help.library) help.entry = GetProcAddress(help.library, "HtmlHelpA");
  }
  return help.library;
}

FARPROC htmlHelpEntry() {
  htmlHelpLibrary();
  return htmlHelp().entry;
}

bool htmlHelpLoaded() noexcept {
  return htmlHelp().library != nullptr;
}

void freeHtmlDll() noexcept {
  HtmlHelp& help = htmlHelp();
  if (!help.library) return;
  FreeLibrary(help.library);
  help = {};
}

Value FREEHTMLDLL() {
  freeHtmlDll();
  return {};
}

const lanmere::ModuleTable& helpModule() {
  static const lanmere::ModuleTable module{
      __FILE__,
      {lanmere::fn<&FREEHTMLDLL>("FREEHTMLDLL"),
       lanmere::fn<&CHMEXIT>("CHMEXIT$", lanmere::kExit | lanmere::kDefined)}};
  return module;
}

}  // namespace kestrel
