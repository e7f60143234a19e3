#include "runtime/callstack.h"

#include <cstring>

namespace lanmere {

namespace {
std::vector<Frame*>& frames() {
  static std::vector<Frame*> stack;
  return stack;
}
}  // namespace

std::string_view relativeModule(const char* file) noexcept {
  // The build maps the source root away (-fmacro-prefix-map), so paths arrive relative.
  return file ? std::string_view(file) : std::string_view();
}

Frame::Frame(std::string_view procedure, Args params, std::source_location where)
    : Frame({}, procedure, params, where) {}

Frame::Frame(std::string_view className, std::string_view procedure, Args params,
             std::source_location where)
    : Frame(className, procedure, params, relativeModule(where.file_name()),
            static_cast<int>(where.line())) {}

Frame::Frame(std::string_view className, std::string_view procedure, Args params,
             std::string_view module, int line)
    : className_(className), procedure_(procedure), module_(module), line_(line), params_(params) {
  frames().push_back(this);
}

Frame::~Frame() {
  // Frames end in reverse order of creation; unwinding keeps that order too.
  auto& stack = frames();
  if (!stack.empty() && stack.back() == this) stack.pop_back();
}

std::string Frame::procedure() const {
  if (className_.empty()) return std::string(procedure_);
  std::string name(className_);
  name += ':';
  name += procedure_;
  return name;
}

const Frame* frameAt(std::size_t level) noexcept {
  const auto& stack = frames();
  return level < stack.size() ? stack[stack.size() - 1 - level] : nullptr;
}

std::size_t stackDepth() noexcept {
  return frames().size();
}

void showLocals(std::initializer_list<Local> locals) {
  auto& stack = frames();
  if (stack.empty()) return;
  for (const Local& local : locals) stack.back()->local(local.name, *local.value);
}

void forgetLocals() noexcept {
  auto& stack = frames();
  if (!stack.empty()) stack.back()->forgetLocals();
}

void atLine(const std::source_location& where) noexcept {
  auto& stack = frames();
  if (!stack.empty()) stack.back()->line(static_cast<int>(where.line()));
}

std::string procName(std::size_t level) {
  const Frame* frame = frameAt(level);
  return frame ? frame->procedure() : std::string();
}

int procLine(std::size_t level) {
  const Frame* frame = frameAt(level);
  return frame ? frame->line() : 0;
}

std::string procFile(std::size_t level) {
  const Frame* frame = frameAt(level);
  return frame ? std::string(frame->module()) : std::string();
}

}  // namespace lanmere
