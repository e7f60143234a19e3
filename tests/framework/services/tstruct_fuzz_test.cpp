// Random steps over TStruct, checked against a small model of the layout: where each member's
// bytes lie, that a write changes only them, and that a member reads back the same value for as
// long as its bytes stay the same. What each conversion writes is pinned row by row in
// tstruct_test.cpp. The seed is fixed; KESTREL_TSTRUCT_SEED=N runs another one.
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
  int code;  // 0 for codes the structure does not know
  long long size;
  long long offset;
  std::optional<Value> reads;       // learnt at the first read after its bytes changed
  std::optional<std::string> text;  // the text whose address the member holds
};

bool isWhole(const Value& v) {
  return v.isNumber() && std::isfinite(v.number()) && std::trunc(v.number()) == v.number();
}

// Known codes and the bytes each takes when no size is given (0: the size must be given).
int knownCode(const Value& code) {
  for (int k : {1, 2, 3, 5, 7, 8, 9, 10, 12}) {
    if (isWhole(code) && code.number() == k) return k;
  }
  return 0;
}
long long naturalSize(int code) {
  return code == 1 || code == 2 ? 1 : code == 3 || code == 5 ? 2 : code == 8 || code == 0 ? 0 : 4;
}

class Fuzz {
 public:
  explicit Fuzz(unsigned seed) : random_(seed) { send(record_, "New"); }

  void step() {
    const std::size_t kind = pick(100);
    if (kind == 0) {
      replaceBuffer();
    } else if (kind < 3) {
      checkPointedTexts();
    } else if (kind < 27) {
      addMember();
    } else {
      access(pick(2) == 1, pick(2) == 1);
    }
    checkInvariants();
  }

  int comparedReads() const { return compared_; }

 private:
  std::size_t pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  template <class T, std::size_t N>
  const T& oneOf(const T (&values)[N]) {
    return values[pick(N)];
  }

  Value randomValue() {
    static const Value fixed[] = {{},
                                  true,
                                  false,
                                  0,
                                  1,
                                  -1,
                                  127,
                                  128,
                                  255,
                                  256,
                                  32767,
                                  -32768,
                                  65535,
                                  65536,
                                  INT32_MAX,
                                  INT32_MIN,
                                  1LL << 32,
                                  INT64_MAX,
                                  INT64_MIN,
                                  Value(1e20, 0),
                                  Value(std::numeric_limits<double>::infinity(), 0),
                                  Value(std::nan(""), 0),
                                  Value::list({1, "x"})};
    switch (pick(4)) {
      case 0:
        return oneOf(fixed);
      case 1: {
        const double magnitude = std::pow(10.0, static_cast<double>(pick(26)));
        return Value(std::uniform_real_distribution<double>(-magnitude, magnitude)(random_),
                     static_cast<int>(pick(4)));
      }
      case 2:
        return Value(static_cast<long long>(random_()));
      default: {
        static const char alphabet[] = {'\0', ' ', 'a', 'z', '7', '\xFF'};
        std::string text(pick(12), ' ');
        for (char& c : text) c = oneOf(alphabet);
        return Value(text);
      }
    }
  }

  void addMember() {
    if (members_.size() >= kMaxMembers) return;
#ifdef _WIN32
    static const Value codes[] = {1, 2, 3, 5, 7, 8, 9, 10, 12};
#else
    static const Value codes[] = {1, 2, 3, 5, 7, 8, 9, 10, 12, 4, 99, Value(), Value("7")};
#endif
    static const Value oddSizes[] = {
        0, -3, Value(2.5, 1), "3", static_cast<long long>(lanmere::kMaxTextLength) + 1, {}};
    const Value code = oneOf(codes);
    const Value size = pick(2) ? Value(1 + static_cast<long long>(pick(10))) : oneOf(oddSizes);
    const std::string name = kNames[pick(4)];
    const long long bytes = size.isNil()    ? naturalSize(knownCode(code))
                            : isWhole(size) ? size.integer()
                                            : 0;
    const long long used = bufferIsText_ ? static_cast<long long>(bufferLength_) : 0;
    send(record_, "AddMember", {name, code, size});
    if (bytes < 1 || bytes > static_cast<long long>(lanmere::kMaxTextLength) - used) {
      return expectError(1, kStructSizeSubCode);
    }
    const long long offset = members_.empty() ? 0 : members_.back().offset + members_.back().size;
    const int known = knownCode(code);
    members_.push_back({name, known, bytes, offset, {}, {}});
    if (bufferIsText_) bufferLength_ += static_cast<std::size_t>(bytes);
    sizes_ += bytes;
    // A new member's bytes are zero, unless the buffer was replaced: then the member need not
    // lie where the appended bytes are.
    if (!replaced_) {
      EXPECT_EQ(send(record_, "cBuffer").string().substr(static_cast<std::size_t>(offset)),
                std::string(static_cast<std::size_t>(bytes), '\0'));
    }
  }

  bool inside(const ModelMember& m) const {
    return bufferIsText_ && m.offset + m.size <= static_cast<long long>(bufferLength_);
  }

  // One read or write, by member number (mostly valid; sometimes 0, past the end, a fraction
  // or a text) or by name (sometimes one no member has).
  void access(bool byName, bool write) {
    const Value value = write ? randomValue() : Value();
    const std::string before = send(record_, "cBuffer").string();
    ModelMember* m = nullptr;
    Value result;
    bool unknownName = false;
    if (byName) {
      const std::string name = oneOf(kNames);
      for (auto it = members_.rbegin(); it != members_.rend(); ++it) {
        if (it->name == name) m = &*it;  // the first of that name, as a message finds it
      }
      unknownName = !m;
      result = write ? send(record_, "_" + name, {value}) : send(record_, name);
    } else {
      const Value count(static_cast<long long>(members_.size()));
      static const Value odd[] = {0, Value(1.5, 1), "1"};
      const Value number = pick(4)   ? Value(1 + static_cast<long long>(pick(members_.size() + 1)))
                           : pick(2) ? oneOf(odd)
                                     : Value(count.integer() + 1);
      if (isWhole(number) && number.integer() >= 1 && number.integer() <= count.integer()) {
        m = &members_[static_cast<std::size_t>(number.integer()) - 1];
      }
      result = write ? send(record_, "SetMember", {number, value})
                     : send(record_, "GetMember", {number});
    }
    if (m && !inside(*m)) m = nullptr;
    if (unknownName) {
      expectError(0, write ? kStructAssignUnknownSubCode : kStructReadUnknownSubCode);
    } else if (!m) {
      expectError(2, kStructMemberSubCode);
    } else if (write) {
      return applyWrite(*m, value, result, before);
    } else if (m->reads) {
      ++compared_;
      EXPECT_TRUE(lanmere::exactlyEqual(result, *m->reads))
          << "member " << m->name << " code " << m->code << " size " << m->size;
      return;
    } else {
      m->reads = result;
      return;
    }
    EXPECT_TRUE(result.isNil());
  }

  void applyWrite(ModelMember& m, const Value& value, const Value& written,
                  const std::string& before) {
    const std::string after = send(record_, "cBuffer").string();
    const bool address = value.isText() && naturalSize(m.code) == 4;
    if (address && m.size < static_cast<long long>(sizeof(void*))) {
      expectError(1, kStructAddressSubCode);
      EXPECT_EQ(after, before);
      return;
    }
    if (m.code == 0) {  // unknown: the alert, nothing written, the value returned
      const bool bothNan = std::isnan(written.number()) && std::isnan(value.number());
      EXPECT_TRUE(bothNan || lanmere::exactlyEqual(written, value));
      EXPECT_EQ(after, before);
      return;
    }
    ASSERT_EQ(after.size(), before.size());
    const auto offset = static_cast<std::size_t>(m.offset);
    const auto size = static_cast<std::size_t>(m.size);
    EXPECT_EQ(written.text(), after.substr(offset, size));
    EXPECT_EQ(after.substr(0, offset) + after.substr(offset + size),
              before.substr(0, offset) + before.substr(offset + size));
    m.reads.reset();
    m.text = address ? std::optional<std::string>(value.string()) : std::nullopt;
  }

  void replaceBuffer() {
    const Value replacements[] = {std::string(pick(bufferLength_ + 1), 'q'),
                                  std::string(bufferLength_ + 1 + pick(8), '\0'),
                                  std::string(static_cast<std::size_t>(sizes_), 'r'),
                                  {},
                                  5};
    const Value& replacement = oneOf(replacements);
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
    if (errors_.records.size() != ++expectedErrors_) return;  // checkInvariants says so
    EXPECT_EQ(errors_.last().genCode.integer(), genCode);
    EXPECT_EQ(errors_.last().subCode.integer(), subCode);
  }

  void checkInvariants() {
    const long long sizeOf = send(record_, "SizeOf").integer();
    const Value buffer = send(record_, "cBuffer");
    ASSERT_EQ(sizeOf, buffer.isText() ? static_cast<long long>(buffer.length()) : 0);
    ASSERT_EQ(sizeOf, bufferIsText_ ? static_cast<long long>(bufferLength_) : 0);
    ASSERT_TRUE(replaced_ || sizeOf == sizes_) << "the members fill the whole buffer";
    ASSERT_EQ(errors_.records.size(), expectedErrors_) << "every failure arrives as a record";
    ASSERT_EQ(send(record_, "aMembers").length(), members_.size());
  }

  std::mt19937_64 random_;
  test::ErrorCatcher errors_;
  Value record_ = TSTRUCT();
  std::vector<ModelMember> members_;
  bool bufferIsText_ = true;
  std::size_t bufferLength_ = 0;
  bool replaced_ = false;
  long long sizes_ = 0;
  std::size_t expectedErrors_ = 0;
  int compared_ = 0;
};

TEST(TStructFuzz, RandomStepsAgreeWithTheModel) {
  constexpr unsigned kSeed = 20261210;  // a failure in any run is one that repeats
  const char* chosen = std::getenv("KESTREL_TSTRUCT_SEED");
  const unsigned seed = chosen ? static_cast<unsigned>(std::strtoul(chosen, nullptr, 10)) : kSeed;
  std::cout << "seed " << seed << " (KESTREL_TSTRUCT_SEED=" << seed << " repeats it)\n";
  int compared = 0;
  for (int round = 0; round < kRounds; ++round) {
    Fuzz fuzz(seed + static_cast<unsigned>(round));
    for (int i = 0; i < kStepsPerRound && !HasFailure(); ++i) fuzz.step();
    ASSERT_FALSE(HasFailure()) << "seed " << seed << " round " << round;
    compared += fuzz.comparedReads();
  }
  EXPECT_GT(compared, kRounds * kStepsPerRound / 20) << "reads compared with an earlier read";
}

}  // namespace
}  // namespace kestrel
