#pragma once
// An OSTRA sequence or a DORNA stream as text (dump_lines.h), one record a
// line up to the end record: OSTRA times in ticks and milliseconds under its
// tempo records (120 BPM until the first), DORNA times in steps and
// milliseconds at a given step length. Filler records only carry time and
// get no line.
#include <optional>

#include "seq/dump_lines.h"
#include "seq/input_fault.h"
#include "seq/record_reader.h"
#include "vornlib/streams.h"

namespace seq {

struct RecordDumpOptions {
  RecordShapes shapes = RecordShapes::ostra;
  double stepMs = 8.0;  // DORNA only
};

// Writes the lines for `in` up to its end record. On a fault the lines of
// what was read stay written (a SysEx record cut short is shown as far as it
// went), and the fault comes back.
std::optional<InputFault> dumpRecords(vorn::ByteInput& in, DumpLines& lines, SysExDescriber& sysex,
                                      const RecordDumpOptions& options);

// Feeds up to `count` bytes of `in` to `sysex` in pieces; returns how many
// the input had.
std::uint64_t feedBytes(vorn::ByteInput& in, std::uint64_t count, SysExDescriber& sysex);

}  // namespace seq
