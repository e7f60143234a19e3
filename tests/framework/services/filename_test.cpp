#include "framework/services/filename.h"

#include <gtest/gtest.h>

#include "runtime/functions.h"

namespace kestrel {
namespace {

TEST(FileName, Drive) {
  EXPECT_EQ(cFileDisc("c:\\dir\\file.txt"), "C:");
  EXPECT_EQ(cFileDisc("x:"), "X:");
  EXPECT_EQ(cFileDisc("ab:c"), "");
  EXPECT_EQ(cFileDisc("\\\\server\\share\\f"), "");
  EXPECT_EQ(cFileDisc("c"), "");
  EXPECT_EQ(cFileDisc(""), "");
}

TEST(FileName, PathIsUpperCaseUpToTheLastBackslash) {
  EXPECT_EQ(cFilePath("c:\\dir\\Sub\\file.txt"), "C:\\DIR\\SUB\\");
  EXPECT_EQ(cFilePath("c:\\dir\\"), "C:\\DIR\\");
  EXPECT_EQ(cFilePath("\\file"), "\\");
  EXPECT_EQ(cFilePath("file.txt"), "");
  EXPECT_EQ(cFilePath("d:file.txt"), "D:\\");  // drive-relative
  EXPECT_EQ(cFilePath(""), "");
}

TEST(FileName, NameAfterThePath) {
  EXPECT_EQ(cFileNoPath("c:\\dir\\File.Txt"), "File.Txt");
  EXPECT_EQ(cFileNoPath("d:file.txt"), "file.txt");
  EXPECT_EQ(cFileNoPath("file.txt"), "file.txt");
  // A trailing backslash leaves no name: what follows the drive, or the whole path.
  EXPECT_EQ(cFileNoPath("c:\\dir\\sub\\"), "\\dir\\sub\\");
  EXPECT_EQ(cFileNoPath("\\dir\\"), "\\dir\\");
  EXPECT_EQ(cFileNoPath("c:"), "");
  EXPECT_EQ(cFileNoPath(""), "");
}

TEST(FileName, MaskOnlyFromTheNamePart) {
  EXPECT_EQ(cFileMask("c:\\dir\\*.prg"), "*.prg");
  EXPECT_EQ(cFileMask("c:\\dir\\a?.txt"), "a?.txt");
  EXPECT_EQ(cFileMask("c:\\dir\\a.txt"), "");
  EXPECT_EQ(cFileMask("c:\\d*r\\a.txt"), "");
}

TEST(FileName, NameWithoutExtension) {
  EXPECT_EQ(cFileNoExt("c:\\dir\\name.ext"), "name");
  EXPECT_EQ(cFileNoExt("a.b.c"), "a.b");
  EXPECT_EQ(cFileNoExt("c:\\x\\ name .txt "), "name");
  EXPECT_EQ(cFileNoExt("name."), "name");
  EXPECT_EQ(cFileNoExt("name"), "name");
  EXPECT_EQ(cFileNoExt("c:\\my.dir\\file"), "file");
  EXPECT_EQ(cFileNoExt(".profile"), "");
}

TEST(FileName, Extension) {
  EXPECT_EQ(cFileExt("c:\\dir\\name.TXT"), "TXT");
  EXPECT_EQ(cFileExt("a.b.c"), "c");
  EXPECT_EQ(cFileExt("name."), "");
  EXPECT_EQ(cFileExt("name"), "");
  EXPECT_EQ(cFileExt("c:\\my.dir\\file"), "");
  EXPECT_EQ(cFileExt("name. txt "), "txt");
}

TEST(FileName, SetExtensionReplacesOnlyTheNamesExtension) {
  EXPECT_EQ(cFileSetExt("c:\\dir\\name.txt", "bak"), "c:\\dir\\name.bak");
  EXPECT_EQ(cFileSetExt("name", "prg"), "name.prg");
  EXPECT_EQ(cFileSetExt("a.b.c", "x"), "a.b.x");
  EXPECT_EQ(cFileSetExt("name.", "x"), "name.x");
  // A dot in a directory name is not an extension: the file name is kept.
  EXPECT_EQ(cFileSetExt("c:\\my.dir\\file", "txt"), "c:\\my.dir\\file.txt");
  EXPECT_EQ(cFileSetExt("d:.cfg", "ini"), "d:.ini");
}

TEST(FileName, ParentDirectory) {
  EXPECT_EQ(cFileSubDir("c:\\a\\b\\"), "C:\\A\\");
  EXPECT_EQ(cFileSubDir("c:\\a\\b"), "C:\\A\\");
  EXPECT_EQ(cFileSubDir("c:\\a\\"), "C:\\");
  EXPECT_EQ(cFileSubDir("c:\\"), "C:\\");
  EXPECT_EQ(cFileSubDir("file"), "");
}

TEST(FileName, CalledByName) {
  lanmere::clearModules();
  lanmere::registerModule(fileNameModule());
  using lanmere::callFunction;
  EXPECT_EQ(callFunction("CFILENAME", {"c:\\x\\Y.dbf"}).string(), "Y.dbf");
  EXPECT_EQ(callFunction("cFileNoPath", {"c:\\x\\Y.dbf"}).string(), "Y.dbf");
  EXPECT_EQ(callFunction("CFILESETEXT", {"c:\\x\\y.dbf", "ntx"}).string(), "c:\\x\\y.ntx");
  EXPECT_EQ(callFunction("CFILEPATH", {}).string(), "");
  EXPECT_TRUE(callFunction("CFILEEXT", {12}).isText());
  EXPECT_EQ(callFunction("CFILESUBDIR", {"c:\\a\\b\\"}).string(), "C:\\A\\");
  EXPECT_EQ(callFunction("CFILEDISC", {"e:x"}).string(), "E:");
  EXPECT_EQ(callFunction("CFILEMASK", {"*.*"}).string(), "*.*");
  EXPECT_EQ(callFunction("CFILENOEXT", {"a.b"}).string(), "a");
  lanmere::clearModules();
}

}  // namespace
}  // namespace kestrel
