#pragma once
// The compiler driver: what the options set, and the compile-and-write step
// that follows the gathering of the inputs.
#include <cstdint>
#include <string>

#include "mml/source_text.h"
#include "vornlib/streams.h"

namespace mml {

struct DriverSettings {
  std::uint32_t bankDelay = 0;  // option D
  std::string listingName;      // option L; empty: no listing
  bool listExpand = true;       // option X clears it
  bool tickMode = true;         // true: OSTRA (option Q); false: DORNA (option P)
  double stepInterval = 8.0;    // option T: milliseconds per DORNA step
};

// Compiles the whole source and writes the events to the current output. A compile
// error writes nothing: it ends the listing with "←" and the message, shows
// the diagnostic and "KORMAVE: syntax error" on stderr, and ends the run.
void compileAndWrite(const SourceText& srcBlock, const DriverSettings& settings, vorn::ByteOutput* listingFile);

}  // namespace mml
