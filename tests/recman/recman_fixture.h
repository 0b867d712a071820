// Test helpers for the record manager: Create buffers built from a short description, a
// temporary directory, and a client that drives one Engine the way a program drives BTRCALL.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pg_cluster.h"
#include "recman/engine.h"
#include "recman/file_spec.h"
#include "recman/status.h"

namespace recman::testing {

struct SegmentDef {
  uint16_t position;  // 1-based
  uint16_t length;
  uint16_t flags = 0;
  uint8_t type = 0;
  uint8_t nullValue = 0;
  uint8_t collating = 0;
};

inline void Put16(std::string* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<char>(v & 0xFF);
  (*b)[at + 1] = static_cast<char>(v >> 8);
}

inline uint32_t Get32(std::string_view b, size_t at) {
  return static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8) |
         (static_cast<uint8_t>(b[at + 2]) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24);
}

// A Create buffer: one vector of segments per key (the 0x10 "continues" flag is set here);
// `collating` holds whole 265-byte blocks.
inline std::string SpecBuffer(uint16_t recordLength,
                              const std::vector<std::vector<SegmentDef>>& keys,
                              uint16_t pageSize = 512, uint16_t fileFlags = 0,
                              const std::string& collating = "") {
  std::string b(16, '\0');
  Put16(&b, 0, recordLength);
  Put16(&b, 2, pageSize);
  Put16(&b, 4, static_cast<uint16_t>(keys.size()));
  Put16(&b, 10, fileFlags);
  for (const auto& key : keys) {
    for (size_t i = 0; i < key.size(); ++i) {
      std::string s(16, '\0');
      Put16(&s, 0, key[i].position);
      Put16(&s, 2, key[i].length);
      Put16(&s, 4, static_cast<uint16_t>(key[i].flags | (i + 1 < key.size() ? kSegContinues : 0)));
      s[10] = static_cast<char>(key[i].type);
      s[11] = static_cast<char>(key[i].nullValue);
      s[15] = static_cast<char>(key[i].collating);
      b += s;
    }
  }
  return b + collating;
}

inline std::string CollatingBlock(const std::string& name, const uint8_t (&table)[256]) {
  std::string b(1, static_cast<char>(kCollatingSignature));
  std::string n = name;
  n.resize(8, ' ');
  b += n;
  b.append(reinterpret_cast<const char*>(table), 256);
  return b;
}

// The backend a test binary runs its suite on: recman_test on the embedded files,
// recman_server_test on a throw-away server (backend_env.cpp).
enum class TestBackend { kEmbedded, kServer };

inline std::vector<TestBackend> BackendsUnderTest() {
#ifdef RECMAN_TEST_SERVER
  return {TestBackend::kServer};
#else
  return {TestBackend::kEmbedded};
#endif
}

inline std::string BackendName(const ::testing::TestParamInfo<TestBackend>& info) {
  return info.param == TestBackend::kServer ? "Server" : "Embedded";
}

// The cluster of this test binary (started by backend_env.cpp when it is a server binary).
PgCluster& ServerCluster();

class BackendTest : public ::testing::TestWithParam<TestBackend> {
 protected:
  void SetUp() override {
    if (GetParam() == TestBackend::kServer && ServerCluster().conninfo().empty()) {
      GTEST_SKIP() << "no PostgreSQL server for the server backend: " << ServerCluster().why();
    }
  }
  bool Server() const { return GetParam() == TestBackend::kServer; }
};

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recman-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

struct Result {
  int16_t status;
  std::string data;
  std::string key;  // as long as the key of the key number asked for
};

// One open file seen through one position block.
class Client {
 public:
  explicit Client(Engine& engine) : engine_(engine) { std::memset(block_, 0, sizeof block_); }

  int16_t Call(int op, std::string* data, std::string* key, int keyNumber, uint8_t keyLength = 0) {
    uint32_t length = static_cast<uint32_t>(data->size());
    key->resize(256, '\0');
    const int16_t s = engine_.Call(static_cast<uint16_t>(op), block_, data->data(), &length,
                                   key->data(), keyLength, static_cast<int8_t>(keyNumber));
    data->resize(std::min<size_t>(length, data->size()));
    return s;
  }

  // Paths are given without extension and get ".dat", as the program's record layer adds it.
  int16_t Create(const std::string& name, const std::string& spec, int mode = -1) {
    const std::string path = name + ".dat";
    std::string data = spec;
    std::string key = path;
    return Call(kOpCreate, &data, &key, mode, static_cast<uint8_t>(path.size()));
  }

  int16_t Open(const std::string& name, int mode = 0) {
    const std::string path = name + ".dat";
    std::string data = "ZCAP";
    data.push_back('\0');
    std::string key = path;
    const int16_t s = Call(kOpOpen, &data, &key, mode, static_cast<uint8_t>(path.size()));
    if (s == kOk) {
      FileSpec spec;
      const Result st = Stat();
      if (st.status == kOk && ParseFileSpec(st.data, &spec) == kOk) {
        keyLengths_.clear();
        for (const auto& k : spec.keys) keyLengths_.push_back(k.length);
      }
    }
    return s;
  }

  int16_t Close() {
    std::string data, key;
    return Call(kOpClose, &data, &key, 0);
  }

  Result Stat() {
    Result r{0, std::string(4096, '\0'), ""};
    r.status = Call(kOpStat, &r.data, &r.key, 0);
    return r;
  }

  // A read by key: Get Equal and its relatives take `key` in; the others ignore it.
  Result Get(int op, int keyNumber, const std::string& key = "", uint32_t capacity = 4096) {
    Result r{0, std::string(capacity, '\0'), key};
    const uint8_t keyLength = static_cast<uint8_t>(key.size());
    r.status = Call(op, &r.data, &r.key, keyNumber, keyLength);
    r.key.resize(KeyLength(keyNumber));
    return r;
  }

  Result Insert(const std::string& record, int keyNumber = 0) {
    Result r{0, record, ""};
    r.status = Call(kOpInsert, &r.data, &r.key, keyNumber);
    r.key.resize(KeyLength(keyNumber));
    return r;
  }

  int16_t Update(const std::string& record, int keyNumber = 0) {
    std::string data = record, key;
    return Call(kOpUpdate, &data, &key, keyNumber);
  }

  int16_t Delete(int keyNumber = 0) {
    std::string data, key;
    return Call(kOpDelete, &data, &key, keyNumber);
  }

  int16_t Simple(int op) {
    std::string data, key;
    return Call(op, &data, &key, 0);
  }

  // Get Position: the position, or a negative status.
  int64_t Position() {
    std::string data(4, '\0'), key;
    const int16_t s = Call(kOpGetPosition, &data, &key, 0);
    return s == kOk ? static_cast<int64_t>(Get32(data, 0)) : -s;
  }

  Result Direct(uint32_t position, int keyNumber, int bias = 0) {
    Result r{0, std::string(4096, '\0'), ""};
    for (int i = 0; i < 4; ++i) r.data[i] = static_cast<char>(position >> (8 * i));
    r.status = Call(kOpGetDirect + bias, &r.data, &r.key, keyNumber);
    r.key.resize(KeyLength(keyNumber));
    return r;
  }

  uint8_t* block() { return block_; }

 private:
  size_t KeyLength(int keyNumber) const {
    return keyNumber >= 0 && keyNumber < static_cast<int>(keyLengths_.size())
               ? keyLengths_[keyNumber]
               : 0;
  }

  Engine& engine_;
  uint8_t block_[kPositionBlockSize];
  std::vector<int> keyLengths_;
};

}  // namespace recman::testing
