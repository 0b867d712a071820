// Suite paths to host paths. Inside the program a path is code page 850 text with backslash
// separators, built by plain concatenation as the suite builds it; only here does it become a
// host path (UTF-8, '/'). Pure apart from the directory lookups of the case fallback.
//
// A drive prefix "X:" (a letter and a colon) is dropped: "C:\TMP\" names /TMP/ and "C:" alone
// (or "C:name") names the current directory. Installations are expected to use host paths in
// KAVROOT and KAVTMP; the drive form only keeps settings copied from older stations usable.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The host path for a suite path, without looking at the file system.
std::string HostPathLiteral(std::string_view suitePath);

// The host path for a suite path. When that path does not exist, each component is matched
// against its directory ignoring ASCII letter case, so an installation copied from a
// case-insensitive file system keeps working; components that match nothing are kept as
// given (the file may be about to be created).
std::string HostPath(std::string_view suitePath);

}  // namespace platform
