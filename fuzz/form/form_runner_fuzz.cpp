// Any keys, clicks and clipboard text on a page of the default form or of a small form with
// every kind of cell (its attributes varied too): the form runner and the field editor never
// crash, never read or write out of bounds, never loop without reading a key, and when a page
// ends they leave the exit-key set, the input mask, the styles and the window stack as they found
// them and every cell value as long as its width.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "form/form_loader.h"
#include "form/form_runner.h"
#include "platform/virtual_console.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Thrown by the console when the script runs dry: the run is over, wherever it stood.
struct ScriptEnded {};

constexpr std::string_view kSmallForm =
    "3,6\r\n"
    "\"d,1b,4800,5000,4900,5100,3c00,3e00,4400=2\",5,2,0,0,0,0\r\n"
    "5,1,\"Nom: \",10,0,0,0,0,0,\"\"\r\n"
    "6,1,\"Quantitat: \",4,0,0,0,2,0,\"\"\r\n"
    "7,1,\"Clau: \",6,0,2,2,0,0,\"\"\r\n"
    "8,1,\"Codi: \",3,0,0,1,0,1,\"\"\r\n"
    "9,1,\"IVA: \",1,0,2,0,0,0,\"|S,S\xa1|N,No|E,\x90xempt\"\r\n"
    "\"d,1b,4800,5000,4900,5100\",2,0,10,20,16,70\r\n"
    "2,2,\"Notes: \",12,4,0,8,0,0,\"\"\r\n"
    "5,2,\"Final: \",2,0,0,0,0,0,\"\"\r\n"
    "\"d,1b\",1,0,18,10,22,71\r\n"
    "2,3,\"Sortir? \",1,0,2,0,0,0,\"|S,S\xa1|N,No\"\r\n"
    "1\r\n"
    "0,0,5,5,10,40,0,\"Codis\",0\r\n";

constexpr std::uint16_t kSpecialKeys[32] = {
    0x3B00, 0x3C00, 0x3E00, 0x4700, 0x4800, 0x4900, 0x4B00, 0x4D00, 0x4F00, 0x5000, 0x5100,
    0x5200, 0x5300, 0x7300, 0x7400, 0x7700, 0x6100, 0x6B00, 0x0F00, 0x2D00, 0x2E00, 0x4C00,
    0x3D00, 0x3F00, 0x1200, 0x2100, 0x8500, 0x8600, 0x5E00, 0x4400, 0x0001, 0x0000};

std::string Identity(std::string_view text) { return std::string(text); }

const form::FormModel& SmallModel() {
  static const form::FormModel model = [] {
    form::FormModel m;
    Check(form::ParseForm(kSmallForm, Identity, m).ok());
    return m;
  }();
  return model;
}

const form::FormModel& DefaultModel() {
  static const form::FormModel model = [] {
    std::ifstream in(ZC_SOURCE_DIR "/data/root/FORMS/ZCONCTAB.KFM", std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    form::FormModel m;
    Check(form::ParseForm(bytes, Identity, m).ok());
    m.Page(1).pageCellCount = 60;
    for (int row = 0; row < 20; ++row) {
      if (row % 3 == 0) m.Cell(1, row * 6 + 2).cellValue = "Lloguers            ";
    }
    return m;
  }();
  return model;
}

const std::string& TempDir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/zcfuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    Check(made != nullptr);
    return std::string(made) + "/";
  }();
  return dir;
}

struct Popups : form::PopupHooks {
  std::string ShowCalculator() override { return "1 2"; }
  std::string ShowCalendar() override { return "31/12/2026"; }
};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  const std::uint8_t setup = in.Next();
  const bool defaultForm = (setup & 1) != 0;
  form::FormModel model = defaultForm ? DefaultModel() : SmallModel();
  if (!defaultForm) {
    // Vary what the loader lets a form say about page 1's cells.
    for (int c = 1; c <= 5; ++c) {
      form::FormCell& cell = model.Cell(1, c);
      const std::uint8_t shape = in.Next();
      cell.cellFlags = static_cast<std::int16_t>(shape & 15);
      cell.cellEditWidth = static_cast<std::int16_t>((shape >> 4) % 13);
      cell.cellPad = static_cast<std::int16_t>(in.Next() % 4);
    }
    if (in.Next() & 1) model.Page(1).pageFrame = {0, 3, 2, 20, 60};
  }

  frame::Session session;
  session.TempDir = TempDir();
  session.LanguageCode = "CAT";
  session.StylePalette = {{{15, 0}, {7, 1}, {0, 7}, {14, 4}, {1, 3}}};
  if (setup & 16) session.HelpTopic = "ZCONCTAB";
  std::remove((TempDir() + "WinPush.tmp").c_str());

  platform::VirtualConsole console{25, 80};
  console.SetEndHandler([] { throw ScriptEnded{}; });
  console.SetInsertToggle((setup & 2) != 0);
  if (setup & 128) {
    std::string clip;
    for (int i = 0; i < 8; ++i) clip.push_back(static_cast<char>(in.Next()));
    console.PutClipboard(clip);
  }
  while (in.More()) {
    const std::uint8_t b = in.Next();
    if (b < 0x80 || b >= 0xE0) {
      console.PushKey(b);
    } else if (b < 0xC0) {
      console.PushKey(kSpecialKeys[b & 31], (b & 32) ? platform::kLeftCtrl : 0);
    } else {
      const int row = in.Next() % 25 + 1;
      const int column = in.Next() % 80 + 1;
      const std::uint8_t button = (b & 1) ? platform::kButtonRight : platform::kButtonLeft;
      console.PushEvent(platform::InputEvent::Mouse(platform::kMouseReleased, button, row, column));
    }
  }

  platform::MapEnvironment environment;
  screen::Screen screen(console, session, environment);
  text::TextSettings textSettings;
  textSettings.decimalSeparator = '\'';
  textSettings.thousandsSeparator = '.';
  Popups popups;
  form::KeyReaderState keyReader;
  keyReader.Popups = &popups;
  form::ExitKeySet exitKeys;
  form::SetExitKeys(exitKeys, "a", "1b");
  std::int16_t formModified = 0;
  std::int16_t currentPage = 1;
  form::FieldEditor editor(screen, keyReader, exitKeys, textSettings);
  form::FormRunner runner(editor, model, "ZCONCTAB", formModified, currentPage);
  runner.TargetPage = static_cast<std::int16_t>((setup >> 5) & 3);
  int lookups = 0;
  runner.BrowseList = [&](std::int16_t) {
    form::SetExitKeys(exitKeys, "+ea", "d,1b");
    form::SetExitKeys(exitKeys, "-", "");
    return static_cast<std::int16_t>(++lookups % 2 == 0 ? 0 : -1);
  };

  std::int16_t key = 0;
  try {
    form::RunForm(runner, 1, (setup & 4) ? -1 : 0, (setup & 8) ? -1 : 0, key);
  } catch (const ScriptEnded&) {
    return 0;
  }
  Check(exitKeys.ExitSaveDepth == 0);
  Check(exitKeys.ExitKeys.size() == 1 && exitKeys.ExitKeys[0] == 27);
  Check(exitKeys.InputMask == 0);
  Check(screen.WinDepth() == 0);
  Check(screen.SavedStyles() == 0);
  Check(textSettings.FoldSearchMode == 0);
  for (int p = 1; p <= model.pageCount; ++p) {
    for (int c = 1; c <= model.Page(p).pageCellCount; ++c) {
      const form::FormCell& cell = model.Cell(p, c);
      Check(cell.cellValue.size() == static_cast<std::size_t>(cell.cellWidth));
    }
  }
  return 0;
}
