// Small classes with records, shared by the record tests and the record fuzz target: one with
// a member of every kind and an event, one nested in it, and one that does not load. Included
// once per program (it defines the class tables).
#pragma once

#include "framework/core/persist.h"
#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel::test {

using lanmere::Value;

// A small class with every kind of member; hWnd is a member the record must never reach.
class TPad : public lanmere::Object {
  LM_CLASS(TPad, lanmere::Object)
  Value cTitle, nSize, lOn, dWhen, aList, oInner, Cargo, OnClick, hWnd, nClicks = 0;

  Value New() { return Value(lanmere::Ref<TPad>(this)); }
  void End() {}
  Value Save() { return saveObject(Value(lanmere::Ref<TPad>(this))); }
  Value Load(const Value& data) {
    if (!data.isText()) return lanmere::argumentError(kRecordArgumentSubCode);
    return loadObject(Value(lanmere::Ref<TPad>(this)), data.text());
  }
  void Clicked(const Value& by) { nClicks = nClicks.integer() + (by.isNil() ? 1 : by.integer()); }
};

LM_DEFINE_CLASS(TPad) {
  c.data(LM_FIELDS(cTitle, nSize, lOn, dWhen, aList, oInner, Cargo, OnClick, hWnd, nClicks));
  c.classData("aProperties",
              Value::list({"cTitle", "nSize", "lOn", "dWhen", "aList", "oInner", "Cargo"}));
  c.classData("aEvents", Value::list({Value::list({"OnClick", "nBy"})}));
  c.methods(LM_METHODS(New, End, Save, Load, Clicked));
  c.creatable();
}

class TInner : public lanmere::Object {
  LM_CLASS(TInner, lanmere::Object)
  Value cName;
  Value New() { return Value(lanmere::Ref<TInner>(this)); }
  void End() {}
  Value Save() { return saveObject(Value(lanmere::Ref<TInner>(this))); }
  Value Load(const Value& data) {
    return loadObject(Value(lanmere::Ref<TInner>(this)), data.text());
  }
};

LM_DEFINE_CLASS(TInner) {
  c.data(LM_FIELDS(cName));
  c.classData("aProperties", Value::list({"cName"}));
  c.methods(LM_METHODS(New, End, Save, Load));
  c.creatable();
}

// A class with no Load: a record may never make one.
class TMute : public lanmere::Object {
  LM_CLASS(TMute, lanmere::Object)
  Value cName;
};

LM_DEFINE_CLASS(TMute) {
  c.data(LM_FIELDS(cName));
  c.creatable();
}

// Registers the classes by name and the member rule oInner -> TINNER, once.
inline void registerPersistClasses() {
  static const bool done = [] {
    TPad::Class();
    TInner::Class();
    TMute::Class();
    addMemberKind({"TPAD", "oInner", "TINNER"});
    return true;
  }();
  (void)done;
}

}  // namespace kestrel::test
