#pragma once
// gorbel's arguments wrapped in two passes over the inputs, in constant
// memory: the first checks every message and measures the track, whose
// length goes before its events; the second writes it. Each pass is a
// WrapPass; the inputs are read twice as InputsReadTwice keeps them.
#include <cstdint>
#include <memory>

#include "sysex/inputs_read_twice.h"
#include "sysex/wrap_pass.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

class TwoPassWrap {
 public:
  // Starts the next pass (the first, then the second), its track going to `out`.
  void startPass(std::uint32_t bpm, std::uint32_t gapMs, vorn::ByteOutput& out);
  // The next argument: ";n" pauses n ms; any other names an input (nullptr:
  // standard input), opened and made rereadable, its read faults going to
  // `handler`, or in the second pass read again as the first kept it. Fails
  // when the input cannot be opened, or as WrapPass::addInput fails.
  vorn::Status add(const char* name, vorn::StreamFaultHandler handler);
  // Ends the pass's track; fails when it would outgrow 32 bits.
  vorn::Status finish() { return pass_->finish(); }
  std::uint64_t trackLength() const { return pass_->trackLength(); }
  // Drops the pass and the inputs kept (when the run fails). Safe to repeat.
  void drop();

 private:
  std::unique_ptr<WrapPass> pass_;
  InputsReadTwice inputs_;
  bool started_ = false;
};

}  // namespace sysex
