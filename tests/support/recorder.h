// Test window objects for the registry: TRecorder answers every event method of the event-name
// table by recording its name and arguments, and lets a test answer any message first.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/binding.h"
#include "runtime/object.h"

namespace kestrel::test {

class TRecorder : public lanmere::Object {
  LM_CLASS(TRecorder, lanmere::Object)
  TRecorder() { ++live; }
  ~TRecorder() override { --live; }

  lanmere::Value hWnd = 0;
  lanmere::Value nOldProc;

  // The test's own answer to a message; nil hands it to WNDHANDLEEVENT.
  std::function<lanmere::Value(UINT, WPARAM, LPARAM)> onMessage;
  // The answer of an event method ("LBUTTONDOWN", ...); without it each answers nil.
  std::function<lanmere::Value(const std::string& event)> onEvent;
  // "LBUTTONDOWN -7 -3 1": each event method reached, with its arguments.
  std::vector<std::string> log;

  lanmere::Value HandleEvent(const lanmere::Value& nMsg, const lanmere::Value& nWParam,
                             const lanmere::Value& nLParam);

  static inline int live = 0;  // instances alive
};

// The lines of a log whose event is one of `events`.
std::vector<std::string> only(const std::vector<std::string>& log,
                              std::initializer_list<std::string_view> events);

// A new recorder for `hwnd` (not linked).
lanmere::Ref<TRecorder> recorder(HWND hwnd);

// A top-level window of the test class "KestrelTestWnd", whose procedure records each message it
// gets in `classMessages` and hands it to DefWindowProcA.
HWND createTestWindow(int x = 40, int y = 40, int width = 200, int height = 120);
inline std::vector<std::pair<HWND, UINT>> classMessages;
// The messages a window's own procedure received, of those listed in `which`.
std::vector<UINT> messagesOf(HWND hwnd, std::initializer_list<UINT> which);

}  // namespace kestrel::test
