#pragma once
// Converts a Standard MIDI File (format 0, one track; format 1 when asked to
// merge its tracks) into an OSTRA sequence: the file's ticks are rescaled to
// 480 per quarter note, set-tempo events become tempo records, channel
// messages are kept, SysEx events only when asked, other meta events are
// dropped. A format-0 file is streamed; a format-1 file's tracks are read
// into memory to be merged (smf_merge.h).
#include <optional>

#include "seq/input_fault.h"
#include "vornlib/streams.h"

namespace seq {

struct ConvertOptions {
  bool keepSysEx = false;
  // Format 1: merge the tracks in time order instead of refusing the file.
  bool mergeTracks = false;
};

// Reads one file from `in`, up to its end-of-track event, and writes its
// OSTRA sequence to the current output. Returns the fault that stopped it,
// saying what was found; what was written before it stays written.
std::optional<InputFault> convertSmfToOstra(vorn::ByteInput& in, const ConvertOptions& options);

}  // namespace seq
