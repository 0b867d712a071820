#include "records/record_files.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/file.h"
#include "platform/host_path.h"
#include "recman/btrcall.h"

namespace records {
namespace {

// The owner name offered at every open; files without an owner accept any.
constexpr char kOwnerName[5] = {'K', 'A', 'V', '1', '\0'};

std::int16_t Le16(const std::string& buffer, std::size_t offset) {
  if (offset + 2 > buffer.size()) return 0;
  return static_cast<std::int16_t>(static_cast<unsigned char>(buffer[offset]) |
                                   (static_cast<unsigned char>(buffer[offset + 1]) << 8));
}

std::int32_t Le32(const unsigned char* p) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
      (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}

void PutLe32(unsigned char* p, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

bool Biased(int code) {
  return (code >= 5 && code <= 13) || code == 19 || (code >= 22 && code <= 24) ||
         (code >= 33 && code <= 35);
}

// The text of a key area up to its first 0x00 byte.
std::size_t TextLength(const unsigned char* area, std::size_t size) {
  const void* zero = std::memchr(area, 0, size);
  return zero == nullptr ? size
                         : static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - area);
}

std::string_view OpenFailureText(std::string_view language) {
  if (language == "SPA") return "NO SE PUEDE ACCEDER AL FICHERO ";
  if (language == "GLG") return "NOM SE PODE ACEDER AO FICHEIRO ";
  if (language == "OCI") return "NON SE P\xD2T ACCEDIR ATH FICH\xC8R ";
  return "NO ES POT ACCEDIR AL FITXER ";
}

std::string_view LockWaitText(std::string_view language) {
  if (language == "SPA") return "FICHERO BLOQUEADO. ESPERE UN MOMENTO.";
  if (language == "GLG") return "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.";
  if (language == "OCI") return "FICH\xC8R BLOQUEJAT. ESPERATZ UN MOMENT.";
  return "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
}

// One key's segments, walked through a Stat buffer: calls `segment(offset)` for each
// description and returns the offset after the key, never past the buffer.
template <typename F>
std::size_t WalkKey(const std::string& stat, std::size_t offset, F&& segment) {
  while (offset + 16 <= stat.size()) {
    segment(offset);
    const bool more = (Le16(stat, offset + 4) & 0x10) != 0;
    offset += 16;
    if (!more) break;
  }
  return offset;
}

}  // namespace

std::string DbLogLine(std::int16_t fileNumber, std::int16_t operation, std::int16_t status) {
  std::string line;
  auto number = [&line](std::int16_t value) {
    line += value < 0 ? '-' : ' ';
    line += std::to_string(std::abs(static_cast<int>(value)));
    line += ' ';
  };
  auto pad = [&line] { line.append(14 - line.size() % 14, ' '); };
  number(fileNumber);
  pad();
  number(operation);
  pad();
  number(status);
  line += "\r\n";
  return line;
}

RecordFiles::RecordFiles(screen::Screen& screen, const frame::Session& session,
                         platform::Timer& timer, std::function<void()> endProgram,
                         RecordManagerCall call)
    : screen_(screen),
      session_(session),
      timer_(timer),
      endProgram_(std::move(endProgram)),
      call_(call != nullptr ? call : &BTRCALL) {}

std::int16_t RecordFiles::Call(std::uint16_t op, void* positionBlock, void* data,
                               std::uint32_t* dataLength, void* key, std::uint8_t keyLength,
                               std::int8_t keyNumber) {
  return call_(op, positionBlock, data, dataLength, key, keyLength, keyNumber);
}

std::int16_t RecordFiles::RecSlot(std::int16_t fileNumber) const {
  std::int16_t result = 0;
  for (int i = 1; i <= kFileSlots; ++i) {
    const std::int16_t number = table_[static_cast<std::size_t>(i)].fileNumber;
    if (number == fileNumber) return static_cast<std::int16_t>(i);
    if (number == 0) result = static_cast<std::int16_t>(-i);
  }
  return result;
}

std::int16_t RecordFiles::RecOpen(std::int16_t fileNumber, std::string_view name,
                                  char* recordArea) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot > 0) return kStatusAlreadyOpen;
  if (slot == 0) return kStatusTableFull;
  FileEntry& entry = table_[static_cast<std::size_t>(-slot)];
  entry = FileEntry{};
  entry.fileNumber = fileNumber;
  entry.recordArea = recordArea;

  // Split into directory, base and extension: the extension starts at the first '.' of the
  // last path component, and a name without one gets ".dat".
  std::string directory;
  std::string base(name);
  std::string extension = ".dat";
  std::size_t endMark = name.size();
  for (std::size_t i = name.size(); i-- > 0;) {
    const char c = name[i];
    if (c == ':' || c == '\\' || c == '/') {
      directory = std::string(name.substr(0, i + 1));
      base = std::string(name.substr(i + 1, endMark - (i + 1)));
      break;
    }
    if (c == '.') {
      base = std::string(name.substr(0, i));
      extension = std::string(name.substr(i));
      endMark = i;
    }
  }
  std::string path = directory + base + extension;
  if (path.size() > 255) path.resize(255);
  std::string hostPath = platform::HostPath(path);
  if (hostPath.size() > 255) hostPath.resize(255);

  std::int16_t status;
  for (;;) {
    unsigned char data[kDataAreaSize];
    std::memset(data, ' ', sizeof data);
    std::memcpy(data, kOwnerName, sizeof kOwnerName);
    unsigned char key[kKeyAreaSize] = {};
    std::memcpy(key, hostPath.data(), hostPath.size());
    std::uint32_t length = sizeof kOwnerName;
    status = Call(kOpOpen, entry.positionBlock.data(), data, &length, key,
                  static_cast<std::uint8_t>(hostPath.size()), 0);
    if (status == kStatusFileLocked) {
      timer_.Pause(3000);
      continue;
    }
    if (status != kStatusNotFound) break;

    const auto templateBytes =
        platform::ReadFileShared(session_.RootDir + "ddf\\" + base + ".xdf").value_or("");
    std::memset(data, ' ', sizeof data);
    const std::int16_t count = Le16(templateBytes, 0);
    const std::size_t take = std::min<std::size_t>(
        {count > 0 ? static_cast<std::size_t>(count) : 0,
         templateBytes.size() >= 2 ? templateBytes.size() - 2 : 0, sizeof data});
    if (take > 0) std::memcpy(data, templateBytes.data() + 2, take);
    length = sizeof data;
    std::memset(key, 0, sizeof key);
    std::memcpy(key, hostPath.data(), hostPath.size());
    status = Call(kOpCreate, entry.positionBlock.data(), data, &length, key,
                  static_cast<std::uint8_t>(hostPath.size()), -1);
    if (status != 0) break;
  }
  if (status != 0) OpenFailed(name, status);

  std::int16_t keyLength = 0, recordLength = 0;
  RecKeyInfo(fileNumber, 0, keyLength, recordLength);
  entry.keyBuffer.assign(static_cast<std::size_t>(std::max<std::int16_t>(keyLength, 0)), '\0');
  entry.recordLength = recordLength;
  return 0;
}

void RecordFiles::OpenFailed(std::string_view name, std::int16_t status) {
  std::string message(OpenFailureText(session_.LanguageCode));
  message += name;
  message += " (" + std::to_string(status) + ")";
  platform::Console& console = screen_.console();
  screen_.ShowMessage(12, message);
  console.Beep();
  console.DiscardPendingInput();
  for (;;) {
    const platform::InputEvent event = console.WaitEvent();
    if (event.kind == platform::InputEvent::Kind::kKey && event.code != 0) break;
  }
  screen_.WinPop();
  if (endProgram_) endProgram_();
  std::exit(0);
}

std::int16_t RecordFiles::RecReset() {
  std::uint32_t length = 0;
  unsigned char data[4] = {};
  unsigned char key[4] = {};
  const std::int16_t status =
      Call(kOpReset, table_[0].positionBlock.data(), data, &length, key, 0, 0);
  if (status == 0) {
    for (int i = 1; i <= kFileSlots; ++i) table_[static_cast<std::size_t>(i)] = FileEntry{};
  }
  return status;
}

std::string RecordFiles::StatBuffer(FileEntry& entry) {
  std::string data(kDataAreaSize, ' ');
  unsigned char key[kKeyAreaSize];
  std::memset(key, ' ', 255);
  key[255] = 0;
  std::uint32_t length = kDataAreaSize;
  Call(kOpStat, entry.positionBlock.data(), data.data(), &length, key, 255, 0);
  const std::int16_t pageSize = Le16(data, 2);
  const std::string first = data;

  data.assign(kDataAreaSize, ' ');
  std::fill_n(data.begin(), std::clamp<int>(pageSize, 0, kDataAreaSize), '\0');
  length = kDataAreaSize;
  Call(kOpStat, entry.positionBlock.data(), data.data(), &length, key,
       static_cast<std::uint8_t>(TextLength(key, 255)), 0);
  // The first answer's header travels with the second's descriptions.
  return first.substr(0, 16) + data.substr(16);
}

void RecordFiles::RecKeyInfo(std::int16_t fileNumber, std::int16_t keyNumber,
                             std::int16_t& keyLength, std::int16_t& recordLength) {
  keyLength = 0;
  recordLength = 0;
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return;
  const std::string stat = StatBuffer(table_[static_cast<std::size_t>(slot)]);
  recordLength = Le16(stat, 0);
  const std::int16_t keys = Le16(stat, 4);
  if (keyNumber >= keys) return;
  std::size_t offset = 16;
  for (int k = 0; k <= keyNumber && offset + 16 <= stat.size(); ++k) {
    keyLength = 0;
    offset = WalkKey(stat, offset, [&](std::size_t at) {
      keyLength = static_cast<std::int16_t>(keyLength + Le16(stat, at + 2));
    });
  }
}

std::int16_t RecordFiles::RecCall(std::int16_t index, std::int16_t operation) {
  FileEntry& entry = table_[static_cast<std::size_t>(index)];
  int code = operation;
  if (Biased(code) && entry.lockMode != 0) code += 200;
  int attempts = 0;
  std::int16_t status;
  const std::size_t recordLength = std::clamp<std::size_t>(
      static_cast<std::size_t>(std::max(entry.recordLength, 0)), 0, kDataAreaSize);
  for (;;) {
    if (attempts == 1) screen_.ShowMessage(24, LockWaitText(session_.LanguageCode));
    unsigned char data[kDataAreaSize];
    std::memset(data, ' ', sizeof data);
    if (entry.recordArea != nullptr) std::memcpy(data, entry.recordArea, recordLength);
    std::uint32_t length = static_cast<std::uint32_t>(recordLength);
    unsigned char key[kKeyAreaSize];
    const unsigned char fill = (code == 8 || code == 9)     ? 0x00
                               : (code == 10 || code == 11) ? 0xFF
                                                            : ' ';
    std::memset(key, fill, sizeof key);
    const std::size_t keyLength = std::min(entry.keyBuffer.size(), kKeyAreaSize - 1);
    std::memcpy(key, entry.keyBuffer.data(), keyLength);
    status = Call(static_cast<std::uint16_t>(code), entry.positionBlock.data(), data, &length, key,
                  static_cast<std::uint8_t>(keyLength), static_cast<std::int8_t>(entry.keyNumber));
    if (entry.recordArea != nullptr) {
      std::memcpy(entry.recordArea, data, std::min<std::size_t>(length, recordLength));
    }
    entry.keyBuffer.assign(reinterpret_cast<const char*>(key), keyLength);
    if ((status == kStatusRecordLocked || status == kStatusFileLocked) && entry.lockMode == 1) {
      timer_.Pause(static_cast<std::int32_t>(1 + std::lround(10000.0 * timer_.Random())));
      if (attempts < 2) ++attempts;
      continue;
    }
    break;
  }
  if (attempts != 0) screen_.WinPop();
  return status;
}

std::int16_t RecordFiles::RecGetByKey(std::int16_t fileNumber, std::int16_t keyNumber,
                                      std::string_view key, std::int16_t direction) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return kStatusNotOpen;
  std::int16_t keyLength, recordLength;
  RecKeyInfo(fileNumber, keyNumber, keyLength, recordLength);
  if (keyLength <= 0) return kStatusNoSuchKey;
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  entry.keyNumber = keyNumber;
  entry.keyBuffer = std::string(key.substr(0, static_cast<std::size_t>(keyLength)));
  entry.keyBuffer.resize(static_cast<std::size_t>(keyLength), '\0');
  const std::int16_t op = direction < 0    ? kOpGetLessOrEqual
                          : direction == 0 ? kOpGetEqual
                                           : kOpGetGreaterOrEqual;
  const std::int16_t status = RecCall(slot, op);
  return status == kStatusShortBuffer ? 0 : status;
}

std::int16_t RecordFiles::RecStep(std::int16_t fileNumber, std::int16_t count) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return kStatusNotOpen;
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  const std::int16_t op = count < 0 ? kOpGetPrevious : kOpGetNext;
  std::int16_t status = 0;
  int n = std::abs(static_cast<int>(count));
  unsigned char key[kKeyAreaSize] = {};
  while (n > 1 && status == 0) {
    unsigned char data[kDataAreaSize];
    std::uint32_t length = kDataAreaSize;
    status = Call(static_cast<std::uint16_t>(op), entry.positionBlock.data(), data, &length, key,
                  static_cast<std::uint8_t>(TextLength(key, kKeyAreaSize - 1)),
                  static_cast<std::int8_t>(entry.keyNumber));
    const std::size_t text = TextLength(key, kKeyAreaSize);
    entry.keyBuffer.assign(reinterpret_cast<const char*>(key),
                           std::min(text, entry.keyBuffer.size()));
    if (status == kStatusShortBuffer) status = 0;
    --n;
  }
  if (n == 0 || status != 0) return status;
  status = RecCall(slot, op);
  return status == kStatusShortBuffer ? 0 : status;
}

std::int16_t RecordFiles::RecDelete(std::int16_t fileNumber) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return kStatusNotOpen;
  const std::int16_t status = RecCall(slot, kOpDelete);
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  if (status != 0) std::fill(entry.keyBuffer.begin(), entry.keyBuffer.end(), '\0');
  return status;
}

std::int16_t RecordFiles::RecInsert(std::int16_t fileNumber) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return kStatusNotOpen;
  const std::int16_t status = RecCall(slot, kOpInsert);
  AppendLogLine(fileNumber, status);
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  if (status != 0) std::fill(entry.keyBuffer.begin(), entry.keyBuffer.end(), '\0');
  return status;
}

void RecordFiles::AppendLogLine(std::int16_t fileNumber, std::int16_t status) {
  // The insert has happened whatever becomes of its line: a log that cannot be written (a
  // read-only installation, a full disk) is passed over in silence.
  [[maybe_unused]] const bool written =
      platform::AppendToFile("db.log", DbLogLine(fileNumber, kOpInsert, status));
}

std::int32_t RecordFiles::RecPosition(std::int16_t fileNumber, std::int32_t position) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return position == 0 ? 0 : kStatusNotOpen;
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  unsigned char data[kDataAreaSize] = {};
  unsigned char key[kKeyAreaSize] = {};
  std::uint32_t length = kDataAreaSize;
  if (position == 0) {
    const std::int16_t status =
        Call(kOpGetPosition, entry.positionBlock.data(), data, &length, key, 0, 0);
    return status == 0 ? Le32(data) : 0;
  }
  PutLe32(data, position);
  std::int16_t status = Call(kOpGetDirect, entry.positionBlock.data(), data, &length, key, 0,
                             static_cast<std::int8_t>(entry.keyNumber));
  const std::size_t text = TextLength(key, kKeyAreaSize);
  entry.keyBuffer.assign(reinterpret_cast<const char*>(key),
                         std::min(text, entry.keyBuffer.size()));
  if (status == kStatusShortBuffer) status = 0;
  if (status == 0 && entry.recordArea != nullptr) {
    const std::size_t recordLength = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(entry.recordLength, 0)), kDataAreaSize);
    std::memcpy(entry.recordArea, data, std::min<std::size_t>(length, recordLength));
  }
  return status;
}

std::int16_t RecordFiles::RecLockMode(std::int16_t fileNumber, std::string_view letters,
                                      std::int16_t status) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return kStatusNotOpen;
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  for (char c : letters) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'D':
        entry.lockMode = 0;
        break;
      case 'A':
        entry.lockMode = 1;
        break;
      case 'B':
        entry.lockMode = 2;
        break;
      case '+':
        lockStack_ += static_cast<char>(slot);
        lockStack_ += static_cast<char>(entry.lockMode);
        break;
      case '-':
        for (std::size_t i = lockStack_.size(); i >= 2; i -= 2) {
          if (lockStack_[i - 2] == static_cast<char>(slot)) {
            entry.lockMode = static_cast<std::int16_t>(lockStack_[i - 1]);
            lockStack_.erase(i - 2, 2);
            break;
          }
        }
        break;
      default:
        break;
    }
  }
  return status;
}

std::string RecordFiles::RecKeyImage(std::string_view key, std::int16_t fileNumber) {
  const std::int16_t slot = RecSlot(fileNumber);
  std::string image(key);
  if (slot <= 0) return image;
  FileEntry& entry = table_[static_cast<std::size_t>(slot)];
  const std::string stat = StatBuffer(entry);
  const std::int16_t keys = Le16(stat, 4);
  std::size_t offset = 16;
  for (int k = 0; k < keys && offset + 16 <= stat.size(); ++k) {
    offset = WalkKey(stat, offset, [](std::size_t) {});
  }
  const std::size_t table = offset + 9;  // signature byte and 8-byte name
  offset = 16;
  for (int k = 0; k <= entry.keyNumber && offset + 16 <= stat.size(); ++k) {
    std::size_t start = 0;
    const bool current = k == entry.keyNumber;
    offset = WalkKey(stat, offset, [&](std::size_t at) {
      const std::size_t n = static_cast<std::size_t>(std::max<std::int16_t>(Le16(stat, at + 2), 0));
      const std::int16_t flags = Le16(stat, at + 4);
      if (current) {
        if (flags & 0x04) {
          if (image.size() < start + n) image.resize(start + n, '\0');
          std::reverse(image.begin() + static_cast<std::ptrdiff_t>(start),
                       image.begin() + static_cast<std::ptrdiff_t>(start + n));
        } else if (flags & 0x20) {
          for (std::size_t i = start; i < std::min(start + n, image.size()); ++i) {
            const std::size_t weight = table + static_cast<unsigned char>(image[i]);
            if (weight < stat.size()) image[i] = stat[weight];
          }
        }
      }
      start += n;
    });
  }
  return image;
}

std::string RecordFiles::RecCurrentKeyImage(std::int16_t fileNumber) {
  const std::int16_t slot = RecSlot(fileNumber);
  if (slot <= 0) return {};
  return RecKeyImage(table_[static_cast<std::size_t>(slot)].keyBuffer, fileNumber);
}

std::int16_t RecordFiles::BeginTransaction() {
  unsigned char block[128] = {}, data[4] = {}, key[4] = {};
  std::uint32_t length = 0;
  return Call(kOpBeginTransaction, block, data, &length, key, 0, 0);
}

std::int16_t RecordFiles::EndTransaction() {
  unsigned char block[128] = {}, data[4] = {}, key[4] = {};
  std::uint32_t length = 0;
  return Call(kOpEndTransaction, block, data, &length, key, 0, 0);
}

std::int16_t RecordFiles::AbortTransaction() {
  unsigned char block[128] = {}, data[4] = {}, key[4] = {};
  std::uint32_t length = 0;
  return Call(kOpAbortTransaction, block, data, &length, key, 0, 0);
}

}  // namespace records
