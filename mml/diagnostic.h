#pragma once
// The compile error as a user reads it on the terminal:
//   FILE:LINE:COL: MESSAGE (its English meaning) (the expression evaluator's reason, if any)
//   the source line
//   a caret under the column
// and for an error inside the text an expansion produced, two more lines:
//   expanded: the line of that text
//   a caret under the place in it
// and when a track or macro block of an earlier input is still open, the
// likely cause, three more:
//   FILE:LINE:COL: the block opened here is not closed
//   its line
//   a caret under its "{"
// Source lines are shown as terminal_text.h shows them: in UTF-8, with
// control bytes escaped.
#include <string>

#include "mml/compiler.h"
#include "mml/source_text.h"

namespace mml {

// The lines, each ended by a line feed; the first without the tool's name.
std::string formatDiagnostic(const SourceText& srcBlock, const CompileFailure& failure);

// One line, without its line feed: "FILE:LINE:COL: warning: ...".
std::string formatWarning(const SourceText& srcBlock, const CompileWarning& warning);

}  // namespace mml
