#pragma once
// A dump of a file of any kind the tools read: a Standard MIDI File ("MThd")
// and a SysEx file (F0 and a data byte) are known by their first bytes;
// anything else is read as OSTRA records, or DORNA ones, as chosen or as the
// name's extension tells.
#include <optional>

#include "seq/input_fault.h"
#include "seq/record_dump.h"
#include "vornlib/streams.h"

namespace sysex {

struct AnyFileDumpOptions {
  seq::RecordDumpOptions records;            // its shapes are chosen per file
  std::optional<seq::RecordShapes> chosen;  // none: the name's extension tells
};

// Which records a file that is neither SMF nor SysEx holds: the chosen
// shapes, else DORNA for a name ending in ".dorna" (in any letter case),
// else OSTRA.
seq::RecordShapes recordShapesFor(const char* name, const std::optional<seq::RecordShapes>& chosen);

// Dumps `in` (the input `name`, nullptr for standard input) to `out`, one
// event a line after a heading; gives the fault that stopped it. What was
// read before a fault is written.
std::optional<seq::InputFault> dumpAnyFile(vorn::ByteInput& in, const char* name, const AnyFileDumpOptions& options,
                                           vorn::ByteOutput& out);
// The same for the file `name`, opened here: the fault is also that it
// cannot be opened (the code's text alone). What was read before a fault of
// the dump is flushed, to stand before the fault's report.
std::optional<seq::InputFault> dumpFile(const char* name, const AnyFileDumpOptions& options, vorn::ByteOutput& out);

}  // namespace sysex
