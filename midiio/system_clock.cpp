#include "midiio/system_clock.h"

#include <chrono>
#include <ctime>

#include "midiio/break_check.h"
#include "vornlib/breaks.h"

namespace midiio {
namespace {

constexpr std::uint32_t kLongestPeriodMs = 1000000;

std::chrono::steady_clock::time_point at(Nanos monotonic) {
  // steady_clock is CLOCK_MONOTONIC.
  return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(monotonic));
}

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
  periodMs_ = periodMs == 0 ? 8 : periodMs;
  startNs_ = monotonicNow();
  running_ = started_ = true;
  return {};
}

void SystemClock::stop() {
  if (running_) frozen_ = count();
  running_ = false;
}

std::uint32_t SystemClock::count() const {
  const Nanos period = static_cast<Nanos>(periodMs_) * kNanosPerMs;
  return static_cast<std::uint32_t>((monotonicNow() - startNs_) / period * periodMs_);
}

std::uint32_t SystemClock::now() const {
  if (running_) return count();
  if (started_) return frozen_;
  return static_cast<std::uint32_t>(monotonicNow() / kNanosPerMs);
}

MidiStatus SystemClock::waitUntil(std::uint32_t due, const WaitWatch& watch) {
  for (;;) {
    const auto ahead = static_cast<std::int32_t>(due - now());
    if (ahead <= 0) return {};
    if (breakRequested()) return {kMidiInterrupted, {}};
    if (!running_ && started_) return {kMidiNotReady, "the clock is stopped"};
    Nanos deadline = monotonicNow() + static_cast<Nanos>(ahead) * kNanosPerMs;
    if (running_) {
      // The first tick whose count reaches `due`.
      const Nanos period = static_cast<Nanos>(periodMs_) * kNanosPerMs;
      const std::int64_t ticks = (monotonicNow() - startNs_) / period + (ahead + periodMs_ - 1) / periodMs_;
      deadline = startNs_ + ticks * period;
    }
    if (vorn::sleepUntilWoken(at(deadline))) continue;
    if (breakRequested()) return {kMidiInterrupted, {}};
    if (watch) {
      if (MidiStatus status = watch(); !status) return status;
    }
  }
}

MidiStatus SystemClock::sleep(std::uint32_t ms, const WaitWatch& watch) {
  const Nanos deadline = monotonicNow() + static_cast<Nanos>(ms) * kNanosPerMs;
  for (;;) {
    if (breakRequested()) return {kMidiInterrupted, {}};
    if (vorn::sleepUntilWoken(at(deadline))) return {};
    if (watch) {
      if (MidiStatus status = watch(); !status) return status;
    }
  }
}

Nanos SystemClock::stamp() const {
  if (running_) return startNs_ + static_cast<Nanos>(count()) * kNanosPerMs;
  return monotonicNow();
}

}  // namespace midiio
