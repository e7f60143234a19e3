// The framework's private window messages, which its windows send or post to each other. They
// start at 2048 (0x0800), above the system's dialog and control ranges.
#pragma once

namespace kestrel {

inline constexpr unsigned kWmFrameworkClick = 2048;
// wParam of a click the dialog's command check sends: the control awaiting validation was
// already validated (or the click is a cancel), so the control does not validate it again.
inline constexpr unsigned kClickChecked = 1;
inline constexpr unsigned kWmFrameworkLineUp = 2049;
inline constexpr unsigned kWmFrameworkLineDown = 2050;
inline constexpr unsigned kWmFrameworkPageUp = 2051;
inline constexpr unsigned kWmFrameworkPageDown = 2052;
inline constexpr unsigned kWmFrameworkChange = 2053;
// The control sets the colours of the device context in wParam and answers its brush.
inline constexpr unsigned kWmFrameworkColors = 2054;
inline constexpr unsigned kWmFrameworkDrawItem = 2056;
inline constexpr unsigned kWmFrameworkLostFocus = 2057;  // deferred until the focus has moved
inline constexpr unsigned kWmFrameworkThumbPos = 2058;
inline constexpr unsigned kWmFrameworkHelpF1 = 2061;
inline constexpr unsigned kWmFrameworkThumbTrack = 2062;
inline constexpr unsigned kWmFrameworkDropOver = 2063;
inline constexpr unsigned kWmFrameworkChangeFocus = 2064;  // posted by ChangeFocus
inline constexpr unsigned kWmFrameworkAsyncSelect = 2065;
inline constexpr unsigned kWmFrameworkCloseUp = 2066;  // a combo box's list closed
inline constexpr unsigned kWmFrameworkTaskBar = 2067;

}  // namespace kestrel
