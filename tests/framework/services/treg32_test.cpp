#include "framework/services/treg32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/builtins.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;

const std::string kParent = "Software\\KestrelTest";

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    lanmere::setDateFormat("MM/DD/YY");
    keyPath = kParent + "\\run" + std::to_string(GetCurrentProcessId());
    reg = lanmere::make<TReg32>();
    reg->Create(kHkeyCurrentUser, Value(keyPath));
    ASSERT_EQ(reg->nError.integer(), 0);
    ASSERT_NE(reg->nHandle.integer(), 0);
  }
  void TearDown() override {
    reg->Close();
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, kParent.c_str());
  }

  // The value as Windows stores it.
  std::pair<DWORD, std::string> raw(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return {0, "<no key>"};
    }
    DWORD type = 0;
    char data[4096];
    DWORD size = sizeof data;
    const LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return {0, "<none>"};
    return {type, std::string(data, size)};
  }

  // A text value as stored; the system may add the terminating zero that Set leaves out.
  std::string storedText(const char* name) {
    auto [type, bytes] = raw(name);
    EXPECT_TRUE(type == REG_SZ || type == REG_EXPAND_SZ) << type;
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    return bytes;
  }

  std::string keyPath;
  Ref<TReg32> reg;
};

TEST_F(Registry, NumbersAreFourBytes) {
  reg->Set("n", 1234);
  EXPECT_EQ(reg->nError.integer(), 0);
  EXPECT_EQ(raw("n"), (std::pair<DWORD, std::string>{REG_DWORD, std::string("\xD2\x04\0\0", 4)}));
  EXPECT_EQ(reg->Get("n", 0).integer(), 1234);
  reg->Set("minus", -5);
  EXPECT_EQ(reg->Get("minus", 0).integer(), -5);
  // A number that cannot be read gives the argument back.
  EXPECT_EQ(reg->Get("missing", 77).integer(), 77);
  EXPECT_EQ(reg->nError.integer(), ERROR_FILE_NOT_FOUND);
  reg->Set("text", "abcdef");
  EXPECT_EQ(reg->Get("text", 3).integer(), 3);
  EXPECT_NE(reg->nError.integer(), 0);
}

TEST_F(Registry, TextsDatesAndLogicals) {
  reg->Set("t", "hello");
  EXPECT_EQ(raw("t").first, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(storedText("t"), "hello");
  EXPECT_EQ(reg->Get("t", "").string(), "hello");

  // The date format's own two-digit year is what is stored; a four-digit format keeps the
  // century for the way back.
  const Value date = Value::date(lanmere::julianFromDate(2020, 2, 29));
  reg->Set("d", date);
  EXPECT_EQ(storedText("d"), "02/29/20");
  lanmere::setDateFormat("DD.MM.YYYY");
  reg->Set("d", date);
  EXPECT_EQ(storedText("d"), "29.02.2020");
  const Value read = reg->Get("d", Value::date(0));
  ASSERT_TRUE(read.isDate());
  EXPECT_EQ(read.julian(), date.julian());

  reg->Set("yes", true);
  reg->Set("no", false);
  EXPECT_EQ(storedText("yes"), ".T.");
  EXPECT_TRUE(reg->Get("yes", false).logical());
  EXPECT_FALSE(reg->Get("no", true).logical());
  reg->Set("lower", ".t.");
  EXPECT_TRUE(reg->Get("lower", false).logical());

  reg->Set("expand", "%PATH%", REG_EXPAND_SZ);
  EXPECT_EQ(raw("expand").first, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(reg->Get("missing", "x").string(), "");
  EXPECT_EQ(reg->nError.integer(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ZeroBytesAreRemovedFromTexts) {
  const std::string withZeros("a\0b\0\0c", 6);
  reg->Set("z", withZeros);
  EXPECT_EQ(storedText("z"), withZeros);
  EXPECT_EQ(reg->Get("z", "").string(), "abc");
  EXPECT_TRUE(reg->GetBinary("z").string().starts_with(withZeros));
}

TEST_F(Registry, ValuesOver1024BytesReadAsMissing) {
  // 1023 bytes and the terminator the system may add still fit.
  reg->Set("fits", std::string(1023, 'f'));
  EXPECT_EQ(reg->Get("fits", "").length(), 1023u);
  EXPECT_EQ(reg->nError.integer(), 0);
  reg->Set("big", std::string(1025, 'b'));
  EXPECT_EQ(reg->nError.integer(), 0);
  EXPECT_EQ(reg->Get("big", "").string(), "");
  EXPECT_NE(reg->nError.integer(), 0);
  EXPECT_EQ(reg->GetBinary("big").string(), "");
}

TEST_F(Registry, OpenExistingAndMissingKeys) {
  auto other = lanmere::make<TReg32>();
  other->New(kHkeyCurrentUser, Value(keyPath));
  EXPECT_EQ(other->nError.integer(), 0);
  EXPECT_NE(other->nHandle.integer(), 0);
  EXPECT_EQ(other->cRegKey.text(), keyPath);
  EXPECT_FALSE(other->lError.logical());
  reg->Set("shared", 9);
  EXPECT_EQ(other->Get("shared", 0).integer(), 9);
  other->Close();

  auto missing = lanmere::make<TReg32>();
  missing->New(kHkeyCurrentUser, Value(keyPath + "\\nothing"));
  EXPECT_EQ(missing->nError.integer(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing->nHandle.integer(), 0);
  EXPECT_TRUE(missing->lError.isLogical());
}

TEST_F(Registry, AFailedSetLeavesItsCode) {
  auto closed = lanmere::make<TReg32>();
  closed->New(kHkeyCurrentUser, Value(keyPath));
  closed->Close();
  closed->Set("after", 1);
  EXPECT_NE(closed->nError.integer(), 0);
  EXPECT_EQ(raw("after").second, "<none>");
}

TEST_F(Registry, AnObjectInErrorDoesNothing) {
  auto off = lanmere::make<TReg32>();
  off->lError = true;
  off->New(kHkeyCurrentUser, Value(keyPath));
  EXPECT_TRUE(off->lError.logical());
  off->nError = 1234;
  off->Set("blocked", 5);
  EXPECT_EQ(raw("blocked").second, "<none>");
  reg->Set("present", 5);
  EXPECT_EQ(off->Get("present", 8).integer(), 8);
  EXPECT_EQ(off->Get("present", "x").string(), "x");
  EXPECT_EQ(off->nError.integer(), 1234);
  off->lError = false;
  off->Close();
}

TEST_F(Registry, DeleteASubKey) {
  auto child = lanmere::make<TReg32>();
  child->Create(kHkeyCurrentUser, Value(keyPath + "\\child"));
  ASSERT_EQ(child->nError.integer(), 0);
  child->Close();
  reg->Delete("child");
  EXPECT_EQ(reg->nError.integer(), 0);
  auto gone = lanmere::make<TReg32>();
  gone->New(kHkeyCurrentUser, Value(keyPath + "\\child"));
  EXPECT_EQ(gone->nError.integer(), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ReachedByMessages) {
  lanmere::clearModules();
  lanmere::registerModule(tReg32Module());
  Value object = lanmere::callFunction("TREG32");
  EXPECT_TRUE(lanmere::createObject("TReg32").isObject());
  ASSERT_TRUE(object.isObject());
  lanmere::send(object, "New", {kHkeyCurrentUser, Value(keyPath)});
  lanmere::send(object, "Set", {"m", "by message"});
  EXPECT_EQ(lanmere::send(object, "Get", {"m", ""}).string(), "by message");
  EXPECT_EQ(lanmere::send(object, "nError").integer(), 0);
  lanmere::send(object, "Close");
  lanmere::clearModules();
}

}  // namespace
}  // namespace kestrel
