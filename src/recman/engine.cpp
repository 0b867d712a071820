#include "recman/engine.h"

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "recman/status.h"

namespace recman {
namespace {

constexpr uint32_t kBlockMagic = 0x4D52435A;  // "ZCRM"
constexpr size_t kMaxHandles = 4096;
constexpr int kOpenWaitMs = 500;
constexpr size_t kMaxPathLength = 255;

uint32_t Load32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

void Store32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Counts the forks of this process, so that an engine notices it now lives in a child without
// asking the kernel for its process id on every call. Process-wide by nature: a fork is.
std::atomic<uint32_t> forkCount{0};

void CountFork() { forkCount.fetch_add(1, std::memory_order_relaxed); }

uint32_t Forks() {
  static std::once_flag registered;
  std::call_once(registered, [] { pthread_atfork(nullptr, nullptr, CountFork); });
  return forkCount.load(std::memory_order_relaxed);
}

// The record's key value; a record shorter than the file's record length (only a damaged file
// has one) reads as if padded with zero bytes.
std::string KeyValue(const FileSpec& spec, const KeySpec& key, std::string_view record) {
  if (static_cast<int>(record.size()) >= spec.recordLength) return KeyValueOf(key, record);
  std::string padded(record);
  padded.resize(spec.recordLength, '\0');
  return KeyValueOf(key, padded);
}

}  // namespace

struct Engine::OpenFile {
  std::unique_ptr<Store> store;
  std::string identity;
};

struct Engine::Handle {
  std::shared_ptr<OpenFile> file;
  std::unique_ptr<HandleLocks> lock;
  uint32_t generation = 0;
  bool readOnly = false;
  // Logical position: the key followed by Get Next/Previous and the entry (image, position)
  // it stands on. After a Delete the entry is gone but still marks the place.
  int keyNumber = -1;
  std::string image;
  int64_t position = 0;
  // The current record: its position and its bytes as last read or written, so that an
  // Update or Delete notices a change made meanwhile by someone else.
  int64_t current = 0;
  bool currentDeleted = false;
  std::string record;
  int64_t lockedPosition = 0;
  bool lockInTransaction = false;
};

struct Engine::Buffers {
  uint8_t* data;
  uint32_t* dataLength;
  uint8_t* key;
  uint8_t keyLength;

  uint32_t DataCapacity() const {
    return data != nullptr && dataLength != nullptr ? *dataLength : 0;
  }

  // Returns as much as fits; 22 when the record was cut.
  int16_t PutData(std::string_view bytes) const {
    const uint32_t n = std::min<uint32_t>(DataCapacity(), static_cast<uint32_t>(bytes.size()));
    if (n > 0) std::memcpy(data, bytes.data(), n);
    if (dataLength != nullptr) *dataLength = n;
    return n < bytes.size() ? kDataBufferLength : kOk;
  }

  // A key length of 0 says nothing of the buffer's size: callers of the record manager pass
  // it so when the buffer is known to hold any key (at most 255 bytes).
  bool KeyFits(int length) const {
    return key != nullptr && (keyLength == 0 || keyLength >= length);
  }
  void PutKey(std::string_view value) const {
    if (key != nullptr) std::memcpy(key, value.data(), value.size());
  }

  // The file name in the key buffer: up to the first zero byte, at most 255 bytes.
  std::string Path() const {
    if (key == nullptr) return {};
    const size_t limit = keyLength != 0 ? keyLength : kMaxPathLength;
    size_t n = 0;
    while (n < limit && key[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(key), n);
  }
};

Engine::Engine() : Engine(BackendConfig::FromEnvironment()) {}

Engine::Engine(const BackendConfig& config) : backend_(MakeBackend(config)), forks_(Forks()) {}

Engine::~Engine() {
  if (forkCount.load(std::memory_order_relaxed) != forks_) {
    AbandonAfterFork();
    return;
  }
  (void)Reset();
}

void Engine::AbandonAfterFork() {
  // A child must not close the SQLite connections it inherited: closing would checkpoint or
  // remove the parent's log, nor speak on the parent's server connection. Its copies of the
  // lock descriptors it does close: the parent's own copies keep the parent's locks, and a
  // lock is freed once the parent lets go.
  backend_->AbandonAfterFork();
  for (auto& f : files_) (void)f->store.release();
  for (auto& f : transactionFiles_) (void)f->store.release();
  handles_.clear();
  files_.clear();
  transactionFiles_.clear();
  inTransaction_ = false;
  transactionFailure_ = kOk;
  forks_ = forkCount.load(std::memory_order_relaxed);
}

int16_t Engine::Call(uint16_t op, void* posBlock, void* data, uint32_t* dataLength, void* key,
                     uint8_t keyLength, int8_t keyNumber) {
  if (forkCount.load(std::memory_order_relaxed) != forks_) AbandonAfterFork();
  int base = op;
  int bias = 0;
  if (op == 1000 + kOpBeginTransaction) {
    base = kOpBeginTransaction;
  } else if (op >= 100) {
    bias = op / 100 * 100;
    base = op % 100;
    if (bias != kBiasWaitLock && bias != kBiasNoWaitLock) return kInvalidOperation;
  }
  const Buffers b{static_cast<uint8_t*>(data), dataLength, static_cast<uint8_t*>(key), keyLength};
  switch (base) {
    case kOpOpen:
      return Open(posBlock, b, keyNumber);
    case kOpCreate:
      return Create(b, keyNumber);
    case kOpReset:
      return Reset();
    case kOpBeginTransaction:
      if (inTransaction_) return kTransactionActive;
      inTransaction_ = true;
      return kOk;
    case kOpEndTransaction:
      return EndTransaction(true);
    case kOpAbortTransaction:
      return EndTransaction(false);
    default:
      break;
  }
  switch (base) {
    case kOpClose:
    case kOpInsert:
    case kOpUpdate:
    case kOpDelete:
    case kOpGetEqual:
    case kOpGetNext:
    case kOpGetPrevious:
    case kOpGetGreater:
    case kOpGetGreaterOrEqual:
    case kOpGetLess:
    case kOpGetLessOrEqual:
    case kOpGetFirst:
    case kOpGetLast:
    case kOpStat:
    case kOpGetPosition:
    case kOpGetDirect:
    case kOpStepNext:
    case kOpUnlock:
    case kOpStepFirst:
    case kOpStepLast:
    case kOpStepPrevious:
      break;
    default:
      return kInvalidOperation;
  }
  Handle* h = Resolve(posBlock);
  if (h == nullptr) return kFileNotOpen;
  switch (base) {
    case kOpClose:
      return Close(*h, posBlock);
    case kOpInsert:
      return Insert(*h, keyNumber, b);
    case kOpUpdate:
      return Update(*h, keyNumber, b);
    case kOpDelete:
      return Delete(*h);
    case kOpStat:
      return Stat(*h, b);
    case kOpGetPosition:
      return GetPosition(*h, b);
    case kOpGetDirect:
      return GetDirect(*h, keyNumber, b, bias);
    case kOpStepNext:
    case kOpStepFirst:
    case kOpStepLast:
    case kOpStepPrevious:
      return Step(*h, base, b, bias);
    case kOpUnlock:
      ReleaseLock(*h);
      return kOk;
    default:
      return GetByKey(*h, base, keyNumber, b, bias);
  }
}

Engine::Handle* Engine::Resolve(const void* posBlock) {
  if (posBlock == nullptr) return nullptr;
  const auto* p = static_cast<const uint8_t*>(posBlock);
  if (Load32(p) != kBlockMagic) return nullptr;
  const uint32_t slot = Load32(p + 4);
  const uint32_t generation = Load32(p + 8);
  if (slot >= handles_.size() || !handles_[slot] || handles_[slot]->generation != generation) {
    return nullptr;
  }
  return handles_[slot].get();
}

int16_t Engine::Open(void* posBlock, const Buffers& b, int mode) {
  if (posBlock == nullptr) return kInvalidOperation;
  if (mode > 0 || mode < -4) return kInvalidOperation;
  const std::string name = b.Path();
  if (name.empty()) return kInvalidFileName;
  const std::string path = name;

  size_t slot = 0;
  while (slot < handles_.size() && handles_[slot]) ++slot;
  if (slot == handles_.size() && handles_.size() >= kMaxHandles) return kFileTableFull;

  std::shared_ptr<OpenFile> file;
  const std::string identity = backend_->Identity(path);
  if (!identity.empty()) {
    for (const auto& f : files_) {
      if (f->identity == identity) file = f;
    }
  }
  if (!file) {
    std::unique_ptr<Store> store;
    if (int16_t status = backend_->OpenStore(path, &store); status != kOk) return status;
    file = std::make_shared<OpenFile>();
    file->store = std::move(store);
    file->identity = identity;
  }
  auto h = std::make_unique<Handle>();
  if (int16_t status = backend_->OpenLocks(path, &h->lock); status != kOk) return status;
  if (int16_t status = h->lock->LockOpen(mode == -4, kOpenWaitMs); status != kOk) return status;
  if (std::find(files_.begin(), files_.end(), file) == files_.end()) files_.push_back(file);
  h->file = file;
  h->readOnly = mode == -2;
  h->generation = nextGeneration_++;
  if (nextGeneration_ == 0) nextGeneration_ = 1;

  std::memset(posBlock, 0, kPositionBlockSize);
  Store32(posBlock, kBlockMagic);
  Store32(static_cast<uint8_t*>(posBlock) + 4, static_cast<uint32_t>(slot));
  Store32(static_cast<uint8_t*>(posBlock) + 8, h->generation);
  if (slot == handles_.size()) {
    handles_.push_back(std::move(h));
  } else {
    handles_[slot] = std::move(h);
  }
  return kOk;
}

int16_t Engine::Create(const Buffers& b, int mode) {
  const std::string name = b.Path();
  if (name.empty()) return kInvalidFileName;
  if (b.data == nullptr || b.dataLength == nullptr) return kDataBufferLength;
  FileSpec spec;
  if (int16_t status = ParseFileSpec(
          std::string_view(reinterpret_cast<const char*>(b.data), *b.dataLength), &spec);
      status != kOk) {
    return status;
  }
  const std::string path = name;
  const bool replace = mode != -1;
  if (replace && backend_->Exists(path)) {
    // Replacing a file that anyone (this process included) has open would pull it from under
    // them: the exclusive open lock proves nobody has.
    std::unique_ptr<HandleLocks> lock;
    if (int16_t status = backend_->OpenLocks(path, &lock); status != kOk) return status;
    if (int16_t status = lock->LockOpen(true, kOpenWaitMs); status != kOk) return status;
    return backend_->CreateFile(path, spec, true);
  }
  return backend_->CreateFile(path, spec, false);
}

int16_t Engine::Reset() {
  if (inTransaction_) (void)EndTransaction(false);
  for (auto& h : handles_) {
    if (h) ReleaseLock(*h);
  }
  handles_.clear();
  files_.clear();
  backend_->Idle();
  return kOk;
}

void Engine::BreakTransaction(int16_t status) {
  if (transactionFailure_ == kOk) transactionFailure_ = status;
}

int16_t Engine::EndTransaction(bool commit) {
  if (!inTransaction_) return kEndAbortTransactionError;
  // A transaction that could not take back a refused operation is never committed half-done.
  int16_t result = commit ? transactionFailure_ : kOk;
  if (result != kOk) commit = false;
  transactionFailure_ = kOk;
  for (const auto& f : transactionFiles_) {
    if (commit) {
      const int16_t status = f->store->Commit();
      if (result == kOk) result = status;
    } else {
      f->store->Rollback();
    }
  }
  auto files = std::move(transactionFiles_);
  transactionFiles_.clear();
  inTransaction_ = false;
  for (auto& h : handles_) {
    if (h && h->lockInTransaction) ReleaseLock(*h);
  }
  for (const auto& f : files) DropFileIfUnused(f);
  return result;
}

void Engine::DropFileIfUnused(const std::shared_ptr<OpenFile>& f) {
  for (const auto& h : handles_) {
    if (h && h->file == f) return;
  }
  if (std::find(transactionFiles_.begin(), transactionFiles_.end(), f) != transactionFiles_.end()) {
    return;
  }
  files_.erase(std::remove(files_.begin(), files_.end(), f), files_.end());
}

int16_t Engine::Close(Handle& h, void* posBlock) {
  ReleaseLock(h);
  const uint32_t slot = Load32(static_cast<uint8_t*>(posBlock) + 4);
  std::shared_ptr<OpenFile> file = h.file;
  handles_[slot].reset();
  std::memset(posBlock, 0, kPositionBlockSize);
  DropFileIfUnused(file);
  return kOk;
}

int16_t Engine::TakeLock(Handle& h, int64_t position, int bias) {
  if (bias == 0 || h.lockedPosition == position) return kOk;
  if (int16_t status = h.lock->LockRecord(position, bias == kBiasWaitLock); status != kOk) {
    return status;
  }
  if (h.lockedPosition != 0) h.lock->UnlockRecord(h.lockedPosition);
  h.lockedPosition = position;
  h.lockInTransaction = inTransaction_;
  return kOk;
}

void Engine::ReleaseLock(Handle& h) {
  if (h.lockedPosition != 0) h.lock->UnlockRecord(h.lockedPosition);
  h.lockedPosition = 0;
  h.lockInTransaction = false;
}

void Engine::Land(Handle& h, int keyNo, const Row& row) {
  h.keyNumber = keyNo;
  h.image = row.image;
  h.position = row.position;
  h.current = row.position;
  h.currentDeleted = false;
  h.record = row.data;
}

int16_t Engine::GetByKey(Handle& h, int op, int keyNo, const Buffers& b, int bias) {
  const FileSpec& spec = h.file->store->Spec();
  if (keyNo < 0 || keyNo >= static_cast<int>(spec.keys.size())) return kInvalidKeyNumber;
  const KeySpec& key = spec.keys[keyNo];
  if (!b.KeyFits(key.length)) return kKeyBufferTooShort;

  SeekMode mode = SeekMode::kFirst;
  std::string image;
  int64_t position = 0;
  switch (op) {
    case kOpGetNext:
    case kOpGetPrevious:
      if (h.keyNumber < 0 || h.position == 0) return kInvalidPositioning;
      if (keyNo != h.keyNumber) return kDifferentKeyNumber;
      mode = op == kOpGetNext ? SeekMode::kAfter : SeekMode::kBefore;
      image = h.image;
      position = h.position;
      break;
    case kOpGetFirst:
      mode = SeekMode::kFirst;
      break;
    case kOpGetLast:
      mode = SeekMode::kLast;
      break;
    default: {
      image =
          KeyImageOf(spec, key, std::string_view(reinterpret_cast<const char*>(b.key), key.length));
      switch (op) {
        case kOpGetEqual:
        case kOpGetGreaterOrEqual:
          mode = SeekMode::kAtOrAfter;
          position = 0;
          break;
        case kOpGetGreater:
          mode = SeekMode::kAfter;
          position = kPositionMax;
          break;
        case kOpGetLess:
          mode = SeekMode::kBefore;
          position = 0;
          break;
        default:  // Get Less or Equal: the last of equal duplicates
          mode = SeekMode::kAtOrBefore;
          position = kPositionMax;
          break;
      }
    }
  }
  Row row;
  int16_t status = h.file->store->SeekKey(keyNo, mode, image, position, &row);
  if (op == kOpGetEqual && (status == kEndOfFile || (status == kOk && row.image != image))) {
    return kKeyNotFound;
  }
  if (status != kOk) return status;
  if (status = TakeLock(h, row.position, bias); status != kOk) return status;
  Land(h, keyNo, row);
  b.PutKey(KeyValue(spec, key, row.data));
  return b.PutData(row.data);
}

int16_t Engine::Step(Handle& h, int op, const Buffers& b, int bias) {
  SeekMode mode = SeekMode::kFirst;
  if (op == kOpStepLast) mode = SeekMode::kLast;
  if (op == kOpStepNext || op == kOpStepPrevious) {
    if (h.current == 0) return kInvalidPositioning;
    mode = op == kOpStepNext ? SeekMode::kAfter : SeekMode::kBefore;
  }
  Row row;
  if (int16_t status = h.file->store->SeekPhysical(mode, h.current, &row); status != kOk) {
    return status;
  }
  if (int16_t status = TakeLock(h, row.position, bias); status != kOk) return status;
  const FileSpec& spec = h.file->store->Spec();
  if (h.keyNumber >= 0) {
    row.image =
        KeyImageOf(spec, spec.keys[h.keyNumber], KeyValue(spec, spec.keys[h.keyNumber], row.data));
  }
  Land(h, h.keyNumber, row);
  if (h.keyNumber < 0) h.position = 0;
  return b.PutData(row.data);
}

int16_t Engine::GetPosition(Handle& h, const Buffers& b) {
  if (h.current == 0 || h.currentDeleted) return kInvalidPositioning;
  if (b.DataCapacity() < 4) return kDataBufferLength;
  Store32(b.data, static_cast<uint32_t>(h.current));
  *b.dataLength = 4;
  return kOk;
}

int16_t Engine::GetDirect(Handle& h, int keyNo, const Buffers& b, int bias) {
  const FileSpec& spec = h.file->store->Spec();
  if (keyNo < 0 || keyNo >= static_cast<int>(spec.keys.size())) return kInvalidKeyNumber;
  const KeySpec& key = spec.keys[keyNo];
  if (b.DataCapacity() < 4) return kDataBufferLength;
  if (!b.KeyFits(key.length)) return kKeyBufferTooShort;
  const auto position = static_cast<int32_t>(Load32(b.data));
  if (position <= 0) return kInvalidRecordAddress;
  Row row;
  row.position = position;
  if (int16_t status = h.file->store->ReadRecord(position, &row.data); status != kOk) {
    return status;
  }
  if (int16_t status = TakeLock(h, position, bias); status != kOk) return status;
  const std::string value = KeyValue(spec, key, row.data);
  row.image = KeyImageOf(spec, key, value);
  Land(h, keyNo, row);
  b.PutKey(value);
  return b.PutData(row.data);
}

int16_t Engine::CheckRecordLength(const OpenFile& f, uint32_t length) const {
  const FileSpec& spec = f.store->Spec();
  if (length < static_cast<uint32_t>(spec.recordLength)) return kDataBufferLength;
  if (length > static_cast<uint32_t>(spec.MaxRecordLength())) return kDataBufferLength;
  return kOk;
}

int16_t Engine::BeginWrite(OpenFile& f, bool savepoint) {
  if (!inTransaction_) return f.store->BeginWrite();
  if (!f.store->InWrite()) {
    if (int16_t status = f.store->BeginWrite(); status != kOk) return status;
    for (const auto& shared : files_) {
      if (shared.get() == &f) transactionFiles_.push_back(shared);
    }
  }
  return savepoint ? f.store->Savepoint() : kOk;
}

int16_t Engine::EndWrite(OpenFile& f, int16_t status, bool savepoint) {
  if (inTransaction_) {
    if (savepoint) f.store->EndSavepoint(status == kOk);
    return status;
  }
  if (status != kOk) {
    f.store->Rollback();
    return status;
  }
  return f.store->Commit();
}

int16_t Engine::Insert(Handle& h, int keyNo, const Buffers& b) {
  if (h.readOnly) return kAccessDenied;
  const FileSpec& spec = h.file->store->Spec();
  if (keyNo < -1 || keyNo >= static_cast<int>(spec.keys.size())) return kInvalidKeyNumber;
  if (keyNo >= 0 && !b.KeyFits(spec.keys[keyNo].length)) return kKeyBufferTooShort;
  if (b.data == nullptr || b.dataLength == nullptr) return kDataBufferLength;
  if (int16_t status = CheckRecordLength(*h.file, *b.dataLength); status != kOk) return status;
  const std::string_view data(reinterpret_cast<const char*>(b.data), *b.dataLength);

  std::vector<std::string>& values = insertValues_;
  std::vector<std::string>& images = insertImages_;
  values.resize(spec.keys.size());
  images.resize(spec.keys.size());
  for (size_t k = 0; k < spec.keys.size(); ++k) {
    values[k] = KeyValueOf(spec.keys[k], data);
    images[k] = KeyImageOf(spec, spec.keys[k], values[k]);
  }
  Store& store = *h.file->store;
  // Insert is the one write that runs in bulk, so it does without a savepoint: a refused
  // insert inside a transaction takes back its own rows instead.
  int16_t status = BeginWrite(*h.file, false);
  if (status != kOk) return status;
  int64_t position = 0;
  status = store.InsertRecord(data, &position);
  size_t keysDone = 0;
  for (; status == kOk && keysDone < spec.keys.size(); ++keysDone) {
    if (!IsNullValue(spec.keys[keysDone], values[keysDone])) {
      status = store.InsertKey(static_cast<int>(keysDone), images[keysDone], position);
    }
  }
  if (status != kOk && inTransaction_ && position != 0) {
    int16_t undo = kOk;
    for (size_t k = 0; k + 1 < keysDone && undo == kOk; ++k) {
      if (!IsNullValue(spec.keys[k], values[k])) {
        undo = store.DeleteKey(static_cast<int>(k), images[k], position);
      }
    }
    if (undo == kOk) undo = store.DeleteRecord(position);
    if (undo != kOk) BreakTransaction(undo);
  }
  if (status = EndWrite(*h.file, status, false); status != kOk) return status;
  if (keyNo >= 0) {
    h.keyNumber = keyNo;
    h.image = images[keyNo];
    h.position = h.current = position;
    h.currentDeleted = false;
    h.record.assign(data);
    b.PutKey(values[keyNo]);
  }
  return kOk;
}

int16_t Engine::Update(Handle& h, int keyNo, const Buffers& b) {
  if (h.readOnly) return kAccessDenied;
  if (h.current == 0 || h.currentDeleted) return kInvalidPositioning;
  const FileSpec& spec = h.file->store->Spec();
  if (b.data == nullptr || b.dataLength == nullptr) return kDataBufferLength;
  if (int16_t status = CheckRecordLength(*h.file, *b.dataLength); status != kOk) return status;
  if (h.lock->RecordLockedElsewhere(h.current)) return kRecordInUse;
  const std::string_view data(reinterpret_cast<const char*>(b.data), *b.dataLength);
  Store& store = *h.file->store;
  int16_t status = BeginWrite(*h.file, true);
  if (status != kOk) return status;
  std::string stored;
  status = store.ReadRecord(h.current, &stored);
  if (status == kInvalidRecordAddress || (status == kOk && stored != h.record)) status = kConflict;
  std::vector<std::string> images(spec.keys.size());
  for (size_t k = 0; status == kOk && k < spec.keys.size(); ++k) {
    const KeySpec& key = spec.keys[k];
    const std::string oldValue = KeyValue(spec, key, stored);
    const std::string newValue = KeyValueOf(key, data);
    images[k] = KeyImageOf(spec, key, newValue);
    if (oldValue == newValue) continue;
    const std::string oldImage = KeyImageOf(spec, key, oldValue);
    if (oldImage != images[k] && !key.modifiable) {
      status = kModifiableKeyError;
      break;
    }
    if (!IsNullValue(key, oldValue))
      status = store.DeleteKey(static_cast<int>(k), oldImage, h.current);
    if (status == kOk && !IsNullValue(key, newValue)) {
      status = store.InsertKey(static_cast<int>(k), images[k], h.current);
    }
  }
  if (status == kOk) status = store.UpdateRecord(h.current, data);
  if (status = EndWrite(*h.file, status, true); status != kOk) return status;
  if (h.lockedPosition == h.current) ReleaseLock(h);
  h.record.assign(data);
  if (h.keyNumber < 0 && keyNo >= 0 && keyNo < static_cast<int>(spec.keys.size())) {
    h.keyNumber = keyNo;
  }
  if (h.keyNumber >= 0) {
    h.image = images[h.keyNumber];
    h.position = h.current;
  }
  return kOk;
}

int16_t Engine::Delete(Handle& h) {
  if (h.readOnly) return kAccessDenied;
  if (h.current == 0 || h.currentDeleted) return kInvalidPositioning;
  if (h.lock->RecordLockedElsewhere(h.current)) return kRecordInUse;
  const FileSpec& spec = h.file->store->Spec();
  Store& store = *h.file->store;
  int16_t status = BeginWrite(*h.file, true);
  if (status != kOk) return status;
  std::string stored;
  status = store.ReadRecord(h.current, &stored);
  if (status == kInvalidRecordAddress || (status == kOk && stored != h.record)) status = kConflict;
  for (size_t k = 0; status == kOk && k < spec.keys.size(); ++k) {
    const std::string value = KeyValue(spec, spec.keys[k], stored);
    if (!IsNullValue(spec.keys[k], value)) {
      status =
          store.DeleteKey(static_cast<int>(k), KeyImageOf(spec, spec.keys[k], value), h.current);
    }
  }
  if (status == kOk) status = store.DeleteRecord(h.current);
  if (status = EndWrite(*h.file, status, true); status != kOk) return status;
  if (h.lockedPosition == h.current) ReleaseLock(h);
  h.currentDeleted = true;
  return kOk;
}

int16_t Engine::Stat(Handle& h, const Buffers& b) {
  Store& store = *h.file->store;
  const FileSpec& spec = store.Spec();
  uint32_t records = 0;
  std::vector<uint32_t> distinct(spec.keys.size());
  int16_t status = store.BeginRead();
  if (status != kOk) return status;
  status = store.Count(-1, &records);
  for (size_t k = 0; status == kOk && k < spec.keys.size(); ++k) {
    status = store.Count(static_cast<int>(k), &distinct[k]);
  }
  store.EndRead();
  if (status != kOk) return status;
  return b.PutData(StatLayout(spec, records, distinct));
}

}  // namespace recman
