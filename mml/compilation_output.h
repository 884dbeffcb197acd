#pragma once
// The compiled events written to the current output, which opens only now:
// a compile error leaves a file of its name as it was.
#include "mml/driver.h"
#include "vornlib/status.h"

namespace mml {

// Prepares `compilation` (compiled), opens the current output and writes
// the events to it. With `keepFaults` a fault of the output while writing
// is given back, with the others, instead of going to the output's fault
// handler: the caller still has a listing to write.
vorn::Status writeCompilation(Compilation& compilation, bool keepFaults);

}  // namespace mml
