#pragma once
// Gathers the compiler's inputs into the joined source, one command-line
// argument at a time.
#include <cstdint>
#include <optional>
#include <string>

#include "mml/source_text.h"

namespace mml {

// The input during which the joined source would have grown beyond its
// limit, as messages name it, and how far it had been read.
struct SourceTooLarge {
  std::string name;
  std::optional<std::uint64_t> offset;  // none for a ":" argument
};

// ":text" is source text itself; "*" and nullptr read standard input; any
// other name is a file. A file that cannot be opened or read is reported and
// ends the run. The source is checked against its limit while it is read,
// so a huge line never sits in memory whole.
std::optional<SourceTooLarge> appendInput(SourceText& srcBlock, const char* name);

}  // namespace mml
