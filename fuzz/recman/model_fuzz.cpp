// Random sequences of record manager calls with random buffers, each compared with a small
// in-memory model of the same semantics (sorted vectors, linear scans). Any difference in a
// status, a returned record, key or position is a failure; so is a crash on garbage position
// blocks or codes.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "recman/engine.h"
#include "recman/file_spec.h"
#include "recman/status.h"

namespace {

using namespace recman;

constexpr int kRecordLength = 8;

void Put16(std::string* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<char>(v & 0xFF);
  (*b)[at + 1] = static_cast<char>(v >> 8);
}

struct Seg {
  uint16_t position, length, flags;
  uint8_t type = 0, nullValue = 0;
};

std::string Spec(const std::vector<std::vector<Seg>>& keys, bool collating) {
  std::string b(16, '\0');
  Put16(&b, 0, kRecordLength);
  Put16(&b, 2, 512);
  Put16(&b, 4, static_cast<uint16_t>(keys.size()));
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      std::string s(16, '\0');
      Put16(&s, 0, key[i].position);
      Put16(&s, 2, key[i].length);
      Put16(&s, 4, key[i].flags | (i + 1 < key.size() ? kSegContinues : 0));
      s[10] = static_cast<char>(key[i].type);
      s[11] = static_cast<char>(key[i].nullValue);
      b += s;
    }
  }
  if (collating) {
    b += static_cast<char>(kCollatingSignature);
    b += "REVERSED";
    for (int i = 0; i < 256; ++i) b += static_cast<char>(255 - i);
  }
  return b;
}

const std::array<std::string, 2>& Specs() {
  static const std::array<std::string, 2> specs = {
      Spec({{{1, 2, 0}},
            {{3, 2, kSegDuplicates | kSegModifiable | kSegBinary | kSegDescending}},
            {{5, 1, kSegModifiable | kSegNullKey | kSegCaseInsensitive, 0, ' '}}},
           false),
      Spec({{{1, 1, kSegDuplicates | kSegModifiable | kSegCollating}},
            {{2, 1, kSegModifiable}, {4, 2, kSegModifiable | kSegExtendedType, kTypeInteger}}},
           true),
  };
  return specs;
}

[[noreturn]] void Differ(const char* what, int op, long engine, long model) {
  std::fprintf(stderr, "difference in %s after op %d: engine %ld, model %ld\n", what, op, engine,
               model);
  std::abort();
}

struct Entry {
  std::string image;
  int64_t position;
  bool operator<(const Entry& o) const {
    return image != o.image ? image < o.image : position < o.position;
  }
};

// The semantics of one handle on one file, as plainly as they can be said.
class Model {
 public:
  explicit Model(const FileSpec& spec) : spec_(spec) {}

  FileSpec spec_;
  std::map<int64_t, std::string> records;
  std::map<int64_t, std::string> before;  // at Begin Transaction
  bool inTransaction = false;
  bool open = true;
  int keyNumber = -1;
  std::string image;
  int64_t position = 0;
  int64_t current = 0;
  bool deleted = false;
  std::string record;

  std::string Value(int k, const std::string& r) const { return KeyValueOf(spec_.keys[k], r); }
  std::string Image(int k, const std::string& value) const {
    return KeyImageOf(spec_, spec_.keys[k], value);
  }
  std::vector<Entry> Entries(int k) const {
    std::vector<Entry> out;
    for (const auto& [p, r] : records) {
      const std::string v = Value(k, r);
      if (!IsNullValue(spec_.keys[k], v)) out.push_back({Image(k, v), p});
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // True when another record than `self` holds `image` on unique key k.
  bool Taken(int k, const std::string& img, int64_t self) const {
    if (spec_.keys[k].duplicates) return false;
    for (const auto& [p, r] : records) {
      const std::string v = Value(k, r);
      if (p != self && !IsNullValue(spec_.keys[k], v) && Image(k, v) == img) return true;
    }
    return false;
  }
  void Land(int k, const std::string& img, int64_t p) {
    keyNumber = k;
    image = img;
    position = p;
    current = p;
    deleted = false;
    record = records.at(p);
  }
  void Reset() {
    keyNumber = -1;
    image.clear();
    position = current = 0;
    deleted = false;
    record.clear();
  }
};

// One scratch directory for the whole run, removed when the fuzzer exits.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    const std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/recman-fuzz-XXXXXX";
    path = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

std::string TempPath() {
  static const ScratchDir dir;
  return dir.path + "/f";
}

class Runner {
 public:
  Runner(FuzzedDataProvider& in, const std::string& specBuffer)
      : in_(in), path_(TempPath()), model_(Parsed(specBuffer)) {
    std::string key = path_;
    key.resize(256, '\0');
    std::string data = specBuffer;
    uint32_t length = static_cast<uint32_t>(data.size());
    uint8_t scratch[kPositionBlockSize] = {};
    if (engine_.Call(kOpCreate, scratch, data.data(), &length, key.data(), 0, 0) != kOk) {
      std::abort();
    }
    if (Open() != kOk) std::abort();
  }

  void Step() {
    const int choice = in_.ConsumeIntegralInRange<int>(0, 19);
    switch (choice) {
      case 0:
      case 1:
      case 2:
        return Insert();
      case 3:
        return Update();
      case 4:
        return Delete();
      case 5:
      case 6:
      case 7:
      case 8:
        return GetByKey();
      case 9:
        return Physical();
      case 10:
        return Position();
      case 11:
        return Direct();
      case 12:
        return Transaction();
      case 13:
        return Stat();
      case 14:
        return CloseOrReopen();
      case 15:
        return Garbage();
      default:
        return GetByKey();
    }
  }

  void Finish() { (void)engine_.Call(kOpReset, nullptr, nullptr, nullptr, nullptr, 0, 0); }

 private:
  static FileSpec Parsed(const std::string& buffer) {
    FileSpec spec;
    if (ParseFileSpec(buffer, &spec) != kOk) std::abort();
    return spec;
  }

  int16_t Open() {
    std::string key = path_;
    key.resize(256, '\0');
    uint32_t length = 0;
    std::memset(block_, 0, sizeof block_);
    return engine_.Call(kOpOpen, block_, nullptr, &length, key.data(), 0, 0);
  }

  char Byte() {
    static constexpr char kAlphabet[] = {'A', 'a', 'B', 'b', ' ', '\0', '\1', '\xff'};
    return kAlphabet[in_.ConsumeIntegralInRange<int>(0, 7)];
  }
  std::string Bytes(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += Byte();
    return s;
  }
  int KeyNumber() { return in_.ConsumeIntegralInRange<int>(-2, static_cast<int>(Keys())); }
  size_t Keys() const { return model_.spec_.keys.size(); }
  bool ValidKey(int k) const { return k >= 0 && k < static_cast<int>(Keys()); }
  int KeyLength(int k) const { return ValidKey(k) ? model_.spec_.keys[k].length : 0; }

  // One call with a data buffer of `capacity` bytes starting with `data`, the key buffer
  // starting with `key`, and a key length argument chosen by the input.
  int16_t Call(int op, std::string* data, uint32_t capacity, std::string* key, int keyNumber,
               uint8_t keyLength) {
    data->resize(std::max<size_t>(capacity, data->size()), '\0');
    key->resize(256, '\0');
    uint32_t length = capacity;
    const int16_t s = engine_.Call(static_cast<uint16_t>(op), block_, data->data(), &length,
                                   key->data(), keyLength, static_cast<int8_t>(keyNumber));
    if (s == kOk || s == kDataBufferLength) data->resize(length);
    return s;
  }
  uint8_t ChooseKeyLength(int k) {
    switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        return 0;
      case 1:
        return static_cast<uint8_t>(std::max(0, KeyLength(k) - 1));
      default:
        return static_cast<uint8_t>(KeyLength(k) == 0 ? 1 : KeyLength(k));
    }
  }
  // The status the model expects for the key buffer size; 0 when it fits.
  static bool KeyShort(uint8_t keyLength, int k, int length) {
    return keyLength != 0 && keyLength < length && k >= 0;
  }

  void Expect(const char* what, int op, long engine, long model) {
    if (engine != model) Differ(what, op, engine, model);
  }

  // Compares a successful (or cut) read of the record at `p` on key `k`.
  void ExpectRead(int op, int16_t s, const std::string& data, uint32_t capacity,
                  const std::string& key, int k, int64_t p) {
    const std::string& r = model_.records.at(p);
    Expect("status", op, s, capacity < r.size() ? kDataBufferLength : kOk);
    if (data != r.substr(0, std::min<size_t>(capacity, r.size()))) Differ("data", op, 0, 1);
    if (k >= 0 && key.substr(0, KeyLength(k)) != model_.Value(k, r)) Differ("key", op, 0, 1);
  }

  void Insert() {
    const int k = in_.ConsumeIntegralInRange<int>(-1, static_cast<int>(Keys()));
    std::string record = Bytes(kRecordLength);
    const int lengthChoice = in_.ConsumeIntegralInRange<int>(0, 7);
    if (lengthChoice == 0) record.pop_back();
    if (lengthChoice == 1) record += 'x';
    const uint8_t keyLength = ChooseKeyLength(k);
    std::string data = record, key;
    const int16_t s =
        Call(kOpInsert, &data, static_cast<uint32_t>(record.size()), &key, k, keyLength);
    int16_t expected = kOk;
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if (k != -1 && !ValidKey(k)) {
      expected = kInvalidKeyNumber;
    } else if (KeyShort(keyLength, k, KeyLength(k))) {
      expected = kKeyBufferTooShort;
    } else if (record.size() != kRecordLength) {
      expected = kDataBufferLength;
    } else {
      for (size_t i = 0; i < Keys() && expected == kOk; ++i) {
        const std::string v = model_.Value(static_cast<int>(i), record);
        if (!IsNullValue(model_.spec_.keys[i], v) &&
            model_.Taken(static_cast<int>(i), model_.Image(static_cast<int>(i), v), 0)) {
          expected = kDuplicateKey;
        }
      }
    }
    Expect("insert status", kOpInsert, s, expected);
    if (s != kOk) return;
    // The engine chooses positions; learn it, then hold the engine to it.
    int64_t p = 0;
    if (k >= 0) {
      std::string pd, pk;
      if (Call(kOpGetPosition, &pd, 4, &pk, 0, 0) != kOk) Differ("position", kOpInsert, 0, 1);
      for (int i = 0; i < 4; ++i) p |= static_cast<int64_t>(static_cast<uint8_t>(pd[i])) << (8 * i);
    } else {
      p = FindNewPosition(record);
    }
    if (p <= 0 || model_.records.count(p) != 0) Differ("new position", kOpInsert, p, 0);
    model_.records[p] = record;
    if (k >= 0) {
      model_.Land(k, model_.Image(k, model_.Value(k, record)), p);
      if (key.substr(0, KeyLength(k)) != model_.Value(k, record)) Differ("key", kOpInsert, 0, 1);
    }
  }

  // After an insert that left the position alone, the new record is the one at a position
  // the model does not know yet; a second handle finds it without moving this one.
  int64_t FindNewPosition(const std::string& record) {
    uint8_t other[kPositionBlockSize] = {};
    std::string key = path_;
    key.resize(256, '\0');
    uint32_t length = 0;
    if (engine_.Call(kOpOpen, other, nullptr, &length, key.data(), 0, 0) != kOk) return 0;
    int64_t found = 0;
    std::string data(64, '\0');
    length = 64;
    int16_t s = engine_.Call(kOpStepFirst, other, data.data(), &length, key.data(), 0, 0);
    while (s == kOk) {
      std::string pd(4, '\0');
      uint32_t pl = 4;
      (void)engine_.Call(kOpGetPosition, other, pd.data(), &pl, key.data(), 0, 0);
      int64_t p = 0;
      for (int i = 0; i < 4; ++i) p |= static_cast<int64_t>(static_cast<uint8_t>(pd[i])) << (8 * i);
      if (model_.records.count(p) == 0 && data.substr(0, length) == record) found = p;
      length = 64;
      s = engine_.Call(kOpStepNext, other, data.data(), &length, key.data(), 0, 0);
    }
    (void)engine_.Call(kOpClose, other, nullptr, nullptr, nullptr, 0, 0);
    return found;
  }

  void Update() {
    const int k = KeyNumber();
    std::string record =
        model_.current != 0 && model_.records.count(model_.current) != 0 && in_.ConsumeBool()
            ? model_.records.at(model_.current)
            : Bytes(kRecordLength);
    // Often change only a byte or two of the current record.
    if (in_.ConsumeBool()) record[in_.ConsumeIntegralInRange<int>(0, kRecordLength - 1)] = Byte();
    std::string data = record, key;
    const int16_t s = Call(kOpUpdate, &data, kRecordLength, &key, k, 0);
    int16_t expected = kOk;
    std::vector<std::string> images(Keys());
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if (model_.current == 0 || model_.deleted) {
      expected = kInvalidPositioning;
    } else if (model_.records.count(model_.current) == 0 ||
               model_.records.at(model_.current) != model_.record) {
      expected = kConflict;
    } else {
      const std::string& old = model_.records.at(model_.current);
      for (size_t i = 0; i < Keys() && expected == kOk; ++i) {
        const int ki = static_cast<int>(i);
        const std::string ov = model_.Value(ki, old), nv = model_.Value(ki, record);
        images[i] = model_.Image(ki, nv);
        if (ov == nv) continue;
        if (model_.Image(ki, ov) != images[i] && !model_.spec_.keys[i].modifiable) {
          expected = kModifiableKeyError;
        } else if (!IsNullValue(model_.spec_.keys[i], nv) &&
                   model_.Taken(ki, images[i], model_.current)) {
          expected = kDuplicateKey;
        }
      }
    }
    Expect("update status", kOpUpdate, s, expected);
    if (s != kOk) return;
    model_.records[model_.current] = record;
    model_.record = record;
    if (model_.keyNumber < 0 && ValidKey(k)) model_.keyNumber = k;
    if (model_.keyNumber >= 0) {
      model_.image = images[model_.keyNumber];
      model_.position = model_.current;
    }
  }

  void Delete() {
    std::string data, key;
    const int16_t s = Call(kOpDelete, &data, 0, &key, 0, 0);
    int16_t expected = kOk;
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if (model_.current == 0 || model_.deleted) {
      expected = kInvalidPositioning;
    } else if (model_.records.count(model_.current) == 0 ||
               model_.records.at(model_.current) != model_.record) {
      expected = kConflict;
    }
    Expect("delete status", kOpDelete, s, expected);
    if (s != kOk) return;
    model_.records.erase(model_.current);
    model_.deleted = true;
  }

  void GetByKey() {
    const int op = in_.ConsumeIntegralInRange<int>(kOpGetEqual, kOpGetLast);
    const int k = in_.ConsumeIntegralInRange<int>(0, 9) == 0 ? KeyNumber()
                  : in_.ConsumeIntegralInRange<int>(0, 3) != 0 && model_.keyNumber >= 0
                      ? model_.keyNumber
                      : in_.ConsumeIntegralInRange<int>(0, static_cast<int>(Keys()) - 1);
    std::string keyIn = Bytes(std::max(1, KeyLength(k)));
    const uint8_t keyLength = ChooseKeyLength(k);
    const uint32_t capacity = in_.ConsumeIntegralInRange<uint32_t>(0, 12);
    const int bias = in_.ConsumeIntegralInRange<int>(0, 5) == 0 ? kBiasNoWaitLock : 0;
    std::string data, key = keyIn;
    const int16_t s = Call(op + bias, &data, capacity, &key, k, keyLength);
    int16_t expected = kOk;
    const Entry* found = nullptr;
    std::vector<Entry> entries;
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if (!ValidKey(k)) {
      expected = kInvalidKeyNumber;
    } else if (KeyShort(keyLength, k, KeyLength(k))) {
      expected = kKeyBufferTooShort;
    } else if ((op == kOpGetNext || op == kOpGetPrevious) &&
               (model_.keyNumber < 0 || model_.position == 0)) {
      expected = kInvalidPositioning;
    } else if ((op == kOpGetNext || op == kOpGetPrevious) && k != model_.keyNumber) {
      expected = kDifferentKeyNumber;
    } else {
      entries = model_.Entries(k);
      const std::string img = model_.Image(k, keyIn.substr(0, KeyLength(k)));
      auto firstWhere = [&](auto pred) -> const Entry* {
        for (const Entry& e : entries) {
          if (pred(e)) return &e;
        }
        return nullptr;
      };
      auto lastWhere = [&](auto pred) -> const Entry* {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
          if (pred(*it)) return &*it;
        }
        return nullptr;
      };
      const Entry here{model_.image, model_.position};
      switch (op) {
        case kOpGetEqual:
          found = firstWhere([&](const Entry& e) { return e.image == img; });
          break;
        case kOpGetNext:
          found = firstWhere([&](const Entry& e) { return here < e; });
          break;
        case kOpGetPrevious:
          found = lastWhere([&](const Entry& e) { return e < here; });
          break;
        case kOpGetGreater:
          found = firstWhere([&](const Entry& e) { return e.image > img; });
          break;
        case kOpGetGreaterOrEqual:
          found = firstWhere([&](const Entry& e) { return e.image >= img; });
          break;
        case kOpGetLess:
          found = lastWhere([&](const Entry& e) { return e.image < img; });
          break;
        case kOpGetLessOrEqual:
          found = lastWhere([&](const Entry& e) { return e.image <= img; });
          break;
        case kOpGetFirst:
          found = entries.empty() ? nullptr : &entries.front();
          break;
        default:
          found = entries.empty() ? nullptr : &entries.back();
          break;
      }
      if (found == nullptr) expected = op == kOpGetEqual ? kKeyNotFound : kEndOfFile;
    }
    if (found == nullptr) {
      Expect("read status", op, s, expected);
      return;
    }
    ExpectRead(op, s, data, capacity, key, k, found->position);
    model_.Land(k, found->image, found->position);
  }

  void Physical() {
    const int op = std::array<int, 4>{kOpStepFirst, kOpStepNext, kOpStepPrevious,
                                      kOpStepLast}[in_.ConsumeIntegralInRange<int>(0, 3)];
    const uint32_t capacity = in_.ConsumeIntegralInRange<uint32_t>(0, 12);
    std::string data, key;
    const int16_t s = Call(op, &data, capacity, &key, 0, 0);
    int64_t target = 0;
    int16_t expected = kOk;
    const auto& r = model_.records;
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if ((op == kOpStepNext || op == kOpStepPrevious) && model_.current == 0) {
      expected = kInvalidPositioning;
    } else if (op == kOpStepFirst) {
      if (!r.empty()) target = r.begin()->first;
    } else if (op == kOpStepLast) {
      if (!r.empty()) target = r.rbegin()->first;
    } else if (op == kOpStepNext) {
      auto it = r.upper_bound(model_.current);
      if (it != r.end()) target = it->first;
    } else {
      auto it = r.lower_bound(model_.current);
      if (it != r.begin()) target = std::prev(it)->first;
    }
    if (expected == kOk && target == 0) expected = kEndOfFile;
    if (target == 0) {
      Expect("step status", op, s, expected);
      return;
    }
    ExpectRead(op, s, data, capacity, key, -1, target);
    const int k = model_.keyNumber;
    model_.Land(k, k >= 0 ? model_.Image(k, model_.Value(k, r.at(target))) : "", target);
    if (k < 0) model_.position = 0;
  }

  void Position() {
    const uint32_t capacity = in_.ConsumeIntegralInRange<uint32_t>(0, 6);
    std::string data, key;
    const int16_t s = Call(kOpGetPosition, &data, capacity, &key, 0, 0);
    int16_t expected = !model_.open                            ? kFileNotOpen
                       : model_.current == 0 || model_.deleted ? kInvalidPositioning
                       : capacity < 4                          ? kDataBufferLength
                                                               : kOk;
    Expect("position status", kOpGetPosition, s, expected);
    if (s != kOk) return;
    int64_t p = 0;
    for (int i = 0; i < 4; ++i) p |= static_cast<int64_t>(static_cast<uint8_t>(data[i])) << (8 * i);
    Expect("position", kOpGetPosition, static_cast<long>(p), static_cast<long>(model_.current));
  }

  void Direct() {
    const int k = KeyNumber();
    int64_t p = in_.ConsumeIntegralInRange<int64_t>(-1, 40);
    if (!model_.records.empty() && in_.ConsumeBool()) {
      auto it = model_.records.begin();
      std::advance(it, in_.ConsumeIntegralInRange<size_t>(0, model_.records.size() - 1));
      p = it->first;
    }
    const uint32_t capacity = in_.ConsumeIntegralInRange<uint32_t>(0, 12);
    const uint8_t keyLength = ChooseKeyLength(k);
    std::string data(4, '\0'), key;
    for (int i = 0; i < 4; ++i) data[i] = static_cast<char>(static_cast<uint64_t>(p) >> (8 * i));
    const int16_t s = Call(kOpGetDirect, &data, capacity, &key, k, keyLength);
    int16_t expected = kOk;
    if (!model_.open) {
      expected = kFileNotOpen;
    } else if (!ValidKey(k)) {
      expected = kInvalidKeyNumber;
    } else if (capacity < 4) {
      expected = kDataBufferLength;
    } else if (KeyShort(keyLength, k, KeyLength(k))) {
      expected = kKeyBufferTooShort;
    } else if (p <= 0 || model_.records.count(p) == 0) {
      expected = kInvalidRecordAddress;
    }
    if (expected != kOk) {
      Expect("direct status", kOpGetDirect, s, expected);
      return;
    }
    ExpectRead(kOpGetDirect, s, data, capacity, key, k, p);
    model_.Land(k, model_.Image(k, model_.Value(k, model_.records.at(p))), p);
  }

  void Transaction() {
    const int op = kOpBeginTransaction + in_.ConsumeIntegralInRange<int>(0, 2);
    std::string data, key;
    const int16_t s = Call(op, &data, 0, &key, 0, 0);
    int16_t expected = kOk;
    if (op == kOpBeginTransaction) {
      expected = model_.inTransaction ? kTransactionActive : kOk;
      if (expected == kOk) {
        model_.inTransaction = true;
        model_.before = model_.records;
      }
    } else if (!model_.inTransaction) {
      expected = kEndAbortTransactionError;
    } else {
      model_.inTransaction = false;
      if (op == kOpAbortTransaction) model_.records = model_.before;
    }
    Expect("transaction status", op, s, expected);
  }

  void Stat() {
    std::string data, key;
    const int16_t s = Call(kOpStat, &data, 4096, &key, 0, 0);
    Expect("stat status", kOpStat, s, model_.open ? kOk : kFileNotOpen);
    if (s != kOk) return;
    const uint32_t n = static_cast<uint8_t>(data[6]) | (static_cast<uint8_t>(data[7]) << 8) |
                       (static_cast<uint8_t>(data[8]) << 16) |
                       (static_cast<uint32_t>(static_cast<uint8_t>(data[9])) << 24);
    Expect("record count", kOpStat, n, static_cast<long>(model_.records.size()));
  }

  void CloseOrReopen() {
    std::string data, key;
    if (model_.open) {
      Expect("close status", kOpClose, Call(kOpClose, &data, 0, &key, 0, 0), kOk);
      model_.open = false;
      return;
    }
    if (in_.ConsumeBool()) {
      // Reset also ends the transaction, undoing it.
      Expect("reset status", kOpReset, Call(kOpReset, &data, 0, &key, 0, 0), kOk);
      if (model_.inTransaction) model_.records = model_.before;
      model_.inTransaction = false;
    }
    Expect("open status", kOpOpen, Open(), kOk);
    model_.open = true;
    model_.Reset();
  }

  // Codes and position blocks of any value on a block that is not open.
  void Garbage() {
    uint8_t block[kPositionBlockSize];
    for (auto& b : block) b = in_.ConsumeIntegral<uint8_t>();
    block[3] = 0;  // never the engine's mark, so never a handle that is open
    const uint16_t op = in_.ConsumeIntegral<uint16_t>();
    const int base = op >= 100 && op != 1019 ? op % 100 : op;
    const int bias = op >= 100 && op != 1019 ? op / 100 * 100 : 0;
    if (base == kOpOpen || base == kOpCreate || base == kOpReset || op == 1019 ||
        (base >= kOpBeginTransaction && base <= kOpAbortTransaction)) {
      return;
    }
    char data[64] = {}, key[256] = {};
    uint32_t length = in_.ConsumeIntegralInRange<uint32_t>(0, sizeof data);
    const int16_t s = engine_.Call(op, block, data, &length, key, in_.ConsumeIntegral<uint8_t>(),
                                   in_.ConsumeIntegral<int8_t>());
    static constexpr int kKnown[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                     12, 13, 15, 22, 23, 24, 27, 33, 34, 35};
    const bool known = std::find(std::begin(kKnown), std::end(kKnown), base) != std::end(kKnown);
    const bool biasOk = bias == 0 || bias == kBiasWaitLock || bias == kBiasNoWaitLock;
    Expect("garbage status", op, s, known && biasOk ? kFileNotOpen : kInvalidOperation);
  }

  FuzzedDataProvider& in_;
  std::string path_;
  Engine engine_;
  uint8_t block_[kPositionBlockSize] = {};
  Model model_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string& spec = Specs()[in.ConsumeIntegralInRange<size_t>(0, Specs().size() - 1)];
  Runner runner(in, spec);
  for (int i = 0; i < 200 && in.remaining_bytes() > 0; ++i) runner.Step();
  runner.Finish();
  return 0;
}
