// The work file of one editing run: the concept table copied into taula.tmp page by page as
// the grid shows it, single pages moved between the file and the cells of form page 1, and
// the table written back to the concept file at the end. One WorkTable lives for one editing
// run; it owns the work file from BuildWorkTable until WriteBack or Discard.
//
// taula.tmp: six work pages, nothing else. A work page is the values of cells 1..n of form
// page 1 (n = its full cell count), each exactly cellWidth bytes, in cell order; work page p
// starts at byte (p - 1) x BlockSize. Page 1 holds fixed concepts 1-10 in rows 1-10, pages 2-6
// definable concepts 1-99 in 20-row blocks. A row is six cells: code (the number in two
// characters), name, three flags, type (one digit).
//
// ConceptRecord, the 26-byte record of the concept file:
//   0  code (1: fixed n is byte n, definable n is byte 128 + n)   1  name (20)
//   21 VAT flag   22 withholding flag   23 settlement flag   24 type (int16, little-endian)
#pragma once

#include <cstdint>
#include <string>

#include "form/form_model.h"
#include "frame/session.h"
#include "platform/file.h"
#include "records/record_files.h"
#include "screen/screen.h"

namespace concepts {

inline constexpr std::int16_t kConceptFileId = 503;
inline constexpr int kConceptRecordSize = 26;
inline constexpr int kCellsPerRow = 6;
inline constexpr int kRowsPerPage = 20;
inline constexpr int kFixedConcepts = 10;
inline constexpr int kDefinableConcepts = 99;
inline constexpr int kWorkPages = 6;
inline constexpr std::string_view kWorkFileName = "taula.tmp";

class WorkTable {
 public:
  // `conceptRecord` is the record area the concept file was opened with; `formModified` and
  // `currentPage` are the program-wide flag and page number the form runner and grid share.
  WorkTable(form::FormModel& form, records::RecordFiles& files, char* conceptRecord,
            screen::Screen& screen, const frame::Session& session, std::int16_t& formModified,
            std::int16_t& currentPage);

  // Copies the concept file into the work file. False when taula.tmp cannot be created or
  // opened for this run alone: the caller must not edit, since a save would empty the table.
  [[nodiscard]] bool BuildWorkTable();
  void LoadPage();
  void SavePage();
  bool LastPage() const { return lastPage_; }
  // Rewrites the concept file from the work file unless `endingKey` is Esc or nothing changed,
  // all of it in one transaction: a failure at any step leaves the file exactly as it was and
  // tells the operator. Then closes and deletes the work file. Returns false when a rewrite
  // was due and did not happen.
  bool WriteBack(std::int16_t endingKey);
  // Closes and deletes the work file without writing anything (the run is being abandoned).
  void Discard();

  std::string WorkFilePath() const { return session_.TempDir + std::string(kWorkFileName); }

 private:
  void FillRow(int firstCell, int number, const std::string& key);
  bool WriteCells(std::int64_t& position);
  std::int16_t RewriteConceptFile();
  void TellNotSaved(std::int16_t status);

  form::FormModel& form_;
  records::RecordFiles& files_;
  char* record_;
  screen::Screen& screen_;
  const frame::Session& session_;
  std::int16_t& formModified_;
  std::int16_t& currentPage_;
  platform::File workFile_;
  std::int64_t dataEnd_ = 1;
  std::int64_t blockSize_ = 0;
  bool lastPage_ = false;
};

// The number a cell's text reads as: the digits after its leading blanks, 0 when none.
int CellNumber(std::string_view text);

}  // namespace concepts
