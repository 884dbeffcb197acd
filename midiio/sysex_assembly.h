#pragma once
// Joins the SysEx chunks taken off the input queue into whole messages for a
// sink. The wait for each chunk gives up when the clock has moved more than
// the time-out since the wait began (so a time-out of 0 looks, waits one
// round, and looks again); a round waits at most 50 ms for the producer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

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
  // Data was lost after the last chunk that read() can give.
  virtual bool lostAfterLastChunk() = 0;
  // Whether a short message taken off starts the time-out anew (for a
  // reader that watches everything, not only SysEx).
  virtual bool shortMessagesCount() { return false; }
};

enum class Received {
  message,     // a message went to the sink
  timedOut,    // nothing more in time
  sourceLeft,  // the input went away (kMidiNoSuchPort); all it sent before was read
  failed,      // a break or another fault; the status says which
};

// Why the receiver closed a message itself instead of its own F7.
enum class CutCause {
  none,        // the message arrived whole, or none began
  timedOut,    // the rest did not come within the time-out
  newMessage,  // an F0 came before the F7
  hole,        // data was lost (the input overflowed) inside it
  sourceLeft,  // the input went away inside it
  failed,      // the input failed inside it
};

// A message that receiveSysEx closed with an added F7 (a break closes none).
struct SysExCut {
  CutCause cause = CutCause::none;
  std::size_t bytes = 0;  // how many of its bytes arrived, F0 included
  std::string why;        // for sourceLeft and failed: what the layer said
};

// "message 3 cut after 568000 bytes: nothing came for 4 s": the cut message
// as the tools name it; `number` counts from 1 in the run.
std::string describeCut(std::uint64_t number, const SysExCut& cut, std::uint32_t timeoutMs);
// Its reason alone: "nothing came for 4 s".
std::string cutReason(const SysExCut& cut, std::uint32_t timeoutMs);

using SysExSink = std::function<void(std::span<const std::uint8_t>)>;

class SysExAssembly {
 public:
  // One long chunk with data, or time-out, or failure (in `status`).
  Received waitSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status);
  // The held-back chunk first, else the next one waited for.
  Received nextSysExChunk(ChunkSource& source, std::uint32_t timeoutMs, MidiStatus& status);
  // One message to the sink. A message it had to close itself (see lastCut)
  // goes to the sink closed by F7, except after a break.
  Received receiveSysEx(ChunkSource& source, std::uint32_t timeoutMs, const SysExSink& sink, MidiStatus& status);
  // How the last receiveSysEx ended its message.
  const SysExCut& lastCut() const { return cut_; }
  // Drops a held-back chunk.
  void clear() { pending_ = false; }
  const InputEvent& lastChunk() const { return last_; }

 private:
  Received closeCut(CutCause cause, Received result, const SysExSink& sink);

  InputEvent last_;
  bool pending_ = false;
  SysExCut cut_;
};

}  // namespace midiio
