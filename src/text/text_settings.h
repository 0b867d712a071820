// The few settings the text utilities read from the installation's Nerl.ini (number separators,
// date separator and order) and the fold mode of TextFold. The program owns one TextSettings
// for the whole run and passes it by reference; each value is read from Nerl.ini the first time
// it is needed and then kept, so a file edited later has no effect until the next run. Nothing
// here writes a file or reports a failure: missing settings take their defaults.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace text {

struct TextSettings {
  TextSettings() = default;
  explicit TextSettings(std::string rootDir) : RootDir(std::move(rootDir)) {}

  std::string RootDir;  // the installation root (KAVROOT) under which Nerl.ini lives

  // 0 until first read. A caller may set them beforehand; a non-zero value is never re-read.
  char decimalSeparator = 0;    // DecCaracter, default '\''
  char thousandsSeparator = 0;  // MilCaracter, default '.'
  char DateSeparator = 0;       // DatCaracter, default '/'
  // DatOrdre: three of the capitals D, M, A; all bytes 0 until first read, default "DMA".
  std::string DateOrder = std::string(3, '\0');

  // -1 selects the search form of TextFold; any other value the capital form.
  std::int16_t FoldSearchMode = 0;
};

// Reads DecCaracter and MilCaracter if either is still unset.
void LoadNumberSeparators(TextSettings& settings);
// Reads DatCaracter and DatOrdre if either is still unset.
void LoadDateSettings(TextSettings& settings);

}  // namespace text
