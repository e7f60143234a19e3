#include "tests/support/recorder.h"

#include <algorithm>

#include "framework/core/winlist.h"
#include "framework/core/wndhandleevent.h"
#include "runtime/closure.h"

namespace kestrel::test {

using lanmere::Args;
using lanmere::Value;

namespace {

std::string text(const Value& value) {
  if (value.isLogical()) return value.logical() ? ".T." : ".F.";
  if (value.isNil()) return "NIL";
  return std::to_string(value.integer());
}

LRESULT CALLBACK testWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  classMessages.push_back({hwnd, message});
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

constexpr char kTestClass[] = "KestrelTestWnd";

}  // namespace

LM_DEFINE_CLASS(TRecorder) {
  c.data(LM_FIELDS(hWnd, nOldProc));
  c.methods(LM_METHODS(HandleEvent));
  c.method<&linkWindow>("Link");
  c.method<&unlinkWindow>("UnLink");
  for (int slot = kFirstEventSlot; slot <= kLastEventSlot; ++slot) {
    const lanmere::Symbol* event = eventSymbol(slot);
    if (!event) continue;
    const std::string name = event->name;
    c.inlineMethod(name, lanmere::block([name](Args args) -> Value {
                     auto* self = static_cast<TRecorder*>(args[0].object());
                     std::string line = name;
                     for (std::size_t i = 1; i < args.size(); ++i) line += " " + text(args[i]);
                     self->log.push_back(line);
                     return self->onEvent ? self->onEvent(name) : Value();
                   }));
  }
}

Value TRecorder::HandleEvent(const Value& nMsg, const Value& nWParam, const Value& nLParam) {
  if (onMessage) {
    Value answer =
        onMessage(static_cast<UINT>(nMsg.integer()), static_cast<WPARAM>(nWParam.integer()),
                  static_cast<LPARAM>(nLParam.integer()));
    if (!answer.isNil()) return answer;
  }
  return WNDHANDLEEVENT(*this, nMsg, nWParam, nLParam);
}

lanmere::Ref<TRecorder> recorder(HWND hwnd) {
  auto object = lanmere::make<TRecorder>();
  object->hWnd = Value(static_cast<long long>(reinterpret_cast<std::intptr_t>(hwnd)));
  return object;
}

HWND createTestWindow(int x, int y, int width, int height) {
  static const ATOM registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = testWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kTestClass;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
  return CreateWindowExA(0, kTestClass, "test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width,
                         height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

std::vector<std::string> only(const std::vector<std::string>& log,
                              std::initializer_list<std::string_view> events) {
  std::vector<std::string> kept;
  for (const std::string& line : log) {
    const std::string_view event = std::string_view(line).substr(0, line.find(' '));
    if (std::find(events.begin(), events.end(), event) != events.end()) kept.push_back(line);
  }
  return kept;
}

std::vector<UINT> messagesOf(HWND hwnd, std::initializer_list<UINT> which) {
  std::vector<UINT> found;
  for (const auto& [window, message] : classMessages) {
    if (window == hwnd && std::find(which.begin(), which.end(), message) != which.end()) {
      found.push_back(message);
    }
  }
  return found;
}

}  // namespace kestrel::test
