#include "mml/reader.h"

#include "mml/terminal_text.h"

namespace mml {

void stopOnBreak() {
  if (vorn::breakPending()) throw BreakSeen{};
}

std::string missingCharMessage(char c) {
  std::string message = "<";
  message += c;
  message += ">がない。";
  return message;
}

Reader::Reader(const SourceText& srcBlock, vorn::ByteOutput* listingFile)
    : srcBlock_(srcBlock), text_(srcBlock.text()), listingOn_(listingFile != nullptr), listingFile_(listingFile) {}

Code Reader::readMultibyte() {
  std::string_view rest = text_.substr(readPos_);
  Code code = vorn::VornJchr(rest, inExpansion_ ? encoding_ : srcBlock_.encodingAt(readPos_));
  readPos_ = text_.size() - rest.size();
  return code;
}

void Reader::skipBlockComment() {
  for (;;) {
    Code c = readChar();
    if (c == 0) {
      ungetChar();
      return;
    }
    if (c == ch('*')) {
      c = readChar();
      if (c == ch('/')) return;
      if (c == 0) {
        ungetChar();
        return;
      }
    }
  }
}

void Reader::skipLineComment() {
  for (;;) {
    Code c = readChar();
    if (c == '\n') return;
    if (c == 0) {
      ungetChar();
      return;
    }
  }
}

std::string Reader::readName() {
  Code c = readChar();
  if (!(isAsciiLetter(c) || c == ch('_') || vorn::isMultibyte(c))) syntaxError("不正なマクロ名。");
  std::string name;
  do {
    vorn::appendJchr(name, c);
    c = readChar();
  } while (isAsciiLetter(c) || c == ch('_') || vorn::isMultibyte(c) || isDigit(c));
  ungetChar();
  return name;
}

void Reader::syntaxError(std::string_view message) const { syntaxErrorAt(message, lastPos_); }

void Reader::syntaxErrorAt(std::string_view message, std::size_t position, std::string detail,
                           std::string gloss) const {
  if (!inExpansion_) throw SyntaxError{std::string(message), position, std::move(detail), {}, 0, std::move(gloss)};
  throw SyntaxError{std::string(message), anchor_, std::move(detail), std::string(text_), position, std::move(gloss)};
}

void Reader::missingCloser(char c, std::size_t openedAt) const {
  bool ranPast = lastCode_ == 0 || (!inExpansion_ && !srcBlock_.sameInput(lastPos_, openedAt));
  if (ranPast) syntaxErrorAt(missingCharMessage(c), openedAt);
  std::string gloss;
  if (lastCode_ != ch('}') && lastCode_ != ch(')') && lastCode_ != ch(']')) {
    gloss = "\"" + terminalText(text_.substr(lastPos_, readPos_ - lastPos_), encoding()) + "\" is not a command here";
  }
  syntaxErrorAt(missingCharMessage(c), lastPos_, {}, std::move(gloss));
}

void Reader::advanceTo(std::size_t position) {
  std::size_t from = readPos();
  if (listingOn_ && position > from) echo(text_.substr(from, position - from));
  ungetFlag_ = false;
  lastPos_ = from;
  readPos_ = position;
}

Reader::Place Reader::enterText(std::string_view text, std::size_t origin) {
  Place place{text_, readPos(), lastPos_, lastCode_, inExpansion_, encoding_, anchor_};
  if (!inExpansion_) {
    encoding_ = srcBlock_.encodingAt(origin);
    anchor_ = origin;
  }
  inExpansion_ = true;
  text_ = text;
  readPos_ = 0;
  lastPos_ = 0;
  lastCode_ = 0;
  ungetFlag_ = false;
  return place;
}

void Reader::leaveText(const Place& place) {
  text_ = place.text;
  readPos_ = place.readPos;
  lastPos_ = place.lastPos;
  lastCode_ = place.lastCode;
  ungetFlag_ = false;
  inExpansion_ = place.inExpansion;
  encoding_ = place.encoding;
  anchor_ = place.anchor;
}

}  // namespace mml
