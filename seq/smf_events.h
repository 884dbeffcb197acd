#pragma once
// The events of one Standard MIDI File track chunk, decoded one at a time
// with their absolute time in the file's ticks: the one running-status
// track reader of the suite. Running status is resolved (it is the track's
// own); a SysEx or meta event comes back with its length, its body still
// unread in input(), for the caller to copy, read or skip before asking for
// the next event. Faults are raised as TrackFault (track_input.h): the
// reader tells what it found, the tool decides what becomes of the track.
//
// Where a track ends is the caller's rule: zutane and zamodump end at the
// end-of-track event (next() at the chunk's end is a fault), oktile reads
// the chunk to its declared end (while more()).
#include <cstdint>

#include "seq/track_input.h"
#include "vornlib/midi_status.h"
#include "vornlib/streams.h"

namespace seq {

using vorn::kSmfEndOfTrack;
using vorn::kSmfMeta;
using vorn::kSmfSetTempo;

struct SmfEvent {
  std::uint64_t ticks = 0;  // absolute, in the file's ticks
  std::uint8_t status = 0;  // a channel status, 0xF0, 0xF7 or 0xFF (meta)
  std::uint8_t first = 0;   // channel message: first data byte; meta event: its type
  std::uint8_t second = 0;  // channel message: second data byte (0 when it has one)
  std::uint32_t length = 0;     // SysEx and meta event: the body's length
  std::uint64_t lengthAt = 0;   // SysEx and meta event: offset of its length
  bool isEndOfTrack() const { return status == kSmfMeta && first == kSmfEndOfTrack; }
};

class TrackEvents {
 public:
  // The chunk's `length` bytes from where `in` stands; a time beyond
  // `maxTicks` is a fault (timeTooLong) as soon as its delta-time is read.
  TrackEvents(vorn::ByteInput& in, std::uint32_t length, std::uint64_t maxTicks = UINT64_MAX)
      : in_(in, length), maxTicks_(maxTicks) {}

  // Reads the next event up to its body.
  void next(SmfEvent& event);
  // Whether the chunk holds another byte.
  bool more() const { return in_.left() > 0; }
  // Where the body of the event just read is.
  TrackInput& input() { return in_; }

 private:
  [[noreturn, gnu::cold]] void tooLate() const;

  TrackInput in_;
  std::uint64_t maxTicks_;
  std::uint64_t ticks_ = 0;
  std::uint8_t runningStatus_ = 0;
};

}  // namespace seq
