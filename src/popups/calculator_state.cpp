#include "popups/calculator_state.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace popups {
namespace {

constexpr int kFirstTapeFileLine = 4;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The fields of one line: a quoted field runs to its closing quote (commas inside it belong to
// it, anything between the closing quote and the next comma is dropped); any other field runs
// to the next comma, blanks around it trimmed.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t comma;
    if (at < line.size() && line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      const std::size_t end = close == std::string_view::npos ? line.size() : close;
      fields.push_back(line.substr(at + 1, end - at - 1));
      comma = line.find(',', end);
    } else {
      comma = line.find(',', at);
      const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
      fields.push_back(TrimBlanks(line.substr(at, end - at)));
    }
    if (comma == std::string_view::npos) break;
    at = comma + 1;
  }
  return fields;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int16_t> ParseWhole(std::string_view text, int lowest, int highest) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < lowest ||
      value > highest) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(value);
}

constexpr int kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr int kInt16Max = std::numeric_limits<std::int16_t>::max();

// Field i of a line, or nothing when the line is shorter.
class Fields {
 public:
  explicit Fields(std::string_view line) : fields_(SplitFields(line)) {}
  std::optional<std::string_view> operator[](std::size_t i) const {
    if (i >= fields_.size()) return std::nullopt;
    return fields_[i];
  }
  void Number(std::size_t i, double& target) const {
    if (auto f = (*this)[i]) {
      if (auto v = ParseNumber(*f)) target = *v;
    }
  }
  void Whole(std::size_t i, std::int16_t& target, int lowest = kInt16Min,
             int highest = kInt16Max) const {
    if (auto f = (*this)[i]) {
      if (auto v = ParseWhole(*f, lowest, highest)) target = *v;
    }
  }
  // A stray quote in an unquoted text is dropped, as the writer could not keep it.
  void Text(std::size_t i, std::string& target) const {
    if (auto f = (*this)[i]) {
      target.clear();
      for (char c : *f) {
        if (c != '"') target += c;
      }
    }
  }

 private:
  std::vector<std::string_view> fields_;
};

void AppendField(std::string& out, std::string_view field, bool last) {
  out += field;
  out += last ? "\r\n" : ",";
}

// A quote or a line end inside a text would end its field or record early, so they are left
// out; the calculator's own texts never hold them.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c != '"' && c != '\n') quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace

std::string ShortestDecimal(double value) {
  // The fixed form of a double has at most 309 integer digits and 767 significant decimals.
  char buffer[1100];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

CalculatorState ReadCalculatorState(std::string_view bytes) {
  CalculatorState state;
  int lineNumber = 0;
  while (!bytes.empty() && lineNumber < kFirstTapeFileLine - 1 + kTapeLines) {
    ++lineNumber;
    const std::size_t newline = bytes.find('\n');
    std::string_view line = bytes.substr(0, newline);
    bytes = newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const Fields fields(line);
    switch (lineNumber) {
      case 1:
        fields.Whole(0, state.leftColumn, kFirstLeftColumn, kLastLeftColumn);
        fields.Whole(1, state.firstVisibleLine, kTopVisibleLine, kNoLineVisible);
        fields.Number(2, state.entry);
        fields.Number(3, state.accumulator);
        break;
      case 2:
        fields.Whole(0, state.clearedFlag);
        fields.Whole(1, state.entryFlag);
        fields.Whole(2, state.entryPointFlag);
        fields.Whole(3, state.entryDecimals, 0);
        break;
      case 3:
        fields.Text(0, state.lastKey);
        fields.Text(1, state.pendingOperation);
        break;
      default: {
        TapeLine& tape = state.tape[static_cast<std::size_t>(lineNumber - kFirstTapeFileLine)];
        fields.Number(0, tape.value);
        fields.Whole(1, tape.pointFlag);
        fields.Whole(2, tape.decimals, 0);
        if (auto op = fields[3]; op && !op->empty()) tape.operation = op->front();
        break;
      }
    }
  }
  return state;
}

std::string WriteCalculatorState(const CalculatorState& state) {
  std::string out;
  AppendField(out, std::to_string(state.leftColumn), false);
  AppendField(out, std::to_string(state.firstVisibleLine), false);
  AppendField(out, ShortestDecimal(state.entry), false);
  AppendField(out, ShortestDecimal(state.accumulator), true);
  AppendField(out, std::to_string(state.clearedFlag), false);
  AppendField(out, std::to_string(state.entryFlag), false);
  AppendField(out, std::to_string(state.entryPointFlag), false);
  AppendField(out, std::to_string(state.entryDecimals), true);
  AppendField(out, Quoted(state.lastKey), false);
  AppendField(out, Quoted(state.pendingOperation), true);
  for (const TapeLine& line : state.tape) {
    AppendField(out, ShortestDecimal(line.value), false);
    AppendField(out, std::to_string(line.pointFlag), false);
    AppendField(out, std::to_string(line.decimals), false);
    AppendField(out, Quoted(std::string_view(&line.operation, 1)), true);
  }
  return out;
}

}  // namespace popups
