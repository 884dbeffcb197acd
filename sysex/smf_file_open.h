#pragma once
// Opens a Standard MIDI File for its SysEx to be extracted: checks what the
// name is, keeps a pipe's bytes in a temporary file (the tracks are read
// again side by side), reads the header and walks the track chunks.
#include "sysex/smf_reader.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

// Opens `name` (nullptr: standard input) into `in`, which stays open for
// the tracks. The fault names the input: no such file, a directory, a read
// that failed (or the break that stopped it), an empty input ("no input",
// most often a failed leader in a pipe), or the chunk that is wrong.
vorn::Status openSmfFile(const char* name, vorn::ByteInput& in, SmfInfo& smf);

}  // namespace sysex
