#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/closure.h"
#include "runtime/error.h"
#include "runtime/memvars.h"

namespace kestrel {
namespace {

using lanmere::Args;
using lanmere::ModuleTable;
using lanmere::Value;
using Strings = std::vector<std::string>;

// ---- Command line ----

TEST(SplitCommandLine, SeparatorsQuotesAndEmptyArguments) {
  EXPECT_EQ(splitCommandLine("prog", ""), Strings{"prog"});
  EXPECT_EQ(splitCommandLine("prog", " \t\r\n "), Strings{"prog"});
  EXPECT_EQ(splitCommandLine("prog", "a\tb\rc\nd  e "), (Strings{"prog", "a", "b", "c", "d", "e"}));
  EXPECT_EQ(splitCommandLine("prog", R"(a "b c" //x --HB:y "")"),
            (Strings{"prog", "a", "b c", "//x", "--HB:y", ""}));
  // Quotes toggle anywhere inside an argument and vanish.
  EXPECT_EQ(splitCommandLine("prog", R"(x"y z"w "" "")"), (Strings{"prog", "xy zw", "", ""}));
  EXPECT_EQ(splitCommandLine("prog", "\"a\tb\nc"), (Strings{"prog", "a\tb\nc"}));
  EXPECT_EQ(splitCommandLine("prog", "a\"\"b"), (Strings{"prog", "ab"}));
}

TEST(SplitCommandLine, TakesAtMost128ArgumentsWithTheProgram) {
  std::string line;
  for (int i = 1; i <= 200; ++i) line += "w" + std::to_string(i) + " ";
  const Strings args = splitCommandLine("prog", line);
  ASSERT_EQ(args.size(), kMaxArguments);
  EXPECT_EQ(args[0], "prog");
  EXPECT_EQ(args[127], "w127");

  std::string exact;
  for (int i = 1; i <= 127; ++i) exact += "\"\" ";
  EXPECT_EQ(splitCommandLine("prog", exact).size(), 128u);
  EXPECT_EQ(splitCommandLine("prog", exact + "\"\"").size(), 128u);
}

TEST(InternalSwitch, DoubleSlashOrHbPrefixInAnyCase) {
  for (const char* on : {"//", "//x", "--hb:", "--HB:y", "--Hb:gtgui"}) {
    EXPECT_TRUE(isInternalSwitch(on)) << on;
  }
  for (const char* off : {"", "/x", "-hb:x", "--hb", "--hbx", "a//", "---hb:"}) {
    EXPECT_FALSE(isInternalSwitch(off)) << off;
  }
}

// ---- The sequence, run in this process over test modules ----

Strings trace;
void note(std::string text) {
  trace.push_back(std::move(text));
}

std::string joined(Args args) {
  std::string text = "(";
  for (std::size_t i = 0; i < args.size(); ++i) text += (i ? "," : "") + args[i].string();
  return text + ")";
}

Value staticsA(Args) {
  return note("statics A"), Value();
}
Value staticsB(Args) {
  return note("statics B"), Value();
}
Value initA1(Args a) {
  return note("init A1" + joined(a)), Value();
}
Value initA2(Args) {
  return note("init A2"), Value();
}
Value initB(Args) {
  return note("init B"), Value();
}
Value clipInit(Args) {
  return note("CLIPINIT$"), Value();
}
Value exitA1(Args a) {
  return note("exit A1" + joined(a)), Value();
}
// Whether each run of EXIT_A2 found __QUIT on the call stack below it.
std::vector<bool> quitBelowExit;
Value exitA2(Args) {
  bool inQuit = false;
  for (std::size_t level = 0; const lanmere::Frame* frame = lanmere::frameAt(level); ++level) {
    inQuit = inQuit || frame->procedure() == "__QUIT";
  }
  quitBelowExit.push_back(inQuit);
  return note("exit A2"), Value();
}
Value exitB(Args) {
  return note("exit B"), Value();
}

Value errorSys(Args) {
  const Value* getList = lanmere::findDynamic("GETLIST");
  note(getList && getList->isList() && getList->length() == 0 ? "ERRORSYS, GetList {}"
                                                              : "ERRORSYS without GetList");
  // A fatal error ends the program with level 1, as the default handler does.
  lanmere::errorBlock(lanmere::block([](Args) -> Value {
    note("error block");
    lanmere::callFunction("ERRORLEVEL", {1});
    lanmere::callFunction("__QUIT");
    return {};
  }));
  return {};
}

// What MAIN does is chosen per test.
void (*mainBody)(Args) = nullptr;
Value mainFunction(Args args) {
  note("MAIN" + joined(args));
  if (mainBody) mainBody(args);
  note("MAIN returns");
  return {};
}

constexpr unsigned kFn = lanmere::kPublic | lanmere::kDefined;
constexpr unsigned kInitProc = lanmere::kInit | lanmere::kDefined;
constexpr unsigned kExitProc = lanmere::kExit | lanmere::kDefined;
constexpr unsigned kStatics = lanmere::kStaticsInit | lanmere::kDefined;

const ModuleTable appModule{
    "tests/app/a.cpp",
    {lanmere::fn<&initA1>("INIT_A1", kInitProc),
     lanmere::fn<&mainFunction>("MAIN", kFn | lanmere::kFirst),
     lanmere::fn<&exitA1>("EXIT_A1", kExitProc), lanmere::fn<&staticsA>("(_INITSTATICS)", kStatics),
     lanmere::fn<&initA2>("INIT_A2", kInitProc), lanmere::fn<&exitA2>("EXIT_A2", kExitProc),
     lanmere::fn<&errorSys>("ERRORSYS")}};
const ModuleTable otherModule{
    "tests/app/b.cpp",
    {lanmere::fn<&exitB>("EXIT_B", kExitProc), lanmere::fn<&initB>("INIT_B", kInitProc),
     lanmere::fn<&staticsB>("(_INITSTATICS)", kStatics),
     lanmere::fn<&clipInit>("CLIPINIT$", kInitProc)}};
const ModuleTable* const framework[] = {&otherModule};

class Sequence : public ::testing::Test {
 protected:
  void SetUp() override {
    trace.clear();
    quitBelowExit.clear();
    mainBody = nullptr;
  }
  void TearDown() override { mainBody = nullptr; }
  int run(Strings args = {"prog"}) { return runProgram(appModule, framework, args); }
};

const Strings kStartUp = {"statics A", "statics B", "ERRORSYS, GetList {}", "CLIPINIT$", "init A2",
                          "init A1()", "init B"};
const Strings kExits = {"exit A1()", "exit A2", "exit B"};

Strings concat(std::initializer_list<Strings> parts) {
  Strings all;
  for (const Strings& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(Sequence, NormalRunInOrderAndExitProceduresOnceAfterMain) {
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(trace, concat({kStartUp, {"MAIN()", "MAIN returns"}, kExits}));
  EXPECT_EQ(quitBelowExit, std::vector<bool>{false});
  // Shut-down releases the run-time's state.
  EXPECT_EQ(lanmere::findDynamic("GetList"), nullptr);
  EXPECT_TRUE(lanmere::modules().empty());
}

TEST_F(Sequence, ArgumentsWithoutInternalSwitchesReachInitAndMain) {
  EXPECT_EQ(run({"prog", "a", "//x", "b c", "--HB:y", "", "--hbz"}), 0);
  EXPECT_EQ(trace[5], "init A1(a,b c,,--hbz)");
  EXPECT_EQ(trace[7], "MAIN(a,b c,,--hbz)");
}

TEST_F(Sequence, ErrorLevelSetsTheExitCodeAndAnswersTheOldLevel) {
  mainBody = [](Args) {
    note("old " + std::to_string(lanmere::callFunction("ERRORLEVEL", {3}).integer()));
    note("now " + std::to_string(lanmere::callFunction("ERRORLEVEL").integer()));
    note("still " + std::to_string(lanmere::callFunction("ERRORLEVEL").integer()));
  };
  EXPECT_EQ(run(), 3);
  EXPECT_EQ(trace,
            concat({kStartUp, {"MAIN()", "old 0", "now 3", "still 3", "MAIN returns"}, kExits}));
  // The next program starts from level 0 again.
  mainBody = nullptr;
  EXPECT_EQ(run(), 0);
}

TEST_F(Sequence, FatalErrorInMainRunsExitProceduresOnceInsideQuit) {
  mainBody = [](Args) {
    lanmere::callFunction("NO_SUCH_FUNCTION");
    note("after the error");
  };
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(trace, concat({kStartUp, {"MAIN()", "error block"}, kExits}));
  EXPECT_EQ(quitBelowExit, std::vector<bool>{true});  // run by __QUIT, not by the shut-down
}

TEST_F(Sequence, QuitRunsExitProceduresAtOnceThenUnwindsEverything) {
  mainBody = [](Args) {
    lanmere::beginSequence([] {
      lanmere::callFunction("__QUIT");
      note("after quit");
    });
    note("after the sequence");
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(trace, concat({kStartUp, {"MAIN()"}, kExits}));
  EXPECT_EQ(quitBelowExit, std::vector<bool>{true});
}

TEST_F(Sequence, BreakOutsideEverySequenceEndsTheProgram) {
  mainBody = [](Args) { lanmere::doBreak(Value("away")); };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(trace, concat({kStartUp, {"MAIN()"}, kExits}));
}

std::vector<const ModuleTable*> registeredAtMain;

TEST_F(Sequence, ModulesRegisterApplicationSideThenFrameworkThenRunTime) {
  const ModuleTable standIn{"tests/app/standIn.cpp", {}};
  const ModuleTable* const application[] = {&appModule, &standIn};
  mainBody = [](Args) { registeredAtMain = lanmere::modules(); };
  EXPECT_EQ(runProgram(application, framework, {"prog"}), 0);
  std::vector<const ModuleTable*> expected = {&appModule, &standIn, &otherModule};
  for (const ModuleTable* module : runtimeModules()) expected.push_back(module);
  EXPECT_EQ(registeredAtMain, expected);
  EXPECT_EQ(expected.back(), &startupModule());
}

// A quit from an init procedure skips the other init procedures and MAIN.
Value quittingInit(Args) {
  note("quitting init");
  lanmere::callFunction("__QUIT");
  return {};
}
Value laterInit(Args) {
  return note("later init"), Value();
}

TEST_F(Sequence, QuitDuringStartUpSkipsTheRestAndMain) {
  const ModuleTable app{
      "tests/app/q.cpp",
      {lanmere::fn<&laterInit>("LATER", kInitProc),
       lanmere::fn<&quittingInit>("QUITTING", kInitProc), lanmere::fn<&mainFunction>("MAIN"),
       lanmere::fn<&exitA2>("EXIT_A2", kExitProc), lanmere::fn<&errorSys>("ERRORSYS")}};
  const ModuleTable* const none[] = {&otherModule};
  EXPECT_EQ(runProgram(app, none, {"prog"}), 0);
  EXPECT_EQ(trace, (Strings{"statics B", "ERRORSYS, GetList {}", "CLIPINIT$", "quitting init",
                            "exit A2", "exit B"}));
}

// An exit procedure that leaves a quit or a break stops the remaining ones.
Value quittingExit(Args) {
  note("quitting exit");
  lanmere::callFunction("__QUIT");
  return {};
}
Value breakingExit(Args) {
  note("breaking exit");
  lanmere::doBreak();
}

TEST_F(Sequence, ExitProcedureLeavingAQuitOrBreakStopsTheRest) {
  const std::pair<lanmere::FunctionEntry, const char*> stoppers[] = {
      {lanmere::fn<&quittingExit>("STOPPER", kExitProc), "quitting exit"},
      {lanmere::fn<&breakingExit>("STOPPER", kExitProc), "breaking exit"}};
  for (const auto& [stopper, stopped] : stoppers) {
    trace.clear();
    const ModuleTable app{
        "tests/app/e.cpp",
        {lanmere::fn<&mainFunction>("MAIN"), lanmere::fn<&exitA1>("EXIT_A1", kExitProc), stopper,
         lanmere::fn<&exitA2>("EXIT_A2", kExitProc), lanmere::fn<&errorSys>("ERRORSYS")}};
    const ModuleTable* const none[] = {&otherModule};
    EXPECT_EQ(runProgram(app, none, {"prog"}), 0);
    const Strings expected = {"statics B", "ERRORSYS, GetList {}", "CLIPINIT$", "init B",
                              "MAIN()",    "MAIN returns",         "exit A1()", stopped};
    EXPECT_EQ(trace, expected);
  }
}

// ---- The start function ----

Value appMain(Args) {
  return note("_APPMAIN"), Value();
}
Value firstEntry(Args) {
  return note("first entry"), Value();
}
Value notFirst(Args) {
  return note("not first"), Value();
}

TEST_F(Sequence, StartFunctionIsAppMainThenMainThenTheFirstModulesFirstEntry) {
  const ModuleTable* const none[] = {&otherModule};
  {
    const ModuleTable app{"tests/app/s.cpp",
                          {lanmere::fn<&mainFunction>("MAIN", kFn | lanmere::kFirst),
                           lanmere::fn<&errorSys>("ERRORSYS")}};
    const ModuleTable withAppMain{"tests/app/t.cpp", {lanmere::fn<&appMain>("_APPMAIN")}};
    const ModuleTable* const both[] = {&withAppMain};
    trace.clear();
    runProgram(app, both, {"prog"});
    EXPECT_EQ(trace, (Strings{"ERRORSYS, GetList {}", "_APPMAIN"}));
  }
  {
    const ModuleTable app{"tests/app/s.cpp",
                          {lanmere::fn<&firstEntry>("FIRST", kFn | lanmere::kFirst),
                           lanmere::fn<&errorSys>("ERRORSYS")}};
    const ModuleTable withMain{"tests/app/t.cpp", {lanmere::fn<&mainFunction>("MAIN")}};
    const ModuleTable* const list[] = {&withMain};
    trace.clear();
    runProgram(app, list, {"prog"});
    EXPECT_EQ(trace, (Strings{"ERRORSYS, GetList {}", "MAIN()", "MAIN returns"}));
  }
  {
    // A static MAIN cannot be called by name; the first module's first entry starts.
    const ModuleTable app{"tests/app/s.cpp",
                          {lanmere::fn<&notFirst>("NOT_FIRST"),
                           lanmere::fn<&mainFunction>("MAIN", lanmere::kStatic | lanmere::kDefined),
                           lanmere::fn<&firstEntry>("FIRST", kFn | lanmere::kFirst),
                           lanmere::fn<&errorSys>("ERRORSYS")}};
    trace.clear();
    runProgram(app, none, {"prog"});
    EXPECT_EQ(trace, (Strings{"statics B", "ERRORSYS, GetList {}", "CLIPINIT$", "init B",
                              "first entry", "exit B"}));
  }
}

}  // namespace
}  // namespace kestrel
