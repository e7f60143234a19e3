// The GET: the edit buffer of one program value under a picture. It holds the formatted buffer,
// the cursor and the conversions between buffer and value; the edit field drives it key by key
// and shows its buffer. It draws nothing itself.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/picture.h"

namespace lanmere {

class Get : public Object {
  LM_CLASS(Get, Object)

  Value Row = 0;
  Value Col = 0;
  Value Block;    // the setter-getter closure
  Value Name;     // the variable's name
  Value Picture;  // the picture as given (nil: the type's default)
  Value Buffer;
  Value Pos = 0;
  Value Type;  // "C", "N", "D", "L", or "U" once focused
  Value Original;
  Value Changed = false;
  Value Rejected = false;
  Value TypeOut = false;
  Value Clear = false;
  Value DecPos;
  Value HasFocus = false;
  Value Minus = false;
  Value Cargo;

  // New (nRow, nCol, bSetGet, cVarName, cPicture): the GET, unfocused.
  Value New(const Value& row, const Value& col, const Value& block, const Value& name,
            const Value& picture);

  Value SetFocus();
  Value KillFocus();
  Value Insert(const Value& c);
  Value Overstrike(const Value& c);
  Value BackSpace();
  Value Delete();
  Value DelEnd();
  Value Home();
  Value End();
  Value Left();
  Value Right();
  Value WordLeft();
  Value WordRight();
  Value ToDecPos();
  Value UnTransform();
  bool BadDate();
  Value Assign();
  Value UpdateBuffer();
  Value Reset();
  Value VarGet();
  Value VarPut(const Value& value);
  // The run-time has no terminal: nothing is drawn.
  virtual Value Display();

  // The assignments that do more than store (registered as "_Pos", "_Buffer", ...).
  Value assignPos(const Value& pos);
  Value assignBuffer(const Value& buffer);
  Value assignPicture(const Value& picture);
  Value assignClear(const Value& clear);

 private:
  enum class Kind { Text, Number, Date, Logical, Undefined };

  Value selfValue() { return Value(Ref<Object>(this)); }
  bool focused() const { return HasFocus.logical(); }
  PictureKind pictureKind() const;
  // Parses the picture and builds the buffer, its template and the type from `value`; the
  // edit form leaves out what only decorates a display.
  void build(const Value& value, bool forEditing);
  // Every editing operation first forgets what the last one reported; false without the focus.
  bool startOperation();
  // A cursor move or deletion also ends the "next character clears" state.
  bool startMove();
  bool editable(std::size_t i) const;
  std::optional<std::size_t> firstEditable() const;
  std::optional<std::size_t> lastEditable() const;
  std::optional<std::size_t> nextEditable(std::size_t i) const;
  std::optional<std::size_t> previousEditable(std::size_t i) const;
  // The last editable position of the run of editable positions from i: shifting stops there.
  std::size_t runEnd(std::size_t i) const;
  bool wordStart(const std::string& buffer, std::size_t i) const;
  std::size_t cursor() const;  // Pos, 0-based
  // Pos at the 1-based `pos` within the buffer, on an editable place while editing.
  void placeCursor(long long pos);
  void moveTo(std::optional<std::size_t> i);
  void put(const Value& c, bool insert);
  void dropSign();
  void deleteAt(std::size_t i);
  // Stores an edited buffer: sets Changed when it differs and recomputes the sign.
  void storeBuffer(std::string buffer);
  bool hasSign(const std::string& buffer) const;
  Value readNumber() const;
  Value readText() const;

  ParsedPicture picture_;
  Kind kind_ = Kind::Undefined;
  std::string mask_;        // the template of the buffer, one symbol or literal per byte
  std::string dateFormat_;  // the date format of a date buffer
  std::string tail_;        // the part of a text value the template has no room for
  int decimals_ = 0;        // digit positions after a number's point
  // A number that did not fit its picture: the buffer shows asterisks, the value is kept.
  std::optional<Value> overflowed_;
};

// The framework's GET: the edit field's edit buffer, with no display of its own.
class KsGet : public Get {
  LM_CLASS(KsGet, Get)
};

// KSGETNEW (nRow, nCol, bSetGet, cVarName, cPicture): a new KSGET.
Value KSGETNEW(const Value& row, const Value& col, const Value& block, const Value& name,
               const Value& picture);
// KSGETNEW; registering it registers the GET classes.
const ModuleTable& getModule();

}  // namespace lanmere
