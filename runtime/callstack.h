// The call stack that error reports print: one frame per registered function, method and
// closure evaluation, with the procedure name, module, current line, parameters and locals.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace lanmere {

struct Local {
  const char* name;
  const Value* value;
};

class Frame {
 public:
  // Pushes a frame for `procedure` (for a method, `className` is its class). The module is the
  // source file of `where`, relative to the repository root.
  Frame(std::string_view procedure, Args params = {},
        std::source_location where = std::source_location::current());
  Frame(std::string_view className, std::string_view procedure, Args params,
        std::source_location where = std::source_location::current());
  Frame(std::string_view className, std::string_view procedure, Args params,
        std::string_view module, int line);
  ~Frame();
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  // Registers a local variable so reports can show it; it must outlive the frame.
  void local(const char* name, const Value& value) { locals_.push_back({name, &value}); }
  void forgetLocals() noexcept { locals_.clear(); }
  void line(int line) noexcept { line_ = line; }

  std::string procedure() const;
  std::string_view module() const noexcept { return module_; }
  int line() const noexcept { return line_; }
  Args params() const noexcept { return params_; }
  const std::vector<Local>& locals() const noexcept { return locals_; }

 private:
  std::string_view className_;
  std::string_view procedure_;
  std::string_view module_;
  int line_;
  Args params_;
  std::vector<Local> locals_;
};

// Level 0 is the innermost frame, 1 its caller, and so on; null past the outermost.
const Frame* frameAt(std::size_t level) noexcept;
std::size_t stackDepth() noexcept;
// Adds locals to the innermost frame (a bound function's own, when the run-time called it), so
// error reports show them; each must outlive that frame. Nothing happens without a frame.
void showLocals(std::initializer_list<Local> locals);
// Forgets the innermost frame's locals: its function's body was unwound by an exception, so the
// values they pointed at are gone (an error raised from that frame afterwards shows none).
void forgetLocals() noexcept;
// Records the caller's current line (the point the run-time sees: a call, a send, a raise).
void atLine(const std::source_location& where) noexcept;

// Queries by level as the error report uses them; an absent level gives "" or 0.
std::string procName(std::size_t level);
int procLine(std::size_t level);
std::string procFile(std::size_t level);

// A source path as frames store it: relative to the repository root.
std::string_view relativeModule(const char* file) noexcept;

}  // namespace lanmere
