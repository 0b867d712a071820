// The reader of the suite's settings files (sections, keys, values; ';' comments). Every call
// opens, scans and closes the file: a file edited while the program runs is read afresh, and
// nothing is cached or written.
#pragma once

#include <string>
#include <string_view>

namespace frame {

// The value of `key` in `section` of the settings file at the suite path `file`; the empty
// text when the file, section or key is missing or the value is empty. Names compare without
// regard to letter case or surrounding blanks; one pair of enclosing double quotes is removed.
std::string ReadSetting(std::string_view file, std::string_view section, std::string_view key);

// The same lookup over a file's bytes already in memory.
std::string FindSetting(std::string_view contents, std::string_view section, std::string_view key);

}  // namespace frame
