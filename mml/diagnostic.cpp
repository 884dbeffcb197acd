#include "mml/diagnostic.h"

#include <algorithm>

namespace mml {
namespace {

constexpr std::string_view kExpandedLabel = "expanded: ";

// The line of an expansion's text that holds `position`, with a caret under it.
std::string expandedLines(std::string_view text, std::size_t position) {
  position = std::min(position, text.size());
  // The end of the text is shown at the end of its last line.
  if (position == text.size() && position > 0 && text[position - 1] == '\n') --position;
  std::size_t lineStart = position == 0 ? std::string_view::npos : text.rfind('\n', position - 1);
  lineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
  std::size_t lineEnd = text.find('\n', position);
  if (lineEnd == std::string_view::npos) lineEnd = text.size();
  std::string_view line = text.substr(lineStart, lineEnd - lineStart);
  std::string_view before = text.substr(lineStart, position - lineStart);
  std::string lines(kExpandedLabel);
  lines += line;
  lines += '\n';
  lines += std::string(kExpandedLabel.size(), ' ');
  lines += caretIndent(before, vorn::detectEncoding(text));
  lines += "^\n";
  return lines;
}

}  // namespace

std::string formatDiagnostic(const SourceText& srcBlock, const CompileFailure& failure) {
  SourceLocation where = srcBlock.locate(failure.position);
  std::string text(where.name);
  text += ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": ";
  text += failure.message;
  if (!failure.detail.empty()) text += " (" + failure.detail + ")";
  text += '\n';
  text += where.lineText;
  text += '\n';
  text += where.caretIndent;
  text += "^\n";
  if (!failure.expandedText.empty()) text += expandedLines(failure.expandedText, failure.expandedPosition);
  return text;
}

}  // namespace mml
