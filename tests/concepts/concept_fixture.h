// A temporary installation with the concept file open through the record layer, and a form
// whose page 1 has the grid's shape (20 rows of six cells: code, name, three flags, type).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "concepts/work_table.h"
#include "platform/virtual_console.h"
#include "support/temp_dir.h"

namespace concepts {

struct StoredConcept {
  int code;  // the key byte
  std::string name;
  std::string flags;
  int type;
  bool operator==(const StoredConcept&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const StoredConcept& c) {
  return out << "{" << c.code << ",'" << c.name << "','" << c.flags << "'," << c.type << "}";
}

inline form::FormModel GridForm() {
  form::FormModel model;
  model.pageCount = 2;
  model.maxCells = 120;
  model.pages.resize(3);
  for (int p = 1; p <= 2; ++p) model.pages[p].cells.resize(121);
  model.pages[1].pageCellCount = 120;
  static constexpr int kWidths[6] = {2, 20, 1, 1, 1, 1};
  for (int c = 1; c <= 120; ++c) {
    form::FormCell& cell = model.pages[1].cells[c];
    cell.cellWidth = static_cast<std::int16_t>(kWidths[(c - 1) % 6]);
    cell.cellValue.assign(static_cast<std::size_t>(cell.cellWidth), ' ');
  }
  model.pages[2].pageCellCount = 1;
  model.pages[2].cells[1].cellWidth = 1;
  model.pages[2].cells[1].cellValue = " ";
  return model;
}

class ConceptTest : public ::testing::Test {
 protected:
  ConceptTest() : screen(console, session, environment) {
    session.RootDir = root.Prefix();
    session.TempDir = root.Prefix() + "tmp/";
    session.LanguageCode = "CAT";
    std::ifstream in(std::string(ZC_SOURCE_DIR) + "/data/root/ddf/TVRebut.xdf", std::ios::binary);
    root.Write("ddf/TVRebut.xdf", std::string(std::istreambuf_iterator<char>(in), {}));
    std::filesystem::create_directories(root.path() / "DADES");
    std::filesystem::create_directories(root.path() / "tmp");
    here = std::filesystem::current_path();
    std::filesystem::current_path(root.path());
  }
  ~ConceptTest() override {
    files.RecReset();
    std::filesystem::current_path(here);
  }

  void Open() {
    ASSERT_EQ(files.RecOpen(kConceptFileId, root.Prefix() + "DADES\\TVRebut", record), 0);
  }
  void Store(int code, std::string_view name, std::string_view flags = "SSS", int type = 9) {
    std::memset(record, ' ', kConceptRecordSize);
    record[0] = static_cast<char>(code);
    std::memcpy(record + 1, name.data(), std::min<std::size_t>(name.size(), 20));
    std::memcpy(record + 21, flags.data(), 3);
    record[24] = static_cast<char>(type & 0xFF);
    record[25] = static_cast<char>(type >> 8);
    ASSERT_EQ(files.RecInsert(kConceptFileId), 0);
  }
  std::vector<StoredConcept> Stored() {
    std::vector<StoredConcept> out;
    std::int16_t status = files.RecGetByKey(kConceptFileId, 0, "", 1);
    while (status == 0) {
      std::string name(record + 1, 20);
      name.erase(name.find_last_not_of(' ') + 1);
      out.push_back({static_cast<unsigned char>(record[0]), name, std::string(record + 21, 3),
                     static_cast<unsigned char>(record[24]) | (record[25] << 8)});
      status = files.RecStep(kConceptFileId, 1);
    }
    return out;
  }
  // Row r (1-based) of form page 1 as its six values joined by '|'.
  std::string Row(int r) {
    std::string row;
    for (int i = 1; i <= 6; ++i) {
      if (i > 1) row += '|';
      row += model.Cell(1, (r - 1) * 6 + i).cellValue;
    }
    return row;
  }
  int LogLines() {
    const std::string log = root.Read("db.log");
    return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
  }

  testing_support::TempDir root;
  std::filesystem::path here;
  frame::Session session;
  platform::MapEnvironment environment;
  platform::VirtualConsole console;
  platform::FakeTimer timer;
  screen::Screen screen;
  records::RecordFiles files{screen, session, timer, [] { std::exit(0); }};
  char record[kConceptRecordSize] = {};
  form::FormModel model = GridForm();
  std::int16_t formModified = 0;
  std::int16_t currentPage = 1;
};

}  // namespace concepts
