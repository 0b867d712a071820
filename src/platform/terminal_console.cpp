#include "platform/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/cp850.h"
#include "platform/term_input.h"

// ncurses' term.h defines macros named after capabilities; none of them may leak below.
#undef columns
#undef lines

namespace platform {
namespace {

// Signal handlers may only touch these: flags, the wake-up pipe, and the bytes and terminal
// modes that put the terminal back. They are process-wide because signals are.
volatile sig_atomic_t gEndRequested = 0;
volatile sig_atomic_t gResized = 0;
volatile sig_atomic_t gContinued = 0;
int gWakePipe[2] = {-1, -1};
int gTerminalFd = -1;
struct termios gSavedModes;
volatile sig_atomic_t gModesSaved = 0;
volatile sig_atomic_t gTerminalActive = 0;
char gRestoreBytes[512];
volatile sig_atomic_t gRestoreLength = 0;

void Wake() {
  if (gWakePipe[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(gWakePipe[1], &byte, 1);
  }
}

// Async-signal-safe: a write and tcsetattr.
void RestoreFromSignal() {
  if (!gTerminalActive) return;
  if (gRestoreLength > 0) {
    [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, gRestoreBytes, gRestoreLength);
  }
  if (gModesSaved) ::tcsetattr(gTerminalFd, TCSAFLUSH, &gSavedModes);
}

void OnEndSignal(int) {
  gEndRequested = 1;
  Wake();
}

void OnResize(int) {
  gResized = 1;
  Wake();
}

void OnStop(int) {
  const int saved = errno;
  RestoreFromSignal();
  ::raise(SIGSTOP);
  errno = saved;
}

void OnContinue(int) {
  gContinued = 1;
  Wake();
}

void OnCrash(int sig) {
  RestoreFromSignal();
  gTerminalActive = 0;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void Install(int sig, void (*handler)(int), int flags) {
  struct sigaction sa {};
  sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  ::sigaction(sig, &sa, nullptr);
}

std::string Capability(const char* name) {
  const char* value = ::tigetstr(const_cast<char*>(name));
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return {};
  return value;
}

// Console colour order (blue 1, red 4) to ANSI order (red 1, blue 4).
constexpr int kAnsiOfConsole[8] = {0, 4, 2, 6, 1, 5, 3, 7};

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void LogicalScreenSize(int terminalRows, int terminalColumns, int& rows, int& columns) {
  rows = std::clamp(terminalRows, 25, 99);
  columns = std::clamp(terminalColumns, 80, 99);
}

struct TerminalConsole::Impl {
  int inFd = 0;
  int outFd = 1;
  int modesFd = 0;  // the descriptor whose terminal modes are switched: input's, or output's
  bool linuxConsole = false;
  int colors = 8;
  std::string smcup, rmcup, civis, cnorm, cup, setaf, setab, sgr0, bold, ss, se, bel, clear;
  bool kittyPushed = false;
  bool restored = false;
  int escDelayMs = 25;

  int termRows = 25;
  int termColumns = 80;
  bool tooSmall = false;
  bool fullRepaint = true;

  std::vector<Cell> shown;  // what the terminal shows, per logical cell
  std::vector<bool> shownValid;
  int shownCursorSize = -1;
  int sgrFg = -1, sgrBg = -1;
  bool sgrBold = false;
  bool mouseOn = false;

  std::string out;
  TermInputParser parser;
  DoubleClickDetector clicks;
  std::deque<InputEvent> queue;

  void Send(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(outFd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }
  void SendOut() {
    Send(out);
    out.clear();
  }

  std::string CursorShapeBytes(int size) const {
    if (linuxConsole) return size <= 50 ? "\x1b[?4c" : "\x1b[?6c";
    if (ss.empty()) return {};
    return ::tiparm(ss.c_str(), size <= 50 ? 4 : 2);  // steady underline, steady block
  }

  std::string RestoreBytes() const {
    std::string bytes = "\x1b[?1006l\x1b[?1002l\x1b[?1000l";
    if (kittyPushed) bytes += "\x1b[<u";
    bytes += "\x1b[?7h";
    bytes += sgr0.empty() ? "\x1b[m" : sgr0;
    if (linuxConsole) {
      bytes += "\x1b[?0c";
    } else if (!se.empty()) {
      bytes += se;
    }
    bytes += cnorm;
    bytes += rmcup;
    return bytes;
  }

  void ReadTerminalSize() {
    struct winsize ws {};
    if (::ioctl(outFd, TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0) {
      termRows = ws.ws_row;
      termColumns = ws.ws_col;
    }
  }

  void SetSgr(std::uint8_t attribute) {
    const int fg = attribute & 0x0F;
    const int bg = attribute >> 4;
    const bool wantBold = colors < 16 && (fg & 8);
    if (fg == sgrFg && bg == sgrBg && wantBold == sgrBold) return;
    if (sgrBold && !wantBold) {
      out += sgr0.empty() ? "\x1b[m" : sgr0;
      sgrFg = sgrBg = -1;
      sgrBold = false;
    }
    if (wantBold && !sgrBold) {
      out += bold.empty() ? "\x1b[1m" : bold;
      sgrBold = true;
    }
    auto colour = [&](const std::string& cap, int console, bool background) {
      int n = kAnsiOfConsole[console & 7];
      if (colors >= 16 && (console & 8)) n += 8;
      if (!cap.empty()) {
        out += ::tiparm(cap.c_str(), n);
      } else {
        out +=
            "\x1b[" +
            std::to_string((n >= 8 ? (background ? 100 : 90) : (background ? 40 : 30)) + (n & 7)) +
            "m";
      }
    };
    if (fg != sgrFg) colour(setaf, fg, false);
    if (bg != sgrBg) colour(setab, bg, true);
    sgrFg = fg;
    sgrBg = bg;
  }

  void MoveTo(int row, int column) {
    if (!cup.empty()) {
      out += ::tiparm(cup.c_str(), row - 1, column - 1);
    } else {
      out += "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
    }
  }

  void Setup() {
    struct termios raw = gSavedModes;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON | INLCR | IGNCR);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_cflag |= CS8;
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(modesFd, TCSAFLUSH, &raw);
    out += smcup;
    out += "\x1b[?7l";  // no automatic margins: the last cell must not scroll the screen
    if (kittyPushed) out += "\x1b[>27u";
    out += civis;
    shownCursorSize = 0;
    sgrFg = sgrBg = -1;
    sgrBold = false;
    fullRepaint = true;
    SendOut();
  }
};

std::unique_ptr<TerminalConsole> TerminalConsole::Open(std::string& error) {
  // Input may come from elsewhere (a closed or redirected input simply ends the run), but the
  // screen must be a terminal.
  if (!::isatty(1)) {
    error = "standard output is not a terminal";
    return nullptr;
  }
  const int modesFd = ::isatty(0) ? 0 : 1;
  int status = 0;
  if (::setupterm(nullptr, 1, &status) != 0) {
    error = "the terminal type in TERM is not known to terminfo";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  const char* term = std::getenv("TERM");
  impl->linuxConsole = term != nullptr && std::strncmp(term, "linux", 5) == 0;
  impl->colors = std::max(8, ::tigetnum(const_cast<char*>("colors")));
  impl->smcup = Capability("smcup");
  impl->rmcup = Capability("rmcup");
  impl->civis = Capability("civis");
  impl->cnorm = Capability("cnorm");
  impl->cup = Capability("cup");
  impl->setaf = Capability("setaf");
  impl->setab = Capability("setab");
  impl->sgr0 = Capability("sgr0");
  impl->bold = Capability("bold");
  impl->ss = Capability("Ss");
  impl->se = Capability("Se");
  impl->bel = Capability("bel");
  if (impl->civis.empty()) impl->civis = "\x1b[?25l";
  if (impl->cnorm.empty()) impl->cnorm = "\x1b[?25h";
  if (impl->bel.empty()) impl->bel = "\a";
  const bool hasMouse = !Capability("kmous").empty();
  if (const char* delay = std::getenv("ESCDELAY"); delay != nullptr && *delay != '\0') {
    impl->escDelayMs = std::clamp(std::atoi(delay), 1, 2000);
  }

  if (::tcgetattr(modesFd, &gSavedModes) != 0) {
    error = "the terminal modes cannot be read";
    return nullptr;
  }
  gModesSaved = 1;
  gTerminalFd = modesFd;
  if (gWakePipe[0] < 0 && ::pipe2(gWakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = "no pipe for signals";
    return nullptr;
  }

  std::unique_ptr<TerminalConsole> console(new TerminalConsole(std::move(impl)));
  console->mouseButtons_ = hasMouse ? 3 : 0;
  Impl& m = *console->impl_;
  m.modesFd = modesFd;

  m.ReadTerminalSize();
  int rows, columns;
  LogicalScreenSize(m.termRows, m.termColumns, rows, columns);
  console->ResizeCells(rows, columns);
  m.shown.assign(static_cast<std::size_t>(rows * columns), Cell{});
  m.shownValid.assign(static_cast<std::size_t>(rows * columns), false);

  // Restore bytes first, so that a signal from here on finds them.
  const std::string restore = m.RestoreBytes();
  std::memcpy(gRestoreBytes, restore.data(), std::min(restore.size(), sizeof gRestoreBytes));
  gRestoreLength = static_cast<sig_atomic_t>(std::min(restore.size(), sizeof gRestoreBytes));
  gTerminalActive = 1;

  Install(SIGTERM, OnEndSignal, 0);
  Install(SIGINT, OnEndSignal, 0);
  Install(SIGHUP, OnEndSignal, 0);
  Install(SIGQUIT, OnEndSignal, 0);
  Install(SIGPIPE, OnEndSignal, 0);
  Install(SIGWINCH, OnResize, SA_RESTART);
  Install(SIGTSTP, OnStop, SA_RESTART);
  Install(SIGCONT, OnContinue, SA_RESTART);
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) Install(sig, OnCrash, SA_RESETHAND);

  m.Setup();

  // Ask whether the terminal speaks the kitty keyboard protocol (which reports keypad keys and
  // the Alt release); the device-attributes reply that every terminal sends ends the wait.
  if (modesFd == 0) m.Send("\x1b[?u\x1b[c");
  std::vector<InputEvent> early;
  const std::int64_t deadline = NowMs() + 300;
  while (modesFd == 0 && m.parser.deviceAttributeReplies() == 0) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0) break;
    struct pollfd pfd {
      0, POLLIN, 0
    };
    if (::poll(&pfd, 1, static_cast<int>(left)) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(0, buffer, sizeof buffer);
    if (n <= 0) break;
    m.parser.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), early);
  }
  for (const InputEvent& e : early) m.queue.push_back(e);
  if (m.parser.kittyReplies() > 0) {
    m.kittyPushed = true;
    // Flags: disambiguate, report releases, all keys as escapes, with their text.
    m.Send("\x1b[>27u");
    const std::string withKitty = m.RestoreBytes();
    std::memcpy(gRestoreBytes, withKitty.data(), std::min(withKitty.size(), sizeof gRestoreBytes));
    gRestoreLength = static_cast<sig_atomic_t>(std::min(withKitty.size(), sizeof gRestoreBytes));
  }
  return console;
}

TerminalConsole::TerminalConsole(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

TerminalConsole::~TerminalConsole() { Restore(); }

void TerminalConsole::Restore() {
  Impl& m = *impl_;
  if (m.restored) return;
  m.restored = true;
  m.out.clear();
  m.Send(m.RestoreBytes());
  gTerminalActive = 0;
  ::tcdrain(m.outFd);
  // Mouse reports and replies already on their way must not spill into the shell.
  ::usleep(30000);
  ::tcflush(m.modesFd, TCIFLUSH);
  if (gModesSaved) ::tcsetattr(m.modesFd, TCSAFLUSH, &gSavedModes);
  for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGWINCH, SIGTSTP, SIGCONT, SIGSEGV,
                  SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    ::signal(sig, SIG_DFL);
  }
}

void TerminalConsole::CellChanged(int row, int column) {}

void TerminalConsole::Flush() {
  Impl& m = *impl_;
  if (m.restored) return;
  const int rows = Rows();
  const int columns = Columns();
  m.tooSmall = m.termRows < 25 || m.termColumns < 80;
  if (m.tooSmall) {
    m.out += m.sgr0.empty() ? "\x1b[m" : m.sgr0;
    m.out += "\x1b[H\x1b[2J";
    m.out += "Terminal " + std::to_string(m.termColumns) + " x " + std::to_string(m.termRows) +
             ": 80 x 25 min.";
    m.sgrFg = m.sgrBg = -1;
    m.sgrBold = false;
    m.fullRepaint = true;
    m.SendOut();
    return;
  }
  if (m.fullRepaint) {
    m.out += m.sgr0.empty() ? "\x1b[m" : m.sgr0;
    m.sgrFg = m.sgrBg = -1;
    m.sgrBold = false;
    m.out += "\x1b[H\x1b[2J";
    std::fill(m.shownValid.begin(), m.shownValid.end(), false);
    m.fullRepaint = false;
  }
  int lastRow = -1, lastColumn = -1;
  for (int r = 1; r <= std::min(rows, m.termRows); ++r) {
    for (int c = 1; c <= std::min(columns, m.termColumns); ++c) {
      const std::size_t i = static_cast<std::size_t>((r - 1) * columns + (c - 1));
      const Cell& cell = CellAt(r, c);
      if (m.shownValid[i] && m.shown[i] == cell) continue;
      if (r != lastRow || c != lastColumn + 1) m.MoveTo(r, c);
      m.SetSgr(cell.attribute);
      AppendUtf8(m.out, Cp850Glyph(cell.ch));
      m.shown[i] = cell;
      m.shownValid[i] = true;
      lastRow = r;
      lastColumn = c;
    }
  }
  m.MoveTo(CursorRow(), CursorColumn());
  const int size = CursorSize();
  if (size != m.shownCursorSize) {
    if (size == 0) {
      m.out += m.civis;
    } else {
      m.out += m.CursorShapeBytes(size);
      m.out += m.cnorm;
    }
    m.shownCursorSize = size;
  }
  m.SendOut();
}

void TerminalConsole::DiscardPendingInput() {
  Impl& m = *impl_;
  m.queue.clear();
  std::vector<InputEvent> dropped;
  m.parser.Timeout(dropped);
  struct pollfd pfd {
    m.inFd, POLLIN, 0
  };
  char buffer[4096];
  while (::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN)) {
    if (::read(m.inFd, buffer, sizeof buffer) <= 0) break;
  }
}

void TerminalConsole::Suspend() {
  Impl& m = *impl_;
  if (m.restored) return;
  Flush();
  m.Send(m.RestoreBytes());
  if (gModesSaved) ::tcsetattr(m.modesFd, TCSADRAIN, &gSavedModes);
}

void TerminalConsole::Resume() {
  Impl& m = *impl_;
  if (m.restored) return;
  m.Setup();  // raw modes again, and a full repaint at the next flush
  if (m.mouseOn) m.Send("\x1b[?1000h\x1b[?1002h\x1b[?1006h");
}

bool TerminalConsole::InputWaiting() {
  Impl& m = *impl_;
  if (!m.queue.empty()) return true;
  struct pollfd pfd {
    m.inFd, POLLIN, 0
  };
  return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN) != 0;
}

void TerminalConsole::SetMouseReporting(bool on) {
  Impl& m = *impl_;
  if (on == m.mouseOn || mouseButtons_ == 0 || m.restored) return;
  m.mouseOn = on;
  // Switched off at once, so that no report made while the program works reaches the input.
  m.Send(on ? "\x1b[?1000h\x1b[?1002h\x1b[?1006h" : "\x1b[?1006l\x1b[?1002l\x1b[?1000l");
}

void TerminalConsole::PutClipboard(std::string_view text) {
  CellConsole::PutClipboard(text);
  static constexpr char kBase64[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string utf8 = Cp850ToUtf8(text);
  std::string encoded;
  for (std::size_t i = 0; i < utf8.size(); i += 3) {
    const std::uint32_t b0 = static_cast<unsigned char>(utf8[i]);
    const std::uint32_t b1 = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    const std::uint32_t b2 = i + 2 < utf8.size() ? static_cast<unsigned char>(utf8[i + 2]) : 0;
    const std::uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    encoded += kBase64[(v >> 18) & 63];
    encoded += kBase64[(v >> 12) & 63];
    encoded += i + 1 < utf8.size() ? kBase64[(v >> 6) & 63] : '=';
    encoded += i + 2 < utf8.size() ? kBase64[v & 63] : '=';
  }
  impl_->out += "\x1b]52;c;" + encoded + "\a";
}

void TerminalConsole::Beep() { impl_->out += impl_->bel; }

void TerminalConsole::Pause(int milliseconds) {
  Flush();
  const std::int64_t until = NowMs() + std::max(milliseconds, 0);
  for (;;) {
    if (gEndRequested) {
      RunEndHandler();
      Restore();
      std::exit(0);
    }
    const std::int64_t left = until - NowMs();
    if (left <= 0) return;
    struct pollfd pfd {
      gWakePipe[0], POLLIN, 0
    };
    if (::poll(&pfd, 1, static_cast<int>(left)) > 0) {
      char drain[64];
      while (::read(gWakePipe[0], drain, sizeof drain) > 0) {
      }
    }
  }
}

InputEvent TerminalConsole::WaitEvent() {
  Impl& m = *impl_;
  for (;;) {
    if (gEndRequested) break;
    if (gContinued) {
      gContinued = 0;
      m.Setup();
      if (m.mouseOn) m.Send("\x1b[?1000h\x1b[?1002h\x1b[?1006h");
    }
    if (gResized) {
      gResized = 0;
      m.ReadTerminalSize();
      m.fullRepaint = true;
    }
    while (!m.queue.empty()) {
      InputEvent e = m.queue.front();
      m.queue.pop_front();
      // Nothing is typed into a screen that cannot be shown; a mouse event outside the
      // logical screen or while reporting is off is not the program's.
      if (m.tooSmall) continue;
      if (e.kind == InputEvent::Kind::kMouse) {
        if (!m.mouseOn || e.row > Rows() || e.column > Columns()) continue;
        m.clicks.Apply(e, NowMs());
        mouseRow_ = e.row;
        mouseColumn_ = e.column;
      }
      controlState_ = e.controlState;
      return e;
    }
    Flush();
    struct pollfd fds[2] = {{m.inFd, POLLIN, 0}, {gWakePipe[0], POLLIN, 0}};
    const int timeout = m.parser.Pending() ? m.escDelayMs : -1;
    const int ready = ::poll(fds, 2, timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) {
      std::vector<InputEvent> events;
      m.parser.Timeout(events);
      m.queue.insert(m.queue.end(), events.begin(), events.end());
      continue;
    }
    if (fds[1].revents & POLLIN) {
      char drain[64];
      while (::read(gWakePipe[0], drain, sizeof drain) > 0) {
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
      char buffer[4096];
      const ssize_t n = ::read(m.inFd, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) break;  // end of input or a hung-up terminal
      std::vector<InputEvent> events;
      m.parser.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), events);
      m.queue.insert(m.queue.end(), events.begin(), events.end());
    }
  }
  // Input can no longer come: the program's way out, and if it has none, ours.
  RunEndHandler();
  Restore();
  std::exit(0);
}

}  // namespace platform
