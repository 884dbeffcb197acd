#include "midiio/system_clock.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "midiio/break_check.h"
#include "vornlib/console.h"

namespace midiio {
namespace {

constexpr std::uint32_t kLongestPeriodMs = 1000000;
constexpr auto kBreakLook = std::chrono::milliseconds(50);

bool reached(std::uint32_t now, std::uint32_t due) { return static_cast<std::int32_t>(now - due) >= 0; }

}  // namespace

SystemClock& systemClock() {
  static SystemClock clock;
  return clock;
}

Nanos monotonicNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<Nanos>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

MidiStatus SystemClock::start(std::uint32_t periodMs) {
  if (periodMs > kLongestPeriodMs) {
    return {kMidiPeriodRefused, std::to_string(periodMs) + " ms is longer than the timer's limit of 1000000 ms"};
  }
  stop();
  periodMs_ = periodMs == 0 ? 8 : periodMs;
  tickCount_.store(0);
  startNs_ = monotonicNow();
  stopping_ = false;
  {
    vorn::BreakSignalsBlocked blocked;
    thread_ = std::thread([this] { run(); });
  }
  started_.store(true);
  return {};
}

void SystemClock::run() {
  const Nanos period = static_cast<Nanos>(periodMs_) * kNanosPerMs;
  std::int64_t ticks = 0;
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    const Nanos next = startNs_ + (ticks + 1) * period;
    const auto deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(next));
    // steady_clock is CLOCK_MONOTONIC: this is a sleep to an absolute deadline that stop() can cut short.
    if (stopNow_.wait_until(lock, deadline, [this] { return stopping_; })) break;
    const std::int64_t reachedTicks = (monotonicNow() - startNs_) / period;
    if (reachedTicks <= ticks) continue;
    const std::int64_t expirations = reachedTicks - ticks;
    ticks = reachedTicks;
    tickCount_.fetch_add(static_cast<std::uint32_t>(expirations * periodMs_));
    ticked_.notify_all();
  }
}

void SystemClock::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopNow_.notify_all();
  thread_.join();
}

std::uint32_t SystemClock::now() const {
  if (started_.load()) return tickCount_.load();
  return static_cast<std::uint32_t>(monotonicNow() / kNanosPerMs);
}

MidiStatus SystemClock::waitUntil(std::uint32_t due) {
  std::unique_lock lock(mutex_);
  while (!reached(now(), due)) {
    if (breakRequested()) return {kMidiInterrupted, {}};
    if (!thread_.joinable()) {
      // A stopped clock's count is frozen; without a clock, time is the system's milliseconds.
      if (started_.load()) return {kMidiNotReady, "the clock is stopped"};
      lock.unlock();
      const Nanos left = static_cast<Nanos>(due - now()) * kNanosPerMs;
      vorn::sleepUntil(std::chrono::steady_clock::now() + std::chrono::nanoseconds(std::min<Nanos>(left, 50 * kNanosPerMs)));
      lock.lock();
      continue;
    }
    ticked_.wait_for(lock, kBreakLook);
  }
  return {};
}

MidiStatus SystemClock::sleep(std::uint32_t ms) {
  if (breakRequested()) return {kMidiInterrupted, {}};
  vorn::sleepUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
  return {};
}

Nanos SystemClock::stamp() const {
  if (thread_.joinable()) return startNs_ + static_cast<Nanos>(tickCount_.load()) * kNanosPerMs;
  return monotonicNow();
}

}  // namespace midiio
