#pragma once
// The joined source text (srcBlock): every input one after the other, each
// line ended by a line feed, with a map from each byte back to the input it
// came from, so that a compile error can name the user's file, line and column.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/jchr.h"

namespace mml {

// One input's share of the joined text, [begin, end).
struct SourceSegment {
  std::string name;  // the file name, "<arg>" for a ":" argument, "<stdin>"
  std::size_t begin = 0;
  std::size_t end = 0;
  vorn::TextEncoding encoding = vorn::TextEncoding::Utf8;
};

// Where a byte of the joined text lies in its input. Lines and columns count
// from 1; a column counts characters, so a double-byte character is one.
struct SourceLocation {
  std::string_view name;
  std::size_t line = 1;
  std::size_t column = 1;
  std::string_view lineText;  // the line, without its line feed
  std::string caretIndent;    // blanks that put a caret under the column in a terminal
};

// Blanks that put a caret under the character behind `lineBefore` (the
// line's text up to it) in a terminal: tabs stay tabs, wide characters take two.
std::string caretIndent(std::string_view lineBefore, vorn::TextEncoding encoding);

inline constexpr const char* kArgumentName = "<arg>";
inline constexpr const char* kStdinName = "<stdin>";

class SourceText {
 public:
  // A ":" argument (the text after the colon): control characters other than
  // tab and line feed are dropped, one line feed ends it.
  void appendInline(std::string_view text);

  // A file or standard input, line by line; the encoding is decided when the
  // input ends, from all of its bytes (valid UTF-8 is read as UTF-8). A
  // UTF-8 byte order mark at the start of the input is dropped.
  void beginInput(std::string name);
  void appendLine(std::string_view line);
  void endInput();

  // The joined text. The byte just behind it is always 0.
  std::string_view text() const { return text_; }
  std::size_t size() const { return text_.size(); }
  const std::vector<SourceSegment>& segments() const { return segments_; }

  // The encoding of the input that holds `position` (UTF-8 past the end).
  vorn::TextEncoding encodingAt(std::size_t position) const;
  // The location of the character that starts at `position`; the end of
  // the text is located at the end of the last line.
  SourceLocation locate(std::size_t position) const;

 private:
  const SourceSegment* segmentAt(std::size_t position) const;

  std::string text_;
  std::vector<SourceSegment> segments_;
};

}  // namespace mml
