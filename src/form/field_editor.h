// The field editor: the one place where text is typed. It edits one fixed-length text in place,
// as a text field (insert or overwrite, over one or more screen lines) or as a choice field
// (stepping through "|code,description" options shown between two arrows), and returns the key
// that ended the edit. The program owns one FieldEditor for the whole run; it refers to the
// screen, the key reader's state, the exit-key set and the text settings, which must outlive it.
// The editor never changes a text's length and knows nothing of forms.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "form/exit_keys.h"
#include "form/key_reader.h"
#include "screen/screen.h"
#include "text/text_settings.h"

namespace form {

// Blank, comma, full stop, semicolon and colon end a word for Ctrl+Left and Ctrl+Right.
inline constexpr std::string_view kWordSeparators = " ,.;:";

struct FieldEditor {
  FieldEditor(screen::Screen& screenIn, KeyReaderState& keyReaderIn, ExitKeySet& exitKeysIn,
              text::TextSettings& textSettingsIn)
      : screen(screenIn),
        keyReader(keyReaderIn),
        exitKeys(exitKeysIn),
        textSettings(textSettingsIn) {}

  screen::Screen& screen;
  KeyReaderState& keyReader;
  ExitKeySet& exitKeys;              // which keys end an edit, and the input mask
  text::TextSettings& textSettings;  // FoldSearchMode, switched around the first-letter search
  std::string FieldChoices;          // the choice list in force; empty for a text field
};

// Sets the choice list for the edits that follow, until it is set again.
void SetFieldChoices(FieldEditor& editor, std::string_view choices);

// Edits `text` at (row, column) of the current window (0: the cursor's row or column) with
// lines of `width` cells (0: one line, the text's length + 1). `pos` (1 .. length + 1) is where
// the cursor starts and, on return, where it was left. The Insert mode is the console's Insert
// toggle, so it carries over from field to field.
//
// Returns the key that ended the edit, after the translations (Shift+Tab to Up, Tab to Enter,
// Enter to End when End is an exit key, Ctrl+F4 and Alt+F4 to Esc): the result stored for it in
// a non-empty exit-key set, the key itself when the set is empty, or a click outside the field
// as FieldClickCode. Keys that are neither handled nor in a non-empty set are ignored.
// Leaves style 0, the cursor hidden at the field's start, and the field drawn in style 4: the
// caller redraws it.
[[nodiscard]] std::int16_t EditField(FieldEditor& editor, std::int16_t row, std::int16_t column,
                                     std::int16_t width, std::string& text, std::int16_t& pos);

}  // namespace form
