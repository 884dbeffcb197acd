#pragma once
// The bytes of one Standard MIDI File track chunk, read from an input and
// counted against the chunk's declared length. Reading past that length,
// or past the end of input, raises a TrackFault that says what was being
// read: each read names its part of the event ("a channel message") for
// the message.
#include <algorithm>
#include <cstdint>
#include <span>

#include "seq/strict_input.h"
#include "vornlib/streams.h"
#include "vornlib/varlen.h"

namespace seq {

// What a track's reader found wrong, for a tool that words its own
// messages; the fault's text says it in this suite's words.
enum class TrackFaultKind : std::uint8_t {
  pastChunk,        // a read beyond the chunk's declared length
  inputEnds,        // the input ended inside the chunk
  noEndOfTrack,     // the chunk or the input ended where an event would start
  notData,          // a data byte with its top bit set
  noRunningStatus,  // a data byte where a status belongs, and no running status
  tooLong,          // a delta-time or length of more than four bytes
  unknownStatus,    // a system status other than F0, F7 and FF
  timeTooLong,      // the track's time passed the limit its reader was given
};

// Raised (as the InputFault it is) by TrackInput and TrackEvents.
struct TrackFault : InputFault {
  TrackFaultKind kind;
};

class TrackInput {
 public:
  TrackInput(vorn::ByteInput& in, std::uint32_t length) : in_(in), left_(length) {}

  std::uint8_t byte(const char* what) {
    if (left_ == 0) pastChunk(what);
    --left_;
    int b = in_.get();
    if (b < 0) endsInside(what);
    return static_cast<std::uint8_t>(b);
  }

  // A byte that must have its top bit clear.
  std::uint8_t dataByte(const char* what) {
    std::uint8_t b = byte(what);
    if (b & 0x80) notData(b);
    return b;
  }

  // A variable-length quantity of at most four bytes.
  std::uint32_t varLength(const char* what) {
    if (auto value = vorn::readVarLength([this, what] { return byte(what); })) return *value;
    tooLong(what);
  }

  // The delta-time that starts an event: here the chunk or the input may end
  // only with an end-of-track event before it.
  std::uint32_t deltaTime() {
    std::uint8_t head = firstByte();
    // Most delta-times are one byte.
    if ((head & 0x80) == 0) return head;
    return longDeltaTime(head);
  }

  // Copies `count` bytes of WHAT ("a SysEx") to `out`, or drops them; what
  // lies within the chunk and the input goes first when `count` reaches past
  // either.
  void copy(std::uint32_t count, vorn::ByteOutput& out, const char* what);
  void skip(std::uint32_t count, const char* what);

  // The next `count` bytes when the chunk has them and the input holds them
  // in its buffer, else nullptr; taken() then consumes those used.
  const std::uint8_t* peek(std::size_t count) const { return left_ >= count ? in_.buffered(count) : nullptr; }
  // What the input has buffered of the chunk's bytes not read yet.
  std::span<const std::uint8_t> window() const {
    std::span<const std::uint8_t> buffered = in_.inBuffer();
    return buffered.first(std::min<std::size_t>(buffered.size(), left_));
  }
  void taken(std::size_t count) {
    left_ -= static_cast<std::uint32_t>(count);
    in_.consume(count);
  }

  // Offset in the input of the next byte.
  std::uint64_t offset() const { return in_.offset(); }
  // Bytes of the chunk not read yet.
  std::uint32_t left() const { return left_; }

  // Raises a fault at `offset`.
  [[noreturn]] static void fail(TrackFaultKind kind, std::string text, std::uint64_t offset);

 private:
  std::uint8_t firstByte() {
    if (left_ == 0) noEndOfTrack();
    --left_;
    int b = in_.get();
    if (b < 0) endsBeforeEndOfTrack();
    return static_cast<std::uint8_t>(b);
  }

  std::uint32_t longDeltaTime(std::uint8_t head);
  [[noreturn, gnu::cold]] void noEndOfTrack() const;
  [[noreturn, gnu::cold]] void endsBeforeEndOfTrack() const;
  [[noreturn]] void pastChunk(const char* what) const;
  [[noreturn]] void endsInside(const char* what) const;
  [[noreturn]] void notData(std::uint8_t b) const;
  [[noreturn]] void tooLong(const char* what) const;
  [[noreturn]] void endsOrPastChunk(std::uint32_t count, const char* what, bool inputEnded) const;

  // Takes up to `count` bytes from the count; returns how many it took.
  std::uint32_t take(std::uint32_t count) {
    std::uint32_t n = count < left_ ? count : left_;
    left_ -= n;
    return n;
  }

  vorn::ByteInput& in_;
  std::uint32_t left_;
};

}  // namespace seq
