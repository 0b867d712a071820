// The commands of kavrec, the record-file utility: create a record file from its creation
// template, show its Stat, save its records to the portable save format and load them back,
// and check that every index agrees with the records. Everything goes through BTRCALL, as the
// program does; each command opens what it needs and resets the record manager before it
// returns. Output goes to the streams given, so tests run the commands in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kavrec {

inline constexpr int kExitOk = 0;
inline constexpr int kExitStatus = 1;  // a record-manager status, or a check that failed
inline constexpr int kExitUsage = 2;   // bad arguments, or a file other than FILE unusable

// `args` without the program name. Returns the exit code.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The portable save format: per record its length in ASCII decimal, a comma, the bytes, CR LF;
// after the last record one Ctrl+Z. ParseSaveFile returns false, with the 1-based number of
// the record that is malformed, when the bytes do not follow the format.
std::string FormatSaveRecord(const std::string& record);
bool ParseSaveFile(const std::string& bytes, std::vector<std::string>* records, size_t* badRecord);

}  // namespace kavrec
