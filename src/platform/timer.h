// Pauses and the pseudo-random fraction of the lock-retry waits. The real timer sleeps; the fake
// records what was asked and returns at once, so tests of retry loops take no time.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace platform {

class Timer {
 public:
  virtual ~Timer() = default;
  virtual void Pause(std::int32_t milliseconds) = 0;
  // A fraction in [0, 1).
  virtual double Random() = 0;
  // Milliseconds on a steady clock, for measuring waits.
  virtual std::int64_t NowMs() = 0;
};

class SystemTimer final : public Timer {
 public:
  SystemTimer();
  void Pause(std::int32_t milliseconds) override;
  double Random() override;
  std::int64_t NowMs() override;

 private:
  std::mt19937_64 engine_;
};

class FakeTimer final : public Timer {
 public:
  void Pause(std::int32_t milliseconds) override {
    pauses.push_back(milliseconds);
    nowMs += milliseconds;
  }
  double Random() override { return randomValue; }
  std::int64_t NowMs() override { return nowMs; }

  std::vector<std::int32_t> pauses;
  double randomValue = 0.5;
  std::int64_t nowMs = 0;
};

}  // namespace platform
