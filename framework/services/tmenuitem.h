// TMenuItem: one entry of a menu: a command (its action a closure), a submenu entry (its action
// a TMenu), a bitmap item or a separator. Identifiers come from the class counter nInitId.
#pragma once

#include <functional>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

class TMenuItem : public lanmere::Object {
  LM_CLASS(TMenuItem, lanmere::Object)
  using Value = lanmere::Value;
  using Args = lanmere::Args;

  ~TMenuItem() override;

  Value cPrompt, cMsg, cVarName;
  Value nId, nHelpId;
  Value bAction, bWhen, cWebAction;
  Value lActive = true;
  Value lBreak = false, lChecked = false, lHelp = false;
  Value oMenu;
  Value hBitmap = 0;
  Value nVKState, nVirtKey;
  Value Cargo;
  Value OnActivate, OnClick;

  LM_ARGS(NewArgs, cPrompt, cMsg, lChecked, lActive, bAction, cBmpFile, cResName, oMenu, nVKState,
          nVirtKey, lHelp, nHelpId, bWhen, lBreak)
  virtual Value New(Args args);
  // ReDefine: an item for an entry that already exists (a menu resource), keeping the entry's
  // identifier.
  LM_ARGS(ReDefineArgs, nId, cPrompt, lChecked, lActive, lBreak, bAction, oMenu)
  virtual Value ReDefine(Args args);
  Value cCaption();
  Value _cCaption(const Value& text);
  virtual Value SetCheck(const Value& lOn);
  virtual Value Enable();
  virtual Value Disable();
  // Deletes the bitmap and gives back the identifier.
  virtual Value End();
  // Leaves the owning menu (its list and its entry), ends a submenu, then End.
  virtual Value Destroy();
  virtual Value HelpTopic();
  // No behaviour: what a design tool refreshes and inspects is the menu.
  Value Refresh();
  Value Inspect();
  Value Property(const Value& n);
  Value PropCount();
  Value Event(const Value& n);
  Value EveCount();
  Value Save();
  Value Load(const Value& cData);

  // What changed in the item, for its system entry (found by identifier).
  enum class Change { Check, Active, Text };
  void applyState(Change change);
  bool isSeparator() const;
  bool hasPrompt() const;

 private:
  void holdId(long long id, bool fromCounter);
  // Gives the identifier back to the live set; End also lowers the class counter.
  void releaseId(bool lowerCounter);

  bool idHeld_ = false;
  bool fromCounter_ = false;
};

// The identifier after `counter` that no living item holds and that is no menu handle, within
// 20001 to 65535 (a command carries 16 bits): past the top the search starts again at 20001.
// 0 when every identifier is taken.
long long nextMenuItemId(long long counter, const std::function<bool(long long)>& isMenuHandle,
                         const std::function<bool(long long)>& isLive);
// True while a living item holds the identifier.
bool menuItemIdLive(long long id);

lanmere::Value TMENUITEM();

const lanmere::ModuleTable& menuItemModule();

}  // namespace kestrel
