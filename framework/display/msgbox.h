// The framework's message boxes: thin wrappers around the system's modal message box, each with
// its own default title and icon, and the beeps.
#pragma once

#include <string>

#include "runtime/functions.h"
#include "runtime/value.h"

namespace kestrel {

// Title and style of each box, as MessageBoxA takes them.
inline constexpr unsigned kAlertStyle = 0x30;     // warning icon, OK
inline constexpr unsigned kInfoStyle = 0x40;      // information icon, OK
inline constexpr unsigned kStopStyle = 0x10;      // error icon, OK
inline constexpr unsigned kQuestionStyle = 0x24;  // question icon, Yes and No
inline constexpr int kIdYes = 6;

// The boxes' own conversion of a non-text argument ("nil", "%d", "%f", ".T.", "Array", ...);
// a text stays as it is.
std::string msgBoxText(const lanmere::Value& value);

lanmere::Value NMSGBOX(lanmere::Args args);
lanmere::Value MSGALERT(lanmere::Args args);
lanmere::Value MSGINFO(lanmere::Args args);
lanmere::Value MSGSTOP(lanmere::Args args);
lanmere::Value MSGYESNO(lanmere::Args args);
lanmere::Value MSGABOUT(lanmere::Args args);
lanmere::Value MSGBEEP();
lanmere::Value MESSAGEBEEP(lanmere::Args args);

const lanmere::ModuleTable& msgBoxModule();

}  // namespace kestrel
