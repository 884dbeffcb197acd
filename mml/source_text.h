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
  std::size_t lineOffset = 0; // where in lineText the located character starts
  vorn::TextEncoding encoding = vorn::TextEncoding::Utf8;
};

inline constexpr const char* kArgumentName = "<arg>";
inline constexpr const char* kStdinName = "<stdin>";

// The most source text one run takes.
inline constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 30;

class SourceText {
 public:
  // `maxBytes`: the most the joined text may hold.
  explicit SourceText(std::size_t maxBytes = kMaxSourceBytes) : maxBytes_(maxBytes) {}

  // A ":" argument (the text after the colon): control characters other than
  // tab and line feed are dropped, one line feed ends it. False (and nothing
  // appended) when the joined text would grow beyond its limit.
  bool appendInline(std::string_view text);

  // A file or standard input: its bytes in any pieces, as they are read.
  // Each line (ended by "\n" or "\r\n") becomes its text and one line feed;
  // a zero byte ends a line's text (the rest of the line is dropped), as a
  // line read into a C string would; the last line needs no line end. The
  // encoding is decided when the input ends, from all of its bytes (valid
  // UTF-8 is read as UTF-8). A UTF-8 byte order mark at the start of the
  // input is dropped. appendBytes returns how many of `bytes` it took: all,
  // or, when the joined text reached its limit, the index of the first byte
  // that did not fit; endInput returns false when the last line's line feed
  // did not fit.
  void beginInput(std::string name);
  std::size_t appendBytes(std::string_view bytes);
  bool endInput();
  // Room for `bytes` more, as far as the limit allows (a file's size, so that
  // reading it never holds more than the file).
  void reserveFor(std::size_t bytes);

  // The joined text. The byte just behind it is always 0.
  std::string_view text() const { return text_; }
  std::size_t size() const { return text_.size(); }
  const std::vector<SourceSegment>& segments() const { return segments_; }
  std::size_t capacity() const { return text_.capacity(); }
  std::size_t maxBytes() const { return maxBytes_; }

  // Whether two positions lie in the same input.
  bool sameInput(std::size_t a, std::size_t b) const { return segmentAt(a) == segmentAt(b); }

  // The encoding of the input that holds `position` (UTF-8 past the end).
  vorn::TextEncoding encodingAt(std::size_t position) const;
  // The location of the character that starts at `position`; the end of
  // the text is located at the end of the last line.
  SourceLocation locate(std::size_t position) const;

 private:
  const SourceSegment* segmentAt(std::size_t position) const;
  void growTo(std::size_t capacity);
  // Appends `bytes` unless the text would pass its limit; grows by doubling,
  // never past the limit.
  bool put(std::string_view bytes);
  // Ends the line being read; `byLineFeed`: it had its line end.
  bool endLine(bool byLineFeed);
  // Drops a byte order mark at the input's start once its first three bytes
  // (or its whole first line, when shorter: `lineEnded`) are in.
  void dropByteOrderMark(bool lineEnded);

  std::size_t maxBytes_;
  std::string text_;
  std::vector<SourceSegment> segments_;
  // The line of the input being read.
  std::size_t lineStart_ = 0;
  bool lineOpen_ = false;          // some of its bytes have been read
  bool lineCut_ = false;           // a zero byte ended its text
  bool byteOrderMarkPending_ = false;  // the input's first bytes are still to be looked at
};

}  // namespace mml
