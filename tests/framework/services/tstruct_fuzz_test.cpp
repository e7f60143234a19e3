// Random steps over TStruct, checked against a small model of what each member reads back.
// The seed is printed; KESTREL_TSTRUCT_SEED repeats a run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "framework/services/tstruct.h"
#include "runtime/builtins.h"
#include "tests/framework/services/error_catcher.h"

namespace kestrel {
namespace {

using lanmere::send;
using lanmere::Value;

constexpr int kRounds = 20;  // each from an empty structure
constexpr int kStepsPerRound = 300;
constexpr std::size_t kMaxMembers = 40;
const char* const kNames[] = {"A", "B", "C", "D", "ZZ"};  // "ZZ" is never added

struct ModelMember {
  std::string name;
  Value code;
  long long size;
  long long offset;
  std::optional<Value> reads;       // nothing while unknown (the buffer was replaced)
  std::optional<std::string> text;  // the text whose address the member holds
};

bool isWhole(const Value& v) {
  return v.isNumber() && std::trunc(v.number()) == v.number() && std::isfinite(v.number());
}

int knownCode(const Value& code) {
  static const int known[] = {1, 2, 3, 5, 7, 8, 9, 10, 12};
  if (!isWhole(code)) return 0;
  for (int k : known) {
    if (code.number() == k) return k;
  }
  return 0;
}

long long naturalSize(int code) {
  switch (code) {
    case 1:
    case 2:
      return 1;
    case 3:
    case 5:
      return 2;
    case 7:
    case 9:
    case 10:
    case 12:
      return 4;
    default:
      return 0;
  }
}

// The number's integer part modulo 2^32 (logicals 1 or 0, anything else 0).
std::uint32_t low32(const Value& v) {
  if (v.isLogical()) return v.logical() ? 1 : 0;
  if (v.isInteger()) return static_cast<std::uint32_t>(v.integer());
  if (!v.isFloat() || !std::isfinite(v.number())) return 0;
  double m = std::fmod(std::trunc(v.number()), 4294967296.0);
  if (m < 0) m += 4294967296.0;
  return static_cast<std::uint32_t>(m);
}

// What a member reads when `bits` fill `width` bytes and the member has `size` of them.
long long readBack(std::uint32_t bits, long long width, long long size) {
  const long long held = std::min(width, size);
  const std::uint64_t mask = (std::uint64_t{1} << (8 * held)) - 1;
  const std::uint64_t value = bits & mask;
  if (held < width) return static_cast<long long>(value);
  return width == 2 ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

std::optional<Value> expectedRead(int code, long long size, const Value& v) {
  const std::string_view text = v.text();
  auto byte = [&](std::size_t i) -> std::uint32_t {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  };
  switch (code) {
    case 1:
    case 2:
      return Value(static_cast<long long>(v.isText() ? byte(0) : low32(v) & 0xFF));
    case 3:
      return Value(readBack(v.isText() ? byte(0) | byte(1) << 8 : low32(v), 2, size));
    case 5:
      return Value(v.isNumber() ? v.number() != 0 : v.isText() ? !text.empty() : v.logical());
    case 7:
    case 12:
      return v.isText() ? std::nullopt : std::optional<Value>(readBack(low32(v), 4, size));
    case 8: {
      std::string s = v.isNumber() ? lanmere::allTrim(lanmere::str(v)) : std::string(text);
      s.resize(static_cast<std::size_t>(size), ' ');
      return Value(lanmere::allTrim(s));
    }
    default:
      return Value();  // not readable
  }
}

class Fuzz {
 public:
  explicit Fuzz(unsigned seed) : random_(seed) {
    record_ = Value(lanmere::make<TStruct>());
    send(record_, "New");
  }

  void step() {
    switch (pick(100)) {
      case 0:
        replaceBuffer();
        break;
      case 1:
      case 2:
        checkPointedTexts();
        break;
      default:
        switch (pick(4)) {
          case 0:
            addMember();
            break;
          case 1:
            setMember(numberArgument(), randomValue());
            break;
          case 2:
            getMember(numberArgument());
            break;
          default: {
            const std::string name = kNames[pick(std::size(kNames))];
            if (pick(2)) {
              setByName(name, randomValue());
            } else {
              getByName(name);
            }
          }
        }
    }
    checkInvariants();
  }

  int comparedReads() const { return compared_; }

 private:
  std::size_t pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  Value randomValue() {
    static const long long edges[] = {0,         1,         -1,        127,      128,   255,
                                      256,       32767,     -32768,    65535,    65536, INT32_MAX,
                                      INT32_MIN, 1LL << 32, INT64_MAX, INT64_MIN};
    switch (pick(9)) {
      case 0:
        return {};
      case 1:
        return Value(pick(2) == 1);
      case 2:
        return Value(edges[pick(std::size(edges))]);
      case 3:
        return Value(static_cast<long long>(random_()) << 32 ^ static_cast<long long>(random_()));
      case 4: {
        const double magnitude = std::pow(10.0, static_cast<double>(pick(26)));
        const double d = std::uniform_real_distribution<double>(-magnitude, magnitude)(random_);
        return Value(d, static_cast<int>(pick(4)));
      }
      case 5:
        return Value(pick(2) ? std::numeric_limits<double>::infinity() : std::nan(""), 0);
      case 6:
        return Value::list({1, "x"});
      default: {
        static const char alphabet[] = {'\0', ' ', 'a', 'z', '7', '\xFF'};
        std::string text(pick(12), ' ');
        for (char& c : text) c = alphabet[pick(sizeof alphabet)];
        return Value(text);
      }
    }
  }

  // Mostly valid member numbers, sometimes 0, past the end, fractions or non-numbers.
  Value numberArgument() {
    const long long count = static_cast<long long>(members_.size());
    switch (pick(12)) {
      case 0:
        return Value(0);
      case 1:
        return Value(count + 1);
      case 2:
        return Value(1.5, 1);
      case 3:
        return Value("1");
      default:
        return Value(count == 0 ? 1 : 1 + static_cast<long long>(pick(members_.size())));
    }
  }

  void addMember() {
    if (members_.size() >= kMaxMembers) return;
#ifdef _WIN32
    static const Value codes[] = {1, 2, 3, 5, 7, 8, 9, 10, 12};
#else
    static const Value codes[] = {1, 2, 3, 5, 7, 8, 9, 10, 12, 4, 99, Value(), Value("7")};
#endif
    const Value code = codes[pick(std::size(codes))];
    Value size;
    switch (pick(10)) {
      case 0:
        size = Value(0);
        break;
      case 1:
        size = Value(-3);
        break;
      case 2:
        size = Value(2.5, 1);
        break;
      case 3:
        size = Value("3");
        break;
      case 4:
        size = Value(static_cast<long long>(lanmere::kMaxTextLength) + 1);
        break;
      case 5:
      case 6:
      case 7:
        size = Value(1 + static_cast<long long>(pick(10)));
        break;
      default:
        break;  // the code's own size
    }
    const std::string name = kNames[pick(4)];
    const long long used = bufferIsText_ ? static_cast<long long>(bufferLength_) : 0;
    long long bytes = size.isNil()    ? naturalSize(knownCode(code))
                      : isWhole(size) ? size.integer()
                                      : 0;
    const bool fits = bytes >= 1 && bytes <= static_cast<long long>(lanmere::kMaxTextLength) - used;
    send(record_, "AddMember", {name, code, size});
    if (!fits) {
      expectError(1, kStructSizeSubCode);
      return;
    }
    const long long offset = members_.empty() ? 0 : members_.back().offset + members_.back().size;
    const int known = knownCode(code);
    // A new member's bytes are zero (a text member reads them as they are), unless the buffer
    // was replaced: then the member need not lie where the appended bytes are.
    std::optional<Value> reads;
    if (!replaced_) {
      reads = known == kMemberText ? Value(std::string(static_cast<std::size_t>(bytes), '\0'))
                                   : expectedRead(known, bytes, Value(0));
    }
    members_.push_back({name, code, bytes, offset, reads, {}});
    if (bufferIsText_) bufferLength_ += static_cast<std::size_t>(bytes);
    sizes_ += bytes;
  }

  ModelMember* locate(const Value& number) {
    if (!isWhole(number) || number.number() < 1 ||
        number.number() > static_cast<double>(members_.size())) {
      return nullptr;
    }
    ModelMember& m = members_[static_cast<std::size_t>(number.integer()) - 1];
    const bool inside = bufferIsText_ && m.offset + m.size <= static_cast<long long>(bufferLength_);
    return inside ? &m : nullptr;
  }

  void setMember(const Value& number, const Value& value) {
    const std::string before = send(record_, "cBuffer").string();
    const Value written = send(record_, "SetMember", {number, value});
    ModelMember* m = locate(number);
    if (!m) {
      expectError(2, kStructMemberSubCode);
      EXPECT_TRUE(written.isNil());
      return;
    }
    applyWrite(*m, value, written, before);
  }

  void applyWrite(ModelMember& m, const Value& value, const Value& written,
                  const std::string& before) {
    const std::string after = send(record_, "cBuffer").string();
    const int code = knownCode(m.code);
    const bool address = value.isText() && (code == 7 || code == 9 || code == 10 || code == 12);
    if (address && m.size < static_cast<long long>(sizeof(void*))) {
      expectError(1, kStructAddressSubCode);
      EXPECT_EQ(after, before);
      return;
    }
    if (code == 0) {  // unknown: the alert, nothing written, the value returned
      const bool bothNan = std::isnan(written.number()) && std::isnan(value.number());
      EXPECT_TRUE(bothNan || lanmere::exactlyEqual(written, value));
      EXPECT_EQ(after, before);
      return;
    }
    ASSERT_EQ(after.size(), before.size());
    const auto offset = static_cast<std::size_t>(m.offset);
    const auto size = static_cast<std::size_t>(m.size);
    EXPECT_EQ(written.text(), after.substr(offset, size));
    EXPECT_EQ(after.substr(0, offset), before.substr(0, offset));
    EXPECT_EQ(after.substr(offset + size), before.substr(offset + size));
    m.reads = expectedRead(code, m.size, value);
    m.text = address ? std::optional<std::string>(value.string()) : std::nullopt;
  }

  void getMember(const Value& number) {
    const Value read = send(record_, "GetMember", {number});
    const ModelMember* m = locate(number);
    if (!m) {
      expectError(2, kStructMemberSubCode);
      EXPECT_TRUE(read.isNil());
      return;
    }
    compareRead(*m, read);
  }

  void compareRead(const ModelMember& m, const Value& read) {
    if (m.reads) {
      ++compared_;
      EXPECT_TRUE(lanmere::exactlyEqual(read, *m.reads))
          << "member " << m.name << " code " << m.code.integer() << " size " << m.size;
    }
  }

  // The first member of that name, as a message by name finds it.
  ModelMember* byName(const std::string& name) {
    for (ModelMember& m : members_) {
      if (m.name == name) return &m;
    }
    return nullptr;
  }

  void setByName(const std::string& name, const Value& value) {
    ModelMember* m = byName(name);
    const std::string before = send(record_, "cBuffer").string();
    const Value written = send(record_, "_" + name, {value});
    if (!m) {
      expectError(0, kStructAssignUnknownSubCode);
    } else if (!locate(Value(static_cast<long long>(m - members_.data()) + 1))) {
      expectError(2, kStructMemberSubCode);
    } else {
      applyWrite(*m, value, written, before);
      return;
    }
    EXPECT_TRUE(written.isNil());
  }

  void getByName(const std::string& name) {
    ModelMember* m = byName(name);
    const Value read = send(record_, name);
    if (!m) {
      expectError(0, kStructReadUnknownSubCode);
    } else if (!locate(Value(static_cast<long long>(m - members_.data()) + 1))) {
      expectError(2, kStructMemberSubCode);
    } else {
      compareRead(*m, read);
      return;
    }
    EXPECT_TRUE(read.isNil());
  }

  void replaceBuffer() {
    Value replacement;
    switch (pick(4)) {
      case 0:
        replacement = Value(std::string(pick(bufferLength_ + 1), 'q'));
        break;
      case 1:
        replacement = Value(std::string(bufferLength_ + 1 + pick(8), '\0'));
        break;
      case 2:
        replacement = Value(std::string(static_cast<std::size_t>(sizes_), 'r'));
        break;
      default:
        replacement = pick(2) ? Value() : Value(5);
    }
    send(record_, "_cBuffer", {replacement});
    bufferIsText_ = replacement.isText();
    bufferLength_ = replacement.length();
    replaced_ = true;
    for (ModelMember& m : members_) {
      m.reads.reset();
      m.text.reset();
    }
  }

  // Every text whose address a member holds is still there, zero-terminated.
  void checkPointedTexts() {
    const std::string buffer = send(record_, "cBuffer").string();
    for (const ModelMember& m : members_) {
      if (!m.text) continue;
      std::uintptr_t address = 0;
      std::memcpy(&address, buffer.data() + m.offset, sizeof address);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(address), m.text->size() + 1),
                *m.text + '\0');
    }
  }

  void expectError(long long genCode, long long subCode) {
    ++expectedErrors_;
    if (errors_.records.size() != expectedErrors_) return;
    EXPECT_EQ(errors_.last().genCode.integer(), genCode);
    EXPECT_EQ(errors_.last().subCode.integer(), subCode);
  }

  void checkInvariants() {
    const long long sizeOf = send(record_, "SizeOf").integer();
    const Value buffer = send(record_, "cBuffer");
    ASSERT_EQ(sizeOf, buffer.isText() ? static_cast<long long>(buffer.length()) : 0);
    ASSERT_EQ(sizeOf, bufferIsText_ ? static_cast<long long>(bufferLength_) : 0);
    if (!replaced_) {
      ASSERT_EQ(sizeOf, sizes_);
    }
    ASSERT_EQ(errors_.records.size(), expectedErrors_) << "every failure arrives as a record";
    ASSERT_EQ(send(record_, "aMembers").length(), members_.size());
  }

  std::mt19937_64 random_;
  test::ErrorCatcher errors_;
  Value record_;
  std::vector<ModelMember> members_;
  bool bufferIsText_ = true;
  std::size_t bufferLength_ = 0;
  bool replaced_ = false;
  long long sizes_ = 0;
  std::size_t expectedErrors_ = 0;
  int compared_ = 0;
};

TEST(TStructFuzz, RandomStepsAgreeWithTheModel) {
  const char* fixed = std::getenv("KESTREL_TSTRUCT_SEED");
  const unsigned seed =
      fixed ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10)) : std::random_device{}();
  std::cout << "seed " << seed << " (KESTREL_TSTRUCT_SEED=" << seed << " repeats it)\n";
  RecordProperty("seed", static_cast<int>(seed));
  int compared = 0;
  for (int round = 0; round < kRounds; ++round) {
    Fuzz fuzz(seed + static_cast<unsigned>(round));
    for (int i = 0; i < kStepsPerRound && !::testing::Test::HasFailure(); ++i) fuzz.step();
    ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << seed << " round " << round;
    compared += fuzz.comparedReads();
  }
  // The generator reaches members whose values the model knows.
  EXPECT_GT(compared, kRounds * kStepsPerRound / 20);
  std::cout << compared << " reads compared\n";
}

}  // namespace
}  // namespace kestrel
