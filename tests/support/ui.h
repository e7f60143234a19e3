// Driving real windows from a test: modal boxes and dialogs are answered from inside their own
// modal loop by a thread timer, as a user at the keyboard would answer them.
#pragma once

#include "tools/boxreader/box.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrel::test {

// While alive, watches this thread for a visible modal window of class "#32770" (message boxes and
// dialogs) and hands each new one to `answer`, which reads it and returns the id of the button to
// press, or 0 to leave it open. Construct it before the call that opens the box.
class ModalDriver {
 public:
  using Answer = std::function<int(const BoxInfo&)>;
  explicit ModalDriver(Answer answer, UINT periodMs = 30);
  ~ModalDriver();
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  // Every box the driver answered, in order.
  const std::vector<BoxInfo>& seen() const { return seen_; }

 private:
  static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
  void poll();

  Answer answer_;
  UINT_PTR timer_ = 0;
  std::vector<HWND> handled_;
  std::vector<BoxInfo> seen_;
};

// Saves the whole display as a 24-bit BMP file. Returns false when it cannot.
bool saveScreenshot(const std::string& path);

}  // namespace kestrel::test
