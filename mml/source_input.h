#pragma once
// Gathers the compiler's inputs into the joined source, one command-line
// argument at a time.
#include <vector>

#include "mml/source_text.h"
#include "vornlib/status.h"

namespace mml {

// ":text" is source text itself; "*" and nullptr read standard input; any
// other name is a file. Fails for a file that cannot be opened or read, and
// when the joined source would grow beyond its limit: the fault names the
// input and how far it had been read (no offset for a ":" argument). The
// source is checked against its limit while it is read, so a huge line
// never sits in memory whole.
vorn::Status appendInput(SourceText& srcBlock, const char* name);

// A "*" among the file arguments reads standard input, which then counts
// among the run's inputs (vornlib/run_inputs.h): no output may be it.
void countStandardInput(const std::vector<const char*>& arguments);

}  // namespace mml
