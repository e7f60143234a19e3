#include "framework/services/helpfile.h"

#include <htmlhelp.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "framework/core/fwmessages.h"
#include "framework/core/messages.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "framework/display/msgbox.h"
#include "framework/services/files.h"
#include "framework/services/help.h"
#include "runtime/binding.h"
#include "runtime/builtins.h"
#include "runtime/error.h"
#include "runtime/object.h"

namespace kestrel {

using lanmere::arg;
using lanmere::Args;
using lanmere::Value;

namespace {

constexpr const char* kUser32 = "User32.dll";
constexpr const char* kHtmlExtension = ".htm";
constexpr const char* kPopupFont = "Tahoma, 8, , ";
constexpr const char* kAttention = " Attention";
constexpr int kMouseLift = 20;  // a pop-up without a position opens this far above the mouse
constexpr UINT kWinHelpDefaultCommand = HELP_CONTENTS;

// The pop-up settings' defaults and the answer of GETHELPPOPUP before any were set.
constexpr const char* kDefaultPopupFile = "popups.txt";
constexpr long long kDefaultPopupX = 20;
constexpr long long kDefaultPopupY = 10;
constexpr long long kDefaultColour = -1;

struct HelpState {
  std::string file;
  Value topic = "";
  Value popup;  // {file, x, y, text colour, back colour}; nil until set
  HHOOK f1Hook = nullptr;
  HelpService winHelp;
  HelpService htmlHelp;
};

HelpState& state() {
  static HelpState help;
  return help;
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
  return lanmere::upper(text).find(lanmere::upper(part)) != std::string::npos;
}

bool isHtmlHelp(std::string_view file) {
  return containsIgnoringCase(file, ".chm");
}

ULONG_PTR realWinHelp(HWND window, const char* file, UINT command, ULONG_PTR data) {
  HMODULE user32 = loadLibraryOrAlert(kUser32);
  if (!user32) return 0;
  using WinHelpA = BOOL(WINAPI*)(HWND, LPCSTR, UINT, ULONG_PTR);
  auto entry =
      reinterpret_cast<WinHelpA>(reinterpret_cast<void*>(GetProcAddress(user32, "WinHelpA")));
  const BOOL result = entry ? entry(window, file, command, data) : FALSE;
  FreeLibrary(user32);
  return static_cast<ULONG_PTR>(result);
}

ULONG_PTR realHtmlHelp(HWND window, const char* file, UINT command, ULONG_PTR data) {
  using HtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  auto entry = reinterpret_cast<HtmlHelpA>(reinterpret_cast<void*>(htmlHelpEntry()));
  return entry ? reinterpret_cast<ULONG_PTR>(entry(window, file, command, data)) : 0;
}

// Both services may send messages to this thread's windows: a request parked by one of their
// procedures is raised once the service has returned.
void callWinHelp(HWND window, const std::string& file, UINT command, ULONG_PTR data) {
  const HelpService& service = state().winHelp;
  service ? service(window, file.c_str(), command, data)
          : realWinHelp(window, file.c_str(), command, data);
  lanmere::raiseParked();
}

void callHtmlHelp(HWND window, const char* file, UINT command, ULONG_PTR data) {
  const HelpService& service = state().htmlHelp;
  service ? service(window, file, command, data) : realHtmlHelp(window, file, command, data);
  lanmere::raiseParked();
}

// A WinHelp call with a value as its data: a text as the address of a zero-terminated copy,
// a number as itself.
void winHelpWith(const std::string& file, UINT command, const Value& data) {
  const std::string text = data.string();
  const ULONG_PTR raw = data.isText() ? reinterpret_cast<ULONG_PTR>(text.c_str())
                                      : static_cast<ULONG_PTR>(data.integer());
  callWinHelp(GetActiveWindow(), file, command, raw);
}

void htmlHelpText(UINT command, const std::string& text) {
  callHtmlHelp(GetActiveWindow(), state().file.c_str(), command,
               reinterpret_cast<ULONG_PTR>(text.c_str()));
}

void stopBox(const std::string& text, const char* title = nullptr) {
  Value args[] = {Value(text), title ? Value(title) : Value()};
  MSGSTOP(Args(args, title ? 2 : 1));
}

// ".htm" goes after the part before "#", unless that part holds it already.
std::string withHtmlExtension(const std::string& topic) {
  const std::size_t anchor = topic.find('#');
  const std::string page = topic.substr(0, anchor);
  if (containsIgnoringCase(page, kHtmlExtension)) return topic;
  return anchor == std::string::npos ? topic + kHtmlExtension
                                     : page + kHtmlExtension + topic.substr(anchor);
}

// The classic help's keyword for an HTML-style topic: cut before its ".htm".
std::string withoutHtmlExtension(const std::string& topic) {
  return topic.substr(0, lanmere::upper(topic).find(lanmere::upper(kHtmlExtension)));
}

// A keyword or query value as text: numbers by their integer part, other values as nothing.
std::string keywordText(const Value& keyword) {
  if (keyword.isNumber()) return std::to_string(keyword.integer());
  return keyword.string();
}

// A window argument: a handle number, or an object answering hWnd.
HWND windowOf(const Value& window) {
  const Value handle = window.isObject() ? tell(window, msg::hWnd) : window;
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(handle.integer()));
}

std::string fileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isHelpFile(const std::string& file) {
  if (file.empty()) {
    stopBox("No Help file defined with SetHelpFile()!", kAttention);
    return false;
  }
  if (file.size() > kMaxHelpPath || !fileExists(file)) {
    stopBox("Help file '" + file + "' does not exist\r\nor its name (with path) is too long!");
    return false;
  }
  return true;
}

// The HTML Help pop-up: a text, or the string `idString` of `file`; at `at`, or above the
// mouse when no position arrived.
void showPopup(HWND window, const char* file, UINT idString, const char* text,
               std::optional<POINT> at, COLORREF textColour, COLORREF backColour) {
  HH_POPUP popup{};
  popup.cbStruct = sizeof popup;
  popup.idString = idString;
  popup.pszText = text;
  if (at) {
    popup.pt = *at;
  } else {
    GetCursorPos(&popup.pt);
    popup.pt.y -= kMouseLift;
  }
  popup.clrForeground = textColour;
  popup.clrBackground = backColour;
  popup.rcMargins = {-1, -1, -1, -1};
  popup.pszFont = kPopupFont;
  callHtmlHelp(window, file, HH_DISPLAY_TEXT_POPUP, reinterpret_cast<ULONG_PTR>(&popup));
}

// The message filter of the GUI thread: F1 pressed inside a menu posts the F1-help message to
// the active window. Every message passes on.
LRESULT CALLBACK f1InMenu(int code, WPARAM wParam, LPARAM lParam) {
  lanmere::guardCallback(0, [&] {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
      PostMessageA(GetActiveWindow(), kWmFrameworkHelpF1, 0, 0);
    }
    return 0;
  });
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

Value defaultOr(const Value& value, Value fallback) {
  return value.isNil() ? fallback : value;
}

COLORREF colourOf(const Value& colour) {
  return static_cast<COLORREF>(colour.integer());
}

}  // namespace

void setWinHelpService(HelpService service) {
  state().winHelp = std::move(service);
}

void setHtmlHelpService(HelpService service) {
  state().htmlHelp = std::move(service);
}

std::string popupTopicText(std::string_view contents, long long topic) {
  for (const char* heading : {".Topic ", ".topic "}) {
    const std::string line = heading + std::to_string(topic) + "\r\n";
    const std::size_t found = contents.find(line);
    if (found == std::string_view::npos) continue;
    const std::size_t start = found + line.size();
    return std::string(contents.substr(start, contents.find("\r\n", start) - start));
  }
  return {};
}

Value SETHELPFILE(const Value& file) {
  HelpState& help = state();
  help.file = file.string();
  if (!help.f1Hook) {
    help.f1Hook = SetWindowsHookExA(WH_MSGFILTER, f1InMenu, nullptr, GetCurrentThreadId());
  }
  return {};
}

Value SETHELPTOPIC(const Value& topic) {
  state().topic = topic.isNumber() ? topic : Value(topic.string());
  return {};
}

Value GETHELPFILE() {
  return Value(state().file);
}

Value GETHELPTOPIC() {
  return state().topic;
}

Value SETHELPPOPUP(Args args) {
  state().popup = Value::list(
      {defaultOr(arg(args, 1), kDefaultPopupFile), defaultOr(arg(args, 2), kDefaultPopupX),
       defaultOr(arg(args, 3), kDefaultPopupY), defaultOr(arg(args, 4), kDefaultColour),
       defaultOr(arg(args, 5), kDefaultColour)});
  return {};
}

Value GETHELPPOPUP() {
  const Value& popup = state().popup;
  if (popup.isNil()) return Value::list({"", 0, 0, kDefaultColour, kDefaultColour});
  return Value::list({popup.item(1), popup.item(2), popup.item(3), popup.item(4), popup.item(5)});
}

Value HELPTOPIC(Args args) {
  const std::string file = state().file;
  if (!isHelpFile(file)) return false;
  const Value& topic = arg(args, 1);
  if (isHtmlHelp(file)) {
    Value given[] = {topic};
    CHMHELPTOPIC(topic.isNil() ? Args() : Args(given));
  } else if (topic.isNumber()) {
    winHelpWith(file, HELP_CONTEXT, topic);
  } else if (topic.isText()) {
    winHelpWith(file, HELP_KEY, topic);
  } else if (state().topic.isNumber()) {
    winHelpWith(file, HELP_CONTEXT, state().topic);
  } else {
    winHelpWith(file, HELP_KEY, Value(withoutHtmlExtension(state().topic.string())));
  }
  return {};
}

Value HELPINDEX(Args args) {
  const std::string file = state().file;
  if (!isHelpFile(file)) return false;
  if (isHtmlHelp(file)) {
    CHMHELPTOPIC(args);
  } else {
    winHelpWith(file, HELP_FINDER, Value(0));
  }
  return {};
}

Value HELPSEARCH(Args args) {
  const Value text = defaultOr(arg(args, 1), "");
  if (isHtmlHelp(state().file)) {
    Value keyword[] = {text};
    return CHMHELPINDEX(Args(keyword));
  }
  winHelpWith(state().file, HELP_PARTIALKEY, text);
  return {};
}

Value HELPPOPUP(Args args) {
  if (isHtmlHelp(state().file)) {
    const bool allGiven = args.size() >= 4 && !arg(args, 1).isNil() && !arg(args, 2).isNil() &&
                          !arg(args, 3).isNil() && !arg(args, 4).isNil();
    Value focused[] = {arg(args, 1), Value(), Value(),
                       Value(static_cast<long long>(reinterpret_cast<std::intptr_t>(GetFocus())))};
    return CHMHELPPOPUP(allGiven ? args.first(4) : Args(focused));
  }
  winHelpWith(state().file, HELP_CONTEXTPOPUP, arg(args, 1));
  return {};
}

Value WINHELP(Args args) {
  const std::string file = arg(args, 1).string();
  if (!isHtmlHelp(file)) {
    winHelpWith(file, static_cast<UINT>(defaultOr(arg(args, 2), kWinHelpDefaultCommand).integer()),
                defaultOr(arg(args, 3), 0));
  }
  return {};
}

Value ISHELPFILE(const Value& file) {
  return isHelpFile(file.string());
}

Value CHMHELPTOPIC(Args args) {
  const Value& topic = arg(args, 1);
  const Value& current = state().topic;
  if (!args.empty() && topic.isNumber()) {
    callHtmlHelp(GetActiveWindow(), state().file.c_str(), HH_HELP_CONTEXT,
                 static_cast<ULONG_PTR>(topic.integer()));
  } else if (!args.empty() && topic.isText()) {
    htmlHelpText(HH_DISPLAY_TOPIC, withHtmlExtension(topic.string()));
  } else if (!args.empty() && current.isText() && current.length() > 0) {
    htmlHelpText(HH_DISPLAY_TOPIC, current.string());
  } else {
    callHtmlHelp(GetActiveWindow(), state().file.c_str(), HH_DISPLAY_TOC, 0);
  }
  return {};
}

Value CHMHELPINDEX(Args args) {
  htmlHelpText(HH_DISPLAY_INDEX, keywordText(defaultOr(arg(args, 1), state().topic)));
  return {};
}

Value CHMHELPSEARCH(Args args) {
  const std::string query = keywordText(defaultOr(arg(args, 1), state().topic));
  HH_FTS_QUERY search{};
  search.cbStruct = sizeof search;
  search.fUniCodeStrings = FALSE;
  search.pszSearchQuery = query.c_str();
  search.iProximity = HH_FTS_DEFAULT_PROXIMITY;
  search.fExecute = TRUE;
  callHtmlHelp(GetActiveWindow(), state().file.c_str(), HH_DISPLAY_SEARCH,
               reinterpret_cast<ULONG_PTR>(&search));
  return {};
}

Value CHMHELPPOPUP(Args args) {
  const Value& settings = state().popup;
  const Value& topic = arg(args, 1);
  if (settings.isNil()) {
    stopBox("No Help popup file defined", kAttention);
    return false;
  }
  const std::string popupFile = settings.item(1).string();
  if (topic.isNumber() && popupFile.empty()) {
    stopBox("No Help popup file available");
    return false;
  }
  const Value x = defaultOr(arg(args, 2), settings.item(2));
  const Value y = defaultOr(arg(args, 3), settings.item(3));
  const COLORREF textColour = colourOf(defaultOr(arg(args, 5), settings.item(4)));
  const COLORREF backColour = colourOf(defaultOr(arg(args, 6), settings.item(5)));
  const HWND window = arg(args, 4).isNil() ? GetActiveWindow() : windowOf(arg(args, 4));
  std::optional<POINT> at;
  if (x.isNumber() && y.isNumber()) {
    at = POINT{static_cast<LONG>(x.integer()), static_cast<LONG>(y.integer())};
    if (window) ClientToScreen(window, &*at);
  }

  if (topic.isNumber() && !fileExists(popupFile)) {
    const std::string inHelpFile = state().file + "::/" + popupFile;
    showPopup(window, inHelpFile.c_str(), static_cast<UINT>(topic.integer()), nullptr, at,
              textColour, backColour);
    return {};
  }
  const std::string text = topic.isNumber()
                               ? popupTopicText(fileContents(popupFile), topic.integer())
                               : lanmere::allTrim(topic.text());
  if (!text.empty()) showPopup(window, nullptr, 0, text.c_str(), at, textColour, backColour);
  return {};
}

Value HELPCTRLHWND(const Value& helpInfo) {
  const auto address = static_cast<std::uintptr_t>(
      helpInfo.isPointer() ? reinterpret_cast<std::uintptr_t>(helpInfo.pointer())
                           : helpInfo.integer());
  const auto* info = reinterpret_cast<const HELPINFO*>(address);
  if (!info || info->cbSize < sizeof(HELPINFO)) return 0;
  return Value(handleNumber(info->hItemHandle));
}

const lanmere::ModuleTable& helpFileModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/services/helpfile.cpp",
      {fn<&SETHELPFILE>("SETHELPFILE"), fn<&SETHELPTOPIC>("SETHELPTOPIC"),
       fn<&GETHELPFILE>("GETHELPFILE"), fn<&GETHELPTOPIC>("GETHELPTOPIC"),
       fn<&SETHELPPOPUP>("SETHELPPOPUP"), fn<&GETHELPPOPUP>("GETHELPPOPUP"),
       fn<&HELPTOPIC>("HELPTOPIC"), fn<&HELPINDEX>("HELPINDEX"), fn<&HELPSEARCH>("HELPSEARCH"),
       fn<&HELPPOPUP>("HELPPOPUP"), fn<&WINHELP>("WINHELP"),
       fn<&ISHELPFILE>("ISHELPFILE", lanmere::kStatic | lanmere::kDefined),
       fn<&CHMHELPTOPIC>("CHMHELPTOPIC"), fn<&CHMHELPINDEX>("CHMHELPINDEX"),
       fn<&CHMHELPSEARCH>("CHMHELPSEARCH"), fn<&CHMHELPPOPUP>("CHMHELPPOPUP"),
       fn<&HELPCTRLHWND>("HELPCTRLHWND")}};
  return module;
}

}  // namespace kestrel
