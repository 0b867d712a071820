// The screen layer's context: colour styles chosen by style codes, the text stack, the window
// stack kept in WinPush.tmp, message boxes, scrolling and the help viewer. The program owns one
// Screen for the whole run and hands it by reference to every screen; it refers to the console,
// the session values and the environment, which must outlive it. Windows and styles are
// bracketed by their callers; the Screen never draws anything it was not asked to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frame/session.h"
#include "platform/console.h"
#include "platform/environment.h"
#include "screen/text_layout.h"
#include "screen/window_entry.h"

namespace screen {

inline constexpr std::string_view kGeneralHelpTopic = "ZQTOPIDX";
inline constexpr std::string_view kWindowStackFile = "WinPush.tmp";
inline constexpr int kMessageWidth = 76;
inline constexpr int kMessageCentreColumn = 41;

// Frame styles of WinFrame.
inline constexpr int kFrameBlank = 0;
inline constexpr int kFrameSingle = 1;
inline constexpr int kFrameDouble = 2;

class Screen {
 public:
  Screen(platform::Console& console, const frame::Session& session,
         const platform::Environment& environment)
      : console_(console), session_(session), environment_(environment) {}
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  platform::Console& console() { return console_; }
  const frame::Session& session() const { return session_; }

  // Colour styles. Only "+", "-", "U", "N" and "R" in a code mean anything, in any case and
  // position: "+" saves the current style, "-" takes the last saved one back (style 0 when none
  // is saved), else U gives style 4 and N and R add 1 and 2. An empty or blank code does
  // nothing.
  void SetStyle(std::string_view code);
  int CurrentStyle() const { return currentStyle_; }
  std::size_t SavedStyles() const { return styleStack_.size(); }

  // Texts parked across nested screens; every pop matches an earlier push. Popping an empty
  // stack gives the empty text.
  void TextStackPush(std::string_view text) { textStack_.emplace_back(text); }
  std::string TextStackPop();
  // Numbers travel as their 2-byte little-endian form, as the suite's screens park them.
  void TextStackPushNumber(std::int16_t value);
  std::int16_t TextStackPopNumber();

  // The cursor at (row, column) of the current window's interior, or of the screen when no
  // window is open.
  void WinLocate(int row, int column);

  // Window stack. WinPush saves the cells under the rectangle (border included), the cursor and
  // the current window in WinPush.tmp and makes the rectangle current; it returns false and
  // changes nothing when a coordinate is outside the screen or above 99, or the file cannot be
  // written. An inverted rectangle (top below bottom) is pushed with no cells.
  bool WinPush(int top, int left, int bottom, int right);
  // Restores the top window's cells, the cursor and the previous window; the colour is left as
  // the last restored cell's. With no window open it does nothing. A damaged or missing file
  // restores nothing: the screen stays, the window is closed from memory, the file is deleted.
  void WinPop();
  // The current window's frame in the current colour, its inside blanked; nothing when no
  // window is open. Styles other than 1 and 2 draw blanks.
  void WinFrame(int style);

  int WinDepth() const { return static_cast<int>(openWindows_.size()); }
  const WindowRect& CurrentWindow() const { return current_; }
  int WinTop() const { return current_.top; }
  int WinLeft() const { return current_.left; }
  int WinBottom() const { return current_.bottom; }
  int WinRight() const { return current_.right; }
  int WinFirstRow() const { return WinDepth() > 0 ? current_.top + 1 : 1; }
  int WinFirstCol() const { return WinDepth() > 0 ? current_.left + 1 : 1; }
  int WinLastCol() const { return WinDepth() > 0 ? current_.right - 1 : ScreenCols(); }
  int ScreenRows() const { return console_.Rows(); }
  int ScreenCols() const { return console_.Columns(); }
  std::string WinPushPath() const { return session_.TempDir + std::string(kWindowStackFile); }

  // Scrolls rows top+1 to bottom+1, columns left+1 to right+1: up n lines when n > 0, down -n
  // (at least one) otherwise; vacated lines are blank in the current colour.
  void ScrollRegion(int top, int left, int bottom, int right, int n);

  // A framed box with `text` wrapped to 76 columns, centred on column 41 near `row`. It stays
  // open: the caller closes it with WinPop. A text that does not fit on the screen shows
  // nothing and opens no window.
  void ShowMessage(int row, std::string_view text);

  // The help of `topic`: in the "WIN" setting the launcher command, waited for; otherwise the
  // text viewer over AJUDA\<topic>.HLP until Esc. Keys are read straight from the console.
  void ShowHelp(std::string_view topic);

 private:
  void ShowHelpViewer(std::string_view topic);

  platform::Console& console_;
  const frame::Session& session_;
  const platform::Environment& environment_;

  int currentStyle_ = 0;
  std::string styleStack_;  // one byte per saved style, the latest last
  std::vector<std::string> textStack_;
  WindowRect current_;
  // The windows under the current one, innermost last; its size is the depth. The file holds
  // the same rectangles; this copy keeps the depth right when the file is lost or damaged.
  std::vector<WindowRect> openWindows_;
};

}  // namespace screen
