#include "text/text_fold.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace text {
namespace {

constexpr std::int16_t kCapitalForm = 0;
constexpr std::int16_t kSearchForm = -1;

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

// The capital form's changes as listed for code page 850; every other byte stays.
std::map<int, int> CapitalChanges() {
  std::map<int, int> changes = {
      {0x81, 0x9A}, {0x82, 0x90}, {0x83, 0xB6}, {0x84, 0x8E}, {0x85, 0xB7}, {0x86, 0x8F},
      {0x87, 0x80}, {0x88, 0xD2}, {0x89, 0xD3}, {0x8A, 0xD4}, {0x8B, 0xD8}, {0x8C, 0xD7},
      {0x8D, 0xDE}, {0x91, 0x92}, {0x93, 0xE2}, {0x94, 0x99}, {0x95, 0xE3}, {0x96, 0xEA},
      {0x97, 0xEB}, {0xA0, 0xB5}, {0xA1, 0xD6}, {0xA2, 0xE0}, {0xA3, 0xE9}, {0xA4, 0xA5},
      {0xC6, 0xC7}, {0xD0, 0xD1}, {0xE4, 0xE5}, {0xEC, 0xED},
  };
  for (int c = 'a'; c <= 'z'; ++c) changes[c] = c - 32;
  return changes;
}

// The search form's letters; every other byte of 0x40-0xED becomes a blank.
std::map<int, char> SearchLetters() {
  const std::map<char, std::string> groups = {
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
  std::map<int, char> letters;
  for (const auto& [letter, bytes] : groups) {
    for (char b : bytes) letters[static_cast<unsigned char>(b)] = letter;
  }
  for (int c = 'A'; c <= 'Z'; ++c) {
    letters[c] = static_cast<char>(c);
    letters[c + 32] = static_cast<char>(c);
  }
  return letters;
}

TEST(TextFold, CapitalFormMapsEveryByteAsListed) {
  const auto changes = CapitalChanges();
  for (int b = 0; b < 256; ++b) {
    const auto change = changes.find(b);
    const int expected = change != changes.end() ? change->second : b;
    EXPECT_EQ(TextFold(Byte(b), kCapitalForm), Byte(expected)) << "byte 0x" << std::hex << b;
  }
}

TEST(TextFold, SearchFormMapsEveryByteAsListed) {
  const auto letters = SearchLetters();
  for (int b = 0; b < 256; ++b) {
    std::string expected = Byte(b);
    if (b >= 0x40 && b <= 0xED) {
      const auto letter = letters.find(b);
      expected = letter != letters.end() ? std::string(1, letter->second) : " ";
    }
    EXPECT_EQ(TextFold(Byte(b), kSearchForm), expected) << "byte 0x" << std::hex << b;
  }
}

TEST(TextFold, FoldsWholeTexts) {
  struct Case {
    std::int16_t mode;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {kCapitalForm, "mar\x87", "MAR\x80"},      // març -> MARÇ
      {kCapitalForm, "g\x8Ar", "G\xD4R"},        // gèr -> GÈR
      {kCapitalForm, "15/3 2024", "15/3 2024"},  // digits, blanks, "/" unchanged
      {kCapitalForm, "\xD5", "\xD5"},
      {kSearchForm, "\xB7vila", "AVILA"},  // Àvila
      {kSearchForm, "avila", "AVILA"},
      {kSearchForm, "\xA5\xA4\x87", "NNC"},  // Ññç
      {kSearchForm, "-1", "-1"},
      {kSearchForm, "\x40\x9C", "  "},  // @ and £
      {kSearchForm, "\xD5", "E"},
      {kCapitalForm, "", ""},
      {kSearchForm, "", ""},
      {1, "a\x87", "A\x80"},  // only -1 selects the search form
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextFold(c.text, c.mode), c.expected) << "mode " << c.mode << " text " << c.text;
  }
}

TEST(TextFold, FollowsTheProgramsFoldMode) {
  TextSettings settings;
  EXPECT_EQ(TextFold(settings, "\x85"), "\xB7");
  settings.FoldSearchMode = -1;
  EXPECT_EQ(TextFold(settings, "\x85"), "A");
}

}  // namespace
}  // namespace text
