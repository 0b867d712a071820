#include "form/choice_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace form {
namespace {

std::vector<std::string> Options(std::string_view list) {
  std::vector<std::string> out;
  for (const ChoiceOption& o : ParseChoices(list)) {
    out.push_back(std::string(o.code) + "=" + std::string(o.description));
  }
  return out;
}

TEST(ParseChoices, SplitsOptionsAtBarsAndCodesAtTheFirstComma) {
  struct Case {
    std::string list;
    std::vector<std::string> options;
  } cases[] = {
      {"", {}},
      {"|S,S\xa1|N,No", {"S=S\xa1", "N=No"}},
      {"|S,S\xa1, sempre|N,", {"S=S\xa1, sempre", "N="}},
      {"|1 ,Un|", {"1 =Un", "="}},
      {"|X", {"X="}},
      {"lead|A,a", {"A=a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Options(c.list), c.options) << c.list;
}

TEST(FindChoice, MatchesTheWholeCodeExactly) {
  const std::vector<ChoiceOption> options = ParseChoices("|S,S\xa1|N,No|N ,Blank");
  EXPECT_EQ(FindChoice(options, "N")->description, "No");
  EXPECT_EQ(FindChoice(options, "N ")->description, "Blank");
  EXPECT_EQ(FindChoice(options, "s"), nullptr);
  EXPECT_EQ(FindChoice(options, ""), nullptr);
}

}  // namespace
}  // namespace form
