// TRadMenu: a group of radio buttons bound to one numeric program value, the position (1-based)
// of the checked button. The group makes its buttons (New), binds them to a dialog resource's
// items (Redefine) or starts empty for buttons added later (Define, AddRadio).
//
// A bound value is a position only when it is a whole number from 1 to the number of buttons;
// any other value checks no button. Whatever moves the value (a click, the arrows, SetOption,
// Select, an assignment of nOption), the value, the check marks and the closures agree
// afterwards, and bChange and OnChange run once per change of the value, never when it stayed.
#pragma once

#include <functional>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TRadio;

class TRadMenu : public lanmere::Object {
  LM_CLASS(TRadMenu, lanmere::Object)
  using Value = lanmere::Value;
  using Args = lanmere::Args;

  TRadMenu();
  ~TRadMenu() override;

  // ---- Data members, in their documented order ----
  Value aItems, bSetGet, bChange, cMsg, cVarName, lUpdate, OnChange, Message;

  LM_ARGS(NewArgs, nRow, nCol, acItems, bSetGet, oWnd, aHelpIds, bChange, nClrText, nClrPane, cMsg,
          lUpdate, bWhen, nWidth, nHeight, bValid, lDesign, l3D, lPixel)
  Value New(Args args);
  LM_ARGS(RedefineArgs, bSetGet, oWnd, aHelpIds, acIds, bChange, nClrText, nClrPane, cMsg, lUpdate,
          bWhen, bValid)
  Value Redefine(Args args);
  LM_ARGS(DefineArgs, bSetGet, bChange, cMsg, lUpdate)
  Value Define(Args args);

  // nOption reads the bound value; _nOption assigns it when it differs, then the marks follow
  // and bChange and OnChange run.
  Value nOption();
  Value _nOption(const Value& nNew);
  // AddRadio (oRadio): appends the button, which learns its group and position.
  Value AddRadio(const Value& oRadio);
  Value SetOption(const Value& nNew);
  Value Select(const Value& oRadio);
  Value GoPrevNext(const Value& lForward = {});
  Value GoNext();
  Value GoPrev();
  // The marks follow the bound value; nothing runs, the value did not change.
  Value Refresh();
  Value SetFont(const Value& oFont);
  Value Set3DLook(const Value& lOn = {});
  Value Disable();
  Value Enable();
  Value Show();
  Value Hide();
  Value End();

  // C++ side.
  long long count() const;
  // The bound value as a position, 0 when it is none.
  long long position();
  // The bound value when it is a whole number from 1 up, else 0 (the items may still be coming).
  long long wholeValue();
  TRadio* item(long long position) const;
  // The position of the button in the group, 0 when it is not one of its items.
  long long positionOf(const Value& oRadio) const;
  // Every button checked as the bound value says.
  void syncMarks();

  // Groups alive (a leak check for tests).
  static long liveCount() noexcept;

 private:
  Value self() { return Value(lanmere::Ref<TRadMenu>(this)); }
  void bind(const Value& setGet, const Value& change, const Value& msg, const Value& update);
  void assign(const Value& nNew, const Value& before);
  void eachItem(const std::function<void(TRadio&)>& action);
};

// TRADMENU (): a new instance, to be sent New, Redefine or Define.
lanmere::Value TRADMENU();

const lanmere::ModuleTable& tRadMenuModule();

}  // namespace kestrel
