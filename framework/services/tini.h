// TIni: named entries of an INI file (or of the user's Windows profile when no file is named),
// converted to and from text by the type of a default value.
#pragma once

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TIni : public lanmere::Object {
  LM_CLASS(TIni, lanmere::Object)

  lanmere::Value cIniFile = "";  // "" is the user's Windows profile
  lanmere::Value lAutoSet;       // reading a default writes it back

  // A name without a dot gets ".ini"; returns the object.
  lanmere::Value New(const lanmere::Value& file = {});
  // The entry as the default's type (the current value's when the default is nil).
  lanmere::Value Get(const lanmere::Value& section, const lanmere::Value& entry,
                     const lanmere::Value& byDefault, const lanmere::Value& current = {});
  lanmere::Value Set(const lanmere::Value& section, const lanmere::Value& entry,
                     const lanmere::Value& value);
  // The section names, in file order.
  lanmere::Value Sections();
  lanmere::Value DelSection(const lanmere::Value& section);
  lanmere::Value DelEntry(const lanmere::Value& section, const lanmere::Value& entry);
};

// TINI(): a new instance, to be sent New.
lanmere::Value TINI();

const lanmere::ModuleTable& tIniModule();

}  // namespace kestrel
