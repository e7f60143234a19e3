// Context help in either Windows help format: a classic help file through the system's WinHelp
// service, or a compiled HTML help file (a name holding ".chm") through the HTML Help library.
// One process-wide help file and current topic decide what is shown; a small text file of
// pop-up topics serves context pop-ups for HTML help. While a help file is set, F1 pressed in
// a menu posts the framework's F1-help message to the active window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Longest help file name the system services can open; a longer one is refused.
inline constexpr std::size_t kMaxHelpPath = 260;

// One call of a help service: (window, file, command, data). Text data arrive as a pointer to
// a zero-terminated copy, records (HH_POPUP, HH_FTS_QUERY) as a pointer to the record; both
// live for the call only.
using HelpService = std::function<ULONG_PTR(HWND, const char*, UINT, ULONG_PTR)>;
// Replace the WinHelp and the HTML Help service (tests record the calls); an empty function
// puts the real service back.
void setWinHelpService(HelpService service);
void setHtmlHelpService(HelpService service);

// The text of pop-up topic `topic` in a pop-up file's contents: the line after the heading
// ".Topic n" (or else ".topic n") and CR LF, up to the next CR LF or the end; "" when absent.
std::string popupTopicText(std::string_view contents, long long topic);

lanmere::Value SETHELPFILE(const lanmere::Value& file);    // installs the F1 hook once
lanmere::Value SETHELPTOPIC(const lanmere::Value& topic);  // a text or a number
lanmere::Value GETHELPFILE();                              // "" when never set
lanmere::Value GETHELPTOPIC();                             // "" when never set
// (file ["popups.txt"], x [20], y [10], text colour [-1], back colour [-1])
lanmere::Value SETHELPPOPUP(lanmere::Args args);
lanmere::Value GETHELPPOPUP();  // {"", 0, 0, -1, -1} when never set

lanmere::Value HELPTOPIC(lanmere::Args args);           // topic
lanmere::Value HELPINDEX(lanmere::Args args);           // topic
lanmere::Value HELPSEARCH(lanmere::Args args);          // text [""]
lanmere::Value HELPPOPUP(lanmere::Args args);           // topic, x, y, window
lanmere::Value WINHELP(lanmere::Args args);             // file, command [3], data [0]
lanmere::Value ISHELPFILE(const lanmere::Value& file);  // module-private
lanmere::Value CHMHELPTOPIC(lanmere::Args args);        // topic
lanmere::Value CHMHELPINDEX(lanmere::Args args);        // keyword [current topic]
lanmere::Value CHMHELPSEARCH(lanmere::Args args);       // query [current topic]
// topic, x, y, window, text colour, back colour
lanmere::Value CHMHELPPOPUP(lanmere::Args args);
// The control handle a help-information record (the address a help message carries) holds;
// 0 for 0, nil or a record whose size field is too small.
lanmere::Value HELPCTRLHWND(const lanmere::Value& helpInfo);

const lanmere::ModuleTable& helpFileModule();

}  // namespace kestrel
