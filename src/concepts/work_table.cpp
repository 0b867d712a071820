#include "concepts/work_table.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "text/mask_format.h"

namespace concepts {
namespace {

constexpr std::int16_t kEsc = 27;
constexpr std::int16_t kStatusEndOfFile = 9;
constexpr std::int16_t kStatusKeyNotFound = 4;

// A text put into a value of fixed length: padded with blanks or cut.
std::string Fit(std::string_view text, std::size_t length) {
  std::string fitted(text.substr(0, length));
  fitted.resize(length, ' ');
  return fitted;
}

void Assign(std::string& value, std::string_view text) { value = Fit(text, value.size()); }

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string::npos; }

std::string_view NotSavedText(std::string_view language) {
  if (language == "SPA") return "NO SE HA PODIDO GUARDAR LA TABLA: EL FICHERO QUEDA COMO ESTABA. ";
  if (language == "GLG")
    return "NON SE PUIDO GARDAR A T\xB5"
           "BOA: O FICHEIRO QUEDA COMO ESTABA. ";
  if (language == "OCI") return "NON S'A POGUT GUARDAR ERA TAULA: ETH FICH\xC8R DEMORA COMA ERE. ";
  return "NO S'HA POGUT DESAR LA TAULA: EL FITXER QUEDA COM ERA. ";
}

}  // namespace

int CellNumber(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  int number = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    if (number < 100000) number = number * 10 + (text[i] - '0');
  }
  return number;
}

WorkTable::WorkTable(form::FormModel& form, records::RecordFiles& files, char* conceptRecord,
                     screen::Screen& screen, const frame::Session& session,
                     std::int16_t& formModified, std::int16_t& currentPage)
    : form_(form),
      files_(files),
      record_(conceptRecord),
      screen_(screen),
      session_(session),
      formModified_(formModified),
      currentPage_(currentPage) {}

void WorkTable::FillRow(int firstCell, int number, const std::string& key) {
  // Defaults first: a concept that is not in the file shows them.
  std::memset(record_ + 1, ' ', 20);
  record_[21] = record_[22] = record_[23] = 'S';
  record_[24] = 9;
  record_[25] = 0;
  // The status is not looked at: a concept that cannot be read shows the defaults.
  [[maybe_unused]] const std::int16_t status = files_.RecGetByKey(kConceptFileId, 0, key, 0);
  const std::string code = "  " + text::NumText(number);
  const auto type = static_cast<std::int16_t>(static_cast<unsigned char>(record_[24]) |
                                              (static_cast<unsigned char>(record_[25]) << 8));
  const std::string values[kCellsPerRow] = {
      code.substr(code.size() - 2), std::string(record_ + 1, 20), std::string(1, record_[21]),
      std::string(1, record_[22]),  std::string(1, record_[23]),  frame::ZeroPad(type, 1)};
  for (int i = 0; i < kCellsPerRow; ++i) {
    if (form_.HasCell(1, firstCell + i)) Assign(form_.Cell(1, firstCell + i).cellValue, values[i]);
  }
}

bool WorkTable::WriteCells(std::int64_t& position) {
  bool written = true;
  const int cells = form_.Page(1).pageCellCount;
  for (int c = 1; c <= cells && form_.HasCell(1, c); ++c) {
    std::string& value = form_.Cell(1, c).cellValue;
    written = workFile_.Write(position, value) && written;
    position += static_cast<std::int64_t>(value.size());
    value.assign(value.size(), ' ');
  }
  return written;
}

bool WorkTable::BuildWorkTable() {
  formModified_ = 0;
  if (!form_.HasPage(1)) return false;
  if (!workFile_.Open(WorkFilePath(), platform::Share::kExclusive, true)) return false;
  std::int64_t position = 1;
  // Fixed concepts are keyed by their number, definable ones by 128 + number, which is what
  // PackDigits makes of the number's two digits.
  for (int n = 1; n <= kFixedConcepts; ++n) {
    FillRow(kCellsPerRow * (n - 1) + 1, n, std::string(1, static_cast<char>(n)));
  }
  bool written = WriteCells(position);
  int cell = 1;
  for (int n = 1; n <= kDefinableConcepts; ++n) {
    if (cell > form_.Page(1).pageCellCount) {
      written = WriteCells(position) && written;
      cell = 1;
    }
    FillRow(cell, n, frame::PackDigits(frame::ZeroPad(n, 2)));
    cell += kCellsPerRow;
  }
  written = WriteCells(position) && written;
  dataEnd_ = position;
  // A work file that could not be written in full would save a table with holes.
  if (!written) {
    Discard();
    return false;
  }
  return true;
}

void WorkTable::LoadPage() {
  blockSize_ = 0;
  const int cells = form_.Page(1).pageCellCount;
  for (int c = 1; c <= cells && form_.HasCell(1, c); ++c) {
    std::string& value = form_.Cell(1, c).cellValue;
    value.assign(value.size(), ' ');
    blockSize_ += static_cast<std::int64_t>(value.size());
  }
  std::int64_t position = (currentPage_ - 1) * blockSize_ + 1;
  lastPage_ = currentPage_ == kWorkPages;
  for (int c = 1; c <= cells && form_.HasCell(1, c); ++c) {
    if (position >= dataEnd_) break;
    std::string& value = form_.Cell(1, c).cellValue;
    workFile_.Read(position, value.data(), value.size());
    position += static_cast<std::int64_t>(value.size());
  }
}

void WorkTable::SavePage() {
  std::int64_t position = (currentPage_ - 1) * blockSize_ + 1;
  const int cells = form_.Page(1).pageCellCount;
  for (int c = 1; c <= cells && form_.HasCell(1, c); ++c) {
    const std::string& value = form_.Cell(1, c).cellValue;
    [[maybe_unused]] const bool written = workFile_.Write(position, value);
    position += static_cast<std::int64_t>(value.size());
  }
}

std::int16_t WorkTable::RewriteConceptFile() {
  // The emptying and the refilling are one transaction: until End Transaction succeeds, other
  // stations see the old table and a crash leaves it; any failure gives it back untouched.
  std::int16_t status = files_.BeginTransaction();
  if (status != 0) return status;
  status = files_.RecGetByKey(kConceptFileId, 0, "", 1);
  while (status == 0) {
    status = files_.RecDelete(kConceptFileId);
    if (status == 0) status = files_.RecStep(kConceptFileId, 1);
  }
  if (status != kStatusEndOfFile && status != kStatusKeyNotFound) {
    files_.AbortTransaction();
    return status;
  }

  std::int16_t widths[kCellsPerRow];
  std::int64_t rowWidth = 0;
  for (int i = 0; i < kCellsPerRow; ++i) {
    widths[i] =
        form_.HasCell(1, i + 1) ? std::max<std::int16_t>(form_.Cell(1, i + 1).cellWidth, 0) : 0;
    rowWidth += widths[i];
  }
  bool fixedMode = false;
  std::int64_t position = 1;
  while (rowWidth > 0 && position < dataEnd_) {
    std::string row[kCellsPerRow];
    for (int i = 0; i < kCellsPerRow; ++i) {
      row[i].assign(static_cast<std::size_t>(widths[i]), ' ');
      workFile_.Read(position, row[i].data(), row[i].size());
      position += static_cast<std::int64_t>(row[i].size());
    }
    const int number = CellNumber(row[0]);
    if (number == 1) fixedMode = !fixedMode;
    const std::string name = Fit(row[1], 20);
    if (IsBlank(name)) continue;
    record_[0] =
        fixedMode ? static_cast<char>(number) : frame::PackDigits(frame::ZeroPad(number, 2))[0];
    std::memcpy(record_ + 1, name.data(), 20);
    record_[21] = Fit(row[2], 1)[0];
    record_[22] = Fit(row[3], 1)[0];
    record_[23] = Fit(row[4], 1)[0];
    const int type = CellNumber(row[5]);
    record_[24] = static_cast<char>(type & 0xFF);
    record_[25] = static_cast<char>((type >> 8) & 0xFF);
    status = files_.RecInsert(kConceptFileId);
    if (status != 0) {
      files_.AbortTransaction();
      return status;
    }
  }
  status = files_.EndTransaction();
  if (status != 0) files_.AbortTransaction();
  return status;
}

void WorkTable::TellNotSaved(std::int16_t status) {
  std::string message(NotSavedText(session_.LanguageCode));
  message += "(" + std::to_string(status) + ")";
  platform::Console& console = screen_.console();
  screen_.ShowMessage(12, message);
  console.Beep();
  console.DiscardPendingInput();
  for (;;) {
    const platform::InputEvent event = console.WaitEvent();
    if (event.kind == platform::InputEvent::Kind::kKey && event.code != 0) break;
  }
  screen_.WinPop();
}

bool WorkTable::WriteBack(std::int16_t endingKey) {
  bool saved = true;
  if (endingKey != kEsc && formModified_ != 0 && workFile_.IsOpen()) {
    const std::int16_t status = RewriteConceptFile();
    if (status != 0) {
      saved = false;
      TellNotSaved(status);
    }
  }
  Discard();
  return saved;
}

void WorkTable::Discard() {
  if (!workFile_.IsOpen()) return;
  workFile_.Close();
  [[maybe_unused]] const bool deleted = platform::DeleteFile(WorkFilePath());
}

}  // namespace concepts
