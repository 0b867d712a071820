#include <string>
#include <string_view>

#include "platform/file.h"
#include "popups/calculator.h"
#include "popups/calculator_state.h"
#include "popups/popup_bracket.h"
#include "popups/popups.h"
#include "text/mask_format.h"

namespace popups {
namespace {

constexpr int kWidth = 26;
constexpr int kSeparatorRow = 23;
constexpr int kEntryRow = 24;
constexpr int kBottomRow = 25;

// Box characters of code page 850.
constexpr char kTopLeft = '\xDA';
constexpr char kTopRight = '\xBF';
constexpr char kTeeLeft = '\xC3';
constexpr char kTeeRight = '\xB4';
constexpr char kBottomLeft = '\xC0';
constexpr char kBottomRight = '\xD9';
constexpr char kHorizontal = '\xC4';
constexpr char kVertical = '\xB3';

std::string Border(char left, char right) {
  return left + std::string(kWidth - 2, kHorizontal) + right;
}

CalculatorState ReadStateFile(const std::string& path) {
  platform::File file;
  if (!file.Open(path, platform::Share::kReadWriteShared, true)) return {};
  const std::optional<std::string> bytes = file.ReadAll();
  return bytes ? ReadCalculatorState(*bytes) : CalculatorState{};
}

void WriteStateFile(const std::string& path, const CalculatorState& state) {
  platform::File file;
  if (!file.Open(path, platform::Share::kReadWriteShared, true)) return;
  // Nothing can be reported from here: a state that cannot be kept only means the next
  // opening starts from what the file still holds.
  if (file.Truncate(0)) (void)file.Write(1, WriteCalculatorState(state));
}

class CalculatorWindow {
 public:
  CalculatorWindow(const PopupContext& context, CalculatorState& state)
      : context_(context), console_(context.screen.console()), state_(state) {}

  [[nodiscard]] bool Open() {
    open_ =
        context_.screen.WinPush(1, state_.leftColumn, kBottomRow, state_.leftColumn + kWidth - 1);
    return open_;
  }
  void Close() {
    if (open_) context_.screen.WinPop();
    open_ = false;
  }
  // Brings back the screen beneath and opens the window again at state.leftColumn.
  [[nodiscard]] bool Reopen() {
    Close();
    return Open();
  }

  // The visible tape lines with the border above them, the separator or top border on row 23
  // and the bottom border; rows above the tape are left to the screen beneath.
  void DrawTape() {
    const int first = state_.firstVisibleLine;
    if (first <= kTapeLines) {
      At(first - 1);
      console_.Write(Border(kTopLeft, kTopRight));
    }
    for (int n = first; n <= kTapeLines; ++n) {
      const TapeLine& line = state_.tape[static_cast<std::size_t>(n - 1)];
      At(n);
      console_.Write(kVertical + Number(line.value, line.pointFlag, line.decimals) + ' ' +
                     line.operation + kVertical);
    }
    At(kSeparatorRow);
    console_.Write(first <= kTapeLines ? Border(kTeeLeft, kTeeRight) : Border(kTopLeft, kTopRight));
    At(kBottomRow);
    console_.Write(Border(kBottomLeft, kBottomRight));
  }

  void DrawEntry() {
    At(kEntryRow);
    console_.Write(kVertical + Number(state_.entry, state_.entryPointFlag, state_.entryDecimals) +
                   "  " + kVertical);
  }

 private:
  void At(int row) { console_.SetCursor(row, state_.leftColumn); }
  std::string Number(double value, std::int16_t pointFlag, std::int16_t decimals) {
    return text::MaskFormat(context_.textSettings, CalculatorMask(pointFlag, decimals), value);
  }

  const PopupContext& context_;
  platform::Console& console_;
  CalculatorState& state_;
  bool open_ = false;
};

}  // namespace

std::string ShowCalculator(const PopupContext& context) {
  PopupBracket bracket(context, "+e", "");
  const std::string path = context.screen.session().TermDir + std::string(kCalculatorFile);
  CalculatorState state = ReadStateFile(path);

  CalculatorWindow window(context, state);
  if (!window.Open()) return {};
  window.DrawTape();

  std::string result;
  while (true) {
    window.DrawEntry();
    const std::int16_t key = form::WaitKey(context.screen.console(), context.keys);
    const CalculatorAction action = PressCalculatorKey(state, key);
    if (action == CalculatorAction::kTake) {
      result = TakeCalculatorValue(state);
      break;
    }
    if (action == CalculatorAction::kCancel) break;
    if (action == CalculatorAction::kRefused) context.screen.console().Beep();
    if (action == CalculatorAction::kTapeShown) window.DrawTape();
    if (action == CalculatorAction::kTapeHidden || action == CalculatorAction::kMoved) {
      // A window that cannot be opened again (a screen that shrank) ends the calculator.
      if (!window.Reopen()) break;
      window.DrawTape();
    }
  }
  window.Close();
  WriteStateFile(path, state);
  return result;
}

}  // namespace popups
