#include "runtime/editsettings.h"

#include <utility>

namespace lanmere {

namespace {

struct EditSettings {
  bool bell = false;
  bool confirm = false;
  bool insert = false;
};

EditSettings& settings() noexcept {
  static EditSettings current;
  return current;
}

}  // namespace

bool bellSetting() noexcept {
  return settings().bell;
}
bool setBellSetting(bool on) noexcept {
  return std::exchange(settings().bell, on);
}
bool confirmSetting() noexcept {
  return settings().confirm;
}
bool setConfirmSetting(bool on) noexcept {
  return std::exchange(settings().confirm, on);
}
bool insertMode() noexcept {
  return settings().insert;
}
bool setInsertMode(bool on) noexcept {
  return std::exchange(settings().insert, on);
}

}  // namespace lanmere
