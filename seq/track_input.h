#pragma once
// The bytes of one Standard MIDI File track chunk, read from an input and
// counted against the chunk's declared length. Reading past that length,
// or past the end of input, raises a fault (strict_input.h) that says what
// was being read: each read names its part of the event ("a channel
// message") for the message.
#include <cstdint>

#include "seq/strict_input.h"
#include "vornlib/streams.h"
#include "vornlib/varlen.h"

namespace seq {

class TrackInput {
 public:
  TrackInput(vorn::ByteInput& in, std::uint32_t length) : in_(in), left_(length) {}

  std::uint8_t byte(const char* what) {
    if (left_ == 0) pastChunk(what);
    --left_;
    return needByte(in_, what);
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
    bool first = true;
    auto next = [this, &first] {
      if (!first) return byte("a delta-time");
      first = false;
      return firstByte();
    };
    if (auto value = vorn::readVarLength(next)) return *value;
    tooLong("a delta-time");
  }

  // Copies `count` bytes of WHAT ("a SysEx") to `out`, or drops them; what
  // lies within the chunk and the input goes first when `count` reaches past
  // either.
  void copy(std::uint32_t count, vorn::ByteOutput& out, const char* what);
  void skip(std::uint32_t count, const char* what);

  // Offset in the input of the next byte.
  std::uint64_t offset() const { return in_.offset(); }

 private:
  std::uint8_t firstByte();
  [[noreturn]] void pastChunk(const char* what) const;
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
