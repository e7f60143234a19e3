// Random values under random pictures, and random edits of them. The seed is fixed and printed
// with every failure, so a failing case can be replayed.
#include <cmath>
#include <random>

#include "runtime/closure.h"
#include "runtime/get.h"
#include "runtime/transform.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kCases = 3000;
constexpr int kOperationsPerCase = 30;

class GetRandomTest : public BuiltinsTest {
 protected:
  unsigned pick(unsigned n) { return static_cast<unsigned>(rng() % n); }
  char from(std::string_view set) { return set[pick(static_cast<unsigned>(set.size()))]; }
  std::mt19937 rng{kSeed};
};

enum class Kind { Text, Number, Date, Logical };

struct Case {
  Kind kind;
  Value value;
  std::string functions;
  std::string mask;  // the template; empty for the type's default
  std::string picture() const {
    const std::string head = functions.empty() ? "" : "@" + functions;
    return mask.empty() ? head : head.empty() ? mask : head + " " + mask;
  }
};

// The template the test expects the buffer to follow, from what it generated.
std::string expectedMask(const Case& c, const Value& get) {
  const std::size_t length = send(get, "Buffer").length();
  if (c.kind == Kind::Date) {
    std::string mask =
        c.functions.find('E') != std::string::npos ? dayFirstFormat(dateFormat()) : dateFormat();
    for (char& ch : mask) ch = (ch == 'D' || ch == 'M' || ch == 'Y') ? '9' : ch;
    return mask;
  }
  if (!c.mask.empty()) return c.mask;
  if (c.kind == Kind::Logical) return "L";
  if (c.kind == Kind::Text) return std::string(length, 'X');
  std::string mask(length, '9');
  const Value point = send(get, "DecPos");
  if (point.isNumber()) mask[static_cast<std::size_t>(point.integer() - 1)] = '.';
  return mask;
}

bool literalAt(const Case& c, const std::string& mask, std::size_t i) {
  if (c.kind != Kind::Number) return !isTextSymbol(mask[i]);
  return !isDigitSymbol(mask[i]) && mask[i] != ',' && i != pointIndex(mask);
}

bool editableAt(const Case& c, const std::string& mask, std::size_t i) {
  return c.kind == Kind::Number ? isDigitSymbol(mask[i]) : isTextSymbol(mask[i]);
}

// Whether a stored character may stand at a position of `symbol`: the rules written out again.
bool allowed(const Case& c, char symbol, char stored) {
  const bool digit = stored >= '0' && stored <= '9';
  const bool letter = (stored >= 'a' && stored <= 'z') || (stored >= 'A' && stored <= 'Z');
  const bool lower = stored >= 'a' && stored <= 'z';
  if (c.kind == Kind::Number) return digit || stored == '-' || (symbol == '#' && stored == ' ');
  if (c.functions.find('A') != std::string::npos && !letter) return false;
  if (c.functions.find('!') != std::string::npos && lower) return false;
  switch (symbol) {
    case '9':
      return digit;
    case '#':
      return digit || stored == ' ' || stored == '+' || stored == '-';
    case 'A':
      return letter;
    case 'N':
      return letter || digit;
    case '!':
      return !lower;
    case 'L':
      return std::string_view("TFYN").find(stored) != std::string_view::npos;
    case 'Y':
      return stored == 'Y' || stored == 'N';
    default:
      return symbol == 'X';
  }
}

TEST_F(GetRandomTest, ValuesRoundTripAndEditsKeepTheTemplate) {
  const std::int32_t firstDay = julianFromDate(1950, 1, 1);
  for (int n = 0; n < kCases; ++n) {
    Case c{static_cast<Kind>(pick(4)), Value(), "", ""};
    setDateFormat(pick(2) ? "MM/DD/YY" : "DD.MM.YYYY");
    switch (c.kind) {
      case Kind::Text: {
        std::string text(pick(11), ' ');
        for (char& ch : text) ch = from("abcXYZ019 -.");
        c.value = Value(text);
        for (char f : std::string_view("!RKA")) {
          if (pick(4) == 0) c.functions += f;
        }
        if (pick(5) != 0) c.mask = std::string(1 + pick(8), ' ');
        for (char& ch : c.mask) ch = from("9#XAN!LYXX-/ ()");
        break;
      }
      case Kind::Number: {
        const int decimals = static_cast<int>(pick(4));
        long long digits = static_cast<long long>(rng() % 100000000);
        if (pick(2)) digits = -digits;
        c.value = decimals == 0 && pick(2) ? Value(digits)
                                           : Value(digits / std::pow(10.0, pick(5)), decimals);
        for (char f : std::string_view("EKZBCX(")) {
          if (pick(5) == 0) c.functions += f;
        }
        if (pick(4) != 0) {
          for (unsigned i = 1 + pick(8); i > 0; --i) {
            c.mask += from("9999#$*");
            if (i > 1 && pick(4) == 0) c.mask += ',';
          }
          if (pick(2)) c.mask += "." + std::string(pick(4), '9');
          if (pick(5) == 0) c.mask += " kg";
        }
        break;
      }
      case Kind::Date:
        c.value =
            Value::date(pick(10) == 0 ? 0 : firstDay + static_cast<std::int32_t>(pick(36500)));
        if (pick(2)) c.functions = "E";
        break;
      case Kind::Logical:
        c.value = Value(pick(2) == 1);
        if (pick(2)) c.mask = pick(2) ? "L" : "Y";
        break;
    }
    SCOPED_TRACE(::testing::Message() << "seed " << kSeed << " case " << n << " picture \""
                                      << c.picture() << "\" value " << transform(c.value, ""));

    // Without edits the buffer reads back as the value the picture shows.
    auto cell = make<Cell>(c.value);
    const Value get = createObject("GET");
    send(get, "New", {0, 0, setGet(cell), "v", c.picture()});
    send(get, "SetFocus");
    const std::string buffer = send(get, "Buffer").string();
    const std::string mask = expectedMask(c, get);
    ASSERT_EQ(buffer.size(), mask.size());
    const Value read = send(get, "UnTransform");
    const Value again = createObject("GET");
    send(again, "New", {0, 0, setGet(make<Cell>(read)), "v", c.picture()});
    send(again, "SetFocus");
    ASSERT_EQ(send(again, "Buffer").string(), buffer);
    if (c.kind == Kind::Number) {
      const bool overflow = !c.mask.empty() && buffer == numberOverflow(c.mask);
      const double shown = roundHalfAway(c.value.number(), templateDecimals(mask));
      ASSERT_EQ(read.number(), overflow ? c.value.number() : shown);
    } else if (c.kind == Kind::Date && dateFormat().size() == 10) {
      ASSERT_EQ(read.julian(), c.value.julian());
    } else if (c.kind == Kind::Logical) {
      ASSERT_EQ(read.logical(), c.value.logical());
    }

    // Random edits keep the length and the literals, and let no refused character in.
    for (int step = 0; step < kOperationsPerCase; ++step) {
      const std::string before = send(get, "Buffer").string();
      const std::size_t at = static_cast<std::size_t>(send(get, "Pos").integer() - 1);
      const char typed = from("0123456789-+ .aZ!xTFYN,");
      const unsigned op = pick(15);
      static constexpr const char* kMoves[] = {"BackSpace", "Delete",   "DelEnd",      "Home",
                                               "End",       "Left",     "Right",       "WordLeft",
                                               "WordRight", "ToDecPos", "UnTransform", "BadDate"};
      if (op < 2) {
        send(get, op == 0 ? "Insert" : "Overstrike", {std::string(1, typed)});
      } else if (op == 2 + std::size(kMoves)) {
        send(get, "_Pos", {static_cast<long long>(pick(static_cast<unsigned>(mask.size()) + 3))});
      } else {
        send(get, kMoves[op - 2]);
      }
      const std::string after = send(get, "Buffer").string();
      ASSERT_EQ(after.size(), before.size()) << "step " << step;
      for (std::size_t i = 0; i < mask.size(); ++i) {
        if (literalAt(c, mask, i)) {
          ASSERT_EQ(after[i], buffer[i]) << "literal " << i;
        }
      }
      if (op < 2 && send(get, "Rejected").logical()) {
        ASSERT_EQ(after, before) << "refused";
      }
      if (op < 2 && !send(get, "Rejected").logical() && !(c.kind == Kind::Number && typed == '+')) {
        ASSERT_TRUE(allowed(c, mask[at], after[at])) << "'" << after[at] << "' at " << at;
        ASSERT_EQ(upperAscii(after[at]), upperAscii(typed));
      }
      const long long pos = send(get, "Pos").integer();
      ASSERT_GE(pos, 1);
      ASSERT_LE(pos, static_cast<long long>(std::max<std::size_t>(mask.size(), 1)));
      bool anyEditable = false;
      for (std::size_t i = 0; i < mask.size(); ++i)
        anyEditable = anyEditable || editableAt(c, mask, i);
      if (anyEditable) {
        ASSERT_TRUE(editableAt(c, mask, static_cast<std::size_t>(pos - 1)));
      }
    }
    send(get, "Assign");
    send(get, "KillFocus");
  }
}

}  // namespace
}  // namespace lanmere::test
