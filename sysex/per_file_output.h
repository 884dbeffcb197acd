#pragma once
// The output of one input, when each input has its own: refused when this
// run wrote that file already (two inputs of the same base name: the first
// is kept) or when it is one of the run's inputs.
#include <string>

#include "sysex/written_files.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

// Opens `out` on `path` for the input `name` (nullptr: standard input) and
// records it in `written`. The fault says why the input is to be skipped.
vorn::Status openPerFileOutput(WrittenFiles& written, const std::string& path, const char* name, vorn::ByteOutput& out);

}  // namespace sysex
