#include "recman/btrcall.h"

#include <mutex>

#include "recman/engine.h"

namespace {

// The C entry point has no context argument, so the process's one engine lives here. It is
// built on the first call and destroyed at exit, which closes every file cleanly.
struct Process {
  std::mutex mutex;
  recman::Engine engine;
};

Process& TheProcess() {
  static Process process;
  return process;
}

}  // namespace

extern "C" int16_t BTRCALL(uint16_t op, void* posBlock, void* data, uint32_t* dataLength, void* key,
                           uint8_t keyLength, int8_t keyNumber) {
  Process& p = TheProcess();
  std::lock_guard<std::mutex> lock(p.mutex);
  return p.engine.Call(op, posBlock, data, dataLength, key, keyLength, keyNumber);
}
