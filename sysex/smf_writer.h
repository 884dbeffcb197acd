#pragma once
// Plans the Standard MIDI File that plays SysEx messages one after the
// other, and writes it with seq's SMF writer: format 0, one track, 24 ticks
// per quarter note, a tempo event first and an end-of-track event on the
// next bar line after the last message. Time is planned in milliseconds;
// each message is followed by length / 3 + gap + 1 ms.
//
// The track goes to an output given (a counting one measures it for the
// track's head, smf_writer.h in seq), or by default into memory.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "seq/smf_writer.h"
#include "vornlib/streams.h"

namespace sysex {

// gorbel's time base (OSTRA's 480 is seq's).
inline constexpr std::uint16_t kSmfTicksPerQuarter = 24;

class SysexSmfBuilder {
 public:
  // `bpm` is the tempo written into the file, `gapMs` the extra gap after
  // each message; the track is built in memory.
  SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs);
  // The same, written to `out` as it is built.
  SysexSmfBuilder(std::uint32_t bpm, std::uint32_t gapMs, vorn::ByteOutput& out);

  // Appends one message as an 0xF0 event: `afterStart` is the message
  // without its 0xF0, ending with its 0xF7. False when the track would
  // outgrow the 32-bit chunk length.
  bool addMessage(std::span<const std::uint8_t> afterStart);
  // The same for a message whose `length` bytes the caller writes to
  // output() right after.
  bool addMessageHead(std::uint64_t length);
  // Moves the running time on; the next event's delta carries it.
  void addPause(std::uint32_t milliseconds);
  // Appends the end-of-track event. False as for addMessage.
  bool finish();

  // The header chunk and the track chunk's header, for the track built.
  std::vector<std::uint8_t> fileHead() const;
  // The track built in memory.
  std::span<const std::uint8_t> track();
  vorn::ByteOutput& output() { return track_.output(); }
  std::uint64_t trackLength() const { return track_.length(); }

  std::uint32_t tempo() const { return tempo_; }
  std::uint64_t runningMs() const { return runningMs_; }

 private:
  SysexSmfBuilder(std::unique_ptr<vorn::ByteOutput> memory, std::uint32_t bpm, std::uint32_t gapMs);
  // The tempo event that opens the track.
  void start();
  std::uint64_t nextGap();
  bool fits() const { return track_.length() <= seq::kMaxTrackLength; }

  std::unique_ptr<vorn::ByteOutput> memory_;
  std::uint32_t tempo_;  // microseconds per quarter note
  std::uint32_t gapMs_;
  std::uint64_t runningMs_ = 0;
  std::uint64_t lastEventMs_ = 0;
  seq::SmfTrackWriter track_;
};

}  // namespace sysex
