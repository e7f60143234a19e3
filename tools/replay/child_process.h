// Starting a helper program (the replay peer) from a test, and waiting for it with a bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::tools {

class ChildProcess {
 public:
  // Starts `program` with `arguments`; throws std::runtime_error when it cannot be started.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments);
  // A child still running is ended (it is ours, so it is ended by its own id).
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code, or nothing when the child is still running after timeoutMs.
  std::optional<int> wait(int timeoutMs);
  void terminate();

 private:
  std::intptr_t handle_ = 0;  // the process id, or the process handle on Windows
  std::optional<int> exitCode_;
};

// Waits until `path` holds a port number written whole, and returns it; nothing after timeoutMs.
std::optional<std::uint16_t> readPortFile(const std::string& path, int timeoutMs);

// Writes `text` to `path` so that a reader never sees it half-written.
bool writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace kestrel::tools
