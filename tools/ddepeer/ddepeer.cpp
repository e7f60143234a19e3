// ddepeer: a DDE server of one conversation, for the DDE client tests. Its hidden top-level window
// (a message-only one gets no broadcasts) speaks the protocol and records what the client did.
//
//   ddepeer --service S --topic T [--ready PATH] [--record PATH] [--initiate answer|silent]
//           [--execute ack|nack|busy|silent] [--delay-ack MS] [--die-at-execute N]
//           [--terminate-after N] [--lifetime MS]
//
//   --ready PATH          written with the window's handle (decimal) once the window exists
//   --record PATH         rewritten whole after each event, one escaped line each: "initiate",
//                         "execute TEXT", "terminate received", "terminate sent", "fault WHAT"
//   --initiate            answer (default) an initiate for our names, or for null atoms ("any"),
//                         with a sent acknowledgement carrying new atoms; silent: never answer
//   --execute             ack (default), nack, busy: the status posted for each execute; silent:
//                         none is ever posted
//   --delay-ack MS        posts each acknowledgement MS milliseconds late
//   --die-at-execute N    the process ends at the Nth execute, without a word
//   --terminate-after N   the peer ends the conversation itself after its Nth acknowledgement
//   --lifetime MS         how long the peer waits for its conversation to end (default 30 s)
//
// One conversation at a time: an initiate during one is not answered. The initiate's atoms are
// the client's to delete, and the peer holds no atom of its names, so the client's own are the only
// ones left in the table. Each execute is read no further than its block and acknowledged without
// freeing the block, which stays the client's. Once the conversation has ended the peer waits a
// moment for a message the client should not send.
//
// Exit status: 0 the conversation ended cleanly; 2 bad arguments; 3 no client came within the
// lifetime; 4 the client broke the protocol (a second execute before the acknowledgement, a
// terminate answering its own terminate, a message after terminating); 5 a conversation began but
// had not ended when the lifetime ran out.
#include <windows.h>

#include <dde.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/replay/child_process.h"

namespace {

enum ExitCode { kClean = 0, kUsage = 2, kNoClient = 3, kBroken = 4, kUnfinished = 5, kDied = 9 };
enum class Phase { kListening, kTalking, kEnding, kDone };
enum TimerId : UINT_PTR { kLifetimeTimer = 1, kAckTimer = 2, kGraceTimer = 3 };

constexpr UINT kReadyMessage = WM_APP;
constexpr UINT kGraceMs = 300;  // after the end: time for a message the client should not send
constexpr UINT_PTR kAccepted = 0x8000;
constexpr UINT_PTR kBusy = 0x4000;

struct Options {
  std::string service, topic, ready, record;
  bool answerInitiate = true;
  std::string execute = "ack";
  UINT delayAckMs = 0;
  long dieAtExecute = 0;
  long terminateAfter = 0;
  UINT lifetimeMs = 30000;
};

struct Peer {
  Options options;
  HWND window = nullptr;
  HWND client = nullptr;
  Phase phase = Phase::kListening;
  HGLOBAL unanswered = nullptr;  // the execute awaiting our acknowledgement
  bool waitingToAck = false;
  long executes = 0;
  long acks = 0;
  std::vector<std::string> lines;
  int exitCode = -1;
};

Peer peer;

std::string escaped(const std::string& bytes) {
  std::string out;
  for (const unsigned char c : bytes) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c > 0x7E) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void record(const std::string& line) {
  peer.lines.push_back(escaped(line));
  if (peer.options.record.empty()) return;
  std::string text;
  for (const std::string& l : peer.lines) text += l + "\n";
  kestrel::tools::writeFileAtomically(peer.options.record, text);
}

void finish(int code) {
  if (peer.exitCode >= 0) return;
  peer.exitCode = code;
  PostQuitMessage(code);
}

void fault(const std::string& what) {
  record("fault " + what);
  finish(kBroken);
}

// The name of an atom matches ours; the null atom matches any name.
bool names(ATOM atom, const std::string& ours) {
  if (atom == 0) return true;
  char name[256];
  const UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
  return length > 0 && lstrcmpiA(std::string(name, length).c_str(), ours.c_str()) == 0;
}

void postTerminate() {
  PostMessageA(peer.client, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(peer.window), 0);
  record("terminate sent");
}

void ended() {
  peer.phase = Phase::kDone;
  SetTimer(peer.window, kGraceTimer, kGraceMs, nullptr);
}

void acknowledge() {
  peer.waitingToAck = false;
  const HGLOBAL block = peer.unanswered;
  peer.unanswered = nullptr;
  if (peer.phase != Phase::kTalking) return;
  const UINT_PTR status = peer.options.execute == "ack"    ? kAccepted
                          : peer.options.execute == "busy" ? kBusy
                                                           : 0;
  const LPARAM packed = PackDDElParam(WM_DDE_ACK, status, reinterpret_cast<UINT_PTR>(block));
  if (!PostMessageA(peer.client, WM_DDE_ACK, reinterpret_cast<WPARAM>(peer.window), packed)) {
    FreeDDElParam(WM_DDE_ACK, packed);
  }
  if (++peer.acks == peer.options.terminateAfter) {
    postTerminate();
    peer.phase = Phase::kEnding;
  }
}

void onInitiate(HWND client, ATOM service, ATOM topic) {
  if (!names(service, peer.options.service) || !names(topic, peer.options.topic)) return;
  record("initiate");
  if (!peer.options.answerInitiate || peer.phase != Phase::kListening || !IsWindow(client)) return;
  peer.client = client;
  peer.phase = Phase::kTalking;
  // New atoms for the answer: the client deletes them.
  const ATOM ourService = GlobalAddAtomA(peer.options.service.c_str());
  const ATOM ourTopic = GlobalAddAtomA(peer.options.topic.c_str());
  SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(peer.window),
               MAKELPARAM(ourService, ourTopic));
}

void onExecute(HWND from, HGLOBAL block) {
  if (from != peer.client || peer.phase == Phase::kListening)
    return fault("execute from a stranger");
  if (peer.phase != Phase::kTalking) return fault("execute after terminating");
  if (peer.unanswered != nullptr) return fault("second execute before the acknowledgement");
  if (++peer.executes == peer.options.dieAtExecute) TerminateProcess(GetCurrentProcess(), kDied);
  std::string text;
  const SIZE_T size = GlobalSize(block);
  if (const char* bytes = size ? static_cast<const char*>(GlobalLock(block)) : nullptr) {
    text.assign(bytes, strnlen(bytes, size));
    GlobalUnlock(block);
  }
  record("execute " + text);
  peer.unanswered = block;
  if (peer.options.execute == "silent") return;
  if (peer.options.delayAckMs > 0) {
    peer.waitingToAck = true;
    SetTimer(peer.window, kAckTimer, peer.options.delayAckMs, nullptr);
    return;
  }
  acknowledge();
}

void onTerminate(HWND from) {
  record("terminate received");
  if (from != peer.client) return fault("terminate from a stranger");
  switch (peer.phase) {
    case Phase::kTalking:
      postTerminate();
      ended();
      return;
    case Phase::kEnding:
      ended();
      return;
    case Phase::kDone:
      return fault("terminate after the conversation ended");
    case Phase::kListening:
      return fault("terminate before an initiate");
  }
}

void onTimer(UINT_PTR id) {
  KillTimer(peer.window, id);
  if (id == kAckTimer && peer.waitingToAck) acknowledge();
  if (id == kGraceTimer) finish(kClean);
  if (id == kLifetimeTimer) finish(peer.phase == Phase::kListening ? kNoClient : kUnfinished);
}

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DDE_INITIATE:
      onInitiate(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DDE_EXECUTE:
      onExecute(reinterpret_cast<HWND>(wParam), reinterpret_cast<HGLOBAL>(lParam));
      return 0;
    case WM_DDE_TERMINATE:
      onTerminate(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_DDE_ACK:
    case WM_DDE_ADVISE:
    case WM_DDE_UNADVISE:
    case WM_DDE_DATA:
    case WM_DDE_REQUEST:
    case WM_DDE_POKE:
      fault("message " + std::to_string(message));
      return 0;
    case WM_TIMER:
      onTimer(wParam);
      return 0;
    case kReadyMessage:
      if (!peer.options.ready.empty()) {
        kestrel::tools::writeFileAtomically(
            peer.options.ready,
            std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd))));
      }
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const std::string value = argv[i + 1];
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (option == "--service") {
      options.service = value;
    } else if (option == "--topic") {
      options.topic = value;
    } else if (option == "--ready") {
      options.ready = value;
    } else if (option == "--record") {
      options.record = value;
    } else if (option == "--initiate" && (value == "answer" || value == "silent")) {
      options.answerInitiate = value == "answer";
    } else if (option == "--execute" &&
               (value == "ack" || value == "nack" || value == "busy" || value == "silent")) {
      options.execute = value;
    } else if (option == "--delay-ack" && number > 0) {
      options.delayAckMs = static_cast<UINT>(number);
    } else if (option == "--die-at-execute" && number > 0) {
      options.dieAtExecute = number;
    } else if (option == "--terminate-after" && number > 0) {
      options.terminateAfter = number;
    } else if (option == "--lifetime" && number > 0) {
      options.lifetimeMs = static_cast<UINT>(number);
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options.service.empty() && !options.topic.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (!parse(argc, argv, peer.options)) {
    std::fputs("usage: ddepeer --service S --topic T [options]\n", stderr);
    return kUsage;
  }
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "KestrelDdePeer";
  RegisterClassA(&windowClass);
  peer.window = CreateWindowExA(0, windowClass.lpszClassName, "ddepeer", WS_OVERLAPPED, 0, 0, 10,
                                10, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (peer.window == nullptr) return kUsage;
  SetTimer(peer.window, kLifetimeTimer, peer.options.lifetimeMs, nullptr);
  // Written from inside the loop, so a client that reads it finds the peer taking messages.
  PostMessageA(peer.window, kReadyMessage, 0, 0);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  DestroyWindow(peer.window);
  return peer.exitCode < 0 ? kClean : peer.exitCode;
}
