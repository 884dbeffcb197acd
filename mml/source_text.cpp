#include "mml/source_text.h"

#include <algorithm>

namespace mml {
namespace {

// Code points a terminal shows two cells wide (East Asian wide and full-width forms).
bool isWideCodePoint(std::uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) || (cp >= 0x3041 && cp <= 0x33FF) ||
         (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// What a terminal needs under a character to keep a caret aligned.
void appendCaretIndent(std::string& indent, std::uint32_t code) {
  if (code == '\t') {
    indent += '\t';
  } else if (code >= vorn::kJchrSjisBase) {
    indent += "  ";  // Shift-JIS double-byte characters are full width
  } else if (code >= vorn::kJchrUtf8Base && isWideCodePoint(code - vorn::kJchrUtf8Base)) {
    indent += "  ";
  } else {
    indent += ' ';
  }
}

}  // namespace

void SourceText::appendInline(std::string_view text) {
  vorn::TextEncoding encoding = vorn::detectEncoding(text);
  segments_.push_back(SourceSegment{kArgumentName, text_.size(), text_.size(), encoding});
  std::string_view rest = text;
  while (!rest.empty()) {
    std::string_view before = rest;
    std::uint32_t code = vorn::VornJchr(rest, encoding);
    if (code == vorn::kJchrEnd) break;
    if (code >= vorn::jc(' ') || code == '\t' || code == '\n') {
      text_.append(before.substr(0, before.size() - rest.size()));
    }
  }
  text_ += '\n';
  segments_.back().end = text_.size();
}

void SourceText::beginInput(std::string name) {
  segments_.push_back(SourceSegment{std::move(name), text_.size(), text_.size(), vorn::TextEncoding::Utf8});
}

void SourceText::appendLine(std::string_view line) {
  // A line ends at a zero byte, as a line read into a C string does.
  std::size_t zero = line.find('\0');
  if (zero != std::string_view::npos) line = line.substr(0, zero);
  // Editors mark UTF-8 files with a byte order mark; it is no part of the music.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text_.size() == segments_.back().begin && line.starts_with(kByteOrderMark)) {
    line.remove_prefix(kByteOrderMark.size());
  }
  text_.append(line);
  text_ += '\n';
}

void SourceText::endInput() {
  SourceSegment& segment = segments_.back();
  segment.end = text_.size();
  segment.encoding = vorn::detectEncoding(std::string_view(text_).substr(segment.begin, segment.end - segment.begin));
}

const SourceSegment* SourceText::segmentAt(std::size_t position) const {
  // The last segment that begins at or before the position and is not empty.
  auto it = std::upper_bound(segments_.begin(), segments_.end(), position,
                             [](std::size_t pos, const SourceSegment& s) { return pos < s.begin; });
  while (it != segments_.begin()) {
    --it;
    if (it->end > it->begin) return &*it;
  }
  return nullptr;
}

vorn::TextEncoding SourceText::encodingAt(std::size_t position) const {
  const SourceSegment* segment = segmentAt(position);
  return segment ? segment->encoding : vorn::TextEncoding::Utf8;
}

SourceLocation SourceText::locate(std::size_t position) const {
  SourceLocation location;
  const SourceSegment* segment = segmentAt(position);
  if (segment == nullptr) {
    location.name = segments_.empty() ? std::string_view(kStdinName) : std::string_view(segments_.front().name);
    return location;
  }
  location.name = segment->name;
  // Past the input's end: the end of its last line (its final line feed).
  if (position >= segment->end) position = segment->end - 1;

  std::string_view text(text_);
  std::size_t lineStart = segment->begin;
  location.line = 1;
  for (std::size_t i = segment->begin; i < position; ++i) {
    if (text[i] == '\n') {
      ++location.line;
      lineStart = i + 1;
    }
  }
  std::size_t lineEnd = text.find('\n', position);
  if (lineEnd == std::string_view::npos || lineEnd > segment->end) lineEnd = segment->end;
  location.lineText = text.substr(lineStart, lineEnd - lineStart);

  std::string_view before = text.substr(lineStart, position - lineStart);
  location.caretIndent = caretIndent(before, segment->encoding);
  location.column = 1;
  while (!before.empty() && vorn::VornJchr(before, segment->encoding) != vorn::kJchrEnd) ++location.column;
  return location;
}

std::string caretIndent(std::string_view lineBefore, vorn::TextEncoding encoding) {
  std::string indent;
  while (!lineBefore.empty()) {
    std::uint32_t code = vorn::VornJchr(lineBefore, encoding);
    if (code == vorn::kJchrEnd) break;
    appendCaretIndent(indent, code);
  }
  return indent;
}

}  // namespace mml
