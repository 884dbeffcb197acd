#include "mml/diagnostic.h"

#include <algorithm>

#include "mml/terminal_text.h"
#include "vornlib/gloss.h"

namespace mml {
namespace {

constexpr std::string_view kExpandedLabel = "expanded: ";

// "FILE:LINE:COL: "
std::string place(const SourceLocation& where) {
  return std::string(where.name) + ":" + std::to_string(where.line) + ":" + std::to_string(where.column) + ": ";
}

// The line shown and a caret under one of its characters.
void appendLineAndCaret(std::string& lines, std::string_view label, std::string_view line, std::size_t caretAt,
                        vorn::TextEncoding encoding) {
  TerminalLine shown = terminalLine(line, caretAt, encoding);
  lines += label;
  lines += shown.text;
  lines += '\n';
  lines += std::string(label.size(), ' ');
  lines += shown.caretIndent;
  lines += "^\n";
}

// The line of an expansion's text that holds `position`, with a caret under it.
std::string expandedLines(std::string_view text, std::size_t position, vorn::TextEncoding encoding) {
  position = std::min(position, text.size());
  // The end of the text is shown at the end of its last line.
  if (position == text.size() && position > 0 && text[position - 1] == '\n') --position;
  std::size_t lineStart = position == 0 ? std::string_view::npos : text.rfind('\n', position - 1);
  lineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
  std::size_t lineEnd = text.find('\n', position);
  if (lineEnd == std::string_view::npos) lineEnd = text.size();
  std::string lines;
  appendLineAndCaret(lines, kExpandedLabel, text.substr(lineStart, lineEnd - lineStart), position - lineStart,
                     encoding);
  return lines;
}

}  // namespace

std::string formatDiagnostic(const SourceText& srcBlock, const CompileFailure& failure) {
  SourceLocation where = srcBlock.locate(failure.position);
  std::string text = place(where);
  // Glossed here, so that the diagnostic reads as stderr shows it.
  text += failure.gloss.empty() ? vorn::withGloss(failure.message) : failure.message + " (" + failure.gloss + ")";
  if (!failure.detail.empty()) text += " (" + terminalText(failure.detail, where.encoding) + ")";
  text += '\n';
  appendLineAndCaret(text, "", where.lineText, where.lineOffset, where.encoding);
  if (!failure.expandedText.empty()) {
    text += expandedLines(failure.expandedText, failure.expandedPosition, where.encoding);
  }
  if (failure.openBlock) {
    SourceLocation opener = srcBlock.locate(*failure.openBlock);
    text += place(opener) + "the block opened here is not closed\n";
    appendLineAndCaret(text, "", opener.lineText, opener.lineOffset, opener.encoding);
  }
  return text;
}

std::string formatWarning(const SourceText& srcBlock, const CompileWarning& warning) {
  return place(srcBlock.locate(warning.position)) + warning.text;
}

}  // namespace mml
