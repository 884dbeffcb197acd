#pragma once
// The real clock: the count is worked out from CLOCK_MONOTONIC when asked,
// and a wait is one sleep to the absolute deadline of the tick that reaches
// it, so nothing wakes while nothing is due and late wakes never drift the
// count. Only the thread that started the clock waits on it.
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
  MidiStatus start(std::uint32_t periodMs) override;
  void stop() override;
  std::uint32_t now() const override;
  MidiStatus waitUntil(std::uint32_t due, const WaitWatch& watch) override;
  MidiStatus sleep(std::uint32_t ms, const WaitWatch& watch) override;
  Nanos stamp() const override;

 private:
  std::uint32_t count() const;

  std::uint32_t periodMs_ = 8;
  Nanos startNs_ = 0;
  bool running_ = false;
  bool started_ = false;
  std::uint32_t frozen_ = 0;
};

}  // namespace midiio
