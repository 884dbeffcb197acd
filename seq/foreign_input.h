#pragma once
// Inputs of the wrong kind, told by their first bytes: a Standard MIDI File
// given to fendix, a SysEx file given to teskar, a WAV given to anything. The
// fault says what the input is and which tool reads it, where the reader
// alone could only name a byte ("unknown status byte 54").
#include <cstdint>
#include <optional>

#include "seq/input_fault.h"
#include "seq/record_reader.h"
#include "vornlib/streams.h"

namespace seq {

// What the reading tool takes.
enum class Expected : std::uint8_t { ostra, dorna, smf };

// When `in` begins as a file of another kind than `expected` (a Standard
// MIDI File, a SysEx file, a WAV or other RIFF file, or, where a Standard
// MIDI File is expected, an OSTRA sequence), the fault that says so. Only
// inputs that could not be read as `expected` anyway are named; nothing is
// consumed.
std::optional<InputFault> foreignInput(vorn::ByteInput& in, Expected expected);

// A record that a DORNA stream never holds and an OSTRA sequence does: a
// tempo (F1 with a second byte other than 0; F1 is MIDI time code in DORNA).
inline bool isOstraTempo(const Record& record) { return record.status == kStatusTempo && record.second != 0; }
// The fault for a DORNA input that holds one.
InputFault ostraInsteadOfDorna();

}  // namespace seq
