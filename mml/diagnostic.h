#pragma once
// The compile error as a user reads it on the terminal:
//   FILE:LINE:COL: MESSAGE
//   the source line
//   a caret under the column
#include <string>

#include "mml/compiler.h"
#include "mml/source_text.h"

namespace mml {

// The three lines, each ended by a line feed; the first without the tool's name.
std::string formatDiagnostic(const SourceText& srcBlock, const CompileFailure& failure);

}  // namespace mml
