// TDde: a DDE conversation with another program, this program being the client. The client
// window is the application window; the server is found by a bounded broadcast of the initiate
// message, commands go to it as execute messages, and each Execute learns whether the server
// accepted its command. The application window's acknowledge and terminate messages reach the
// conversations through DDEACK and DDETERMINATE, and its destruction ends them (DDEENDALL).
//
// Names are global atoms. An empty service or topic is the null atom, which the protocol reads as
// "any": an empty service reaches every server, an empty topic any topic of it.
//
// The module keeps the conversations made with New (creation order) until each ends, and one
// pending-request state for the whole module: 0 at start, 992 during an Activate's broadcast, 1000
// while an Execute waits, 996 once the last request was acknowledged.
//
// Execute waits at most the module's time limit (SETDDETIMEOUT, 30 000 ms to start with). While
// it waits it dispatches messages, sleeping between rounds until a message comes (at most 100 ms),
// so it neither spins nor misses a server that died; a quit message ends the wait and stays for
// the main loop.
#pragma once

#include <windows.h>

#include <cstddef>

#include "runtime/binding.h"
#include "runtime/functions.h"
#include "runtime/object.h"

namespace kestrel {

// The errors of the class (genCode 1 for the argument error, else 0), raised with canDefault.
inline constexpr long long kDdeArgumentSubCode = 6140;
inline constexpr long long kDdePendingSubCode = 6141;
inline constexpr long long kDdeTimeOutSubCode = 6142;
inline constexpr long long kDdeServerGoneSubCode = 6143;
inline constexpr long long kDdeNoAppWindowSubCode = 6144;

inline constexpr long long kDdeDefaultTimeOutMs = 30000;

class TDde : public lanmere::Object {
  LM_CLASS(TDde, lanmere::Object)

  lanmere::Value nService = 0;
  lanmere::Value nTopic = 0;
  lanmere::Value nItem = 0;
  // Kept for the program; the client's protocol here has no use for it.
  lanmere::Value bAction;
  lanmere::Value bEnd;
  // A window object standing for the server: made without New, never linked, never ended.
  lanmere::Value oWndServer;
  lanmere::Value lActive = false;

  // New (cService, cTopic, cItem, bAction, bEnd): the names as global atoms; an argument error
  // (6140) leaves no atom added and the object unlisted, and answers nil.
  LM_ARGS(NewArgs, cService, cTopic, cItem, bAction, bEnd)
  lanmere::Value New(lanmere::Args args);
  // Broadcasts the initiate message from the application window; the last server to answer
  // serves this conversation (one it replaces is told to terminate). Answers nil; lActive tells
  // whether a server answered.
  lanmere::Value Activate();
  // Posts the command to the server and waits for its acknowledgement: true when accepted, false
  // when refused or busy, and false after an error (the time limit, a server gone, a request
  // already pending, a non-text) once the handler chose the default. Without a server it shows
  // the alert and answers false at once.
  lanmere::Value Execute(const lanmere::Value& cCommand);
  // Ends the conversation once: the server is told, bEnd runs (when the conversation was
  // active), the atoms are deleted and the conversation leaves the module's list.
  void End();

  // For the module's functions.
  HWND clientWindow() const noexcept { return client_; }
  HWND serverWindow() const;
  void takeServer(HWND server);
  bool takeAcknowledgement(HWND client, HWND server, UINT_PTR block, UINT_PTR status);
  void endAsReply();

 private:
  void finish(bool expectReply);

  HWND client_ = nullptr;    // the application window at Activate
  HGLOBAL block_ = nullptr;  // the command awaiting its acknowledgement
  UINT_PTR status_ = 0;
  bool acknowledged_ = false;
  bool ended_ = false;
};

// DDEACK (hWndServer, nLParam[, hWndClient]): an acknowledge message that hWndClient (the
// application window when not given) received. An answer to our initiate gives the activating
// conversation its server; an execute's acknowledgement from its server, naming its block, ends
// that wait. Any other is ignored; the atoms of an initiate's answer are deleted always.
lanmere::Value DDEACK(const lanmere::Value& hWndServer, const lanmere::Value& nLParam,
                      const lanmere::Value& hWndClient);
// DDETERMINATE (hWnd[, hWndClient]): a terminate message that hWndClient (the application window
// when not given) received. From a conversation's server it ends that conversation, answering
// once; from a window we told to terminate it is the reply and is absorbed; from any other window
// it is answered once (993, the client window, 1).
lanmere::Value DDETERMINATE(const lanmere::Value& hWnd, const lanmere::Value& hWndClient);
// DDEENDALL (hWnd): ends every conversation of that client window (its Destroy calls it).
lanmere::Value DDEENDALL(const lanmere::Value& hWnd);
// SETDDETIMEOUT (nMilliseconds): the limit of each Execute's wait; answers the previous one. Nil,
// or a number below 1, keeps it.
lanmere::Value SETDDETIMEOUT(const lanmere::Value& nMilliseconds);
lanmere::Value TDDE();

// The module's state, for tests: the conversations listed and the pending-request state.
std::size_t ddeConversationCount() noexcept;
long long ddePendingState() noexcept;

const lanmere::ModuleTable& tDdeModule();

}  // namespace kestrel
