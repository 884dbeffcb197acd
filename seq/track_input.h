#pragma once
// The bytes of one Standard MIDI File track chunk, read from the current
// input and counted against the chunk's declared length. Reading past that
// length, or past the end of input, is malformed input.
#include <cstdint>

#include "seq/strict_input.h"
#include "vornlib/varlen.h"

namespace seq {

class TrackInput {
 public:
  explicit TrackInput(std::uint32_t length) : left_(length) {}

  std::uint8_t byte() {
    if (left_ == 0) failMalformed();
    --left_;
    return needByte();
  }

  // A byte that must have its top bit clear.
  std::uint8_t dataByte() {
    std::uint8_t b = byte();
    if (b & 0x80) failMalformed();
    return b;
  }

  // A variable-length quantity of at most four bytes.
  std::uint32_t varLength() {
    if (auto value = vorn::readVarLength([this] { return byte(); })) return *value;
    failMalformed();
  }

  // Copies `count` bytes to the output, or drops them; what lies within the
  // chunk and the input goes first when `count` reaches past either.
  void copy(std::uint32_t count);
  void skip(std::uint32_t count);

  std::uint32_t bytesLeft() const { return left_; }

 private:
  // Takes up to `count` bytes from the count; returns how many it took.
  std::uint32_t take(std::uint32_t count) {
    std::uint32_t n = count < left_ ? count : left_;
    left_ -= n;
    return n;
  }

  std::uint32_t left_;
};

}  // namespace seq
