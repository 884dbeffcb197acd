#pragma once
// The files a run reads, so that no output ever overwrites one of them:
// `tool -Os.mml s.mml` must not destroy s.mml before reading it.
#include "vornlib/status.h"

namespace vorn {

// Counts `path` among the run's inputs besides its file arguments (a pattern
// file, a request file); nullptr counts standard input.
void addRunInput(const char* path);

// Whether writing `path` (nullptr = standard output) would write into one of
// the run's inputs: a file argument, an added input, or standard input when
// the run reads it. Only regular files count; links are followed.
bool isInputOfRun(const char* path);

// Fails, "PATH: is also an input; nothing written", when writing `path`
// would write into an input.
Status checkOutputIsNoInput(const char* path);

}  // namespace vorn
