#pragma once
// A recording of the SysEx messages that arrive at the started MIDI input.
// Each message is written once it is whole (or closed by F7 after a cut)
// and flushed at once, so a break never leaves half a message in the
// output and a reader of a pipe gets each message as it comes.
#include <cstdint>
#include <functional>
#include <string>

#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace midiio {

struct RecordingNews {
  // A message the recording had to close: "message 3 ... cut ...; written closed by F7".
  std::function<void(const std::string&)> cut;
  // The source left between messages, which ends the recording as a time-out does.
  std::function<void(const std::string&)> ended;
};

// Records into `out` until a receive times out, the source leaves, or
// `limit` messages were written. Fails on a receive that failed: a break
// before the message is written, any other fault after it.
vorn::Status recordSysEx(std::uint32_t timeoutMs, std::uint32_t limit, vorn::ByteOutput& out, const RecordingNews& news);

}  // namespace midiio
