#include <string>

#include "platform/file.h"
#include "platform/process.h"
#include "screen/help_line.h"
#include "screen/screen.h"

namespace screen {
namespace {

constexpr std::uint16_t kKeyF1 = 0x3B00;
constexpr std::uint16_t kKeyDown = 0x5000;
constexpr std::uint16_t kKeyUp = 0x4800;
constexpr std::uint16_t kKeyPageDown = 0x5100;
constexpr std::uint16_t kKeyPageUp = 0x4900;
constexpr std::uint16_t kKeyHome = 0x4700;
constexpr std::uint16_t kKeyEnd = 0x4F00;
constexpr std::uint16_t kKeyEsc = 27;

// A help file read as fixed-length lines, one console width each. A missing file reads as no
// lines; a line past the end reads as the empty text.
class HelpFile {
 public:
  HelpFile(std::string_view path, int width) : width_(width) {
    if (file_.Open(path, platform::Share::kReadShared, false)) {
      count_ = HelpLineCount(file_.Size(), width);
    }
  }
  std::int64_t count() const { return count_; }
  void Close() { file_.Close(); }
  std::string Line(std::int64_t n) {
    std::string bytes(static_cast<std::size_t>(width_), '\0');
    bytes.resize(file_.Read((n - 1) * width_ + 1, bytes.data(), bytes.size()));
    return bytes;
  }

 private:
  platform::File file_;
  int width_;
  std::int64_t count_ = 0;
};

}  // namespace

void Screen::ShowHelp(std::string_view topic) {
  if (session_.PlatformTag == "WIN") {
    const std::string comspec = environment_.Get("COMSPEC");
    // The launcher's exit code means nothing to us, and a command processor that cannot be
    // started leaves nothing to wait for.
    if (!comspec.empty()) {
      // The launcher may write to the terminal: it gets it as the shell had it, and the
      // program's screen comes back afterwards.
      console_.Suspend();
      platform::RunProcess({comspec, "/C", "QLAUNCH", "AJUDA\\" + std::string(topic) + ".HTM"});
      console_.Resume();
    }
    return;
  }
  ShowHelpViewer(topic);
}

void Screen::ShowHelpViewer(std::string_view topic) {
  const int rows = ScreenRows();
  const int columns = ScreenCols();
  const std::int64_t page = rows - 8;
  SetStyle("+h");
  if (page < 1 || !WinPush(4, 1, rows - 3, columns)) {
    SetStyle("-");
    return;
  }
  WinFrame(kFrameDouble);
  SetStyle("n");

  HelpFile file("AJUDA\\" + std::string(topic) + ".HLP", columns);
  const std::int64_t total = file.count();
  auto show = [&](std::int64_t line, int row) {
    SetStyle("n");
    WinLocate(row, 2);
    for (const HelpSegment& segment : HelpLineSegments(file.Line(line))) {
      if (!segment.style.empty()) SetStyle(segment.style);
      console_.Write(segment.text);
    }
  };
  auto showPage = [&](std::int64_t first) {
    for (int row = 1; row <= page; ++row) show(first + row - 1, row);
  };
  // The interior, rows 5 to rows - 4 and columns 2 to columns - 1, in ScrollRegion's terms.
  auto scroll = [&](std::int64_t lines) {
    ScrollRegion(4, 1, rows - 5, columns - 2, static_cast<int>(lines));
  };

  showPage(1);
  std::int64_t next = page + 1;  // the line just below the last one shown
  for (;;) {
    const platform::InputEvent event = console_.WaitEvent();
    if (event.kind != platform::InputEvent::Kind::kKey || event.code == 0) continue;
    if (event.code == kKeyEsc) break;
    switch (event.code) {
      case kKeyF1:
        if (topic != kGeneralHelpTopic) ShowHelp(kGeneralHelpTopic);
        break;
      case kKeyDown:
        if (total >= next) {
          scroll(1);
          show(next, static_cast<int>(page));
          ++next;
        }
        break;
      case kKeyUp:
        if (next - page > 1) {
          --next;
          scroll(-1);
          show(next - page, 1);
        }
        break;
      case kKeyPageDown:
        if (total >= next) {
          if (next + page - 1 > total) next = total - page + 1;
          scroll(page);
          showPage(next);
          next += page;
        }
        break;
      case kKeyPageUp:
        // Back one page less a line: the first line shown stays on screen as the last.
        if (next - page > 1) {
          if (next - 2 * page < 1) next = 2 * page;
          scroll(-page);
          showPage(next - 2 * page + 1);
          next = next - page + 1;
        }
        break;
      case kKeyHome:
        if (next - page > 1) {
          scroll(-page);
          showPage(1);
          next = page + 1;
        }
        break;
      case kKeyEnd:
        if (total >= next) {
          scroll(page);
          showPage(total - page + 1);
          next = total + 1;
        }
        break;
      default:
        break;
    }
  }
  file.Close();
  WinPop();
  SetStyle("-");
}

}  // namespace screen
