// The default error handler's re-entry guard: a count of the handler's own work in progress. An
// error that reaches the handler while the count is up was raised by the handler itself (its
// report, its dialog, its post-error action) and ends the program. The count is set aside while
// the error dialog's modal loop dispatches other windows' messages, so an error of another window
// during the dialog is handled like any other.
#pragma once

namespace kestrel {

// While alive, the handler's own code runs.
class HandlerWork {
 public:
  HandlerWork() noexcept { ++count(); }
  ~HandlerWork() { --count(); }
  HandlerWork(const HandlerWork&) = delete;
  HandlerWork& operator=(const HandlerWork&) = delete;

  static bool running() noexcept { return count() > 0; }

 private:
  friend class HandlerPause;
  static int& count() noexcept {
    static int work = 0;
    return work;
  }
};

// From begin() until it dies, the handler's work is set aside (a modal loop of the handler
// serves other windows); the count is put back however the loop is left.
class HandlerPause {
 public:
  HandlerPause() = default;
  ~HandlerPause() {
    if (saved_ >= 0) HandlerWork::count() = saved_;
  }
  HandlerPause(const HandlerPause&) = delete;
  HandlerPause& operator=(const HandlerPause&) = delete;

  void begin() noexcept {
    if (saved_ < 0) saved_ = HandlerWork::count();
    HandlerWork::count() = 0;
  }

 private:
  int saved_ = -1;
};

}  // namespace kestrel
