#pragma once
// Builds the Standard MIDI File that plays SysEx messages one after the
// other: format 0, one track, 24 ticks per quarter note, a tempo event
// first and an end-of-track event on the next bar line after the last
// message. Time is planned in milliseconds; each message is followed by
// length / 3 + gap + 1 ms.
#include <cstdint>
#include <span>
#include <vector>

#include "vornlib/varlen.h"

namespace sysex {

// gorbel's time base (OSTRA's 480 is seq's).
inline constexpr std::uint16_t kSmfTicksPerQuarter = 24;
// The largest delta a variable-length quantity may carry.
inline constexpr std::uint32_t kMaxSmfDelta = vorn::kMaxVarLength;

class SysexSmfBuilder {
 public:
  // `bpm` is the tempo written into the file, `gapMs` the extra gap after each message.
  SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs);

  // Appends one message as an 0xF0 event: `afterStart` is the message
  // without its 0xF0, ending with its 0xF7. False when the track would
  // outgrow the 32-bit chunk length.
  bool addMessage(std::span<const std::uint8_t> afterStart);
  // Moves the running time on; the next event's delta carries it.
  void addPause(std::uint32_t milliseconds);
  // Appends the end-of-track event. False as for addMessage.
  bool finish();

  // The header chunk and the track chunk's header, for the track built.
  std::vector<std::uint8_t> fileHead() const;
  std::span<const std::uint8_t> track() const { return track_; }

  std::uint32_t tempo() const { return tempo_; }
  std::uint64_t runningMs() const { return runningMs_; }

 private:
  bool appendDelta();
  bool fits(std::size_t more) const;

  std::uint32_t tempo_;  // microseconds per quarter note
  std::uint32_t gapMs_;
  std::uint64_t runningMs_ = 0;
  std::uint64_t lastEventMs_ = 0;
  std::vector<std::uint8_t> track_;
};

}  // namespace sysex
