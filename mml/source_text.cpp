#include "mml/source_text.h"

#include <algorithm>

namespace mml {

void SourceText::growTo(std::size_t capacity) {
  if (capacity <= text_.capacity()) return;
  // A fresh string gets the capacity asked for (reserve on a used one may
  // double it, past the limit).
  std::string grown;
  grown.reserve(capacity);
  grown.append(text_);
  text_.swap(grown);
}

bool SourceText::put(std::string_view bytes) {
  if (bytes.size() > maxBytes_ - text_.size()) return false;
  std::size_t needed = text_.size() + bytes.size();
  if (needed > text_.capacity()) growTo(std::min(std::max(needed, 2 * text_.capacity()), maxBytes_));
  text_.append(bytes);
  return true;
}

void SourceText::reserveFor(std::size_t bytes) {
  // One more for the line feed behind a last line that has none.
  std::size_t room = maxBytes_ - text_.size();
  if (room > 0) growTo(text_.size() + std::min(bytes, room - 1) + 1);
}

bool SourceText::appendInline(std::string_view text) {
  vorn::TextEncoding encoding = vorn::detectEncoding(text);
  segments_.push_back(SourceSegment{kArgumentName, text_.size(), text_.size(), encoding});
  std::string kept;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::string_view before = rest;
    std::uint32_t code = vorn::VornJchr(rest, encoding);
    if (code == vorn::kJchrEnd) break;
    if (code >= vorn::jc(' ') || code == '\t' || code == '\n') {
      kept.append(before.substr(0, before.size() - rest.size()));
    }
  }
  kept += '\n';
  if (!put(kept)) return false;
  segments_.back().end = text_.size();
  return true;
}

void SourceText::beginInput(std::string name) {
  segments_.push_back(SourceSegment{std::move(name), text_.size(), text_.size(), vorn::TextEncoding::Utf8});
  lineStart_ = text_.size();
  lineOpen_ = false;
  lineCut_ = false;
  byteOrderMarkPending_ = true;
}

std::size_t SourceText::appendBytes(std::string_view bytes) {
  std::size_t taken = 0;
  while (taken < bytes.size()) {
    std::string_view rest = bytes.substr(taken);
    std::size_t lineFeed = rest.find('\n');
    std::string_view piece = rest.substr(0, lineFeed);
    if (!piece.empty()) lineOpen_ = true;
    if (!lineCut_) {
      std::size_t zero = piece.find('\0');
      std::size_t room = maxBytes_ - text_.size();
      if (!put(piece.substr(0, zero))) return taken + room;
      if (zero != std::string_view::npos) lineCut_ = true;
      dropByteOrderMark(false);
    }
    if (lineFeed == std::string_view::npos) break;
    if (!endLine(true)) return taken + lineFeed;
    taken += lineFeed + 1;
  }
  return bytes.size();
}

bool SourceText::endLine(bool byLineFeed) {
  dropByteOrderMark(true);
  if (byLineFeed && !lineCut_ && text_.size() > lineStart_ && text_.back() == '\r') text_.pop_back();
  lineOpen_ = false;
  lineCut_ = false;
  bool ok = put("\n");
  lineStart_ = text_.size();
  return ok;
}

void SourceText::dropByteOrderMark(bool lineEnded) {
  // Editors mark UTF-8 files with a byte order mark; it is no part of the music.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (!byteOrderMarkPending_) return;
  std::size_t begin = segments_.back().begin;
  if (!lineEnded && text_.size() - begin < kByteOrderMark.size()) return;
  byteOrderMarkPending_ = false;
  if (std::string_view(text_).substr(begin).starts_with(kByteOrderMark)) text_.erase(begin, kByteOrderMark.size());
}

bool SourceText::endInput() {
  bool ok = !lineOpen_ || endLine(false);
  SourceSegment& segment = segments_.back();
  segment.end = text_.size();
  segment.encoding = vorn::detectEncoding(std::string_view(text_).substr(segment.begin, segment.end - segment.begin));
  return ok;
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
  location.lineOffset = before.size();
  location.encoding = segment->encoding;
  location.column = 1;
  while (!before.empty() && vorn::VornJchr(before, segment->encoding) != vorn::kJchrEnd) ++location.column;
  return location;
}

}  // namespace mml
