#pragma once
// Writes a Standard MIDI File of one track (format 0) to an output: the one
// SMF writer of the suite, for zembra -S and gorbel. Events are given with
// their gap in ticks from the event before; a gap beyond what a delta-time's
// four bytes hold is bridged by empty text events, which readers pass over,
// so the file stays valid whatever the gap.
//
// A track chunk states its length before its events, and an output may be
// a pipe that cannot be patched afterwards: a writer runs twice over the
// same events, once into a counting output (vorn::ByteOutput::openCounting)
// to measure the track, then, with its length known, into the real output
// after writeSmfHead.
//
//   seq::SmfTrackWriter track(out);
//   track.meta(0, vorn::kSmfSetTempo, tempoBytes);
//   track.channel(0, 0x90, 60, 100);
//   track.channel(480, 0x80, 60, 0);
//   track.meta(0, vorn::kSmfEndOfTrack, {});
#include <cstdint>
#include <span>

#include "vornlib/midi_status.h"
#include "vornlib/streams.h"

namespace seq {

// The most a track chunk holds.
inline constexpr std::uint64_t kMaxTrackLength = 0xFFFFFFFF;

class SmfTrackWriter {
 public:
  explicit SmfTrackWriter(vorn::ByteOutput& out) : out_(out), start_(out.offset()) {}

  // A channel message; the status is left out while running status holds
  // it. `second` is not written for program change and channel pressure.
  void channel(std::uint64_t gap, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
    delta(gap);
    if (status != runningStatus_) out_.put(status);
    runningStatus_ = status;
    out_.put(first);
    if (vorn::channelDataBytes(status) == 2) out_.put(second);
  }
  // The head of a SysEx event (F0, or F7 for bytes sent as they are); the
  // caller writes its `length` bytes to output() right after.
  void sysExHead(std::uint64_t gap, std::uint8_t status, std::uint32_t length);
  // A whole meta event.
  void meta(std::uint64_t gap, std::uint8_t type, std::span<const std::uint8_t> body);

  vorn::ByteOutput& output() { return out_; }
  // Bytes of the track written so far.
  std::uint64_t length() const { return out_.offset() - start_; }

 private:
  void delta(std::uint64_t gap);
  void varLength(std::uint32_t value);

  vorn::ByteOutput& out_;
  std::uint64_t start_;
  std::uint8_t runningStatus_ = 0;
};

// The header chunk (format 0, one track, `division` ticks per quarter note)
// and the head of the track chunk of `trackLength` bytes.
void writeSmfHead(vorn::ByteOutput& out, std::uint16_t division, std::uint32_t trackLength);

}  // namespace seq
