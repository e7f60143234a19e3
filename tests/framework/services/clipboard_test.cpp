// TClipBoard and the clipboard natives against the real clipboard, with another program
// (tools/cliphelper) that reads what we set, sets what we read and holds the clipboard open.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "framework/controls/gdiobj.h"
#include "framework/controls/modules.h"
#include "framework/core/modules.h"
#include "framework/core/tracked.h"
#include "framework/core/win32.h"
#include "framework/services/clipboard.h"
#include "framework/services/tclipboard.h"
#include "tests/support/drawing.h"
#include "tests/support/files.h"
#include "tools/replay/child_process.h"

namespace kestrel {
namespace {

using lanmere::Ref;
using lanmere::Value;

constexpr int kHelperWaitMs = 30000;

// What TClipBoard reads from bitmap and metafile objects.
class TestPicture : public lanmere::Object {
  LM_CLASS(TestPicture, lanmere::Object)
  Value hBitmap = 0;
  Value hMeta = 0;
};
LM_DEFINE_CLASS(TestPicture) {
  c.data(LM_FIELDS(hBitmap, hMeta));
}

// A window as the clipboard sees it: a handle.
class TestOwner : public lanmere::Object {
  LM_CLASS(TestOwner, lanmere::Object)
  Value hWnd = 0;
};
LM_DEFINE_CLASS(TestOwner) {
  c.data(LM_FIELDS(hWnd));
}

class Clipboard : public test::DrawingTest {
 protected:
  void registerModules() override {
    DrawingTest::registerModules();
    lanmere::registerModule(clipboardModule());
    lanmere::registerModule(tClipBoardModule());
  }

  // Runs the helper to its end; its exit code.
  int helper(const std::vector<std::string>& arguments) {
    tools::ChildProcess child(test::besideThisProgram(KESTREL_CLIPHELPER_PATH), arguments);
    return child.wait(kHelperWaitMs).value_or(-1);
  }
  // The clipboard's text as the helper reads it.
  std::string helperText() {
    const std::string out = folder_ / "printed.txt";
    EXPECT_EQ(helper({"--out", out, "--print"}), 0);
    return test::readFile(out);
  }
  static Ref<TClipBoard> clipboard(Value format = {}) {
    Ref<TClipBoard> c = lanmere::make<TClipBoard>();
    c->New(format);
    return c;
  }
  static std::size_t bitmapRecords() {
    const auto& all = trackedResources();
    return static_cast<std::size_t>(std::count_if(
        all.begin(), all.end(), [](const TrackedResource& r) { return r.type == "BMP"; }));
  }
};

TEST_F(Clipboard, TextRoundTripsWithAnotherProgramAndTheClipboardIsLeftClosed) {
  Ref<TClipBoard> text = clipboard();
  EXPECT_TRUE(text->oWnd.isNil());  // no main and no default window: the hidden owner
  ASSERT_TRUE(text->Clear());
  EXPECT_EQ(text->GetText().string(), "");
  EXPECT_TRUE(text->IsEmpty());

  ASSERT_TRUE(text->SetText(""));
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE block = GetClipboardData(CF_TEXT);
  const SIZE_T size = block ? GlobalSize(block) : 0;
  CloseClipboard();
  EXPECT_EQ(size, 1u);

  ASSERT_TRUE(text->SetText("abc"));
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_FALSE(text->IsEmpty());
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_EQ(helperText(), "abc");
  EXPECT_FALSE(text->SetText(123));
  EXPECT_EQ(text->GetText().string(), "abc");
  EXPECT_EQ(clipboard(kClipBitmap)->GetBitmap().integer(), 0);
  EXPECT_TRUE(clipboard(kClipBitmap)->IsEmpty());

  // A window of our own as the owner.
  const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  Ref<TestOwner> owner = lanmere::make<TestOwner>();
  owner->hWnd = handleNumber(window);
  Ref<TClipBoard> owned = lanmere::make<TClipBoard>();
  owned->New(kClipText, Value(owner));
  ASSERT_TRUE(owned->Open());
  EXPECT_EQ(GetOpenClipboardWindow(), window);
  EXPECT_TRUE(owned->Close());
  EXPECT_TRUE(owned->SetText("owned"));
  EXPECT_EQ(helperText(), "owned");
  DestroyWindow(window);
}

TEST_F(Clipboard, TextsAnotherProgramSetsAreReadNoFurtherThanTheirBlocks) {
  ASSERT_EQ(helper({"--set-text", "from the helper"}), 0);
  EXPECT_EQ(clipboard()->GetText().string(), "from the helper");

  ASSERT_EQ(helper({"--set-wide", "wide"}), 0);
  Ref<TClipBoard> wide = clipboard(kClipWideText);
  ASSERT_TRUE(wide->Open());
  const Value raw = wide->GetData();
  wide->Close();
  EXPECT_EQ(raw.string(), std::string("w\0i\0d\0e\0\0\0", 10));

  // Wine writes a zero into the last byte of a text block it hands out; Windows does not.
  ASSERT_EQ(helper({"--set-raw", "unterminated"}), 0);
  const std::string read = clipboard()->GetText().string();
  EXPECT_TRUE(read == "unterminated" || read == "unterminate") << read;

  // Read from the block itself: never past its size.
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(block), "abc", 3);
  GlobalUnlock(block);
  ASSERT_EQ(GlobalSize(block), 3u);
  EXPECT_EQ(blockBytes(block, true), "abc");
  std::memcpy(GlobalLock(block), "a\0c", 3);
  GlobalUnlock(block);
  EXPECT_EQ(blockBytes(block, true), "a");
  EXPECT_EQ(blockBytes(block, false), std::string("a\0c", 3));
  GlobalFree(block);
}

// Wine lets a second process open a clipboard another process holds open (Windows refuses), so
// the other holder here is another window of this process, which Wine refuses as Windows does.
TEST_F(Clipboard, WhileAnotherWindowHoldsTheClipboardNothingIsReadOrChanged) {
  ASSERT_EQ(helper({"--set-text", "kept"}), 0);
  const HWND other = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(OpenClipboard(other));
  Ref<TClipBoard> text = clipboard();
  EXPECT_FALSE(text->SetText("mine"));
  EXPECT_EQ(text->GetText().string(), "");
  EXPECT_TRUE(text->IsEmpty());
  EXPECT_FALSE(text->Clear());
  EXPECT_EQ(GetOpenClipboardWindow(), other);  // nothing closed what it did not open
  CloseClipboard();
  DestroyWindow(other);
  EXPECT_EQ(text->GetText().string(), "kept");
  EXPECT_EQ(helperText(), "kept");
}

TEST_F(Clipboard, BitmapsComeBackAsCopiesTheCallerOwnsMetafilesAsTheClipboards) {
  const HDC screen = GetDC(nullptr);
  const HBITMAP original = CreateCompatibleBitmap(screen, 3, 2);
  ReleaseDC(nullptr, screen);
  {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, original);
    for (int x = 0; x < 3; ++x) {
      for (int y = 0; y < 2; ++y) SetPixel(dc, x, y, RGB(x * 100, y * 200, 50));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  Ref<TestPicture> picture = lanmere::make<TestPicture>();
  picture->hBitmap = handleNumber(original);
  Ref<TClipBoard> bitmaps = clipboard(kClipBitmap);
  ASSERT_TRUE(bitmaps->SetBitmap(Value(picture)));
  DeleteObject(original);
  EXPECT_FALSE(bitmaps->IsEmpty());
  EXPECT_EQ(bitmapRecords(), 0u);  // IsEmpty made no copy

  // A dead handle, or no bitmap at all, changes nothing.
  EXPECT_FALSE(bitmaps->SetBitmap(Value(picture)));
  EXPECT_FALSE(bitmaps->SetBitmap(Value("not a bitmap")));
  const Value copy = bitmaps->GetBitmap();
  ASSERT_NE(copy.integer(), 0);
  EXPECT_EQ(bitmapRecords(), 1u);
  const HBITMAP back = handleOf<HBITMAP>(copy);
  for (int x = 0; x < 3; ++x) {
    for (int y = 0; y < 2; ++y)
      EXPECT_EQ(test::bitmapPixel(back, x, y), RGB(x * 100, y * 200, 50)) << x << "," << y;
  }
  EXPECT_TRUE(deleteObject(back));
  EXPECT_EQ(bitmapRecords(), 0u);

  const HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  Rectangle(recorder, 0, 0, 40, 30);
  const HENHMETAFILE meta = CloseEnhMetaFile(recorder);
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(meta, sizeof header, &header);
  picture->hMeta = handleNumber(meta);
  Ref<TClipBoard> metafiles = clipboard(kClipMetaFile);
  ASSERT_TRUE(metafiles->SetMetaFile(Value(picture)));
  DeleteEnhMetaFile(meta);
  EXPECT_FALSE(metafiles->IsEmpty());
  EXPECT_FALSE(metafiles->SetMetaFile(Value(picture)));
  // The metafile read is the clipboard's own handle (nothing to delete, nothing leaked).
  const auto read = handleOf<HENHMETAFILE>(metafiles->GetMetaFile());
  ASSERT_NE(read, nullptr);
  ENHMETAHEADER copied{};
  ASSERT_NE(GetEnhMetaFileHeader(read, sizeof copied, &copied), 0u);
  EXPECT_EQ(copied.nRecords, header.nRecords);
  EXPECT_EQ(copied.rclBounds.right, header.rclBounds.right);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const HANDLE held = GetClipboardData(CF_ENHMETAFILE);
  CloseClipboard();
  EXPECT_EQ(read, held);
  EXPECT_FALSE(metafiles->IsEmpty());
}

TEST_F(Clipboard, TheNativesTakeTwoArgumentsAndKnownFormatsOnly) {
  ASSERT_TRUE(OPENCLIPBOARD(0).logical());
  EXPECT_NE(GetOpenClipboardWindow(), nullptr);  // the framework's hidden owner
  EXPECT_TRUE(EMPTYCLIPBOARD().logical());
  EXPECT_NE(GetClipboardOwner(), nullptr);
  Value one[] = {Value(kClipText)};
  EXPECT_TRUE(SETCLIPBOARDDATA(lanmere::Args(one)).isNil());
  Value other[] = {Value(7), Value("x")};
  EXPECT_TRUE(SETCLIPBOARDDATA(lanmere::Args(other)).isNil());
  Value text[] = {Value(kClipText), Value(std::string("a\0b", 3))};
  EXPECT_TRUE(SETCLIPBOARDDATA(lanmere::Args(text)).logical());
  EXPECT_EQ(GETCLPDATA(kClipText).string(), "a");
  EXPECT_TRUE(GETCLPDATA(7).isNil());
  EXPECT_TRUE(CLOSECLIPBOARD().logical());
  EXPECT_FALSE(CLOSECLIPBOARD().logical());
  const HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(OpenClipboard(window));
  EXPECT_FALSE(OPENCLIPBOARD(0).logical());
  EXPECT_EQ(GetOpenClipboardWindow(), window);
  CloseClipboard();
  DestroyWindow(window);
}

}  // namespace
}  // namespace kestrel
