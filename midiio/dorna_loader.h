#pragma once
// Reads a DORNA stream whole into the form the player walks (dorna_player.h).
#include <cstdint>

#include "midiio/dorna_player.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace midiio {

// Loads the stream `in` holds, up to its end record, into `stream` (cleared
// first); `steps` is its length, its delays added up. Nothing is played from
// a stream that did not load whole: a fault (a file of another kind, OSTRA
// sequences included; a record cut short; a SysEx record too long to play)
// comes back for the tool to report.
vorn::Status loadDorna(vorn::ByteInput& in, DornaBuffer& stream, std::uint64_t& steps);

}  // namespace midiio
