#include "midiio/sysex_assembly.h"

#include "vornlib/midi_status.h"

namespace midiio {

Received SysExAssembly::waitSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status) {
  const std::uint32_t t0 = source.now();
  for (;;) {
    const bool got = source.read(last_);
    if (got && last_.isLong && last_.lengthOrMessage != 0) return Received::message;
    if (source.now() - t0 > timeoutMs) return Received::timedOut;
    // A short message taken off costs no wait: the queue may hold more.
    if (!got) {
      status = source.await(kInputWaitRoundMs);
      if (!status) return Received::failed;
    }
  }
}

Received SysExAssembly::nextSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status) {
  if (pending_) {
    pending_ = false;
    return Received::message;
  }
  return waitSysExChunk(source, timeoutMs, status);
}

Received SysExAssembly::receiveSysEx(ChunkSource& source, std::uint32_t timeoutMs, const SysExSink& sink,
                                     MidiStatus& status) {
  for (;;) {
    if (Received r = nextSysExChunk(source, timeoutMs, status); r != Received::message) return r;
    if (last_.data[0] == vorn::kSysExStart) break;  // chunks of no open message are dropped
  }
  static constexpr std::uint8_t close[] = {vorn::kSysExEnd};
  for (;;) {
    const std::span<const std::uint8_t> chunk = last_.bytes();
    sink(chunk);
    if (chunk.back() == vorn::kSysExEnd) return Received::message;
    const Received r = waitSysExChunk(source, timeoutMs, status);
    if (r == Received::failed) return r;
    if (r == Received::timedOut) {
      sink(close);
      return r;
    }
    // A new start, or a chunk after a hole: the open message ends here, and
    // the chunk is the first one the next call looks at.
    if (last_.data[0] == vorn::kSysExStart || last_.afterGap) {
      pending_ = true;
      sink(close);
      return Received::message;
    }
  }
}

}  // namespace midiio
