// The key codes the field editor and the form runner compare: a character is its code page 850
// code, an extended key its scan code x 256, and the Shift, Ctrl and Alt forms are the ones the
// key reader builds. Constants only; nothing here reads keys.
#pragma once

#include <cstdint>

namespace form {

inline constexpr std::int16_t kKeyNone = 0;
inline constexpr std::int16_t kKeyCtrlB = 2;  // also the result code some exit lists give
inline constexpr std::int16_t kKeyCtrlC = 3;
inline constexpr std::int16_t kKeyBackspace = 8;
inline constexpr std::int16_t kKeyTab = 9;
inline constexpr std::int16_t kKeyEnter = 13;
inline constexpr std::int16_t kKeyCtrlV = 22;
inline constexpr std::int16_t kKeyCtrlY = 25;
inline constexpr std::int16_t kKeyEsc = 27;
inline constexpr std::int16_t kKeySpace = 32;

inline constexpr std::int16_t kKeyShiftTab = 0x0F00;
inline constexpr std::int16_t kKeyAltF = 0x2100;
inline constexpr std::int16_t kKeyF1 = 0x3B00;
inline constexpr std::int16_t kKeyF2 = 0x3C00;
inline constexpr std::int16_t kKeyF4 = 0x3E00;
inline constexpr std::int16_t kKeyHome = 0x4700;
inline constexpr std::int16_t kKeyUp = 0x4800;
inline constexpr std::int16_t kKeyPageUp = 0x4900;
inline constexpr std::int16_t kKeyLeft = 0x4B00;
inline constexpr std::int16_t kKeyRight = 0x4D00;
inline constexpr std::int16_t kKeyEnd = 0x4F00;
inline constexpr std::int16_t kKeyDown = 0x5000;
inline constexpr std::int16_t kKeyPageDown = 0x5100;
inline constexpr std::int16_t kKeyInsert = 0x5200;
inline constexpr std::int16_t kKeyDelete = 0x5300;
inline constexpr std::int16_t kKeyCtrlF4 = 0x6100;
inline constexpr std::int16_t kKeyAltF4 = 0x6B00;
inline constexpr std::int16_t kKeyCtrlLeft = 0x7300;
inline constexpr std::int16_t kKeyCtrlRight = 0x7400;
inline constexpr std::int16_t kKeyCtrlHome = 0x7700;

// The field editor reports a click as -(column x 100 + row), in 1-based screen positions.
constexpr std::int16_t FieldClickCode(int row, int column) {
  return static_cast<std::int16_t>(-(column * 100 + row));
}
constexpr int FieldClickRow(std::int16_t code) { return (-code) % 100; }
constexpr int FieldClickColumn(std::int16_t code) { return (-code) / 100; }

}  // namespace form
