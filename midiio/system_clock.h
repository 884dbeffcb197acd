#pragma once
// The real clock: one timer thread sleeping to absolute deadlines on
// CLOCK_MONOTONIC, so late wakes never drift the count.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "midiio/backend.h"

namespace midiio {

// CLOCK_MONOTONIC now, in nanoseconds.
Nanos monotonicNow();

class SystemClock;
// The process's one real clock, shared by the ALSA and JACK backends and by
// tools that time without a MIDI system (serial output).
SystemClock& systemClock();

class SystemClock final : public Clock {
 public:
  SystemClock() = default;
  ~SystemClock() override { stop(); }

  MidiStatus start(std::uint32_t periodMs) override;
  void stop() override;
  std::uint32_t now() const override;
  MidiStatus waitUntil(std::uint32_t due) override;
  MidiStatus sleep(std::uint32_t ms) override;
  Nanos stamp() const override;

 private:
  void run();

  std::uint32_t periodMs_ = 8;
  Nanos startNs_ = 0;
  std::atomic<std::uint32_t> tickCount_{0};
  std::atomic<bool> started_{false};
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable ticked_;   // the timer thread announces each tick
  std::condition_variable stopNow_;  // stop() wakes the timer thread
  std::thread thread_;
};

}  // namespace midiio
