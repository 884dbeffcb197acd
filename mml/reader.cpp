#include "mml/reader.h"

namespace mml {

std::string missingCharMessage(char c) {
  std::string message = "<";
  message += c;
  message += ">がない。";
  return message;
}

Reader::Reader(const SourceText& srcBlock, vorn::ByteOutput* listingFile)
    : srcBlock_(srcBlock), text_(srcBlock.text()), listingFile_(listingFile) {}

Code Reader::readMultibyte() {
  std::string_view rest = text_.substr(readPos_);
  Code code = vorn::VornJchr(rest, srcBlock_.encodingAt(readPos_));
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

void Reader::syntaxErrorAt(std::string_view message, std::size_t position) const {
  throw SyntaxError{std::string(message), position};
}

}  // namespace mml
