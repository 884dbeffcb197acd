#pragma once
// Joins the SysEx chunks taken off the input queue into whole messages for a
// sink. The wait for each chunk gives up when the clock has moved more than
// the time-out since the wait began (so a time-out of 0 looks, waits one
// round, and looks again); a round waits at most 50 ms for the producer.
#include <cstdint>
#include <functional>
#include <span>

#include "midiio/error.h"
#include "midiio/input_queue.h"

namespace midiio {

inline constexpr std::uint32_t kInputWaitRoundMs = 50;

// Where the chunks come from; the layer's input, or a test's.
class ChunkSource {
 public:
  virtual ~ChunkSource() = default;
  virtual bool read(InputEvent& event) = 0;  // never waits
  virtual std::uint32_t now() = 0;           // the layer's clock, ms
  // Waits up to `ms` for the producer's wake-up. Fails when the user broke
  // (kMidiInterrupted) or the device went away.
  virtual MidiStatus await(std::uint32_t ms) = 0;
};

enum class Received {
  message,   // a message went to the sink
  timedOut,  // nothing more in time (a cut-off message went to the sink closed by F7)
  failed,    // a break or a lost device; the status says which
};

using SysExSink = std::function<void(std::span<const std::uint8_t>)>;

class SysExAssembly {
 public:
  // One long chunk with data, or time-out, or failure (in `status`).
  Received waitSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status);
  // The held-back chunk first, else the next one waited for.
  Received nextSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status);
  Received receiveSysEx(ChunkSource& source, std::uint32_t timeoutMs, const SysExSink& sink, MidiStatus& status);
  // Drops a held-back chunk.
  void clear() { pending_ = false; }
  const InputEvent& lastChunk() const { return last_; }

 private:
  InputEvent last_;
  bool pending_ = false;
};

}  // namespace midiio
