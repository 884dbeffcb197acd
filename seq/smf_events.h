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
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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
  void next(SmfEvent& event) {
    if (const std::uint8_t* p = in_.peek(kQuickBytes)) {
      std::uint64_t ticks = ticks_;
      if (std::size_t used = quickChannel(p, ticks, runningStatus_, event, maxTicks_)) {
        ticks_ = ticks;
        in_.taken(used);
        return;
      }
    }
    nextSlowly(event);
  }

  // Reads channel messages one after the other for as long as they go the
  // quick way (below), handing each to `channel(event)`, which must not
  // read this track; returns before any other event, which next() reads.
  // A whole run is decoded from the buffer with its state in registers,
  // the event handed over too: it is the run's own, not the caller's.
  template <typename Channel>
  [[gnu::always_inline]] void channelRun(Channel&& channel) {
    std::span<const std::uint8_t> buffered = in_.window();
    if (buffered.size() < kQuickBytes) return;
    const std::uint8_t* const start = buffered.data();
    const std::uint8_t* const last = start + buffered.size() - kQuickBytes;
    const std::uint8_t* p = start;
    std::uint64_t ticks = ticks_;
    std::uint8_t running = runningStatus_;
    const std::uint64_t maxTicks = maxTicks_;
    SmfEvent event;
    while (p <= last) {
      std::size_t used = quickChannel(p, ticks, running, event, maxTicks);
      if (used == 0) break;
      p += used;
      channel(event);
    }
    ticks_ = ticks;
    runningStatus_ = running;
    in_.taken(static_cast<std::size_t>(p - start));
  }
  // Whether the chunk holds another byte.
  bool more() const { return in_.left() > 0; }
  // Where the body of the event just read is.
  TrackInput& input() { return in_; }

 private:
  // Bytes the quick way loads in one go: it uses up to five of them (a
  // delta-time of two bytes, a status, two data bytes).
  static constexpr std::size_t kQuickBytes = 8;

  // The eight bytes at `p` in one register, the first in the low byte.
  static std::uint64_t littleEndian(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
  }

  // The common event, a channel message after a delta-time of one or two
  // bytes, decoded from `p` (kQuickBytes there) with one load and choices
  // made by arithmetic rather than by jumps (which real data makes hard to
  // foresee): the bytes it takes, 0 for anything else or anything wrong,
  // which goes the slow way. A run passes the time limit from a register.
  static std::size_t quickChannel(const std::uint8_t* p, std::uint64_t& ticks, std::uint8_t& running, SmfEvent& event,
                                  std::uint64_t maxTicks) {
    const std::uint64_t bytes = littleEndian(p);
    const std::uint32_t longDelta = bytes >> 7 & 1;  // 1 when the delta-time has a second byte
    // Picked by a mask: the compiler makes a jump of a plain choice here,
    // and one in four delta-times or so has a second byte, at random.
    const std::uint32_t shortDelta = bytes & 0xFF;
    const auto longValue = static_cast<std::uint32_t>((bytes & 0x7F) << 7 | (bytes >> 8 & 0xFF));
    const std::uint32_t delta = shortDelta ^ ((shortDelta ^ longValue) & (0 - longDelta));
    const std::uint64_t fromStatus = bytes >> (8 + 8 * longDelta);
    const auto b = static_cast<std::uint8_t>(fromStatus);
    const std::uint32_t explicitStatus = b >> 7;
    const std::uint8_t status = explicitStatus ? b : running;
    const std::uint64_t data = fromStatus >> (8 * explicitStatus);
    const bool two = (status & 0xE0) != 0xC0;  // program change and channel pressure have one
    const auto first = static_cast<std::uint8_t>(data);
    const std::uint8_t second = two ? static_cast<std::uint8_t>(data >> 8) : 0;
    const bool plain = !(longDelta & (bytes >> 15)) && b < 0xF0 && status != 0 && ((first | second) & 0x80) == 0;
    if (!plain || ticks + delta > maxTicks) return 0;
    ticks += delta;
    running = status;
    event.ticks = ticks;
    event.status = status;
    event.first = first;
    event.second = second;
    return 2 + longDelta + explicitStatus + two;
  }

  void nextSlowly(SmfEvent& event);
  [[noreturn, gnu::cold]] void tooLate() const;

  TrackInput in_;
  std::uint64_t maxTicks_;
  std::uint64_t ticks_ = 0;
  std::uint8_t runningStatus_ = 0;
};

}  // namespace seq
