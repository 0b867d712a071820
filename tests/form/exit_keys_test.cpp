#include "form/exit_keys.h"

#include <gtest/gtest.h>

namespace form {
namespace {

using Codes = std::vector<std::int16_t>;

TEST(ParseKeyList, ReadsHexadecimalItems) {
  struct Case {
    std::string list;
    std::vector<ExitKey> keys;
  } cases[] = {
      {"", {}},
      {"d,1b,4800=5000", {{0x0D, 0x0D}, {0x1B, 0x1B}, {0x4800, 0x5000}}},
      {"4F00", {{0x4F00, 0x4F00}}},
      {"zz,,1bq", {{0, 0}, {0, 0}, {0x1B, 0x1B}}},  // read as far as hex digits go
      {" 1b", {{0, 0}}},
      {"4800=", {{0x4800, 0}}},
      {"=2", {{0, 2}}},
      {"12345,ffff", {{0x2345, 0x2345}, {-1, -1}}},  // 16 bits
  };
  for (const Case& c : cases) EXPECT_EQ(ParseKeyList(c.list), c.keys) << "list: " << c.list;
}

TEST(SetExitKeys, AddsErasesAndRemoves) {
  ExitKeySet set;
  SetExitKeys(set, "+ea", "d,1b,4800=5000");
  EXPECT_EQ(set.ExitKeys, (Codes{0x0D, 0x1B, 0x4800}));
  EXPECT_EQ(set.ExitResults, (Codes{0x0D, 0x1B, 0x5000}));
  EXPECT_EQ(set.ExitSaveDepth, 1);

  SetExitKeys(set, "d", "1b,5100");  // a code not in the set is skipped
  EXPECT_EQ(set.ExitKeys, (Codes{0x0D, 0x4800}));
  EXPECT_EQ(set.ExitResults, (Codes{0x0D, 0x5000}));

  SetExitKeys(set, "A", "d=2");
  EXPECT_EQ(FindExitResult(set, 0x0D), 0x0D);  // the first entry of a code answers
  EXPECT_EQ(FindExitResult(set, 0x4800), 0x5000);
  EXPECT_EQ(FindExitResult(set, 0x1B), std::nullopt);
  SetExitKeys(set, "D", "d");
  EXPECT_EQ(FindExitResult(set, 0x0D), 2);

  SetExitKeys(set, "xyz E", "");
  EXPECT_TRUE(set.ExitKeys.empty());
  EXPECT_TRUE(set.ExitResults.empty());
}

TEST(SetExitKeys, OneSaveSlotServesTheOutermostBracket) {
  ExitKeySet set;
  SetExitKeys(set, "a", "1b");
  SetExitKeys(set, "+ea", "d");
  SetExitKeys(set, "+ea", "5100");  // the slot is taken: this save does nothing
  EXPECT_EQ(set.ExitKeys, (Codes{0x5100}));
  SetExitKeys(set, "-", "");
  EXPECT_EQ(set.ExitKeys, (Codes{0x1B}));  // the outer screen's saved set
  EXPECT_EQ(set.ExitSaveDepth, 0);
  EXPECT_TRUE(set.SavedExitKeys.empty());
  SetExitKeys(set, "a", "d");
  SetExitKeys(set, "-", "");  // nothing saved: nothing changes
  EXPECT_EQ(set.ExitKeys, (Codes{0x1B, 0x0D}));
}

TEST(SetExitKeys, HidesAndShowsTyping) {
  ExitKeySet set;
  SetExitKeys(set, "h", "");
  EXPECT_EQ(set.InputMask, 'X');
  SetExitKeys(set, "V", "");
  EXPECT_EQ(set.InputMask, 0);
  SetExitKeys(set, "H+", "");
  EXPECT_EQ(set.InputMask, 'X');
  EXPECT_EQ(set.ExitSaveDepth, 1);
}

}  // namespace
}  // namespace form
