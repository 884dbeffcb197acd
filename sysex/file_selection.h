#pragma once
// A selection over one whole input (Selector::selectFile), with the fault
// that stopped it as a value.
#include "sysex/selector.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

// Selects from `in` (the argument `name`, nullptr for standard input) into
// `out`; what was written before a fault stays. The fault names the input:
// a malformed message (what broke it, where reading stopped), one too big
// for memory or longer than 4 GiB (at its F0); or, naming none, a pattern
// that cannot run.
vorn::Status selectFromFile(Selector& selector, vorn::ByteInput& in, vorn::ByteOutput& out, const char* name);

}  // namespace sysex
