// A small world for screen tests: an 80 x 25 virtual console, a session whose temporary
// directory is a fresh host directory, an environment map and the Screen over them. The
// palette gives every style its own attribute so a wrong style shows in the cells.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/virtual_console.h"
#include "screen/screen.h"
#include "support/temp_dir.h"

namespace screen {

// Attributes of styles 0-4 under ScreenFixture's palette.
inline constexpr std::uint8_t kStyleAttribute[5] = {0x0F, 0x17, 0x70, 0x4E, 0x31};

class ScreenFixture : public ::testing::Test {
 protected:
  ScreenFixture() {
    session_.TempDir = dir_.Prefix();
    session_.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
  }

  bool StackExists() const { return std::filesystem::exists(dir_.path() / "WinPush.tmp"); }
  std::string StackBytes() const { return dir_.Read("WinPush.tmp"); }

  // Every cell a different character and colour, so a restore that is off by a cell shows.
  void FillScreen() {
    for (int r = 1; r <= console_.Rows(); ++r) {
      for (int c = 1; c <= console_.Columns(); ++c) {
        const int n = r * 131 + c * 7;
        console_.PutCell(
            r, c, {static_cast<unsigned char>('!' + n % 90), static_cast<std::uint8_t>(n % 251)});
      }
    }
  }

  std::vector<platform::Cell> Cells() const {
    std::vector<platform::Cell> cells;
    for (int r = 1; r <= console_.Rows(); ++r) {
      for (int c = 1; c <= console_.Columns(); ++c) cells.push_back(console_.ReadCell(r, c));
    }
    return cells;
  }

  testing_support::TempDir dir_;
  platform::VirtualConsole console_{25, 80};
  frame::Session session_;
  platform::MapEnvironment environment_;
  Screen screen_{console_, session_, environment_};
};

}  // namespace screen
