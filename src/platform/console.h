// The character console the program draws on and reads keys from: 1-based rows and columns,
// cells of a code page 850 byte and a PC attribute (foreground bits 0-3, background bits 4-7),
// and input as the PC console delivers it. The program owns one Console for the whole run;
// VirtualConsole (tests) and TerminalConsole (a real terminal) implement it. Nothing above this
// interface knows which one it talks to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Control-key state bits of an input event, as the PC console reports them.
inline constexpr std::uint16_t kRightAlt = 1;
inline constexpr std::uint16_t kLeftAlt = 2;
inline constexpr std::uint16_t kRightCtrl = 4;
inline constexpr std::uint16_t kLeftCtrl = 8;
inline constexpr std::uint16_t kShiftPressed = 16;

// Mouse event kinds and buttons.
inline constexpr std::uint8_t kMouseMoved = 1;
inline constexpr std::uint8_t kMouseDoubleClick = 2;
inline constexpr std::uint8_t kMousePressed = 4;
inline constexpr std::uint8_t kMouseReleased = 8;
inline constexpr std::uint8_t kButtonLeft = 1;
inline constexpr std::uint8_t kButtonRight = 2;
inline constexpr std::uint8_t kButtonMiddle = 4;

struct InputEvent {
  enum class Kind : std::uint8_t { kKey, kMouse };
  Kind kind = Kind::kKey;
  // Key events: a character as its code page 850 code (1-255), an extended key as its scan
  // code x 256 (0x4900 Page Up, 0x3B00 F1, Alt+X 0x2D00). 0 for a change of the modifier keys
  // alone (Alt pressed or released), where the terminal reports one.
  std::uint16_t code = 0;
  std::uint16_t controlState = 0;
  // Mouse events.
  std::uint8_t mouseKind = 0;
  std::uint8_t buttons = 0;  // for a release: the button released
  std::int16_t row = 0;
  std::int16_t column = 0;

  static InputEvent Key(std::uint16_t code, std::uint16_t state = 0) {
    InputEvent e;
    e.code = code;
    e.controlState = state;
    return e;
  }
  static InputEvent Mouse(std::uint8_t kind, std::uint8_t buttons, int row, int column,
                          std::uint16_t state = 0) {
    InputEvent e;
    e.kind = Kind::kMouse;
    e.mouseKind = kind;
    e.buttons = buttons;
    e.row = static_cast<std::int16_t>(row);
    e.column = static_cast<std::int16_t>(column);
    e.controlState = state;
    return e;
  }
  bool operator==(const InputEvent&) const = default;
};

struct Cell {
  unsigned char ch = ' ';
  std::uint8_t attribute = 0x07;
  bool operator==(const Cell&) const = default;
};

class Console {
 public:
  virtual ~Console() = default;

  virtual int Rows() const = 0;
  virtual int Columns() const = 0;

  // Positions outside the screen are clamped to it.
  virtual void SetCursor(int row, int column) = 0;
  virtual int CursorRow() const = 0;
  virtual int CursorColumn() const = 0;
  // 0 hides the cursor; 1-100 shows it that high in percent of the cell (50 and below an
  // underline, above it a block).
  virtual void SetCursorSize(int percent) = 0;
  virtual int CursorSize() const = 0;

  // Colours 0-15 in console order; 16 or more leaves that half as it is.
  virtual void SetColor(int foreground, int background) = 0;
  virtual std::uint8_t Attribute() const = 0;

  // Writes at the cursor in the current colour, advancing it; past the last column the text
  // goes on in the next row, and past the last cell the screen scrolls up one row.
  virtual void Write(std::string_view text) = 0;
  virtual void WriteBlanks(int count) = 0;
  // Column 1 of the next row; on the last row the screen scrolls up one row.
  virtual void NewLine() = 0;
  // Blanks the screen in the current colour; the cursor goes to row 1, column 1.
  virtual void Clear() = 0;
  // Scrolls the rectangle up by `rows` (down when negative); the rows it leaves are blanked in
  // the current colour.
  virtual void ScrollRect(int top, int left, int bottom, int right, int rows) = 0;
  virtual Cell ReadCell(int row, int column) const = 0;
  // Sets one cell without moving the cursor or changing the colour (for window restores).
  virtual void PutCell(int row, int column, Cell cell) = 0;

  // Waits for the next key or mouse event. When input can no longer come (end of input,
  // hang-up, a termination signal, or a test script that ran dry) the end handler runs; it is
  // expected not to return. If it does, WaitEvent returns a key event with code 0.
  virtual InputEvent WaitEvent() = 0;
  virtual std::uint16_t ControlKeyState() const = 0;
  // Drops input that has arrived but not been read (keys typed ahead of a message that must
  // be seen). A scripted console has no such input: its script is what comes next.
  virtual void DiscardPendingInput() {}
  // Whether an input event is already there to be read, so a long scan can look at the
  // keyboard without waiting.
  virtual bool InputWaiting() = 0;
  // Around a child process that uses the terminal: Suspend gives the terminal back as it was
  // found, Resume takes it again and shows the screen as it was.
  virtual void Suspend() {}
  virtual void Resume() {}
  // 0 when the console has no mouse.
  virtual int MouseButtons() const = 0;
  virtual void SetMouseReporting(bool on) = 0;
  virtual int MouseRow() const = 0;
  virtual int MouseColumn() const = 0;

  virtual bool InsertToggle() const = 0;
  virtual void SetInsertToggle(bool on) = 0;
  virtual void PutClipboard(std::string_view text) = 0;
  virtual std::string GetClipboard() = 0;
  virtual void Beep() = 0;
  // Shows everything written so far, then pauses.
  virtual void Pause(int milliseconds) = 0;

  void SetEndHandler(std::function<void()> handler) { endHandler_ = std::move(handler); }

 protected:
  bool HasEndHandler() const { return static_cast<bool>(endHandler_); }
  void RunEndHandler() {
    if (endHandler_) endHandler_();
  }

 private:
  std::function<void()> endHandler_;
};

}  // namespace platform
