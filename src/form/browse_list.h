// The pick list F4 opens on a cell with a lookup: an optional search page first, then a framed
// window of entries with a highlighted bar, moved by line, by page and sideways by 8 columns,
// ended by a pick (Enter), a further lookup (F4) or any other key. The list keeps its lines in
// the row file Browse.tmp in TempDir while it is open and deletes it on closing; style, exit-key
// set, window and the record file's lock mode are given back on every way out. It reads the
// form model and never changes it; the caller owns everything in the context.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "form/exit_keys.h"
#include "form/form_model.h"
#include "form/key_reader.h"
#include "records/browse_feed.h"
#include "records/record_files.h"
#include "screen/screen.h"

namespace form {

inline constexpr std::int16_t kBrowseCancelled = -1;

struct BrowseContext {
  screen::Screen& screen;
  KeyReaderState& keys;
  ExitKeySet& exitKeys;
  const FormModel& model;
  records::RecordFiles& files;
  // Runs the search page `page` and reports the key that ended it. Unset: a lookup that names a
  // search page opens its list without one.
  std::function<void(std::int16_t page, std::int16_t& key)> runSearchPage;
  // Unset: records::BrowseRowText.
  records::BrowseRowTextHook rowText;
  // The key waiting at the console, 0 when none; lets Esc stop a long scan of the record file.
  // Unset: a scan runs to the end of its range.
  std::function<std::int16_t()> takeWaitingKey;
};

// What a pick of a list without a record file gives besides the outcome.
struct BrowsePick {
  std::int32_t recordPosition = 0;
  std::string text;
};

// Runs the list of lookup `lookup` (and the further lookups F4 leads to). `cancelled` is 0
// after a pick, -1 when none was made, or the record manager's status when the picked record
// could not be reloaded; after a pick in a record-backed list that record is current in its
// file. `pick`, when given, receives the picked entry of a list without a record file.
void BrowseList(BrowseContext& context, std::int16_t lookup, std::int16_t& cancelled,
                BrowsePick* pick = nullptr);

}  // namespace form
