// A small world for the pop-up tests: an 80 x 25 virtual console whose screen is filled with a
// pattern, a session with its temporary and terminal directories, the key reader's state with
// the pop-ups wired as its hooks, and a fixed "today". Keys are scripted in stages: each time a
// stage has been read up, the screen is recorded, so a test sees the pop-up while it waits.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "form/exit_keys.h"
#include "form/key_reader.h"
#include "frame/session.h"
#include "platform/virtual_console.h"
#include "popups/popups.h"
#include "screen/screen.h"
#include "support/temp_dir.h"
#include "text/text_settings.h"

namespace popups {

// Attributes of styles 0-4 under the fixture's palette.
inline constexpr std::uint8_t kStyleAttribute[5] = {0x0F, 0x17, 0x70, 0x4E, 0x31};

using Keys = std::vector<std::uint16_t>;

inline Keys Typed(std::string_view text) {
  Keys keys;
  for (char c : text) keys.push_back(static_cast<unsigned char>(c));
  return keys;
}

inline Keys Join(std::initializer_list<Keys> parts) {
  Keys keys;
  for (const Keys& part : parts) keys.insert(keys.end(), part.begin(), part.end());
  return keys;
}

// The screen as it was at one moment.
class Snapshot {
 public:
  explicit Snapshot(const platform::VirtualConsole& console) {
    for (int r = 1; r <= console.Rows(); ++r) {
      std::vector<platform::Cell> row;
      for (int c = 1; c <= console.Columns(); ++c) row.push_back(console.ReadCell(r, c));
      cells_.push_back(std::move(row));
    }
  }
  // `length` characters of `row` from `column` (1-based).
  std::string Text(int row, int column, int length) const {
    std::string text;
    for (int c = column; c < column + length; ++c) text += static_cast<char>(Cell(row, c).ch);
    return text;
  }
  std::uint8_t Attribute(int row, int column) const { return Cell(row, column).attribute; }
  const platform::Cell& Cell(int row, int column) const {
    return cells_[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
  }
  bool operator==(const Snapshot&) const = default;

 private:
  std::vector<std::vector<platform::Cell>> cells_;
};

class PopupsFixture : public ::testing::Test {
 protected:
  PopupsFixture() {
    session_.TempDir = tempDir_.Prefix();
    session_.TermDir = termDir_.Prefix();
    session_.LanguageCode = "CAT";
    session_.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
    SetSessionDate("20240315");
    textSettings_.decimalSeparator = '.';
    textSettings_.thousandsSeparator = ',';
    textSettings_.DateSeparator = '/';
    textSettings_.DateOrder = "DMA";
    keys_.Popups = &tools_;
    // Every cell its own character and colour, so a pop-up that leaves a trace shows.
    for (int r = 1; r <= console_.Rows(); ++r) {
      for (int c = 1; c <= console_.Columns(); ++c) {
        const int n = r * 131 + c * 7;
        console_.PutCell(
            r, c, {static_cast<unsigned char>('!' + n % 90), static_cast<std::uint8_t>(n % 251)});
      }
    }
    console_.SetCursor(7, 9);
    console_.SetCursorSize(50);
    console_.SetEndHandler([this] {
      snapshots_.emplace_back(console_);
      if (nextStage_ < stages_.size()) {
        for (std::uint16_t key : stages_[nextStage_]) console_.PushKey(key);
        ++nextStage_;
      }
    });
  }

  void SetSessionDate(std::string_view digits) { session_.SessionDate = frame::PackDigits(digits); }

  // Scripts the keys; the screen is recorded after each stage is read up.
  void Script(std::vector<Keys> stages) {
    stages_ = std::move(stages);
    nextStage_ = 0;
    snapshots_.clear();
  }

  std::string CalculatorFile() const { return termDir_.Read("KAVCALC.TMP"); }

  testing_support::TempDir tempDir_;
  testing_support::TempDir termDir_;
  platform::VirtualConsole console_{25, 80};
  frame::Session session_;
  platform::MapEnvironment environment_;
  screen::Screen screen_{console_, session_, environment_};
  form::KeyReaderState keys_;
  form::ExitKeySet exitKeys_;
  text::TextSettings textSettings_;
  PopupTools tools_{PopupContext{screen_, keys_, exitKeys_, textSettings_,
                                 [] { return frame::PackDigits("20250704"); }}};
  std::vector<Keys> stages_;
  std::size_t nextStage_ = 0;
  std::vector<Snapshot> snapshots_;
};

}  // namespace popups
