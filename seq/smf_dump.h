#pragma once
// A Standard MIDI File (formats 0, 1 and 2) as text (dump_lines.h): a
// heading for the file and for each track, then one line an event with the
// track's time in ticks and in milliseconds, its channel and the event in
// words, meta events by name. Read as a stream, one track after the other.
//
// Milliseconds follow the division: ticks per quarter note under the
// set-tempo events (500000 us a quarter note until the first), or SMPTE
// frames, where tempo changes nothing. In format 1 the first track is the
// tempo map of every track (only its changes are kept, for the later
// tracks); in formats 0 and 2 each track keeps its own tempo.
#include <optional>
#include <string_view>

#include "seq/dump_lines.h"
#include "seq/input_fault.h"
#include "vornlib/streams.h"

namespace seq {

// Writes the lines for the file `in` holds, under a first heading that
// starts with `heading` (the file's name), every announced track; what
// follows the last track is not read. On a fault the lines of what was read
// stay written, and the fault comes back.
std::optional<InputFault> dumpSmf(vorn::ByteInput& in, std::string_view heading, DumpLines& lines,
                                  SysExDescriber& sysex);

}  // namespace seq
