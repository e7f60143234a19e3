#include "runtime/get.h"

#include <algorithm>
#include <cstdlib>

#include "runtime/builtins.h"
#include "runtime/closure.h"
#include "runtime/transform.h"

namespace lanmere {

namespace {

// The template a number edits under when none is given: the shape of its STR text.
std::string defaultNumberMask(const Value& number) {
  const std::string text = str(number);
  const std::size_t point = text.find('.');
  if (point == std::string::npos) return std::string(text.size(), '9');
  return std::string(point, '9') + '.' + std::string(text.size() - point - 1, '9');
}

// The date format of an edit buffer: day and month always take two digits, so every date of the
// format has one length and the template fits them all.
std::string editDateFormat(std::string_view format) {
  std::string out;
  for (std::size_t i = 0; i < format.size();) {
    const char c = format[i];
    std::size_t run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    out.append(c == 'D' || c == 'M' ? 2 : run, c);
    i += run;
  }
  return out;
}

std::string dateMask(std::string_view format) {
  std::string mask(format);
  for (char& c : mask) {
    if (c == 'D' || c == 'M' || c == 'Y') c = '9';
  }
  return mask;
}

// Integer digits (leading zeros dropped) and a fraction as a number with `decimals` places.
Value numberFromDigits(bool negative, std::string integer, const std::string& fraction,
                       int decimals) {
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  constexpr std::size_t kExactDigits = 18;  // every 18-digit integer fits a long long
  if (decimals == 0 && fraction.empty() && integer.size() <= kExactDigits) {
    const long long whole = integer.empty() ? 0 : std::strtoll(integer.c_str(), nullptr, 10);
    return Value(negative ? -whole : whole);
  }
  const std::string text = (integer.empty() ? "0" : integer) + "." + fraction + "0";
  double number = roundHalfAway(std::strtod(text.c_str(), nullptr), decimals);
  if (number == 0) negative = false;  // never a negative zero
  if (negative) number = -number;
  constexpr double kLongLongLimit = 9.2e18;
  if (decimals == 0 && number > -kLongLongLimit && number < kLongLongLimit) {
    return Value(static_cast<long long>(number));
  }
  return Value(number, decimals);
}

}  // namespace

Value Get::New(const Value& row, const Value& col, const Value& block, const Value& name,
               const Value& picture) {
  Row = row;
  Col = col;
  Block = block;
  Name = name;
  Picture = picture;
  return selfValue();
}

PictureKind Get::pictureKind() const {
  return kind_ == Kind::Number ? PictureKind::Number : PictureKind::Text;
}

void Get::build(const Value& value, bool forEditing) {
  picture_ = parsePicture(Picture.text());
  ParsedPicture edit = picture_;
  std::string buffer;
  tail_.clear();
  decimals_ = 0;
  overflowed_.reset();
  DecPos = Value();
  if (value.isText()) {
    kind_ = Kind::Text;
    mask_ = picture_.hasTemplate() ? picture_.mask : std::string(value.length(), 'X');
    edit.mask = mask_;
    buffer = transform(value, edit);
    const std::size_t taken =
        picture_.literalsInserted
            ? static_cast<std::size_t>(std::count_if(mask_.begin(), mask_.end(), isTextSymbol))
            : mask_.size();
    if (value.length() > taken) tail_ = std::string(value.text().substr(taken));
  } else if (value.isNumber()) {
    kind_ = Kind::Number;
    mask_ = picture_.hasTemplate() ? picture_.mask : defaultNumberMask(value);
    edit.mask = mask_;
    decimals_ = templateDecimals(mask_);
    buffer = forEditing ? transform(value, edit, true) : transform(value, picture_);
    if (buffer == numberOverflow(mask_)) overflowed_ = value;
    const std::size_t point = pointIndex(mask_);
    if (point != std::string::npos) DecPos = static_cast<long long>(point + 1);
  } else if (value.isDate()) {
    kind_ = Kind::Date;
    dateFormat_ = pictureDateFormat(picture_);
    if (forEditing) dateFormat_ = editDateFormat(dateFormat_);
    mask_ = dateMask(dateFormat_);
    buffer = dtoc(value, dateFormat_);
  } else if (value.isLogical()) {
    kind_ = Kind::Logical;
    mask_ = picture_.hasTemplate() ? picture_.mask : "L";
    edit.mask = mask_;
    buffer = transform(value, edit);
  } else {
    kind_ = Kind::Undefined;
    mask_.clear();
  }
  static constexpr const char* kLetters[] = {"C", "N", "D", "L", "U"};
  Type = kLetters[static_cast<int>(kind_)];
  Buffer = Value(buffer);
  Minus = hasSign(buffer);
}

Value Get::SetFocus() {
  Original = VarGet();
  build(Original, true);
  Pos = static_cast<long long>(firstEditable().value_or(0) + 1);
  Changed = false;
  Rejected = false;
  TypeOut = false;
  Clear = kind_ == Kind::Number || (kind_ != Kind::Undefined && picture_.clearOnType);
  HasFocus = true;
  return selfValue();
}

Value Get::KillFocus() {
  HasFocus = false;
  Clear = false;
  Pos = 0;
  build(VarGet(), false);
  return selfValue();
}

bool Get::startOperation() {
  if (!focused()) return false;
  Rejected = false;
  TypeOut = false;
  return true;
}

bool Get::startMove() {
  if (!startOperation()) return false;
  Clear = false;
  return true;
}

bool Get::editable(std::size_t i) const {
  return i < mask_.size() && i < Buffer.length() && Buffer.isText() &&
         isEditableSymbol(pictureKind(), mask_[i]);
}

std::optional<std::size_t> Get::firstEditable() const {
  for (std::size_t i = 0; i < mask_.size(); ++i) {
    if (editable(i)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> Get::lastEditable() const {
  for (std::size_t i = mask_.size(); i-- > 0;) {
    if (editable(i)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> Get::nextEditable(std::size_t i) const {
  for (std::size_t j = i + 1; j < mask_.size(); ++j) {
    if (editable(j)) return j;
  }
  return std::nullopt;
}

std::optional<std::size_t> Get::previousEditable(std::size_t i) const {
  for (std::size_t j = std::min(i, mask_.size()); j-- > 0;) {
    if (editable(j)) return j;
  }
  return std::nullopt;
}

std::size_t Get::runEnd(std::size_t i) const {
  while (editable(i + 1)) ++i;
  return i;
}

bool Get::wordStart(const std::string& buffer, std::size_t i) const {
  return editable(i) && buffer[i] != ' ' && (i == 0 || !editable(i - 1) || buffer[i - 1] == ' ');
}

std::size_t Get::cursor() const {
  const long long pos = Pos.integer();
  return pos < 1 ? 0 : static_cast<std::size_t>(pos - 1);
}

void Get::moveTo(std::optional<std::size_t> i) {
  if (i) Pos = static_cast<long long>(*i + 1);
}

bool Get::hasSign(const std::string& buffer) const {
  if (kind_ != Kind::Number) return false;
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (editable(i) && (buffer[i] == '-' || (picture_.parentheses && buffer[i] == '('))) {
      return true;
    }
  }
  return false;
}

void Get::storeBuffer(std::string buffer) {
  if (buffer != Buffer.text()) {
    Changed = true;
    overflowed_.reset();
  }
  Buffer = Value(std::move(buffer));
  Minus = hasSign(Buffer.string());
}

void Get::put(const Value& c, bool insert) {
  if (!startOperation()) return;
  std::string buffer = Buffer.string();
  const std::size_t at = cursor();
  if (!c.isText() || c.length() == 0 || !editable(at)) {
    Rejected = true;
    return;
  }
  const char typed = c.text().front();
  if (kind_ == Kind::Number && typed == '+') {
    dropSign();
    return;
  }
  const std::optional<char> stored = acceptTyped(picture_, pictureKind(), mask_[at], typed);
  const bool clearing = Clear.logical();
  const std::size_t end = runEnd(at);
  bool refused = !stored;
  if (!refused && !clearing && kind_ == Kind::Number && *stored == '-') {
    // A number has one sign: a second "-" is refused (overstriking the sign itself is not).
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      if (editable(i) && buffer[i] == '-' && (insert || i != at)) refused = true;
    }
  }
  // An insertion that would push a character out of its run is refused: nothing is lost.
  if (!refused && insert && !clearing && buffer[end] != ' ') refused = true;
  if (refused) {
    Rejected = true;
    return;
  }
  if (clearing) {
    const std::size_t point = kind_ == Kind::Number ? pointIndex(mask_) : std::string::npos;
    for (std::size_t i = 0; i < buffer.size() && i < mask_.size(); ++i) {
      if (editable(i) || (kind_ == Kind::Number && mask_[i] == ',')) buffer[i] = ' ';
      if (i == point) buffer[i] = picture_.european ? ',' : '.';
    }
    Clear = false;
  }
  if (insert) {
    for (std::size_t j = end; j > at; --j) buffer[j] = buffer[j - 1];
  }
  buffer[at] = *stored;
  storeBuffer(std::move(buffer));
  Changed = true;
  if (const std::optional<std::size_t> next = nextEditable(at)) {
    Pos = static_cast<long long>(*next + 1);
  } else {
    TypeOut = true;
  }
}

// "+" in a number: the number becomes positive; nothing is typed.
void Get::dropSign() {
  std::string buffer = Buffer.string();
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (editable(i) && (buffer[i] == '-' || buffer[i] == '(')) buffer[i] = ' ';
  }
  Clear = false;
  storeBuffer(std::move(buffer));
}

Value Get::Insert(const Value& c) {
  put(c, true);
  return selfValue();
}

Value Get::Overstrike(const Value& c) {
  put(c, false);
  return selfValue();
}

void Get::deleteAt(std::size_t i) {
  if (!editable(i)) return;
  std::string buffer = Buffer.string();
  const std::size_t end = runEnd(i);
  for (std::size_t j = i; j < end; ++j) buffer[j] = buffer[j + 1];
  buffer[end] = ' ';
  storeBuffer(std::move(buffer));
}

Value Get::BackSpace() {
  if (!startMove()) return selfValue();
  if (const std::optional<std::size_t> before = previousEditable(cursor())) {
    moveTo(before);
    deleteAt(*before);
  }
  return selfValue();
}

Value Get::Delete() {
  if (startMove()) deleteAt(cursor());
  return selfValue();
}

Value Get::DelEnd() {
  if (!startMove()) return selfValue();
  std::string buffer = Buffer.string();
  for (std::size_t i = cursor(); i < buffer.size(); ++i) {
    if (editable(i)) buffer[i] = ' ';
  }
  storeBuffer(std::move(buffer));
  return selfValue();
}

Value Get::Home() {
  if (startMove()) moveTo(firstEditable());
  return selfValue();
}

Value Get::End() {
  if (startMove()) moveTo(lastEditable());
  return selfValue();
}

Value Get::Left() {
  if (startMove()) moveTo(previousEditable(cursor()));
  return selfValue();
}

// With no editable position to the right the cursor stays and the GET records that it stands
// past the end (TypeOut): the field then shows its caret behind the last character.
Value Get::Right() {
  if (!startMove()) return selfValue();
  const std::optional<std::size_t> next = nextEditable(cursor());
  moveTo(next);
  if (!next) TypeOut = true;
  return selfValue();
}

Value Get::WordLeft() {
  if (!startMove()) return selfValue();
  const std::string buffer = Buffer.string();
  std::optional<std::size_t> target;
  for (std::size_t i = std::min(cursor(), buffer.size()); i-- > 0 && !target;) {
    if (wordStart(buffer, i)) target = i;
  }
  moveTo(target ? target : firstEditable());
  return selfValue();
}

Value Get::WordRight() {
  if (!startMove()) return selfValue();
  const std::string buffer = Buffer.string();
  std::optional<std::size_t> target;
  for (std::size_t i = cursor() + 1; i < buffer.size() && !target; ++i) {
    if (wordStart(buffer, i)) target = i;
  }
  moveTo(target ? target : lastEditable());
  return selfValue();
}

Value Get::ToDecPos() {
  if (!startMove()) return selfValue();
  const std::size_t point = pointIndex(mask_);
  if (kind_ != Kind::Number || point == std::string::npos) return selfValue();
  // The integer part is rebuilt right-aligned from the digits typed so far; blanks in the
  // fraction read as zeros.
  const std::string buffer = Buffer.string();
  std::string integer, fraction;
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (!editable(i)) continue;
    if (i < point && isAsciiDigit(buffer[i])) integer += buffer[i];
    if (i > point) fraction += isAsciiDigit(buffer[i]) ? buffer[i] : '0';
  }
  const std::optional<std::string> rebuilt =
      fillNumberTemplate(mask_, integer, fraction, Minus.logical() ? '-' : 0, picture_.european);
  if (rebuilt) storeBuffer(*rebuilt);
  placeCursor(static_cast<long long>(point + 2));
  return selfValue();
}

Value Get::readText() const {
  std::string text;
  const std::string_view buffer = Buffer.text();
  if (picture_.literalsInserted) {
    for (std::size_t i = 0; i < buffer.size(); ++i) {
      if (i >= mask_.size() || isTextSymbol(mask_[i])) text += buffer[i];
    }
  } else {
    text = std::string(buffer);
  }
  return Value(text + tail_);
}

Value Get::readNumber() const {
  if (overflowed_) return *overflowed_;
  const std::string_view buffer = Buffer.text();
  const std::size_t point = pointIndex(mask_);
  const auto literal = [&](std::size_t i) {
    return i < mask_.size() && !isDigitSymbol(mask_[i]) && mask_[i] != ',' && i != point;
  };
  // The buffer's own decimal mark decides; the template's point when the buffer shows none.
  const char mark = picture_.european ? ',' : '.';
  std::size_t split = point;
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (!literal(i) && buffer[i] == mark && (i >= mask_.size() || mask_[i] != ',')) {
      split = i;
      break;
    }
  }
  bool negative = false;
  std::string integer, fraction;
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (literal(i)) continue;
    const char c = buffer[i];
    if (c == '-' || (picture_.parentheses && c == '(')) negative = true;
    const bool inFraction = split != std::string::npos && i > split;
    if (isAsciiDigit(c)) {
      (inFraction ? fraction : integer) += c;
    } else if (inFraction && c == ' ' && i < mask_.size() && isDigitSymbol(mask_[i])) {
      fraction += '0';
    }
  }
  if (picture_.debit && buffer.ends_with(" DB")) negative = true;
  return numberFromDigits(negative, integer, fraction, decimals_);
}

Value Get::UnTransform() {
  const std::string_view buffer = Buffer.text();
  switch (kind_) {
    case Kind::Text:
      return readText();
    case Kind::Number:
      return readNumber();
    case Kind::Date:
      return ctod(buffer, dateFormat_);
    case Kind::Logical:
      for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (i < mask_.size() && !isTextSymbol(mask_[i])) continue;
        if (buffer[i] != ' ') return upperAscii(buffer[i]) == 'T' || upperAscii(buffer[i]) == 'Y';
      }
      return false;
    case Kind::Undefined:
      break;
  }
  return Original;
}

bool Get::BadDate() {
  if (kind_ != Kind::Date) return false;
  const std::string_view buffer = Buffer.text();
  bool blank = true;
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (buffer[i] != ' ' && (i >= mask_.size() || isTextSymbol(mask_[i]))) blank = false;
  }
  return !blank && ctod(buffer, dateFormat_).julian() == 0;
}

Value Get::Assign() {
  // Without the focus the buffer may be a rounded display: it never overwrites the value.
  if (focused()) VarPut(UnTransform());
  return selfValue();
}

Value Get::UpdateBuffer() {
  const std::size_t keep = cursor();
  build(VarGet(), focused());
  if (focused()) placeCursor(static_cast<long long>(keep + 1));
  return selfValue();
}

Value Get::Reset() {
  build(VarGet(), focused());
  if (focused()) Pos = static_cast<long long>(firstEditable().value_or(0) + 1);
  Changed = false;
  return selfValue();
}

Value Get::VarGet() {
  return Block.isClosure() ? eval(Block) : Value();
}

Value Get::VarPut(const Value& value) {
  if (Block.isClosure()) eval(Block, {value});
  return value;
}

Value Get::Display() {
  return selfValue();
}

// A position past the buffer keeps the cursor on the last place and records "beyond the end"
// (TypeOut) while editing.
Value Get::assignPos(const Value& pos) {
  if (!pos.isNumber()) return Pos;
  if (focused()) TypeOut = pos.integer() > static_cast<long long>(Buffer.length());
  placeCursor(pos.integer());
  return Pos;
}

void Get::placeCursor(long long pos) {
  const long long length = static_cast<long long>(Buffer.length());
  const long long clamped = std::clamp(pos, 1LL, std::max(length, 1LL));
  std::size_t at = static_cast<std::size_t>(clamped - 1);
  if (focused() && !editable(at)) {
    const std::optional<std::size_t> next = nextEditable(at);
    at = next ? *next : previousEditable(at).value_or(at);
  }
  Pos = static_cast<long long>(at + 1);
}

Value Get::assignBuffer(const Value& buffer) {
  if (!buffer.isText()) return Buffer;
  std::string text = buffer.string();
  // While editing the buffer keeps its length.
  if (Buffer.isText()) text.resize(Buffer.length(), ' ');
  storeBuffer(std::move(text));
  return Buffer;
}

Value Get::assignPicture(const Value& picture) {
  if (!picture.isNil() && !picture.isText()) return Picture;
  if (!focused()) {
    Picture = picture;
    return Picture;
  }
  // The edit goes on under the new picture from the value edited so far.
  const Value edited = UnTransform();
  const std::size_t keep = cursor();
  Picture = picture;
  build(edited, true);
  placeCursor(static_cast<long long>(keep + 1));
  return Picture;
}

Value Get::assignClear(const Value& clear) {
  Clear = focused() && clear.logical();
  return Clear;
}

LM_DEFINE_CLASS_AS(Get, "GET") {
  c.data(LM_FIELDS(Row, Col, Block, Name, Picture, Buffer, Pos, Type, Original, Changed, Rejected,
                   TypeOut, Clear, DecPos, HasFocus, Minus, Cargo));
  c.methods(LM_METHODS(New, SetFocus, KillFocus, Insert, Overstrike, BackSpace, Delete, DelEnd,
                       Home, End, Left, Right, WordLeft, WordRight, ToDecPos, UnTransform, BadDate,
                       Assign, UpdateBuffer, Reset, VarGet, VarPut, Display));
  c.method<&Get::assignPos>("_Pos");
  c.method<&Get::assignBuffer>("_Buffer");
  c.method<&Get::assignPicture>("_Picture");
  c.method<&Get::assignClear>("_Clear");
  c.creatable();
}

LM_DEFINE_CLASS_AS(KsGet, "KSGET") {
  c.creatable();
}

Value KSGETNEW(const Value& row, const Value& col, const Value& block, const Value& name,
               const Value& picture) {
  Ref<KsGet> get = make<KsGet>();
  get->New(row, col, block, name, picture);
  return Value(get);
}

const ModuleTable& getModule() {
  static const ModuleTable module = [] {
    Get::Class();
    KsGet::Class();
    return ModuleTable{__FILE__, {fn<&KSGETNEW>("KSGETNEW")}};
  }();
  return module;
}

}  // namespace lanmere
