// The named colours, CCLRTOCODE, the colour-pair reader and the current resource module.
#include "framework/core/colors.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/core/resmodule.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/functions.h"

namespace kestrel {
namespace {

using lanmere::Value;

TEST(Colors, CodeIsTheFirstNameElseTheRgbForm) {
  const struct {
    long color;
    const char* code;
  } cases[] = {{rgb(255, 0, 0), "CLR_HRED"},         {0, "CLR_BLACK"},
               {rgb(192, 192, 192), "CLR_HGRAY"},    {rgb(128, 128, 0), "CLR_BROWN"},
               {rgb(255, 255, 255), "CLR_WHITE"},    {rgb(1, 2, 3), "RGB(   1,   2,   3 )"},
               {rgb(255, 254, 0), "RGB( 255, 254,   0 )"}};
  for (const auto& c : cases) EXPECT_EQ(colorCode(c.color), c.code) << c.color;
  lanmere::clearModules();
  lanmere::registerModule(colorsModule());
  EXPECT_EQ(lanmere::callFunction("CCLRTOCODE", {255}).string(), "CLR_HRED");
  lanmere::clearModules();
}

TEST(Colors, PairsOfTheSixteenColours) {
  const struct {
    const char* text;
    long fore, back;
  } cases[] = {{"W+/B", rgb(255, 255, 255), rgb(0, 0, 128)},
               {"N/W", 0, rgb(192, 192, 192)},
               {"GR+/RB", rgb(255, 255, 0), rgb(128, 0, 128)},
               {"bg/r*", rgb(0, 128, 128), rgb(255, 0, 0)},
               {"GB/N", rgb(0, 128, 128), 0},
               {"N+/W*", rgb(128, 128, 128), rgb(255, 255, 255)}};
  for (const auto& c : cases) {
    const ColorPair pair = colorPair(c.text);
    EXPECT_EQ(pair.foreground, c.fore) << c.text;
    EXPECT_EQ(pair.background, c.back) << c.text;
  }
}

TEST(Colors, AnUnreadablePairIsAnArgumentError) {
  for (const char* text : {"W+", "X/B", "/B", "W/"}) {
    long long subCode = 0;
    Value previous = lanmere::errorBlock(lanmere::block([&](lanmere::Args args) {
      subCode = lanmere::send(args[0], "subCode").integer();
      return Value::list({1, 2});
    }));
    const ColorPair pair = colorPair(text);
    lanmere::errorBlock(previous);
    EXPECT_EQ(subCode, kColorPairSubCode) << text;
    EXPECT_EQ(pair.foreground, 1) << "the handler's substitute";
    EXPECT_EQ(pair.background, 2);
  }
}

TEST(ResourceModule, IsTheProgramUntilChanged) {
  EXPECT_EQ(resourceModule(), GetModuleHandleA(nullptr));
  const HINSTANCE other = GetModuleHandleA("kernel32.dll");
  EXPECT_EQ(setResourceModule(other), GetModuleHandleA(nullptr));
  EXPECT_EQ(resourceModule(), other);
  setResourceModule(nullptr);
  EXPECT_EQ(GETRESOURCES().integer(),
            static_cast<long long>(reinterpret_cast<std::intptr_t>(GetModuleHandleA(nullptr))));
}

// FREERESOURCES gives back exactly what the framework took: the library's one reference (a second
// call takes nothing from the program's own) and its atom; nothing to give back does nothing.
TEST(ResourceModule, FreeResourcesReleasesTheLoadedLibraryAndTheAtomOnce) {
  constexpr const char* kLibrary = "msacm32.dll";
  struct Case {
    bool library, atom, heldByTheProgram;
  } cases[] = {{false, false, false}, {true, false, false}, {false, true, false},
               {true, true, false},   {true, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.library) + std::to_string(c.atom) +
                 std::to_string(c.heldByTheProgram));
    const HMODULE own = c.heldByTheProgram ? LoadLibraryA(kLibrary) : nullptr;
    if (c.library) {
      const HINSTANCE library = loadResourceLibrary(kLibrary);
      ASSERT_NE(library, nullptr);
      EXPECT_EQ(resourceModule(), library);
    }
    if (c.atom) {
      ASSERT_NE(frameworkAtom(), 0);
      EXPECT_EQ(frameworkAtom(), GlobalFindAtomA("Kestrel"));
    }
    FREERESOURCES();
    FREERESOURCES();
    EXPECT_EQ(resourceModule(), GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA(kLibrary) != nullptr, c.heldByTheProgram);
    EXPECT_EQ(GlobalFindAtomA("Kestrel"), 0);
    if (own) FreeLibrary(own);
  }
  EXPECT_EQ(loadResourceLibrary("no-such-library.dll"), nullptr);
  EXPECT_EQ(resourceModule(), GetModuleHandleA(nullptr));
}

}  // namespace
}  // namespace kestrel
