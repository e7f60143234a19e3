#include "framework/services/tdde.h"

#include <windows.h>

#include <dde.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/core/handles.h"
#include "framework/core/messages.h"
#include "framework/core/showalert.h"
#include "framework/core/twindow.h"
#include "framework/core/winrun.h"
#include "framework/core/wndproc.h"
#include "framework/services/ddenative.h"
#include "runtime/error.h"

namespace kestrel {

using lanmere::Ref;
using lanmere::Value;

namespace {

constexpr long long kPendingNone = 0;
constexpr long long kPendingInitiate = WM_DDE_INITIATE;
constexpr long long kPendingExecute = WM_DDE_EXECUTE;
constexpr long long kAcknowledged = WM_DDE_ACK;

constexpr UINT kBroadcastTimeOutMs = 5000;  // per window; hung windows are skipped at once
constexpr DWORD kWaitSliceMs = 100;         // the longest sleep between two looks at the server
constexpr UINT_PTR kAccepted = 0x8000;
constexpr LPARAM kStrayAnswer = 1;
constexpr std::size_t kMaxAtomName = 255;

struct DdeState {
  std::vector<Ref<TDde>> conversations;  // creation order
  long long pending = kPendingNone;
  TDde* activating = nullptr;  // during its broadcast
  int waits = 0;               // Execute waits in progress (nested ones are refused)
  long long timeOutMs = kDdeDefaultTimeOutMs;
  // (client, partner): we posted a terminate to partner and its reply is still to come.
  std::vector<std::pair<HWND, HWND>> awaitingReply;
};

// Never destroyed: no conversation's destructor may run after the run-time's statics are gone.
DdeState& state() {
  static DdeState* dde = new DdeState;
  return *dde;
}

void awaitReply(HWND client, HWND partner) {
  auto& awaiting = state().awaitingReply;
  // A partner that is gone will not reply.
  std::erase_if(awaiting, [](const auto& pair) { return !IsWindow(pair.second); });
  awaiting.emplace_back(client, partner);
}

bool takeAwaitedReply(HWND client, HWND partner) {
  auto& awaiting = state().awaitingReply;
  const auto found = std::find(awaiting.begin(), awaiting.end(), std::pair{client, partner});
  if (found == awaiting.end()) return false;
  awaiting.erase(found);
  return true;
}

void postTerminate(HWND partner, HWND client, LPARAM lParam = 0) {
  PostMessageA(partner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client), lParam);
}

// Raises one of the class's errors for the method; the handler's default makes it answer.
void raiseDdeError(long long subCode, std::string_view operation,
                   const char* description = nullptr) {
  lanmere::RuntimeError error{.genCode = subCode == kDdeArgumentSubCode ? 1 : 0,
                              .subCode = subCode,
                              .operation = operation,
                              .args = lanmere::ErrorArgs::currentParams(),
                              .flags = lanmere::kCanDefault};
  if (description) error.description = description;
  lanmere::raiseRuntimeError(error);
}

// A name the protocol can carry: a text of at most 255 bytes without a zero byte.
bool atomName(const Value& name) {
  if (!name.isText()) return false;
  const std::string_view text = name.text();
  return text.size() <= kMaxAtomName && text.find('\0') == std::string_view::npos;
}

HWND clientOr(const Value& hWndClient) {
  return hWndClient.isNumber() ? handleFrom<HWND>(hWndClient) : applicationWindow();
}

// Counts an Execute wait for its lifetime.
struct WaitMark {
  WaitMark() { ++state().waits; }
  ~WaitMark() { --state().waits; }
  WaitMark(const WaitMark&) = delete;
  WaitMark& operator=(const WaitMark&) = delete;
};

}  // namespace

LM_DEFINE_CLASS(TDde) {
  c.data(LM_FIELDS(nService, nTopic, nItem, bAction, bEnd, oWndServer, lActive));
  c.methods(LM_METHODS(New, Activate, Execute, End));
  c.creatable();
}

Value TDde::New(lanmere::Args args) {
  const NewArgs a = NewArgs::from(args);
  // An empty service would reach every server: a name too long for an atom must not become one.
  if (!atomName(a.cService) || !atomName(a.cTopic) || !(a.cItem.isNil() || atomName(a.cItem))) {
    raiseDdeError(kDdeArgumentSubCode, "New");
    return {};
  }
  std::vector<ATOM> added;
  bool refused = false;
  const auto add = [&](const Value& name) -> long long {
    if (!name.isText() || name.text().empty()) return 0;
    const ATOM atom = addGlobalAtom(name.text());
    if (atom == 0) refused = true;
    added.push_back(atom);
    return atom;
  };
  const long long service = add(a.cService);
  const long long topic = add(a.cTopic);
  const long long item = add(a.cItem);
  if (refused) {
    for (const ATOM atom : added) {
      if (atom != 0) deleteGlobalAtom(atom);
    }
    raiseDdeError(kDdeArgumentSubCode, "New");
    return {};
  }
  nService = service;
  nTopic = topic;
  nItem = item;
  bAction = a.bAction;
  bEnd = a.bEnd;
  lActive = false;
  state().conversations.emplace_back(this);
  return Value(Ref<TDde>(this));
}

HWND TDde::serverWindow() const {
  return oWndServer.isObject() ? handleFrom<HWND>(tell(oWndServer, msg::hWnd)) : nullptr;
}

Value TDde::Activate() {
  if (ended_) return {};
  DdeState& dde = state();
  const HWND application = applicationWindow();
  if (application == nullptr) {
    raiseDdeError(kDdeNoAppWindowSubCode, "Activate", "No application window");
    return {};
  }
  if (dde.activating != nullptr) {
    raiseDdeError(kDdePendingSubCode, "Activate", "DDE request pending");
    return {};
  }
  client_ = application;
  const Ref<TDde> keep(this);
  struct Broadcast {
    DdeState& dde;
    const long long previous = std::exchange(dde.pending, kPendingInitiate);
    ~Broadcast() {
      dde.activating = nullptr;
      if (dde.pending == kPendingInitiate) dde.pending = previous;
    }
  } broadcast{dde};
  dde.activating = this;
  const LPARAM atoms =
      MAKELPARAM(static_cast<ATOM>(nService.integer()), static_cast<ATOM>(nTopic.integer()));
  DWORD_PTR answer = 0;
  callWindows([&] {
    return SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE,
                               reinterpret_cast<WPARAM>(application), atoms, SMTO_ABORTIFHUNG,
                               kBroadcastTimeOutMs, &answer);
  });
  return {};
}

void TDde::takeServer(HWND server) {
  const HWND previous = serverWindow();
  if (previous != server) {
    // The last answer wins; the server it replaces would otherwise hold a conversation nobody ends.
    if (previous != nullptr) {
      postTerminate(previous, client_);
      awaitReply(client_, previous);
    }
    const Ref<TWindow> stand = lanmere::make<TWindow>();
    stand->hWnd = handleNumber(server);
    oWndServer = Value(stand);
  }
  lActive = true;
}

Value TDde::Execute(const Value& cCommand) {
  DdeState& dde = state();
  if (!cCommand.isText()) {
    raiseDdeError(kDdeArgumentSubCode, "Execute");
    return false;
  }
  const HWND server = serverWindow();
  if (server == nullptr) {
    showAlert("DDE Object not properly initialized!");
    return false;
  }
  // One execute at a time: a second one before the acknowledgement breaks the protocol, and the
  // module's one pending state would end both waits on the first acknowledgement.
  if (dde.waits > 0 || block_ != nullptr) {
    raiseDdeError(kDdePendingSubCode, "Execute", "DDE request pending");
    return false;
  }
  const Ref<TDde> keep(this);
  const WaitMark mark;
  const HGLOBAL block = ddeCommandBlock(cCommand.text());
  if (block == nullptr) return false;
  block_ = block;
  acknowledged_ = false;
  dde.pending = kPendingExecute;
  if (!PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client_),
                    reinterpret_cast<LPARAM>(block))) {
    End();
    raiseDdeError(kDdeServerGoneSubCode, "Execute", "DDE server gone");
    return false;
  }
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(dde.timeOutMs);
  for (;;) {
    // A quit ends the wait; SYSREFRESH leaves it for the main loop.
    if (!SYSREFRESH()) return false;
    if (acknowledged_) return (status_ & kAccepted) != 0;
    if (ended_ || !IsWindow(server)) {
      End();
      raiseDdeError(kDdeServerGoneSubCode, "Execute", "DDE server gone");
      return false;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) {
      End();
      raiseDdeError(kDdeTimeOutSubCode, "Execute", "DDE time-out");
      return false;
    }
    const auto slice = static_cast<DWORD>(std::min<ULONGLONG>(kWaitSliceMs, deadline - now));
    MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool TDde::takeAcknowledgement(HWND client, HWND server, UINT_PTR block, UINT_PTR status) {
  if (ended_ || block_ == nullptr || client != client_ || server != serverWindow() ||
      block != reinterpret_cast<UINT_PTR>(block_)) {
    return false;
  }
  status_ = status;
  acknowledged_ = true;
  freeDdeCommandBlock(std::exchange(block_, nullptr));
  return true;
}

void TDde::End() {
  finish(true);
}

// The server ended the conversation: our terminate is the reply, and none comes back.
void TDde::endAsReply() {
  finish(false);
}

void TDde::finish(bool expectReply) {
  if (ended_) return;
  ended_ = true;
  const Ref<TDde> keep(this);
  const bool wasActive = lActive.logical();
  if (const HWND server = serverWindow()) {
    postTerminate(server, client_);
    if (expectReply) awaitReply(client_, server);
  }
  // The conversation is over: the server no longer reads the block, nor will it answer.
  if (block_ != nullptr) {
    freeDdeCommandBlock(std::exchange(block_, nullptr));
    state().pending = kPendingNone;
  }
  for (Value* atom : {&nService, &nTopic, &nItem}) {
    if (atom->integer() != 0) deleteGlobalAtom(static_cast<ATOM>(atom->integer()));
    *atom = 0;
  }
  oWndServer = Value();
  lActive = false;
  std::erase_if(state().conversations, [this](const Ref<TDde>& c) { return c.get() == this; });
  // Last, so a BREAK out of the end action leaves nothing behind.
  if (wasActive && bEnd.isClosure()) {
    const Value former = std::exchange(bEnd, Value());
    lanmere::eval(former, {Value()});
  }
}

Value DDEACK(const Value& hWndServer, const Value& nLParam, const Value& hWndClient) {
  DdeState& dde = state();
  const HWND client = clientOr(hWndClient);
  const auto server = handleFrom<HWND>(hWndServer);
  const auto lParam = static_cast<LPARAM>(nLParam.integer());
  // The answer to an initiate is sent, with atoms the server made for us to delete; an execute's
  // acknowledgement is posted, packed.
  if (dde.activating != nullptr || InSendMessage()) {
    for (const UINT_PTR atom : {LOWORD(lParam), HIWORD(lParam)}) {
      if (atom != 0) GlobalDeleteAtom(static_cast<ATOM>(atom));
    }
    if (dde.activating != nullptr && dde.activating->clientWindow() == client && server) {
      dde.activating->takeServer(server);
      dde.pending = kAcknowledged;
    }
    return {};
  }
  UINT_PTR status = 0, block = 0;
  if (!UnpackDDElParam(WM_DDE_ACK, lParam, &status, &block)) return {};
  FreeDDElParam(WM_DDE_ACK, lParam);
  const std::vector<Ref<TDde>> snapshot = dde.conversations;
  for (const Ref<TDde>& conversation : snapshot) {
    if (conversation->takeAcknowledgement(client, server, block, status)) {
      dde.pending = kAcknowledged;
      break;
    }
  }
  return {};
}

Value DDETERMINATE(const Value& hWnd, const Value& hWndClient) {
  const HWND client = clientOr(hWndClient);
  const auto partner = handleFrom<HWND>(hWnd);
  if (takeAwaitedReply(client, partner)) return {};
  const std::vector<Ref<TDde>> snapshot = state().conversations;
  for (const Ref<TDde>& conversation : snapshot) {
    if (conversation->clientWindow() == client && conversation->serverWindow() == partner) {
      conversation->endAsReply();
      return {};
    }
  }
  // Answered once: its answer to ours is then absorbed, so two programs never trade them forever.
  if (partner != nullptr && client != nullptr) {
    postTerminate(partner, client, kStrayAnswer);
    awaitReply(client, partner);
  }
  return {};
}

Value DDEENDALL(const Value& hWnd) {
  const auto client = handleFrom<HWND>(hWnd);
  const std::vector<Ref<TDde>> snapshot = state().conversations;
  for (const Ref<TDde>& conversation : snapshot) {
    if (client != nullptr && conversation->clientWindow() == client) conversation->End();
  }
  return {};
}

Value SETDDETIMEOUT(const Value& nMilliseconds) {
  const long long previous = state().timeOutMs;
  if (nMilliseconds.isNumber() && nMilliseconds.integer() > 0) {
    state().timeOutMs = nMilliseconds.integer();
  }
  return previous;
}

Value TDDE() {
  return Value(lanmere::make<TDde>());
}

std::size_t ddeConversationCount() noexcept {
  return state().conversations.size();
}

long long ddePendingState() noexcept {
  return state().pending;
}

const lanmere::ModuleTable& tDdeModule() {
  using lanmere::fn;
  TDde::Class();  // the class is known by name once its module is
  static const lanmere::ModuleTable module{
      "framework/services/tdde.cpp",
      {fn<&TDDE>("TDDE"), fn<&DDEACK>("DDEACK"), fn<&DDETERMINATE>("DDETERMINATE"),
       fn<&DDEENDALL>("DDEENDALL"), fn<&SETDDETIMEOUT>("SETDDETIMEOUT")}};
  return module;
}

}  // namespace kestrel
