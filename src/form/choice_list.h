// Choice lists of choice cells: options written one after another as "|code,description".
// Pure functions over views into the caller's list, which must outlive the result; nothing
// here draws or keeps state.
#pragma once

#include <string_view>
#include <vector>

namespace form {

struct ChoiceOption {
  std::string_view code;
  std::string_view description;
};

// The options in list order. Each option runs from a "|" to the next "|" or the end; its code
// ends at its first comma (an option without a comma is all code, with an empty description).
// Text before the first "|" belongs to no option.
std::vector<ChoiceOption> ParseChoices(std::string_view list);

// The option whose code is exactly `value` (blanks count), or null.
const ChoiceOption* FindChoice(const std::vector<ChoiceOption>& options, std::string_view value);

}  // namespace form
