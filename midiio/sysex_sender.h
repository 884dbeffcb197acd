#pragma once
// The SysEx sender's reading and sending: the SysEx messages of a byte
// stream, each complete before the next starts, whole or in pieces with
// pauses, and optionally the channel and system messages between them.
#include <cstdint>

#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace midiio {

struct SysExSendSettings {
  bool pieces = false;         // send SysEx in pieces of chunkSize
  bool shortMessages = false;  // also send the messages between SysEx messages
  std::uint32_t chunkSize = 1024;
  std::uint32_t chunkPauseMs = 0;    // after each piece
  std::uint32_t messagePauseMs = 0;  // after each message
};

// Sends what `input` holds, to its end, on the open output. Malformed input is
// never an error: bytes outside messages are skipped, a SysEx message cut off
// is closed with F7, other cut-off messages are dropped. Fails when a long
// send or a pause failed.
vorn::Status sendSysExStream(vorn::ByteInput& input, const SysExSendSettings& settings);

}  // namespace midiio
