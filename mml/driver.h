#pragma once
// The compiler driver: what the options set, and the compile-and-write step
// that follows the gathering of the inputs.
#include <cstdint>
#include <string>

#include "mml/source_text.h"

namespace mml {

// What the events are written as: options Q (the default), P and S. The
// last of the three given is the one that counts.
enum class OutputForm { ostra, dorna, smf };

struct DriverSettings {
  std::uint32_t bankDelay = 0;  // option D
  std::string listingName;      // option L; empty: no listing
  bool listExpand = true;       // option X clears it
  OutputForm output = OutputForm::ostra;
  double stepInterval = 8.0;    // option T: milliseconds per DORNA step
};

// Compiles the whole source, then writes the events to the current output,
// which is opened only then: a compile error leaves a file of the output's
// name as it was. The listing is kept in memory while compiling and written
// at the end, also after a compile error (it then ends with "←" and the
// message), and only after the error was shown, so that a listing that
// cannot be written never hides the error. A compile error shows the
// diagnostic and "KORMAVE: syntax error" on stderr and ends the run.
// A Standard MIDI File is the OSTRA sequence converted (seq/ostra_to_smf.h);
// a tempo it cannot carry is reported and ends the run with the output
// empty.
void compileAndWrite(const SourceText& srcBlock, const DriverSettings& settings);

}  // namespace mml
