#include "tools/kavrec_commands.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "recman/btrcall.h"
#include "recman/file_spec.h"
#include "recman/status.h"

namespace kavrec {
namespace {

using recman::FileSpec;

constexpr uint32_t kRecordBuffer = 65536;
constexpr size_t kMaxName = 255;
constexpr char kEndOfSave = 26;

constexpr const char* kHelp =
    "usage: kavrec COMMAND FILE [ARGUMENT]\n"
    "Record-file utility. FILE is the record file's host path, with or without its .dat\n"
    "extension.\n"
    "\n"
    "  create FILE TEMPLATE   create FILE from a creation template (a 16-bit count, then the\n"
    "                         Create buffer); an existing FILE is left alone\n"
    "  stat FILE              show record length, page size, keys, segments and records\n"
    "  save FILE OUT          write every record to OUT in the portable save format\n"
    "  load FILE IN           insert the records of IN (portable save format) in one\n"
    "                         transaction; nothing is inserted if any record fails\n"
    "  check FILE             check that every index agrees with the records\n"
    "  --help                 show this text\n"
    "\n"
    "With KAVDB set to a libpq connection string the files live in that PostgreSQL\n"
    "database, FILE named by its path with KAVROOT taken off its front.\n"
    "\n"
    "Exit status: 0 success; 1 a record-manager status (printed with its number and\n"
    "meaning) or a failed check; 2 usage, or a file other than FILE cannot be used.\n";

// One file open through the record manager; closed when it goes.
class RecFile {
 public:
  RecFile() { std::memset(block_, 0, sizeof block_); }
  RecFile(const RecFile&) = delete;
  RecFile& operator=(const RecFile&) = delete;
  ~RecFile() {
    if (open_) (void)Call(recman::kOpClose, nullptr, 0);
  }

  int16_t Open(const std::string& base, int mode) {
    char key[256] = {};
    std::copy(base.begin(), base.end(), key);
    char owner[5] = {};
    uint32_t length = 0;
    const int16_t s = BTRCALL(recman::kOpOpen, block_, owner, &length, key,
                              static_cast<uint8_t>(base.size()), static_cast<int8_t>(mode));
    open_ = s == recman::kOk;
    return s;
  }

  // Calls `op` with a data buffer of `capacity` bytes (or `data` as given when capacity is
  // 0); on return `data` holds what the record manager placed there and key_ its key.
  int16_t Call(int op, std::string* data, uint32_t capacity, int keyNumber = 0) {
    std::string scratch;
    if (data == nullptr) data = &scratch;
    if (capacity != 0) data->assign(capacity, '\0');
    uint32_t length = static_cast<uint32_t>(data->size());
    if (!keySet_) std::memset(key_, 0, sizeof key_);
    keySet_ = false;
    const int16_t s = BTRCALL(static_cast<uint16_t>(op), block_, data->data(), &length, key_, 0,
                              static_cast<int8_t>(keyNumber));
    data->resize(std::min<size_t>(length, data->size()));
    return s;
  }

  std::string Key(size_t length) const { return std::string(key_, length); }
  // The key the next call passes in (otherwise the key buffer starts as zeros).
  void SetKey(const std::string& value) {
    std::memset(key_, 0, sizeof key_);
    std::memcpy(key_, value.data(), std::min(value.size(), sizeof key_));
    keySet_ = true;
  }

  int64_t Position() {
    std::string data;
    if (Call(recman::kOpGetPosition, &data, 4) != recman::kOk || data.size() < 4) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(static_cast<uint8_t>(data[i])) << (8 * i);
    return v;
  }

 private:
  uint8_t block_[128];
  char key_[256];
  bool keySet_ = false;
  bool open_ = false;
};

struct Context {
  std::ostream& out;
  std::ostream& err;
  std::string base;     // the file's whole path, as the record manager takes it
  std::string display;  // FILE with .dat, for messages
};

int Fail(Context& c, const std::string& what, int16_t status) {
  c.err << "kavrec: " << c.display << ": " << what << ": status " << status << " ("
        << recman::StatusText(status) << ")\n";
  return kExitStatus;
}

int Usage(std::ostream& err, const std::string& message) {
  err << "kavrec: " << message << "\n"
      << "Try 'kavrec --help'.\n";
  return kExitUsage;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *bytes = s.str();
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

uint32_t Read32(const std::string& b, size_t at) {
  if (b.size() < at + 4) return 0;
  return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8) |
         (static_cast<uint8_t>(b[at + 2]) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}

// Get Equal on the key value, then along its duplicates, reaches the record at `position`.
bool FindsByKey(RecFile& f, int key, const std::string& value, int64_t position) {
  std::string data;
  f.SetKey(value);
  int16_t s = f.Call(recman::kOpGetEqual, &data, kRecordBuffer, key);
  while (s == recman::kOk && f.Key(value.size()) == value) {
    if (f.Position() == position) return true;
    s = f.Call(recman::kOpGetNext, &data, kRecordBuffer, key);
  }
  return false;
}

int16_t ReadSpec(RecFile& f, FileSpec* spec, uint32_t* records, std::string* stat) {
  std::string data;
  int16_t s = f.Call(recman::kOpStat, &data, kRecordBuffer);
  if (s != recman::kOk) return s;
  if (recman::ParseFileSpec(data, spec) != recman::kOk || data.size() < 10) {
    return recman::kNotARecordFile;
  }
  *records = Read32(data, 6);
  *stat = data;
  return recman::kOk;
}

std::string FlagNames(uint16_t flags, uint8_t type) {
  struct Name {
    uint16_t bit;
    const char* name;
  };
  static constexpr Name kNames[] = {
      {recman::kSegDuplicates, "duplicates"},
      {recman::kSegModifiable, "modifiable"},
      {recman::kSegBinary, "binary"},
      {recman::kSegNullKey, "null"},
      {recman::kSegCollating, "collating"},
      {recman::kSegDescending, "descending"},
      {recman::kSegCaseInsensitive, "case-insensitive"},
  };
  std::string out;
  for (const Name& n : kNames) {
    if ((flags & n.bit) != 0) out += std::string(out.empty() ? "" : " ") + n.name;
  }
  if ((flags & recman::kSegExtendedType) != 0) {
    out += std::string(out.empty() ? "" : " ") + "type " + std::to_string(type);
  }
  return out.empty() ? "-" : out;
}

std::string Hex(uint16_t v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += kDigits[(v >> shift) & 15];
  return s;
}

int Create(Context& c, const std::string& templatePath) {
  std::string bytes;
  if (!ReadWholeFile(templatePath, &bytes)) {
    return Usage(c.err, "cannot read template " + templatePath);
  }
  // A template shorter than its count passes what it has, and Create refuses it.
  std::string buffer;
  if (bytes.size() >= 2) {
    const auto count = static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) |
                                            (static_cast<uint8_t>(bytes[1]) << 8));
    buffer = bytes.substr(2, count > 0 ? static_cast<size_t>(count) : 0);
  }
  char key[256] = {};
  std::copy(c.base.begin(), c.base.end(), key);
  uint8_t block[128] = {};
  uint32_t length = static_cast<uint32_t>(buffer.size());
  const int16_t s = BTRCALL(recman::kOpCreate, block, buffer.data(), &length, key,
                            static_cast<uint8_t>(c.base.size()), -1);
  if (s != recman::kOk) return Fail(c, "create", s);
  c.out << c.display << ": created\n";
  return kExitOk;
}

int Stat(Context& c) {
  RecFile f;
  if (int16_t s = f.Open(c.base, -2); s != recman::kOk) return Fail(c, "open", s);
  FileSpec spec;
  uint32_t records = 0;
  std::string stat;
  if (int16_t s = ReadSpec(f, &spec, &records, &stat); s != recman::kOk) return Fail(c, "stat", s);
  c.out << "File: " << c.display << "\n"
        << "Record length: " << spec.recordLength
        << (spec.VariableLength() ? " (variable length)" : "") << "\n"
        << "Page size: " << spec.pageSize << "\n"
        << "File flags: " << Hex(spec.fileFlags) << "\n"
        << "Records: " << records << "\n"
        << "Keys: " << spec.keys.size() << "\n";
  size_t at = recman::kFileSpecSize;
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const uint32_t distinct = Read32(stat, at + 6);
    c.out << "  Key " << k << ": length " << spec.keys[k].length << ", " << distinct
          << " distinct values\n";
    for (const recman::Segment& s : spec.keys[k].segments) {
      c.out << "    segment: position " << s.position << ", length " << s.length << ", flags "
            << Hex(s.flags) << " (" << FlagNames(s.flags, s.extendedType) << ")";
      if ((s.flags & recman::kSegCollating) != 0) {
        c.out << ", collating sequence " << static_cast<int>(s.collatingNumber);
      }
      if ((s.flags & recman::kSegNullKey) != 0) {
        c.out << ", null value " << static_cast<int>(s.nullValue);
      }
      c.out << "\n";
      at += recman::kSegmentSize;
    }
  }
  for (size_t n = 0; n < spec.collating.size(); ++n) {
    const size_t block = stat.size() - (spec.collating.size() - n) * recman::kCollatingBlockSize;
    std::string name = stat.substr(block + 1, 8);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    c.out << "Collating sequence " << n << ": " << name << "\n";
  }
  return kExitOk;
}

int Save(Context& c, const std::string& outPath) {
  RecFile f;
  if (int16_t s = f.Open(c.base, -2); s != recman::kOk) return Fail(c, "open", s);
  std::string bytes;
  std::string data;
  size_t count = 0;
  int16_t s = f.Call(recman::kOpStepFirst, &data, kRecordBuffer);
  while (s == recman::kOk) {
    bytes += FormatSaveRecord(data);
    ++count;
    s = f.Call(recman::kOpStepNext, &data, kRecordBuffer);
  }
  if (s != recman::kEndOfFile) return Fail(c, "read record " + std::to_string(count + 1), s);
  bytes += kEndOfSave;
  if (!WriteWholeFile(outPath, bytes)) return Usage(c.err, "cannot write " + outPath);
  c.out << c.display << ": " << count << " records saved to " << outPath << "\n";
  return kExitOk;
}

int Load(Context& c, const std::string& inPath) {
  std::string bytes;
  if (!ReadWholeFile(inPath, &bytes)) return Usage(c.err, "cannot read " + inPath);
  std::vector<std::string> records;
  size_t bad = 0;
  if (!ParseSaveFile(bytes, &records, &bad)) {
    return Usage(c.err, inPath + ": record " + std::to_string(bad) + " is not in the save format");
  }
  RecFile f;
  if (int16_t s = f.Open(c.base, 0); s != recman::kOk) return Fail(c, "open", s);
  if (int16_t s = f.Call(recman::kOpBeginTransaction, nullptr, 0); s != recman::kOk) {
    return Fail(c, "begin transaction", s);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    std::string data = records[i];
    if (int16_t s = f.Call(recman::kOpInsert, &data, 0); s != recman::kOk) {
      (void)f.Call(recman::kOpAbortTransaction, nullptr, 0);
      return Fail(c, "record " + std::to_string(i + 1), s);
    }
  }
  if (int16_t s = f.Call(recman::kOpEndTransaction, nullptr, 0); s != recman::kOk) {
    return Fail(c, "end transaction", s);
  }
  c.out << c.display << ": " << records.size() << " records loaded from " << inPath << "\n";
  return kExitOk;
}

int Check(Context& c) {
  RecFile f;
  if (int16_t s = f.Open(c.base, -2); s != recman::kOk) return Fail(c, "open", s);
  FileSpec spec;
  uint32_t statRecords = 0;
  std::string stat;
  if (int16_t s = ReadSpec(f, &spec, &statRecords, &stat); s != recman::kOk) {
    return Fail(c, "stat", s);
  }
  size_t problems = 0;
  auto problem = [&](const std::string& text) {
    if (++problems <= 20) c.out << c.display << ": " << text << "\n";
  };

  std::map<int64_t, std::string> records;
  std::string data;
  int16_t s = f.Call(recman::kOpStepFirst, &data, kRecordBuffer);
  while (s == recman::kOk) {
    const int64_t position = f.Position();
    if (static_cast<int>(data.size()) < spec.recordLength) {
      problem("record at position " + std::to_string(position) + " is too short");
      data.resize(spec.recordLength, '\0');
    }
    if (!records.emplace(position, data).second) {
      problem("position " + std::to_string(position) + " stepped on twice");
    }
    s = f.Call(recman::kOpStepNext, &data, kRecordBuffer);
  }
  if (s != recman::kEndOfFile) return Fail(c, "step", s);
  if (records.size() != statRecords) {
    problem("Stat counts " + std::to_string(statRecords) + " records, the file holds " +
            std::to_string(records.size()));
  }

  size_t firstSegment = 0;
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    const recman::KeySpec& key = spec.keys[k];
    const std::string where = "key " + std::to_string(k) + ": ";
    std::map<int64_t, bool> seen;
    std::string lastImage;
    int64_t lastPosition = 0;
    uint32_t distinct = 0;
    s = f.Call(recman::kOpGetFirst, &data, kRecordBuffer, static_cast<int>(k));
    while (s == recman::kOk) {
      const std::string got = f.Key(key.length);
      const int64_t position = f.Position();
      auto it = records.find(position);
      if (it == records.end()) {
        problem(where + "entry for position " + std::to_string(position) + " has no record");
      } else {
        const std::string value = recman::KeyValueOf(key, it->second);
        const std::string image = recman::KeyImageOf(spec, key, value);
        if (got != value) {
          problem(where + "key value of position " + std::to_string(position) + " differs");
        }
        if (!seen.empty() && (image < lastImage || (image == lastImage && !key.duplicates) ||
                              (image == lastImage && position <= lastPosition))) {
          problem(where + "position " + std::to_string(position) + " is out of order");
        }
        if (seen.empty() || image != lastImage) ++distinct;
        if (!seen.emplace(position, true).second) {
          problem(where + "position " + std::to_string(position) + " appears twice");
        }
        lastImage = image;
        lastPosition = position;
      }
      s = f.Call(recman::kOpGetNext, &data, kRecordBuffer, static_cast<int>(k));
    }
    if (s != recman::kEndOfFile) return Fail(c, where + "read", s);
    // Stat counts the index's own entries: one it holds for no record shows here.
    const uint32_t statDistinct =
        Read32(stat, recman::kFileSpecSize + recman::kSegmentSize * firstSegment + 6);
    firstSegment += key.segments.size();
    if (statDistinct != distinct) {
      problem(where + "Stat counts " + std::to_string(statDistinct) +
              " distinct values, the records have " + std::to_string(distinct));
    }
    for (const auto& [position, record] : records) {
      const std::string value = recman::KeyValueOf(key, record);
      if (recman::IsNullValue(key, value)) continue;
      if (!seen.count(position)) {
        problem(where + "record at position " + std::to_string(position) + " is not indexed");
      } else if (!FindsByKey(f, static_cast<int>(k), value, position)) {
        problem(where + "record at position " + std::to_string(position) +
                " is not found by its key value");
      }
    }
  }
  if (problems > 0) {
    c.err << "kavrec: " << c.display << ": check failed, " << problems << " problems\n";
    return kExitStatus;
  }
  c.out << c.display << ": " << records.size() << " records, " << spec.keys.size()
        << " keys: consistent\n";
  return kExitOk;
}

}  // namespace

std::string FormatSaveRecord(const std::string& record) {
  return std::to_string(record.size()) + "," + record + "\r\n";
}

bool ParseSaveFile(const std::string& bytes, std::vector<std::string>* records, size_t* badRecord) {
  records->clear();
  size_t at = 0;
  while (at < bytes.size() && bytes[at] != kEndOfSave) {
    *badRecord = records->size() + 1;
    size_t length = 0;
    size_t digits = 0;
    while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9' && digits < 6) {
      length = length * 10 + static_cast<size_t>(bytes[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || at >= bytes.size() || bytes[at] != ',') return false;
    ++at;
    if (bytes.size() - at < length) return false;
    records->push_back(bytes.substr(at, length));
    at += length;
    if (bytes.compare(at, 2, "\r\n") == 0) {
      at += 2;
    } else if (at < bytes.size() && bytes[at] == '\n') {
      ++at;
    } else {
      return false;
    }
  }
  return true;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kHelp;
    return kExitOk;
  }
  if (args.empty()) return Usage(err, "missing command");
  const std::string& command = args[0];
  const size_t wanted = command == "stat" || command == "check"                         ? 2
                        : command == "create" || command == "save" || command == "load" ? 3
                                                                                        : 0;
  if (wanted == 0) return Usage(err, "unknown command '" + command + "'");
  if (args.size() != wanted) return Usage(err, "wrong number of arguments for " + command);
  std::string base = args[1];
  if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dat") == 0) {
    base.resize(base.size() - 4);
  }
  if (base.empty() || base.size() > kMaxName || base.find('\0') != std::string::npos) {
    return Usage(err, "unusable file name '" + args[1] + "'");
  }
  Context c{out, err, base + ".dat", base + ".dat"};
  int code = kExitUsage;
  if (command == "create") code = Create(c, args[2]);
  if (command == "stat") code = Stat(c);
  if (command == "save") code = Save(c, args[2]);
  if (command == "load") code = Load(c, args[2]);
  if (command == "check") code = Check(c);
  uint32_t zero = 0;
  (void)BTRCALL(recman::kOpReset, nullptr, nullptr, &zero, nullptr, 0, 0);
  return code;
}

}  // namespace kavrec
