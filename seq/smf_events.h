#pragma once
// The events of one Standard MIDI File track chunk, decoded one at a time
// with their absolute time in the file's ticks. Running status is resolved
// (it is the track's own); a SysEx or meta event comes back with its
// length, its body still unread in input(), for the caller to copy, read
// or skip before asking for the next event. Faults are raised as InputFault
// (strict_input.h).
#include <cstdint>

#include "seq/track_input.h"
#include "vornlib/streams.h"

namespace seq {

inline constexpr std::uint8_t kSmfMeta = 0xFF;
inline constexpr std::uint8_t kSmfEndOfTrack = 0x2F;
inline constexpr std::uint8_t kSmfSetTempo = 0x51;

struct SmfEvent {
  std::uint64_t ticks = 0;  // absolute, in the file's ticks
  std::uint8_t status = 0;  // a channel status, 0xF0, 0xF7 or 0xFF (meta)
  std::uint8_t first = 0;   // channel message: first data byte; meta event: its type
  std::uint8_t second = 0;  // channel message: second data byte (0 when it has one)
  std::uint32_t length = 0;     // SysEx and meta event: the body's length
  std::uint64_t lengthAt = 0;   // meta event: offset of its length
  bool isEndOfTrack() const { return status == kSmfMeta && first == kSmfEndOfTrack; }
};

class TrackEvents {
 public:
  TrackEvents(vorn::ByteInput& in, std::uint32_t length) : in_(in, length) {}

  // Reads the next event up to its body.
  void next(SmfEvent& event);
  // Where the body of the event just read is.
  TrackInput& input() { return in_; }

 private:
  TrackInput in_;
  std::uint64_t ticks_ = 0;
  std::uint8_t runningStatus_ = 0;
};

}  // namespace seq
