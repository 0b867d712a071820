// The one reader of the suite's sequential-item files (the language file and the form
// definition file): items separated by commas or CR line ends, optionally quoted, ended by a
// Ctrl+Z. It reads from bytes the caller owns and must keep alive; it never touches a file,
// never reads past the bytes and always moves forward, so no input can make it loop or crash.
//
//   item      := blanks* ( '"' any-but-quote* '"' filler* | plain* ) separator
//   separator := ',' | CR [LF] | end of bytes
//   plain     := any byte but ',' and CR; tabs and LFs are dropped, blanks kept
//   Ctrl+Z (26) where an item starts ends the bytes; a missing closing quote runs to the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace frame {

class ItemReader {
 public:
  explicit ItemReader(std::string_view bytes) : bytes_(bytes) {}

  // True when no further item starts: only blanks, tabs and LFs remain, or a Ctrl+Z comes where
  // the next item would start.
  bool AtEnd() const;

  // The next item; the empty text at the end (which also marks the reader as overrun).
  std::string ReadItem();

  // The next item as a whole number: blanks, a sign and decimal digits (a fraction rounds to
  // the nearest, halves to even), 0 when the item is no number. Empty when the number does not
  // fit in 16 bits.
  std::optional<std::int16_t> ReadNumber();

  // Skips whole lines whose first non-blank character is an apostrophe and stops at the start
  // of the first line that is not one.
  void SkipCommentLines();

  // An item was asked for after the end: the bytes ended early for what the caller expected.
  bool Overran() const { return overran_; }
  // The 1-based line on which the last item read began (the current line before any read).
  int ItemLine() const { return itemLine_; }

 private:
  void SkipFiller();
  void SkipSeparator();

  std::string_view bytes_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int itemLine_ = 1;
  bool overran_ = false;
};

}  // namespace frame
