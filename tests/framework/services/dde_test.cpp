// TDde and the DDE natives against a real server in another process (tools/ddepeer), each
// conversation run from inside WINRUN of the application window. After every case no atom, block
// or tracker record of the module is left, and the system's atom table knows none of the names.
#include <windows.h>

#include <dde.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/core/win32.h"
#include "framework/core/winrun.h"
#include "framework/display/modules.h"
#include "framework/services/ddenative.h"
#include "framework/services/restrack.h"
#include "framework/services/tdde.h"
#include "tests/support/files.h"
#include "tests/support/twindow_support.h"
#include "tests/support/ui.h"
#include "tools/replay/child_process.h"

namespace kestrel::test {
namespace {

using lanmere::Args;
using lanmere::Ref;
using lanmere::Value;

constexpr int kPeerWaitMs = 30000;
constexpr char kNotInitialized[] = "DDE Object not properly initialized!";

// A framework window that counts the terminates it receives.
class TDdeCounter : public TWindow {
  LM_CLASS(TDdeCounter, TWindow)
  int terminates = 0;
  Value DdeTerminate(const Value& hWndPartner) override {
    ++terminates;
    return TWindow::DdeTerminate(hWndPartner);
  }
};
LM_DEFINE_CLASS(TDdeCounter) {
  c.creatable();
}

// A DDE server program of one conversation.
class Peer {
 public:
  Peer(const TempFolder& folder, const std::string& service, const std::string& topic,
       std::vector<std::string> options = {}) {
    static int count = 0;
    const std::string tag = std::to_string(++count);
    ready_ = folder / ("ready" + tag);
    record_ = folder / ("record" + tag);
    std::vector<std::string> arguments = {"--service", service, "--topic",  topic,
                                          "--ready",   ready_,  "--record", record_};
    arguments.insert(arguments.end(), options.begin(), options.end());
    child_ =
        std::make_unique<tools::ChildProcess>(besideThisProgram(KESTREL_DDEPEER_PATH), arguments);
    // Read until the handle parses: under load the first open of a just-renamed file can fail
    // (readFile answers "<missing>"), which once left a live peer with a null window here.
    for (int waited = 0; waited < kPeerWaitMs && window_ == nullptr; waited += 20) {
      const std::string text = fileExists(ready_) ? readFile(ready_) : std::string();
      if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
        window_ = reinterpret_cast<HWND>(std::stoull(text));
      else
        Sleep(20);
    }
    EXPECT_NE(window_, nullptr) << "the peer never wrote its window to " << ready_;
  }
  HWND window() const { return window_; }
  std::vector<std::string> record() const {
    std::vector<std::string> lines;
    if (!fileExists(record_)) return lines;
    const std::string text = readFile(record_);
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(text.substr(at, end - at));
    return lines;
  }
  bool recorded(const std::string& line) const {
    const auto lines = record();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  int exitCode() { return child_->wait(kPeerWaitMs).value_or(-1); }

 private:
  std::string ready_, record_;
  std::unique_ptr<tools::ChildProcess> child_;
  HWND window_ = nullptr;
};

std::size_t liveRecords(const std::string& type) {
  const auto& all = trackedResources();
  return static_cast<std::size_t>(std::count_if(
      all.begin(), all.end(), [&](const auto& r) { return r.type == type && r.handle != 0; }));
}

// An answer as a word, so nil and false differ.
std::string shown(const Value& answer) {
  if (answer.isNil()) return "nil";
  if (answer.isLogical()) return answer.logical() ? "true" : "false";
  return "other";
}

// The thread's processor time, in milliseconds.
double threadCpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ms = [](FILETIME t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           10000.0;
  };
  return ms(kernel) + ms(user);
}

// Every name the tests used, for the count after the whole program.
std::vector<std::string>& allNames() {
  static std::vector<std::string> names;
  return names;
}

class AfterTheProgram : public ::testing::Environment {
 public:
  void TearDown() override {
    const auto left = std::count_if(allNames().begin(), allNames().end(),
                                    [](const auto& n) { return GlobalFindAtomA(n.c_str()) != 0; });
    std::printf(
        "[ figures ] after the program: %zu atoms held, %zu blocks held, %ld of %zu "
        "names in the atom table\n",
        ddeAtomsHeld(), ddeBlocksHeld(), static_cast<long>(left), allNames().size());
    EXPECT_EQ(ddeAtomsHeld(), 0u);
    EXPECT_EQ(ddeBlocksHeld(), 0u);
    EXPECT_EQ(left, 0);
  }
};
[[maybe_unused]] ::testing::Environment* const afterTheProgram =
    ::testing::AddGlobalTestEnvironment(new AfterTheProgram);

class Dde : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      registerModules({displayModules()});
      lanmere::registerModule(resTrackModule());
      lanmere::registerModule(ddeNativeModule());
      lanmere::registerModule(tDdeModule());
      TDdeCounter::Class();
      return true;
    }();
    (void)registered;
  }
  void SetUp() override {
    app = pixelWindow(10, 10, 100, 200, "dde client");
    service = name("Svc");
    topic = name("Topic");
  }
  void TearDown() override {
    if (IsWindow(hwndOf(app))) destroy(app);
    dropQuitMessages();
    SETDDETIMEOUT(kDdeDefaultTimeOutMs);
    EXPECT_EQ(ddeConversationCount(), 0u);
    EXPECT_EQ(ddeAtomsHeld(), 0u);
    EXPECT_EQ(ddeBlocksHeld(), 0u);
    for (const std::string& used : names) EXPECT_EQ(GlobalFindAtomA(used.c_str()), 0) << used;
    EXPECT_EQ(liveRecords("DDE"), 0u);
    EXPECT_EQ(liveRecords("ATOM"), 0u);
  }
  // A name no other test or program uses.
  std::string name(const std::string& kind) {
    static int count = 0;
    names.push_back("KsDde" + kind + std::to_string(GetCurrentProcessId()) + "_" +
                    std::to_string(++count));
    allNames().push_back(names.back());
    return names.back();
  }
  Ref<TDde> conversation(Value bEnd = {}, const std::string& item = "") {
    const Value made = lanmere::construct<TDde>(
        {.cService = service, .cTopic = topic, .cItem = item, .bEnd = bEnd});
    return Ref<TDde>(&as<TDde>(made));
  }
  static HWND serverOf(const Ref<TDde>& dde) {
    return dde->oWndServer.isObject() ? hwndOf(dde->oWndServer) : nullptr;
  }
  // Runs `body` from inside WINRUN of the application window, which ends when the body returns.
  void insideWinrun(const std::function<void()>& body, bool quitAfter = true) {
    TimedSteps steps({[&] {
                       struct Quit {
                         bool post;
                         ~Quit() {
                           if (post) PostQuitMessage(0);
                         }
                       } quit{quitAfter};
                       body();
                     }},
                     10);
    WINRUN(number(hwndOf(app)));
    steps.rethrow();
  }

  TempFolder folder;
  Value app;
  std::vector<std::string> names;
  std::string service, topic;
};

TEST_F(Dde, AWholeConversation) {
  Peer peer(folder, service, topic);
  int ends = 0;
  Value endArgument = "unset";
  const std::string big = [] {
    std::string text(70000, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
  }();
  insideWinrun([&] {
    Ref<TDde> dde = conversation(closure([&](Args a) {
      ++ends;
      endArgument = a.empty() ? Value() : a[0];
      return Value();
    }));
    EXPECT_NE(dde->nService.integer(), 0);
    EXPECT_EQ(dde->nItem.integer(), 0) << "an empty item is the null atom";
    EXPECT_TRUE(dde->Activate().isNil());
    EXPECT_EQ(ddePendingState(), WM_DDE_ACK);
    ASSERT_TRUE(dde->lActive.logical());
    EXPECT_EQ(serverOf(dde), peer.window());
    for (const std::string& command : {std::string("[one]"), std::string("[two]"), big}) {
      EXPECT_EQ(shown(dde->Execute(command)), "true");
    }
    dde->End();
    dde->End();  // once only
    EXPECT_FALSE(dde->lActive.logical());
    EXPECT_EQ(dde->nService.integer(), 0);
    EXPECT_TRUE(dde->oWndServer.isNil());
  });
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(endArgument.isNil());
  EXPECT_EQ(peer.exitCode(), 0) << "one terminate, and no second one";
  const std::vector<std::string> expected = {"initiate",           "execute [one]",
                                             "execute [two]",      "execute " + big,
                                             "terminate received", "terminate sent"};
  const std::vector<std::string> recorded = peer.record();
  EXPECT_TRUE(recorded == expected) << recorded.size() << " lines recorded";
}

TEST_F(Dde, RefusalsAnswerFalseAndTheConversationGoesOn) {
  for (const char* status : {"nack", "busy"}) {
    SCOPED_TRACE(status);
    Peer peer(folder, service, topic, {"--execute", status});
    insideWinrun([&] {
      Ref<TDde> dde = conversation();
      dde->Activate();
      ASSERT_EQ(serverOf(dde), peer.window());
      EXPECT_EQ(shown(dde->Execute("[refused]")), "false");
      EXPECT_TRUE(dde->lActive.logical());
      EXPECT_EQ(shown(dde->Execute("[again]")), "false");
      dde->End();
    });
    EXPECT_EQ(peer.exitCode(), 0);
    EXPECT_TRUE(peer.recorded("execute [again]"));
  }
}

TEST_F(Dde, ASilentServerTimesOutWithoutSpinning) {
  Peer peer(folder, service, topic, {"--execute", "silent"});
  int ends = 0;
  double wallMs = 0, cpuMs = 0;
  insideWinrun([&] {
    Ref<TDde> dde = conversation(counter(ends));
    dde->Activate();
    ASSERT_TRUE(dde->lActive.logical());
    EXPECT_EQ(SETDDETIMEOUT(500).integer(), kDdeDefaultTimeOutMs);
    EXPECT_EQ(SETDDETIMEOUT({}).integer(), 500) << "nil keeps the limit";
    ErrorCatcher catcher(Value(false));
    const ULONGLONG start = GetTickCount64();
    const double cpuStart = threadCpuMs();
    EXPECT_EQ(shown(dde->Execute("[never answered]")), "false");
    cpuMs = threadCpuMs() - cpuStart;
    wallMs = static_cast<double>(GetTickCount64() - start);
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().subCode.integer(), kDdeTimeOutSubCode);
    EXPECT_EQ(catcher.last().description.string(), "DDE time-out");
    EXPECT_EQ(catcher.last().operation.string(), "Execute");
    EXPECT_FALSE(dde->lActive.logical()) << "the conversation is ended";
  });
  EXPECT_GE(wallMs, 500);
  EXPECT_LT(wallMs, 2000);
  EXPECT_LT(cpuMs, wallMs / 5) << "the wait sleeps between rounds";
  std::printf("[ figures ] time-out after %.0f ms (limit 500), processor %.0f ms = %.1f %%\n",
              wallMs, cpuMs, 100.0 * cpuMs / wallMs);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(peer.exitCode(), 0);
  EXPECT_TRUE(peer.recorded("terminate received"));
}

TEST_F(Dde, ADyingServerIsNoticedWellInsideTheLimit) {
  Peer peer(folder, service, topic, {"--die-at-execute", "2"});
  int ends = 0;
  insideWinrun([&] {
    Ref<TDde> dde = conversation(counter(ends));
    dde->Activate();
    EXPECT_EQ(shown(dde->Execute("[first]")), "true");
    ErrorCatcher catcher(Value(false));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(shown(dde->Execute("[second]")), "false");
    EXPECT_LT(GetTickCount64() - start, 10000u) << "the limit is 30 s";
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().subCode.integer(), kDdeServerGoneSubCode);
    EXPECT_EQ(catcher.last().description.string(), "DDE server gone");
  });
  EXPECT_EQ(ends, 1);
}

TEST_F(Dde, WithoutAServerExecuteShowsTheAlertAndReturns) {
  Peer peer(folder, service, topic, {"--initiate", "silent", "--lifetime", "1500"});
  std::vector<std::string> alerts;
  std::vector<long long> pendingSeen;  // by our own window, which the broadcast reaches too
  as<TWindow>(app).bDdeInit = closure([&](Args) {
    pendingSeen.push_back(ddePendingState());
    return Value();
  });
  insideWinrun([&] {
    Ref<TDde> dde = conversation();
    EXPECT_TRUE(dde->Activate().isNil());
    EXPECT_EQ(pendingSeen, std::vector<long long>{WM_DDE_INITIATE}) << "992 during the broadcast";
    EXPECT_EQ(ddePendingState(), 0) << "and only then";
    EXPECT_FALSE(dde->lActive.logical());
    ModalDriver driver([&](const BoxInfo& box) {
      alerts.push_back(box.text);
      return IDOK;
    });
    EXPECT_EQ(shown(dde->Execute("[nobody]")), "false");
    dde->End();
  });
  EXPECT_EQ(alerts, std::vector<std::string>{kNotInitialized});
  EXPECT_EQ(peer.exitCode(), 3) << "no client came";
  EXPECT_EQ(peer.record(), std::vector<std::string>{"initiate"});
}

TEST_F(Dde, OfTwoServersTheLastToAnswerServesAndTheOtherIsTold) {
  Peer first(folder, service, topic), second(folder, service, topic);
  HWND server = nullptr;
  insideWinrun([&] {
    Ref<TDde> dde = conversation();
    dde->Activate();
    server = serverOf(dde);
    ASSERT_TRUE(server == first.window() || server == second.window());
    Peer& replaced = server == first.window() ? second : first;
    EXPECT_TRUE(pumpUntil([&] { return replaced.recorded("terminate sent"); }));
    EXPECT_EQ(shown(dde->Execute("[served]")), "true");
    dde->End();
  });
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_EQ(second.exitCode(), 0);
  Peer& serving = server == first.window() ? first : second;
  Peer& replaced = server == first.window() ? second : first;
  EXPECT_TRUE(serving.recorded("execute [served]"));
  EXPECT_EQ(replaced.record(),
            (std::vector<std::string>{"initiate", "terminate received", "terminate sent"}));
}

TEST_F(Dde, TheActivatingConversationTakesTheServer) {
  for (const bool activateFirst : {false, true}) {
    SCOPED_TRACE(activateFirst ? "the first activates" : "the last activates");
    Peer peer(folder, service, topic);
    insideWinrun([&] {
      Ref<TDde> earlier = conversation(), later = conversation();
      Ref<TDde>& activating = activateFirst ? earlier : later;
      Ref<TDde>& other = activateFirst ? later : earlier;
      activating->Activate();
      EXPECT_EQ(serverOf(activating), peer.window());
      EXPECT_TRUE(activating->lActive.logical());
      EXPECT_EQ(serverOf(other), nullptr);
      EXPECT_FALSE(other->lActive.logical());
      earlier->End();
      later->End();
    });
    EXPECT_EQ(peer.exitCode(), 0);
  }
}

TEST_F(Dde, TheServerEndsTheConversation) {
  Peer peer(folder, service, topic, {"--terminate-after", "1"});
  int ends = 0;
  std::vector<std::string> alerts;
  insideWinrun([&] {
    Ref<TDde> dde = conversation(counter(ends));
    dde->Activate();
    EXPECT_EQ(shown(dde->Execute("[last]")), "true");
    ASSERT_TRUE(pumpUntil([&] { return ends > 0; }));
    EXPECT_EQ(ddeConversationCount(), 0u);
    ModalDriver driver([&](const BoxInfo& box) {
      alerts.push_back(box.text);
      return IDOK;
    });
    EXPECT_EQ(shown(dde->Execute("[too late]")), "false");
    dde->End();
  });
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(alerts, std::vector<std::string>{kNotInitialized});
  EXPECT_EQ(peer.exitCode(), 0) << "exactly one terminate came back";
  EXPECT_EQ(peer.record(), (std::vector<std::string>{"initiate", "execute [last]", "terminate sent",
                                                     "terminate received"}));
}

// What a window outside the framework receives.
std::vector<MSG> strayReceived;
LRESULT CALLBACK strayProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DDE_TERMINATE) strayReceived.push_back({hwnd, message, wParam, lParam, 0, {}});
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(Dde, TerminatesFromElsewhereAreAnsweredOnce) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = strayProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "KsDdeStray";
  RegisterClassA(&windowClass);
  const HWND stray = CreateWindowExA(0, "KsDdeStray", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  strayReceived.clear();
  Value a = pixelWindow(10, 10, 50, 50, "", "TDDECOUNTER");
  Value b = pixelWindow(10, 60, 50, 100, "", "TDDECOUNTER");
  insideWinrun([&] {
    PostMessageA(hwndOf(app), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(stray), 0);
    PostMessageA(hwndOf(a), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwndOf(b)), 0);
    pumpUntil([] { return false; }, 500);
  });
  ASSERT_EQ(strayReceived.size(), 1u);
  EXPECT_EQ(strayReceived[0].wParam, reinterpret_cast<WPARAM>(hwndOf(app)));
  EXPECT_EQ(strayReceived[0].lParam, 1);
  EXPECT_EQ(as<TDdeCounter>(a).terminates, 2) << "the stray one and b's answer, absorbed";
  EXPECT_EQ(as<TDdeCounter>(b).terminates, 1) << "a's answer";
  destroy(a);
  destroy(b);
  DestroyWindow(stray);
}

TEST_F(Dde, ASecondExecuteDuringTheWaitIsRefused) {
  Peer peer(folder, service, topic, {"--delay-ack", "600"});
  insideWinrun([&] {
    Ref<TDde> dde = conversation();
    dde->Activate();
    ErrorCatcher catcher(Value(false));
    Value nested;
    // A refusal from a window that is not the server, naming no block of ours, changes nothing.
    TimedSteps nestedCall({[&] {
                            PostMessageA(hwndOf(app), WM_DDE_ACK,
                                         reinterpret_cast<WPARAM>(hwndOf(app)),
                                         PackDDElParam(WM_DDE_ACK, 0, 0));
                            nested = dde->Execute("[nested]");
                          }},
                          100);
    EXPECT_EQ(shown(dde->Execute("[outer]")), "true");
    EXPECT_EQ(shown(nested), "false");
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().subCode.integer(), kDdePendingSubCode);
    EXPECT_EQ(catcher.last().description.string(), "DDE request pending");
    dde->End();
  });
  EXPECT_EQ(peer.exitCode(), 0) << "no second execute reached the server";
  EXPECT_FALSE(peer.recorded("execute [nested]"));
}

bool rescued = false;
void CALLBACK rescue(HWND, UINT, UINT_PTR, DWORD) {
  rescued = true;
  PostQuitMessage(0);
}

TEST_F(Dde, AQuitEndsTheWaitAndWinrunStillTakesIt) {
  Peer peer(folder, service, topic, {"--execute", "silent"});
  Ref<TDde> dde;
  Value answer;
  rescued = false;
  const UINT_PTR safety = SetTimer(nullptr, 0, 15000, rescue);
  insideWinrun(
      [&] {
        dde = conversation();
        dde->Activate();
        TimedSteps quit({[] { PostQuitMessage(0); }}, 200);
        answer = dde->Execute("[interrupted]");
      },
      false);
  KillTimer(nullptr, safety);
  EXPECT_FALSE(rescued) << "WINRUN took the quit that ended the wait";
  EXPECT_EQ(shown(answer), "false");
  dde->End();
  EXPECT_EQ(peer.exitCode(), 0);
}

TEST_F(Dde, DestroyingTheClientWindowEndsItsConversations) {
  Peer peer(folder, service, topic);
  int ends = 0;
  insideWinrun(
      [&] {
        Ref<TDde> dde = conversation(counter(ends));
        dde->Activate();
        ASSERT_TRUE(dde->lActive.logical());
        DestroyWindow(hwndOf(app));  // its quit ends WINRUN
      },
      false);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(peer.exitCode(), 0);
  EXPECT_TRUE(peer.recorded("terminate received"));
}

TEST_F(Dde, BadArgumentsAndAMissingApplicationWindow) {
  const std::string longName(256, 'n');
  const Value text = "x";
  struct Case {
    const char* what;
    Value service, topic, item;
  };
  const Case cases[] = {
      {"a service that is no text", Value(1), text, Value()},
      {"a topic that is no text", text, Value(), Value()},
      {"a service over 255 bytes", longName, text, Value()},
      {"a topic holding a zero byte", text, std::string("a\0b", 3), Value()},
      {"an item over 255 bytes", text, text, longName},
      {"an item that is no text", text, text, Value(true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ErrorCatcher catcher(Value(false));
    const Value made =
        lanmere::construct<TDde>({.cService = c.service, .cTopic = c.topic, .cItem = c.item});
    EXPECT_TRUE(made.isNil());
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().genCode.integer(), 1);
    EXPECT_EQ(catcher.last().subCode.integer(), kDdeArgumentSubCode);
    EXPECT_EQ(ddeAtomsHeld(), 0u);
    EXPECT_EQ(ddeConversationCount(), 0u);
  }
  Ref<TDde> dde = conversation({}, name("Item"));
  EXPECT_NE(dde->nItem.integer(), 0);
  ErrorCatcher catcher(Value(false));
  EXPECT_EQ(shown(dde->Execute(Value(12))), "false");
  ASSERT_EQ(catcher.records.size(), 1u);
  EXPECT_EQ(catcher.last().subCode.integer(), kDdeArgumentSubCode);
  ASSERT_EQ(GETWNDAPP(), 0);
  EXPECT_TRUE(dde->Activate().isNil());
  ASSERT_EQ(catcher.records.size(), 2u);
  EXPECT_EQ(catcher.last().subCode.integer(), kDdeNoAppWindowSubCode);
  EXPECT_EQ(catcher.last().description.string(), "No application window");
  dde->End();
}

TEST_F(Dde, AStrayInitiateAnswerHasItsAtomsDeleted) {
  const std::string strayService = name("Stray"), strayTopic = name("StrayTopic");
  insideWinrun([&] {
    // Sent from another thread, as a server answers an initiate.
    std::atomic<bool> answered = false;
    std::thread server([&] {
      const ATOM s = GlobalAddAtomA(strayService.c_str()), t = GlobalAddAtomA(strayTopic.c_str());
      SendMessageA(hwndOf(app), WM_DDE_ACK, 0, MAKELPARAM(s, t));
      answered = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return answered.load(); }));
    server.join();
  });
}

TEST_F(Dde, Natives) {
  const std::string n255(255, 'a'), n256(256, 'b');
  struct AtomCase {
    std::string name;
    bool added;
  };
  for (const AtomCase& c :
       {AtomCase{name("Atom"), true}, AtomCase{n255 + "", true}, AtomCase{n256, false}}) {
    SCOPED_TRACE(c.name.size());
    const Value atom = GLOBALADDATOM(c.name);
    EXPECT_EQ(atom.integer() != 0, c.added);
    if (!c.added) continue;
    EXPECT_EQ(ddeAtomsHeld(), 1u);
    EXPECT_EQ(GLOBALGETATOMNAME(atom).string(), c.name);
    EXPECT_EQ(GLOBALDELATOM(atom).integer(), 0) << "deleted";
    EXPECT_EQ(GLOBALGETATOMNAME(atom).string(), "");
    EXPECT_EQ(GLOBALDELATOM(atom).integer(), atom.integer()) << "the system refuses";
    EXPECT_EQ(ddeAtomsHeld(), 0u);
  }
  EXPECT_EQ(GLOBALGETATOMNAME(0).string(), "");
  {
    ErrorCatcher catcher(Value(false));
    EXPECT_EQ(GLOBALADDATOM(Value(5)).integer(), 0);
    ASSERT_EQ(catcher.records.size(), 1u);
    EXPECT_EQ(catcher.last().subCode.integer(), kDdeNativeArgumentSubCode);
  }

  const std::string big(70000, 'q');
  for (const std::string& text : {std::string(), std::string("[Open(\"x\")]"), big}) {
    SCOPED_TRACE(text.size());
    const Value block = DDECOMMAND(text);
    ASSERT_NE(block.integer(), 0);
    const auto handle = handleFrom<HGLOBAL>(block);
    EXPECT_GE(GlobalSize(handle), text.size() + 1);
    EXPECT_EQ(DDEGETCOMMAND(block).string(), text);
    EXPECT_EQ(liveRecords("DDE"), 1u);
    freeDdeCommandBlock(handle);
  }
  const HGLOBAL unterminated = globalBlock(std::string(64, 'z'), 64);
  ASSERT_EQ(GlobalSize(unterminated), 64u);
  EXPECT_EQ(DDEGETCOMMAND(number(unterminated)).string(), std::string(64, 'z'));
  GlobalFree(unterminated);
  for (const Value& refused : {Value(0), Value("12"), number(unterminated)}) {
    EXPECT_EQ(DDEGETCOMMAND(refused).string(), "");
  }
}

}  // namespace
}  // namespace kestrel::test
