// Arbitrary bytes as a Browse.tmp: walking it forward and back ends within as many steps as the
// file could hold entries, every entry read lies inside the file, and a pick list over it, driven
// by the keys at the start of the input, closes and gives back its window.
//
// Input: byte 0 the window's height, byte 1 its width, byte 2 the number of keys k (0-15), then
// k key bytes, then the row file.
#include <stdlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "form/browse_list.h"
#include "platform/virtual_console.h"

namespace {

constexpr std::array<std::uint16_t, 8> kKeys = {0x4800, 0x5000, 0x4900, 0x5100,
                                                0x4B00, 0x4D00, 13,     0x3E00};

struct World {
  World() : screen(console, session, environment) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zcfuzz-XXXXXX").string();
    directory = ::mkdtemp(pattern.data());
    session.TempDir = directory + "/";
    session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
    console.SetEndHandler([this] { console.PushKey(27); });
    model.lookupCount = 2;
    model.lookups.resize(3);
  }
  std::string RowFilePath() const { return directory + "/Browse.tmp"; }

  std::string directory;
  frame::Session session;
  platform::MapEnvironment environment;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  screen::Screen screen;
  records::RecordFiles files{screen, session, timer, [] { std::abort(); }};
  form::KeyReaderState keys;
  form::ExitKeySet exitKeys;
  form::FormModel model;
};

void WriteRowFile(const World& world, std::string_view bytes) {
  std::ofstream out(world.RowFilePath(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void WalkTheFeed(World& world, std::string_view rowFile) {
  WriteRowFile(world, rowFile);
  records::BrowseState state;
  state.ended = -1;
  Check(state.rowFile.Open(world.RowFilePath(), platform::Share::kReadWriteShared, false));
  const auto size = static_cast<std::int64_t>(rowFile.size());
  const std::int64_t most = size / records::kRowHeaderSize + 1;

  std::int64_t entries = 0;
  std::int64_t previous = 0;
  while (state.atEnd == 0) {
    records::RecBrowseNext(world.files, state);
    if (state.entryRead == 0) break;
    Check(++entries <= most);
    Check(state.currentPosition > previous);
    Check(state.rowPosition ==
          state.currentPosition + records::kRowHeaderSize + state.currentHeader.length);
    Check(state.rowPosition <= size + 1);
    Check(state.currentText.size() == static_cast<std::size_t>(state.currentHeader.length));
    previous = state.currentPosition;
  }
  for (std::int64_t back = 0; records::BrowseStep(world.files, state, -1) == 1; ++back) {
    Check(back <= most);
    Check(state.currentPosition < previous);
    previous = state.currentPosition;
  }
  Check(state.firstRow == -1);
  const records::WalkBack walk = records::WalkBackFrom(state.rowFile, 1 + size / 2, 1 << 20);
  Check(walk.steps <= most);
}

void RunTheList(World& world, std::uint8_t height, std::uint8_t width, std::string_view keys,
                std::string_view rowFile) {
  WriteRowFile(world, rowFile);
  for (int k = 1; k <= 2; ++k) {
    auto& attr = world.model.lookups[static_cast<std::size_t>(k)].lookupAttr;
    attr = {0,
            0,
            2,
            3,
            static_cast<std::int16_t>(3 + height % 12),
            static_cast<std::int16_t>(4 + width % 60),
            0,
            static_cast<std::int16_t>(k == 1 ? 2 : 0)};
    world.model.lookups[static_cast<std::size_t>(k)].lookupText = "CODI_NOM DEL CLIENT";
  }
  for (char key : keys)
    world.console.PushKey(kKeys[static_cast<unsigned char>(key) % kKeys.size()]);
  world.console.PushKey(27);
  form::BrowseContext context{
      world.screen, world.keys, world.exitKeys, world.model, world.files, {}, {}, {}};
  std::int16_t cancelled = 0;
  form::BrowseList(context, 1, cancelled);
  while (world.console.PendingEvents() > 0) world.console.WaitEvent();
  Check(world.screen.WinDepth() == 0);
  Check(world.screen.SavedStyles() == 0);
  Check(!std::filesystem::exists(world.RowFilePath()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  if (size < 3) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t keyCount = std::min<std::size_t>(data[2] % 16, size - 3);
  const std::string_view keys = input.substr(3, keyCount);
  const std::string_view rowFile = input.substr(3 + keyCount);
  WalkTheFeed(world, rowFile);
  RunTheList(world, data[0], data[1], keys, rowFile);
  return 0;
}
