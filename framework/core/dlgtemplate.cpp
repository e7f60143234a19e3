#include "framework/core/dlgtemplate.h"

#include <limits>

#include "runtime/binding.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Value;

namespace {

// Two header styles the dialog class has always rewritten: a bare 2 becomes a pop-up with the
// transparent extended style, a bare visible style a pop-up with caption.
constexpr std::uint32_t kBareTwo = 0x2;
constexpr std::uint32_t kBareTwoStyle = 0x80000002;
constexpr std::uint32_t kBareTwoExStyle = 0x20;
constexpr std::uint32_t kBareVisible = 0x10000000;
constexpr std::uint32_t kBareVisibleStyle = 0xC0000000;

constexpr std::uint16_t kNoName = 0x0000;
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint16_t kExtendedVersion = 1;
constexpr std::size_t kAlignment = 4;

// ---- Writing ----

std::string_view upToZero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

void putWord(std::string& out, std::uint16_t word) {
  out.push_back(static_cast<char>(word & 0xFF));
  out.push_back(static_cast<char>(word >> 8));
}

void putLong(std::string& out, std::uint32_t value) {
  putWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
  putWord(out, static_cast<std::uint16_t>(value >> 16));
}

void putShort(std::string& out, std::int16_t value) {
  putWord(out, static_cast<std::uint16_t>(value));
}

void putText(std::string& out, std::string_view text, CodePage page) {
  for (char16_t unit : widen(upToZero(text), page)) putWord(out, unit);
  putWord(out, 0);
}

void pad(std::string& out) {
  while (out.size() % kAlignment) out.push_back('\0');
}

// ---- Range checks of the functions by name ----

constexpr long long kWidest = std::numeric_limits<std::int32_t>::max();

bool fitsShort(long long value) {
  return value >= std::numeric_limits<std::int16_t>::min() &&
         value <= std::numeric_limits<std::int16_t>::max();
}

bool fitsWord(long long value) {
  return value >= 0 && value <= std::numeric_limits<std::uint16_t>::max();
}

// A rectangle {top, left, bottom, right} as x, y, width and height, each a signed 16-bit unit;
// nothing when one does not fit. Nil counts as 0.
struct Box {
  std::int16_t x, y, cx, cy;
};
std::optional<Box> boxOf(const Value& top, const Value& left, const Value& bottom,
                         const Value& right) {
  const long long t = top.integer(), l = left.integer(), b = bottom.integer(), r = right.integer();
  for (long long edge : {t, l, b, r}) {
    if (edge < -kWidest || edge > kWidest) return std::nullopt;  // no overflow below
  }
  const long long width = r - l + 1;
  const long long height = b - t + 1;
  for (long long field : {l, t, width, height}) {
    if (!fitsShort(field)) return std::nullopt;
  }
  return Box{static_cast<std::int16_t>(l), static_cast<std::int16_t>(t),
             static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)};
}

std::string textOf(const Value& value) {
  return value.isText() ? value.string() : std::string();
}

std::uint32_t styleOf(const Value& value) {
  return static_cast<std::uint32_t>(value.integer());
}

// ---- Reading ----

struct Refused {
  std::size_t offset;
  std::string reason;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::size_t at() const { return at_; }

  std::uint8_t byte(const char* what) {
    need(1, what);
    return static_cast<std::uint8_t>(bytes_[at_++]);
  }
  std::uint16_t word(const char* what) {
    need(2, what);
    const auto low = static_cast<std::uint8_t>(bytes_[at_]);
    const auto high = static_cast<std::uint8_t>(bytes_[at_ + 1]);
    at_ += 2;
    return static_cast<std::uint16_t>(low | (high << 8));
  }
  std::int16_t coordinate(const char* what) { return static_cast<std::int16_t>(word(what)); }
  std::uint32_t dword(const char* what) {
    const std::uint32_t low = word(what);
    return low | (static_cast<std::uint32_t>(word(what)) << 16);
  }
  // A zero-terminated UTF-16 string.
  std::u16string string(const char* what) {
    const std::size_t start = at_;
    std::u16string text;
    for (;;) {
      if (bytes_.size() - at_ < 2) {
        at_ = start;
        refuse(std::string("unterminated ") + what);
      }
      const std::uint16_t unit = word(what);
      if (unit == 0) return text;
      text.push_back(static_cast<char16_t>(unit));
    }
  }
  TemplateName name(const char* what) {
    TemplateName name;
    need(2, what);
    const std::uint16_t first = peekWord();
    if (first == kNoName) {
      word(what);
    } else if (first == kOrdinalMark) {
      word(what);
      name.ordinal = true;
      name.number = word(what);
    } else {
      name.text = string(what);
    }
    return name;
  }
  std::string raw(std::size_t count, const char* what) {
    need(count, what);
    std::string data(bytes_.substr(at_, count));
    at_ += count;
    return data;
  }
  // The next multiple of 4, which must lie inside the template.
  void align(const char* what) {
    const std::size_t next = (at_ + kAlignment - 1) / kAlignment * kAlignment;
    if (next > bytes_.size()) refuse(std::string("truncated ") + what);
    at_ = next;
  }
  bool startsExtended() const {
    return bytes_.size() >= 4 && wordAt(0) == kExtendedVersion && wordAt(2) == kOrdinalMark;
  }

 private:
  [[noreturn]] void refuse(std::string reason) const { throw Refused{at_, std::move(reason)}; }
  void need(std::size_t count, const char* what) const {
    if (bytes_.size() - at_ < count) refuse(std::string("truncated ") + what);
  }
  std::uint16_t wordAt(std::size_t offset) const {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes_[offset]) |
                                      (static_cast<std::uint8_t>(bytes_[offset + 1]) << 8));
  }
  std::uint16_t peekWord() const { return wordAt(at_); }

  std::string_view bytes_;
  std::size_t at_ = 0;
};

void readBox(Reader& in, std::int16_t& x, std::int16_t& y, std::int16_t& cx, std::int16_t& cy,
             const char* what) {
  x = in.coordinate(what);
  y = in.coordinate(what);
  cx = in.coordinate(what);
  cy = in.coordinate(what);
}

void readHeader(Reader& in, ParsedTemplate& parsed) {
  constexpr const char* kHeader = "header";
  parsed.extended = in.startsExtended();
  if (parsed.extended) {
    in.dword(kHeader);  // version and signature
    parsed.helpId = in.dword(kHeader);
    parsed.exStyle = in.dword(kHeader);
    parsed.style = in.dword(kHeader);
  } else {
    parsed.style = in.dword(kHeader);
    parsed.exStyle = in.dword(kHeader);
  }
  parsed.count = in.word(kHeader);
  readBox(in, parsed.x, parsed.y, parsed.cx, parsed.cy, kHeader);
  parsed.menu = in.name("menu");
  parsed.windowClass = in.name("dialog class");
  parsed.title = in.name("title");
  if (parsed.style & kDialogSetFont) {
    TemplateFont font;
    font.pointSize = in.word("font");
    if (parsed.extended) {
      font.weight = in.word("font");
      font.italic = in.byte("font");
      font.charset = in.byte("font");
    }
    font.face = in.string("face name");
    parsed.font = std::move(font);
  }
}

TemplateItem readItem(Reader& in, bool extended) {
  constexpr const char* kItem = "item";
  in.align(kItem);
  TemplateItem item;
  if (extended) {
    item.helpId = in.dword(kItem);
    item.exStyle = in.dword(kItem);
    item.style = in.dword(kItem);
  } else {
    item.style = in.dword(kItem);
    item.exStyle = in.dword(kItem);
  }
  readBox(in, item.x, item.y, item.cx, item.cy, kItem);
  item.id = extended ? in.dword(kItem) : in.word(kItem);
  item.windowClass = in.name("item class");
  item.title = in.name("item title");
  const std::uint16_t extra = in.word("creation data");
  item.creationData = in.raw(extra, "creation data");
  return item;
}

}  // namespace

std::string writeDialogHeader(const DialogHeader& header) {
  std::uint32_t style = header.style;
  std::uint32_t exStyle = 0;
  if (style == kBareTwo) {
    style = kBareTwoStyle;
    exStyle = kBareTwoExStyle;
  } else if (style == kBareVisible) {
    style = kBareVisibleStyle;
  }
  // The dialog manager reads a font entry exactly when the style says so.
  const bool font = header.pointSize.has_value();
  style = font ? style | kDialogSetFont : style & ~kDialogSetFont;
  std::string out;
  putLong(out, style);
  putLong(out, exStyle);
  putWord(out, header.items);
  putShort(out, header.x);
  putShort(out, header.y);
  putShort(out, header.cx);
  putShort(out, header.cy);
  putWord(out, kNoName);  // no menu
  putWord(out, kNoName);  // the standard dialog class
  putText(out, header.caption, CodePage::Oem);
  if (font) {
    putWord(out, *header.pointSize);
    putText(out, header.faceName, CodePage::Oem);
  }
  pad(out);
  return out;
}

std::string writeDialogItem(const DialogItem& item) {
  std::string out;
  putLong(out, item.style);
  putLong(out, 0);  // extended style
  putShort(out, item.x);
  putShort(out, item.y);
  putShort(out, item.cx);
  putShort(out, item.cy);
  putWord(out, item.id);
  putText(out, item.className, CodePage::Oem);
  putText(out, item.caption, CodePage::Ansi);
  putWord(out, 0);  // no creation data
  pad(out);
  return out;
}

Value CDLG2CHR(const Value& nItems, const Value& nTop, const Value& nLeft, const Value& nBottom,
               const Value& nRight, const Value& cCaption, const Value& nStyle,
               const Value& nPointSize, const Value& cFaceName) {
  const std::optional<Box> box = boxOf(nTop, nLeft, nBottom, nRight);
  const bool font = nPointSize.isNumber() && cFaceName.isText();
  if (!box || !fitsWord(nItems.integer()) || (font && !fitsWord(nPointSize.integer()))) {
    return lanmere::argumentError(kDialogHeaderSubCode);
  }
  DialogHeader header;
  header.style = styleOf(nStyle);
  header.items = static_cast<std::uint16_t>(nItems.integer());
  header.x = box->x;
  header.y = box->y;
  header.cx = box->cx;
  header.cy = box->cy;
  header.caption = textOf(cCaption);
  if (font) {
    header.pointSize = static_cast<std::uint16_t>(nPointSize.integer());
    header.faceName = cFaceName.string();
  }
  return writeDialogHeader(header);
}

Value CCTRL2CHR(const Value& nTop, const Value& nLeft, const Value& nBottom, const Value& nRight,
                const Value& nId, const Value& nStyle, const Value& cClassName,
                const Value& cCaption) {
  const std::optional<Box> box = boxOf(nTop, nLeft, nBottom, nRight);
  if (!box || !fitsWord(nId.integer())) return lanmere::argumentError(kDialogItemSubCode);
  DialogItem item;
  item.style = styleOf(nStyle);
  item.x = box->x;
  item.y = box->y;
  item.cx = box->cx;
  item.cy = box->cy;
  item.id = static_cast<std::uint16_t>(nId.integer());
  item.className = textOf(cClassName);
  item.caption = textOf(cCaption);
  return writeDialogItem(item);
}

TemplateReading readDialogTemplate(std::string_view bytes) {
  Reader in(bytes);
  try {
    ParsedTemplate parsed;
    readHeader(in, parsed);
    for (std::uint16_t i = 0; i < parsed.count; ++i) {
      parsed.items.push_back(readItem(in, parsed.extended));
    }
    parsed.size = in.at();
    return parsed;
  } catch (Refused& refused) {
    return TemplateRefusal{refused.offset, std::move(refused.reason)};
  }
}

const lanmere::ModuleTable& dlgTemplateModule() {
  using lanmere::fn;
  static const lanmere::ModuleTable module{
      "framework/core/dlgtemplate.cpp", {fn<&CDLG2CHR>("CDLG2CHR"), fn<&CCTRL2CHR>("CCTRL2CHR")}};
  return module;
}

}  // namespace kestrel
