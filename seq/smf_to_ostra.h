#pragma once
// Converts a Standard MIDI File (format 0, one track) into an OSTRA
// sequence, streaming: the file's ticks are rescaled to 480 per quarter
// note, set-tempo events become tempo records, channel messages are kept,
// SysEx events only when asked, other meta events are dropped.
namespace seq {

struct ConvertOptions {
  bool keepSysEx = false;
};

// Reads one file from the current input, up to its end-of-track event, and
// writes its OSTRA sequence to the current output. Anything the converter
// cannot read ends the run through frame::failInput.
void convertSmfToOstra(const ConvertOptions& options);

}  // namespace seq
