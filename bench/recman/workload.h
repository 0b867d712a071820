// The workload both record-manager benchmarks run, on whichever storage: 100,000 records of 26
// bytes keyed on a unique 4-byte code at their start, visited in a fixed shuffled order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace recman_bench {

constexpr int kRecords = 100000;
constexpr int kRecordLength = 26;

// The Create buffer of the benchmark file.
inline std::string SpecBuffer() {
  std::string b(32, '\0');
  b[0] = kRecordLength;
  b[3] = 2;  // page size 512
  b[4] = 1;  // one key
  b[16] = 1;
  b[18] = 4;
  return b;
}

inline std::string Code(uint32_t n) {
  return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                     static_cast<char>(n >> 8), static_cast<char>(n)};
}

inline std::string Record(uint32_t n, char fill = ' ') {
  std::string r = Code(n);
  r.resize(kRecordLength, fill);
  return r;
}

inline std::vector<uint32_t> Shuffled(int n, unsigned seed) {
  std::vector<uint32_t> v(n);
  std::iota(v.begin(), v.end(), 0);
  std::shuffle(v.begin(), v.end(), std::mt19937(seed));
  return v;
}

}  // namespace recman_bench
