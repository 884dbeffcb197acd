#pragma once
// Gathers the compiler's inputs into the joined source, one command-line
// argument at a time.
#include <cstddef>

#include "mml/source_text.h"

namespace mml {

// The most source text one run takes.
inline constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 30;

// ":text" is source text itself; "*" and nullptr read standard input; any
// other name is a file, read line by line. A file that cannot be read, or a
// source beyond kMaxSourceBytes, is reported and ends the run.
void appendInput(SourceText& srcBlock, const char* name);

}  // namespace mml
