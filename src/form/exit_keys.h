// The exit-key set: which keys end a field edit and the code each is reported under, with one
// save slot so that a screen can set its own keys and give the previous ones back, and the
// input mask of hidden fields. The program owns one ExitKeySet for the whole run and passes it
// by reference; screens change it only through SetExitKeys. Nothing here reads keys or draws.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace form {

struct ExitKey {
  std::int16_t code = 0;
  std::int16_t result = 0;
  bool operator==(const ExitKey&) const = default;
};

struct ExitKeySet {
  // The set in force: ExitKeys[i] is reported as ExitResults[i].
  std::vector<std::int16_t> ExitKeys;
  std::vector<std::int16_t> ExitResults;
  // The one save slot, held while ExitSaveDepth is 1.
  std::vector<std::int16_t> SavedExitKeys;
  std::vector<std::int16_t> SavedExitResults;
  std::int16_t ExitSaveDepth = 0;
  // Shown by the field editor in place of typed text; 0 shows the text.
  std::int16_t InputMask = 0;
};

// The items of a key list such as "4d00,1b,4800=5000": hexadecimal codes without prefix, each
// optionally followed by "=" and the result to report (the code itself when there is none).
// Digits are read as far as they go, an item without any reads 0, values keep their low 16
// bits. The empty list has no items.
std::vector<ExitKey> ParseKeyList(std::string_view list);

// Runs the command letters in order, in any case: A adds the list's keys, D removes them, E
// empties the set, "+" saves it (only when the slot is free), "-" restores the saved set and
// frees the slot, H hides typing behind "X", V shows it again. Other letters are ignored.
void SetExitKeys(ExitKeySet& set, std::string_view commands, std::string_view list);

// The result to report for `code`, or nothing when the code is not in the set.
std::optional<std::int16_t> FindExitResult(const ExitKeySet& set, std::int16_t code);

}  // namespace form
