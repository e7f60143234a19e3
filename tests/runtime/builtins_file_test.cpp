#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "runtime/platform.h"
#include "tests/runtime/builtins_fixture.h"

namespace lanmere::test {
namespace {

namespace fs = std::filesystem;

class FileTest : public BuiltinsTest {
 protected:
  void SetUp() override {
    BuiltinsTest::SetUp();
    std::random_device seed;
    folder_ = fs::temp_directory_path() / ("kestrel-files-" + std::to_string(seed()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    BuiltinsTest::TearDown();
  }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void write(const std::string& name, const std::string& content) {
    std::ofstream(folder_ / name, std::ios::binary) << content;
  }
  std::set<std::string> names(const Value& rows) {
    std::set<std::string> out;
    for (const Value& row : rows.items()) out.insert(row.item(1).string());
    return out;
  }

  fs::path folder_;
};

TEST_F(FileTest, CreateWriteSeekReadClose) {
  const Value h = call("FCREATE", {path("data.bin")});
  ASSERT_GE(h.integer(), 0);
  EXPECT_EQ(call("FERROR").integer(), 0);
  EXPECT_EQ(call("FWRITE", {h, "hello world"}).integer(), 11);
  EXPECT_EQ(call("FWRITE", {h, "!!!???", 3}).integer(), 3);
  EXPECT_EQ(call("FSEEK", {h, 0, 2}).integer(), 14);
  EXPECT_EQ(call("FSEEK", {h, 6}).integer(), 6);

  // FREAD writes over the start of the caller's buffer and no further than its length.
  std::vector<Value> read = {h, call("SPACE", {8}), 3};
  const Value sharedBefore = read[1];
  EXPECT_EQ(callFunction("FREAD", Args(read)).integer(), 3);
  EXPECT_EQ(read[1].text(), "wor     ");
  EXPECT_EQ(sharedBefore.text(), "        ");  // another holder of the text is not touched
  read[2] = 100;
  EXPECT_EQ(callFunction("FREAD", Args(read)).integer(), 5);
  EXPECT_EQ(read[1].text(), "ld!!!   ");
  EXPECT_EQ(callFunction("FREAD", Args(read)).integer(), 0);  // at the end
  EXPECT_EQ(call("FSEEK", {h, -3, 1}).integer(), 11);
  EXPECT_TRUE(call("FCLOSE", {h}).logical());

  std::ifstream in(folder_ / "data.bin", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "hello world!!!");
}

TEST_F(FileTest, FailuresAnswerTheirFailureValueAndSetFerror) {
  EXPECT_EQ(call("FOPEN", {path("missing.txt")}).integer(), -1);
  EXPECT_NE(call("FERROR").integer(), 0);
  EXPECT_EQ(call("FCREATE", {path("no/such/dir/x.txt")}).integer(), -1);
  EXPECT_NE(call("FERROR").integer(), 0);

  write("read.txt", "abc");
  const Value h = call("FOPEN", {path("read.txt")});  // read only
  ASSERT_GE(h.integer(), 0);
  EXPECT_EQ(call("FWRITE", {h, "x"}).integer(), 0);
  EXPECT_NE(call("FERROR").integer(), 0);
  EXPECT_TRUE(call("FCLOSE", {h}).logical());
  EXPECT_EQ(call("FERROR").integer(), 0);

  const Value rw = call("FOPEN", {path("read.txt"), 2});
  ASSERT_GE(rw.integer(), 0);
  EXPECT_EQ(call("FWRITE", {rw, "X"}).integer(), 1);
  EXPECT_TRUE(call("FCLOSE", {rw}).logical());
  std::ifstream in(folder_ / "read.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Xbc");
}

TEST_F(FileTest, ExistsAndErase) {
  write("a.txt", "12345");
  fs::create_directory(folder_ / "sub");
  EXPECT_TRUE(call("FILE", {path("a.txt")}).logical());
  EXPECT_FALSE(call("FILE", {path("b.txt")}).logical());
  EXPECT_FALSE(call("FILE", {path("sub")}).logical());  // a directory is not a file
  EXPECT_FALSE(call("FILE", {""}).logical());
  EXPECT_TRUE(call("FILE", {path("*.txt")}).logical());
  EXPECT_TRUE(call("FILE", {path("?.t?t")}).logical());
  EXPECT_FALSE(call("FILE", {path("*.log")}).logical());
  EXPECT_FALSE(call("FILE", {path("s*")}).logical());
  EXPECT_EQ(call("FILE", {path("A.TXT")}).logical(), namesIgnoreCase());

  EXPECT_EQ(call("FERASE", {path("a.txt")}).integer(), 0);
  EXPECT_FALSE(call("FILE", {path("a.txt")}).logical());
  EXPECT_EQ(call("FERASE", {path("a.txt")}).integer(), -1);
  EXPECT_NE(call("FERROR").integer(), 0);
}

TEST_F(FileTest, DirectoryRows) {
  write("a.txt", "12345");
  write("b.log", "");
  write("noext", "x");
  fs::create_directory(folder_ / "sub");
  const Value hidden = call("FCREATE", {path(".hid"), 2});  // hidden by name or by attribute
  call("FCLOSE", {hidden});

  const Value rows = call("DIRECTORY", {path("*.txt")});
  ASSERT_EQ(rows.length(), 1u);
  const Value& row = rows.item(1);
  ASSERT_EQ(row.length(), 5u);
  EXPECT_EQ(row.item(1).text(), "a.txt");
  EXPECT_EQ(row.item(2).integer(), 5);
  EXPECT_TRUE(row.item(3).isDate());
  EXPECT_LE(std::abs(row.item(3).julian() - today().julian()), 1);
  const std::string time = row.item(4).string();
  ASSERT_EQ(time.size(), 8u);
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(time[5], ':');
  EXPECT_NE(row.item(5).text().find('A'), std::string_view::npos);
  EXPECT_EQ(row.item(5).text().find('D'), std::string_view::npos);

  EXPECT_EQ(names(call("DIRECTORY", {path("*")})),
            (std::set<std::string>{"a.txt", "b.log", "noext"}));
  EXPECT_EQ(names(call("DIRECTORY", {path("*.*")})),
            (std::set<std::string>{"a.txt", "b.log", "noext"}));
  EXPECT_EQ(names(call("DIRECTORY", {path("")})),
            (std::set<std::string>{"a.txt", "b.log", "noext"}));
  EXPECT_EQ(names(call("DIRECTORY", {path("*"), "D"})),
            (std::set<std::string>{".", "..", "a.txt", "b.log", "noext", "sub"}));
  EXPECT_EQ(names(call("DIRECTORY", {path("*"), "h"})),
            (std::set<std::string>{".hid", "a.txt", "b.log", "noext"}));

  // A mask that names a directory lists that one entry.
  const Value self = call("DIRECTORY", {path("sub"), "DHS"});
  ASSERT_EQ(self.length(), 1u);
  EXPECT_EQ(self.item(1).item(1).text(), "sub");
  EXPECT_NE(self.item(1).item(5).text().find('D'), std::string_view::npos);
  EXPECT_EQ(call("DIRECTORY", {path("gone/*")}).length(), 0u);
}

TEST_F(FileTest, ArgumentErrors) {
  EXPECT_TRUE(argumentError(call("FCREATE", {5}), 1140, "FCREATE", {5}));
  EXPECT_TRUE(argumentError(call("FOPEN", {nil, 0}), 1141, "FOPEN", {nil, 0}));
  EXPECT_TRUE(argumentError(call("FREAD", {1, 5, 3}), 1142, "FREAD", {1, 5, 3}));
  EXPECT_TRUE(argumentError(call("FWRITE", {1, 5}), 1143, "FWRITE", {1, 5}));
  EXPECT_TRUE(argumentError(call("FSEEK", {"x", 0}), 1144, "FSEEK", {"x", 0}));
  EXPECT_TRUE(argumentError(call("FCLOSE", {"x"}), 1145, "FCLOSE", {"x"}));
  EXPECT_TRUE(argumentError(call("FERASE", {1}), 1146, "FERASE", {1}));
  EXPECT_TRUE(argumentError(call("FILE", {1}), 1147, "FILE", {1}));
  EXPECT_TRUE(argumentError(call("DIRECTORY", {1}), 1148, "DIRECTORY", {1}));
}

}  // namespace
}  // namespace lanmere::test
