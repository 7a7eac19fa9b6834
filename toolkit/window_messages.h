// Message numbers of the windows: the close request and the base of the program's own messages.
#pragma once

namespace vesmar {

inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmUser = 0x0400;

}  // namespace vesmar
