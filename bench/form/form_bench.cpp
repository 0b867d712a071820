// Cost per key of the field editor: scripts of 1,000 keys on the VirtualConsole, beside the key
// reader alone on the same keys (what reading costs before the editor does anything).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "form/field_editor.h"
#include "form/key_codes.h"
#include "platform/environment.h"
#include "platform/virtual_console.h"

namespace {

constexpr int kKeysPerScript = 1000;

// Typing, moves, deletions and word moves over a 20-character name, ended by Enter.
std::vector<std::uint16_t> TextScript() {
  const std::vector<std::uint16_t> pattern = {'L',
                                              'l',
                                              'o',
                                              'g',
                                              'u',
                                              'e',
                                              'r',
                                              's',
                                              ' ',
                                              'i',
                                              form::kKeyHome,
                                              form::kKeyCtrlRight,
                                              form::kKeyEnd,
                                              form::kKeyBackspace,
                                              form::kKeyLeft,
                                              form::kKeyDelete,
                                              form::kKeyCtrlLeft,
                                              form::kKeyInsert,
                                              0x82,
                                              form::kKeyRight};
  std::vector<std::uint16_t> keys;
  while (keys.size() < kKeysPerScript - 1) keys.push_back(pattern[keys.size() % pattern.size()]);
  keys.push_back(form::kKeyEnter);
  return keys;
}

// Stepping through a choice of three options with the arrows and first letters.
std::vector<std::uint16_t> ChoiceScript() {
  const std::vector<std::uint16_t> pattern = {form::kKeyRight, form::kKeyRight, 'n', 's',
                                              form::kKeyLeft,  form::kKeySpace, 'e'};
  std::vector<std::uint16_t> keys;
  while (keys.size() < kKeysPerScript - 1) keys.push_back(pattern[keys.size() % pattern.size()]);
  keys.push_back(form::kKeyEnter);
  return keys;
}

struct World {
  World() {
    session.StylePalette = {{{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}}};
    form::SetExitKeys(exitKeys, "+ea", "4900,5100,d,1b,4800,5000,3b00");
  }
  void Push(const std::vector<std::uint16_t>& keys) {
    for (std::uint16_t k : keys) console.PushKey(k);
  }

  frame::Session session;
  platform::VirtualConsole console{25, 80};
  platform::MapEnvironment environment;
  screen::Screen screen{console, session, environment};
  form::KeyReaderState keyReader;
  form::ExitKeySet exitKeys;
  text::TextSettings textSettings;
  form::FieldEditor editor{screen, keyReader, exitKeys, textSettings};
};

// Every key of a script must be read by the edit it was meant for, or the figures lie.
void PerKey(benchmark::State& state, const World& world) {
  if (world.console.PendingEvents() != 0) state.SkipWithError("keys left unread");
  state.counters["per_key"] = benchmark::Counter(
      kKeysPerScript, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EditFieldTextKeys(benchmark::State& state) {
  World world;
  const std::vector<std::uint16_t> keys = TextScript();
  for (auto _ : state) {
    state.PauseTiming();
    world.Push(keys);
    std::string text(20, ' ');
    std::int16_t pos = 1;
    state.ResumeTiming();
    benchmark::DoNotOptimize(form::EditField(world.editor, 4, 9, 0, text, pos));
  }
  PerKey(state, world);
}
BENCHMARK(BM_EditFieldTextKeys);

void BM_EditFieldChoiceKeys(benchmark::State& state) {
  World world;
  form::SetFieldChoices(world.editor, "|S,S\xa1|N,No|E,Exempt");
  const std::vector<std::uint16_t> keys = ChoiceScript();
  for (auto _ : state) {
    state.PauseTiming();
    world.Push(keys);
    std::string text = "S";
    std::int16_t pos = 1;
    state.ResumeTiming();
    benchmark::DoNotOptimize(form::EditField(world.editor, 4, 30, 0, text, pos));
  }
  PerKey(state, world);
}
BENCHMARK(BM_EditFieldChoiceKeys);

// The same keys through ReadKey alone: the floor under the editor's cost.
void BM_ReadKeyOnly(benchmark::State& state) {
  World world;
  const std::vector<std::uint16_t> keys = TextScript();
  for (auto _ : state) {
    state.PauseTiming();
    world.Push(keys);
    state.ResumeTiming();
    for (int i = 0; i < kKeysPerScript; ++i) {
      benchmark::DoNotOptimize(form::ReadKey(world.console, world.keyReader));
    }
  }
  PerKey(state, world);
}
BENCHMARK(BM_ReadKeyOnly);

}  // namespace
