#include "platform/timer.h"

#include <chrono>
#include <thread>

namespace platform {

SystemTimer::SystemTimer() : engine_(std::random_device{}()) {}

void SystemTimer::Pause(std::int32_t milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

double SystemTimer::Random() { return std::uniform_real_distribution<double>(0.0, 1.0)(engine_); }

std::int64_t SystemTimer::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace platform
