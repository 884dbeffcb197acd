#include "mml/diagnostic.h"

namespace mml {

std::string formatDiagnostic(const SourceText& srcBlock, const CompileFailure& failure) {
  SourceLocation where = srcBlock.locate(failure.position);
  std::string text(where.name);
  text += ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": ";
  text += failure.message;
  text += '\n';
  text += where.lineText;
  text += '\n';
  text += where.caretIndent;
  text += "^\n";
  return text;
}

}  // namespace mml
