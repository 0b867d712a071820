// Cost of the text utilities on the calculator's display and the calendar's date texts.
#include <benchmark/benchmark.h>

#include <string>

#include "frame/session.h"
#include "text/date_format.h"
#include "text/mask_format.h"

namespace {

text::TextSettings PresetSettings() {
  text::TextSettings settings;
  settings.decimalSeparator = '\'';
  settings.thousandsSeparator = '.';
  settings.DateSeparator = '/';
  settings.DateOrder = "DMA";
  return settings;
}

void BM_MaskFormatDisplayTwoDecimals(benchmark::State& state) {
  text::TextSettings settings = PresetSettings();
  double value = 1234567.89;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text::MaskFormat(settings, "-ZZ,ZZZ,ZZZ,ZZZ,ZZ9.99", value));
  }
}
BENCHMARK(BM_MaskFormatDisplayTwoDecimals);

void BM_MaskFormatDisplayNoPoint(benchmark::State& state) {
  text::TextSettings settings = PresetSettings();
  double value = -987654321;
  for (auto _ : state) {
    benchmark::DoNotOptimize(text::MaskFormat(settings, "-Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9", value));
  }
}
BENCHMARK(BM_MaskFormatDisplayNoPoint);

void BM_FormatDate(benchmark::State& state) {
  text::TextSettings settings = PresetSettings();
  const std::string date = frame::PackDigits("20240315");
  const auto style = static_cast<std::int16_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(text::FormatDate(settings, date, style, "dma", "CAT"));
  }
}
BENCHMARK(BM_FormatDate)->Arg(0)->Arg(2);

}  // namespace
