// The feed behind pick lists: the row file Browse.tmp that holds the lines a list has produced,
// the reader of its entries, and RecBrowseNext, which hands back a stored line or turns the next
// record of a key range into one. One BrowseState belongs to one open list, which owns it and
// its row file from opening to closing. Nothing here draws or waits for a key; a damaged row
// file ends the list where the damage starts and is never written over.
//
// Row file layout, entries one after another from position 1 (positions 1-based):
//
//   | offset | size   | content                                                        |
//   |--------|--------|----------------------------------------------------------------|
//   | 0      | 4      | position of the previous entry, int32 LE; 0 for the first      |
//   | 4      | 4      | the record's position in the record file (0: none), int32 LE   |
//   | 8      | 2      | length of the row text, int16 LE                               |
//   | 10     | length | the row text, code page 850                                    |
//
// An entry is damaged when its header is cut short, its length is negative or runs past the end
// of the file; a previous-entry position that is not before the entry (or is negative) makes
// the entry the first one, so walking backwards always ends.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file.h"
#include "records/record_files.h"

namespace records {

inline constexpr std::string_view kRowFileName = "Browse.tmp";
inline constexpr std::int32_t kRowHeaderSize = 10;

struct RowHeader {
  std::int32_t previous = 0;
  std::int32_t recordPosition = 0;
  std::int16_t length = 0;
  bool operator==(const RowHeader&) const = default;
};

struct RowEntry {
  RowHeader header;
  std::string text;
};

std::string EncodeRowHeader(const RowHeader& header);
// Reads the 10 header bytes as they stand; nothing is checked.
RowHeader DecodeRowHeader(std::string_view bytes);

// The entry at `position` of the row file, or nothing at the end of the file or where the
// bytes do not hold a whole entry. The previous-entry position comes back as 0 when it does not
// point before `position`.
std::optional<RowEntry> ReadRowEntry(platform::File& rowFile, std::int64_t position);

struct BrowseState;

// What a program shows for the record in the list's record area; trailing blanks are dropped
// and an empty text lists nothing for that record.
using BrowseRowTextHook = std::function<std::string(const BrowseState& state)>;
// This program's hook: no record is shown, so record-backed lists stay empty.
std::string BrowseRowText(const BrowseState& state);

struct BrowseState {
  // The feed's part.
  platform::File rowFile;
  std::int64_t rowPosition = 1;  // where the next read of the row file starts
  std::int16_t recordFile = 0;   // 0: a list not bound to a record file
  std::int16_t keyNumber = 0;
  std::string startKey;
  std::string endKey;  // becomes its key image on the first read
  std::int16_t started = 0;
  std::int16_t ended = 0;
  std::int32_t lastAppended = 0;
  std::int64_t currentPosition = 1;
  RowHeader currentHeader;
  std::string currentText;
  std::int16_t firstRow = 0;
  std::int16_t atEnd = 0;
  // -1 when the last call read or appended an entry. When it did neither, the current entry is
  // left as it was, so that a list never shows its last line twice.
  std::int16_t entryRead = 0;

  // The list's part.
  std::int16_t height = 0;
  std::int16_t width = 0;
  std::int16_t barRow = 1;
  std::int32_t shift = 1;     // 1, 9, 17, ...
  std::int32_t overflow = 0;  // the most any row text is wider than the window
  std::int64_t topPosition = 1;
  std::int64_t nextPagePosition = 0;

  // Unset: BrowseRowText.
  BrowseRowTextHook rowText;
  // The key the operator typed during a long scan, 0 when none waits. Unset: a scan is never
  // interrupted.
  std::function<std::int16_t()> takeWaitingKey;
};

// Makes the next entry of the list current: the one stored at the row file's position, or,
// past the last stored one, a new one made from the next record of the range (records whose
// hook text is empty are passed over, Esc typed meanwhile ends the range). Updates the current
// entry, first-row, at-end and entry-read.
void RecBrowseNext(RecordFiles& files, BrowseState& state);

// Moves the current entry `count` entries forward (fewer at the end of the list) or back
// (fewer at the first entry); returns how many it moved.
int BrowseStep(RecordFiles& files, BrowseState& state, int count);

// The position of the entry after the stored one at `position`, or nothing when none is there.
std::optional<std::int64_t> EntryAfter(platform::File& rowFile, std::int64_t position);

struct WalkBack {
  std::int64_t position = 0;  // where the walk stopped
  int steps = 0;              // previous-entry links followed
  bool reachedFirst = false;  // it stopped on the first entry
};
// Follows previous-entry links from the entry at `position`, at most `count` of them, without
// touching the current entry.
WalkBack WalkBackFrom(platform::File& rowFile, std::int64_t position, int count);

}  // namespace records
