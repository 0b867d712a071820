#include "form/choice_list.h"

namespace form {

std::vector<ChoiceOption> ParseChoices(std::string_view list) {
  std::vector<ChoiceOption> options;
  std::size_t bar = list.find('|');
  while (bar != std::string_view::npos) {
    const std::size_t next = list.find('|', bar + 1);
    const std::string_view option = list.substr(
        bar + 1, next == std::string_view::npos ? std::string_view::npos : next - bar - 1);
    const std::size_t comma = option.find(',');
    ChoiceOption parsed;
    parsed.code = option.substr(0, comma);
    if (comma != std::string_view::npos) parsed.description = option.substr(comma + 1);
    options.push_back(parsed);
    bar = next;
  }
  return options;
}

const ChoiceOption* FindChoice(const std::vector<ChoiceOption>& options, std::string_view value) {
  for (const ChoiceOption& option : options) {
    if (option.code == value) return &option;
  }
  return nullptr;
}

}  // namespace form
