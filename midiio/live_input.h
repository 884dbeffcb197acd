#pragma once
// Everything that arrives at the open MIDI input, in order, for a monitor:
// short messages as they are taken off the queue, SysEx messages through the
// layer's assembly (so a hole cuts a message and never joins two), and the
// holes themselves, each told where it lies.
#include <cstdint>
#include <span>
#include <string>

#include "midiio/input_queue.h"
#include "midiio/midi_input.h"
#include "midiio/sysex_assembly.h"

namespace midiio {

inline constexpr std::uint32_t kNoTimeout = 0xFFFFFFFF;

class LiveListener {
 public:
  virtual ~LiveListener() = default;
  virtual void shortMessage(std::uint32_t ms, std::uint32_t packed) = 0;
  // A SysEx message, F0 first, in pieces as they arrive; a cut message
  // comes without the F7 the assembly closed it with.
  virtual void sysExBegin(std::uint32_t ms) = 0;
  virtual void sysExBytes(std::span<const std::uint8_t> bytes) = 0;
  virtual void sysExEnd(const SysExCut& cut) = 0;
  // Data dropped before the next line (`ms` is when the next event came, or
  // the end); `lost` counts only this hole.
  virtual void hole(std::uint32_t ms, const InputLoss& lost) = 0;
};

// "Hole: 3 messages and 512 SysEx bytes lost (the MIDI input overflowed)".
std::string holeText(const InputLoss& lost);

// Reads the started input until it ends, and gives how it ended (as the
// receive that ended it gives it): timedOut, when nothing at all arrived for
// a time-out other than kNoTimeout (a SysEx message whose next piece does
// not come in that time is cut); sourceLeft, the input went away; failed, a
// break (the interrupted fault) or another fault.
Reception readLiveInput(std::uint32_t timeoutMs, LiveListener& listener);

}  // namespace midiio
