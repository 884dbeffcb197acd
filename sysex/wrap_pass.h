#pragma once
// One pass of wrapping SysEx inputs into a Standard MIDI File's track
// (SysexSmfBuilder), in constant memory: each input's messages are checked
// and appended as they are read. A message up to 1 MiB is held while it is
// read; a longer one is read again from its input to be written, so the
// input must be rereadable (vorn::ByteInput::makeRereadable).
#include <cstdint>
#include <string_view>
#include <vector>

#include "sysex/smf_writer.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

class WrapPass {
 public:
  // The track goes to `out` as it is built, after a tempo event.
  WrapPass(std::uint32_t bpm, std::uint32_t gapMs, vorn::ByteOutput& out) : smf_(bpm, gapMs, out) {}

  // Appends the messages of `in`, the input `name` (nullptr: standard
  // input). Fails at a malformed message (at the byte that broke it) or
  // when memory runs out or the track would outgrow 32 bits (at the
  // message's F0).
  vorn::Status addInput(vorn::ByteInput& in, const char* name);
  // The pause of a ";n" argument, `text` being n: n ms more before the next
  // message. What does not read as a number adds nothing.
  void addPause(std::string_view text);
  // Appends the end of the track; fails when the track would outgrow 32 bits.
  vorn::Status finish();
  std::uint64_t trackLength() const { return smf_.trackLength(); }

 private:
  struct Sink;
  SysexSmfBuilder smf_;
  std::vector<std::uint8_t> message_;  // the message being read, while it is held
};

}  // namespace sysex
