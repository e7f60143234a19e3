// The record form of objects and lists: an object writes the members its class lists in
// `aProperties` that differ from a fresh default instance, each as a typed value record, and
// reads them back through their assignment forms. All lengths and counts are signed 2-byte
// little-endian integers; a record too long for that is refused, never written wrapped. The
// same members also have a text form (SaveToText).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/value.h"

namespace kestrel {

// The largest length or count the 2-byte fields hold.
inline constexpr std::size_t kMaxRecordField = 32767;
// Sub-code of the error raised for a record past kMaxRecordField.
inline constexpr long long kRecordTooLongSubCode = 6102;

// The 2-byte field of n. Past kMaxRecordField it raises "Record too long" (genCode 1, the
// sub-code above) and unwinds to the Save that called it, which answers the empty text.
std::string recordField(std::size_t n);

// A scalar as type letter, length and text: numbers trimmed, logicals ".T." / ".F.", dates in
// the current date format, a closure as "{|| ... }".
std::string scalarRecord(const lanmere::Value& value);
// A list: "A", length, element count, one record per element.
std::string listRecord(const lanmere::Value& list);
// A list, an object (its own Save) or a scalar.
std::string valueRecord(const lanmere::Value& value);
// The text of a scalar as its record holds it.
std::string scalarText(const lanmere::Value& value);

// Save: the object record of `self` ("O", length, class name, member count, members); the
// empty text when a length did not fit.
std::string saveObject(const lanmere::Value& self);

// What a text member whose name begins with "On" becomes on loading (nil: plain text).
using EventBinder =
    std::function<lanmere::Value(const lanmere::Value& self, std::string_view method)>;
// Load: reads a member count and the members and assigns each through its assignment form
// ("n_Style" is read as "nStyle"); names the object does not know and unknown type letters are
// skipped, as is a record cut short.
void loadObject(const lanmere::Value& self, std::string_view data, const EventBinder& onEvent = {});
// The list a list payload holds (element count and elements).
lanmere::Value readList(std::string_view payload);
// A new object of the class an object payload names, loaded from the rest.
lanmere::Value readObject(std::string_view payload);

// SaveToText: "OBJECT [::]varName AS Class", the differing members, "ENDOBJECT". The members are
// compared with `reference` when given (a window compares with an instance that has no window,
// since its New would create one), else with a new instance made by New.
std::string saveToText(const lanmere::Value& self, std::string_view varName, long long indent,
                       const lanmere::Value& reference = {});

}  // namespace kestrel
