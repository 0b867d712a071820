// Arbitrary bytes as a KAVCALC.TMP: the reader never crashes, whatever it reads is a state the
// calculator can use (window on the screen, finite numbers), and writing that state and reading
// it again gives the same state.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string_view>

#include "popups/calculator.h"
#include "popups/calculator_state.h"

namespace {

bool Usable(const popups::CalculatorState& s) {
  if (s.leftColumn < popups::kFirstLeftColumn || s.leftColumn > popups::kLastLeftColumn ||
      s.firstVisibleLine < popups::kTopVisibleLine || s.firstVisibleLine > popups::kNoLineVisible ||
      !std::isfinite(s.entry) || !std::isfinite(s.accumulator) || s.entryDecimals < 0) {
    return false;
  }
  for (const popups::TapeLine& line : s.tape) {
    if (!std::isfinite(line.value) || line.decimals < 0) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  popups::CalculatorState state = popups::ReadCalculatorState(file);
  if (!Usable(state)) std::abort();
  if (popups::ReadCalculatorState(popups::WriteCalculatorState(state)) != state) std::abort();
  // Whatever was read must survive the keys that compute with it.
  for (const std::int16_t key : std::initializer_list<std::int16_t>{'=', '%', 'R', '+', '/', '0',
                                                                    '=', '\b', 'C', 'C', 'C'}) {
    popups::PressCalculatorKey(state, key);
    if (!Usable(state)) std::abort();
  }
  (void)popups::TakeCalculatorValue(state);
  (void)popups::CalculatorMask(state.entryPointFlag, state.entryDecimals);
  return 0;
}
