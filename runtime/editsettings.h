// The edit settings the edit fields read: the bell on a refused character, the confirmation
// after the last position, and the process-wide insert mode. Each setter answers the previous.
#pragma once

namespace lanmere {

bool bellSetting() noexcept;  // default off
bool setBellSetting(bool on) noexcept;
bool confirmSetting() noexcept;  // default off: typing out of a field moves on
bool setConfirmSetting(bool on) noexcept;
bool insertMode() noexcept;  // default off: overstrike, the classic start for fixed masks
bool setInsertMode(bool on) noexcept;

}  // namespace lanmere
