// The key codes the pop-ups act on besides plain characters, as the key reader delivers them.
// Constants only.
#pragma once

#include <cstdint>

namespace popups {

inline constexpr std::int16_t kKeyBackspace = 8;
inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeyEsc = 27;
inline constexpr std::int16_t kKeyAltF = 0x2100;
inline constexpr std::int16_t kKeyHome = 0x4700;
inline constexpr std::int16_t kKeyUp = 0x4800;
inline constexpr std::int16_t kKeyPageUp = 0x4900;
inline constexpr std::int16_t kKeyLeft = 0x4B00;
inline constexpr std::int16_t kKeyRight = 0x4D00;
inline constexpr std::int16_t kKeyEnd = 0x4F00;
inline constexpr std::int16_t kKeyDown = 0x5000;
inline constexpr std::int16_t kKeyPageDown = 0x5100;
inline constexpr std::int16_t kKeyCtrlLeft = 0x7300;
inline constexpr std::int16_t kKeyCtrlRight = 0x7400;

}  // namespace popups
