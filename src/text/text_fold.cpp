#include "text/text_fold.h"

#include <array>
#include <string_view>
#include <utility>

namespace text {
namespace {

using FoldTable = std::array<unsigned char, kFoldTableSize>;  // entry for byte b at b - 0x40
using Mapping = std::pair<unsigned char, unsigned char>;

constexpr FoldTable Identity() {
  FoldTable table{};
  for (std::size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<unsigned char>(kFoldFirst + i);
  return table;
}

constexpr FoldTable MakeCapitalTable() {
  FoldTable table = Identity();
  for (unsigned char c = 'a'; c <= 'z'; ++c)
    table[c - kFoldFirst] = static_cast<unsigned char>(c - 32);
  constexpr Mapping kAccented[] = {
      {0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
      {0x87, 0x80}, {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7},
      {0x8D, 0xDE}, {0x91, 0x92}, {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA},
      {0x97, 0xEB}, {0xA0, 0xB5}, {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9}, {0xA4, 0xA5},
      {0xC6, 0xC7}, {0xD0, 0xD1}, {0xE4, 0xE5}, {0xEC, 0xED},
  };
  for (const auto& [from, to] : kAccented) table[from - kFoldFirst] = to;
  return table;
}

// The accented bytes of each unaccented capital in the search form.
struct LetterGroup {
  char letter;
  std::string_view bytes;
};

constexpr FoldTable MakeSearchTable() {
  FoldTable table{};
  for (auto& entry : table) entry = ' ';
  for (unsigned char c = 'A'; c <= 'Z'; ++c) {
    table[c - kFoldFirst] = c;
    table[c + 32 - kFoldFirst] = c;
  }
  constexpr LetterGroup kGroups[] = {
      {'A', "\x83\x84\x85\x86\x8E\x8F\x91\x92\xA0\xA6\xB5\xB6\xB7\xC6\xC7"},
      {'C', "\x80\x87"},
      {'D', "\xD0\xD1"},
      {'E', "\x82\x88\x89\x8A\x90\xD2\xD3\xD4\xD5"},
      {'I', "\x8B\x8C\x8D\xA1\xD6\xD7\xD8\xDE"},
      {'N', "\xA4\xA5"},
      {'O', "\x93\x94\x95\x99\x9B\x9D\xA2\xA7\xE0\xE2\xE3\xE4\xE5"},
      {'S', "\xE1"},
      {'T', "\xE7\xE8"},
      {'U', "\x81\x96\x97\x9A\xA3\xE9\xEA\xEB"},
      {'Y', "\x98\xEC\xED"},
  };
  for (const auto& group : kGroups) {
    for (char b : group.bytes) {
      table[static_cast<unsigned char>(b) - kFoldFirst] = static_cast<unsigned char>(group.letter);
    }
  }
  return table;
}

constexpr FoldTable kCapitalFold = MakeCapitalTable();
constexpr FoldTable kSearchFold = MakeSearchTable();

}  // namespace

std::string TextFold(std::string_view text, std::int16_t foldSearchMode) {
  const FoldTable& table = foldSearchMode == -1 ? kSearchFold : kCapitalFold;
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= kFoldFirst && b <= kFoldLast) c = static_cast<char>(table[b - kFoldFirst]);
  }
  return out;
}

}  // namespace text
