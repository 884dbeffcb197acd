#include "midiio/sysex_assembly.h"

#include "vornlib/midi_status.h"

namespace midiio {
namespace {

std::string duration(std::uint32_t ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

std::string cutReason(const SysExCut& cut, std::uint32_t timeoutMs) {
  std::string why;
  switch (cut.cause) {
    case CutCause::none: break;
    case CutCause::timedOut: why = "nothing came for " + duration(timeoutMs); break;
    case CutCause::newMessage: why = "a new message (F0) began before its F7"; break;
    case CutCause::hole: why = "data was lost inside it (the MIDI input overflowed)"; break;
    case CutCause::sourceLeft:
    case CutCause::failed: why = cut.why; break;
  }
  return why;
}

std::string describeCut(std::uint64_t number, const SysExCut& cut, std::uint32_t timeoutMs) {
  return "message " + std::to_string(number) + " cut after " + std::to_string(cut.bytes) +
         " bytes: " + cutReason(cut, timeoutMs);
}

Received SysExAssembly::waitSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status) {
  std::uint32_t t0 = source.now();
  for (;;) {
    const bool got = source.read(last_);
    if (got && last_.isLong && last_.lengthOrMessage != 0) return Received::message;
    if (got && source.shortMessagesCount()) t0 = source.now();
    if (source.now() - t0 > timeoutMs) return Received::timedOut;
    // A short message taken off costs no wait: the queue may hold more.
    if (!got) {
      status = source.await(kInputWaitRoundMs);
      if (status.is(kMidiNoSuchPort)) return Received::sourceLeft;
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

Received SysExAssembly::closeCut(CutCause cause, Received result, const SysExSink& sink) {
  static constexpr std::uint8_t close[] = {vorn::kSysExEnd};
  cut_.cause = cause;
  sink(close);
  return result;
}

Received SysExAssembly::receiveSysEx(ChunkSource& source, std::uint32_t timeoutMs, const SysExSink& sink,
                                     MidiStatus& status) {
  cut_ = {};
  for (;;) {
    if (Received r = nextSysExChunk(source, timeoutMs, status); r != Received::message) return r;
    if (last_.data[0] == vorn::kSysExStart) break;  // chunks of no open message are dropped
  }
  for (;;) {
    const std::span<const std::uint8_t> chunk = last_.bytes();
    sink(chunk);
    cut_.bytes += chunk.size();
    if (chunk.back() == vorn::kSysExEnd) return Received::message;
    const Received r = waitSysExChunk(source, timeoutMs, status);
    switch (r) {
      case Received::timedOut:
        // Data lost after the message's last chunk held its rest: the hole cut it.
        return closeCut(source.lostAfterLastChunk() ? CutCause::hole : CutCause::timedOut, r, sink);
      case Received::sourceLeft:
        cut_.why = status.detail();
        return closeCut(CutCause::sourceLeft, r, sink);
      case Received::failed:
        if (status.is(kMidiInterrupted)) return r;  // the run ends; nothing more is written
        cut_.why = midiErrorText(status.code() - kMidiErrorBase);
        return closeCut(CutCause::failed, r, sink);
      case Received::message: break;
    }
    // A chunk after a hole, or a new start: the open message ends here, and
    // the chunk is the first one the next call looks at.
    if (last_.afterGap || last_.data[0] == vorn::kSysExStart) {
      pending_ = true;
      return closeCut(last_.afterGap ? CutCause::hole : CutCause::newMessage, Received::message, sink);
    }
  }
}

}  // namespace midiio
