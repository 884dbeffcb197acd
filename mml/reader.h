#pragma once
// The compiler's character reader: one code per character (see codes.h),
// one code of pushback, every character echoed into the listing the first
// time it is read, blanks, comments and names. A compile error ends the
// compilation by throwing SyntaxError, which the compiler turns into the
// listing's last line and the diagnostic.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mml/codes.h"
#include "mml/source_text.h"
#include "vornlib/streams.h"

namespace mml {

struct SyntaxError {
  std::string message;
  std::size_t position;  // byte offset in the joined source
};

// "<}>がない。": the character c is missing.
std::string missingCharMessage(char c);

class Reader {
 public:
  // `listingFile` may be null (no listing).
  Reader(const SourceText& srcBlock, vorn::ByteOutput* listingFile);

  Code readChar() {
    if (ungetFlag_) {
      ungetFlag_ = false;
      return lastCode_;
    }
    lastPos_ = readPos_;
    unsigned char byte = static_cast<unsigned char>(text_.data()[readPos_]);  // zero-terminated
    Code code;
    if (byte >= 0x80) {
      code = readMultibyte();
    } else if (byte == 0) {
      code = 0;
    } else {
      ++readPos_;
      code = byte < 0x20 ? byte : vorn::kJchrSingle + byte;
    }
    lastCode_ = code;
    if (listingFile_ != nullptr && code != 0) echo(text_.substr(lastPos_, readPos_ - lastPos_));
    return code;
  }
  void ungetChar() { ungetFlag_ = true; }
  // The next code, left to be read again.
  Code peekChar() {
    Code c = readChar();
    ungetChar();
    return c;
  }
  void skipBlanks() {
    Code c;
    do c = readChar();
    while (isBlank(c));
    ungetChar();
  }
  bool tryChar(char c) {
    if (readChar() == ch(c)) return true;
    ungetChar();
    return false;
  }
  void expectChar(char c) {
    if (readChar() != ch(c)) syntaxError(missingCharMessage(c));
  }

  // After "/*": up to and including "*/"; "**/" does not close, "***/" does.
  // The end of the text ends the comment silently.
  void skipBlockComment();
  // After "//": up to and including the line feed.
  void skipLineComment();

  // A macro or mark name: a letter, "_" or a double-byte character, then
  // also digits; the first other code is pushed back. "不正なマクロ名。" otherwise.
  std::string readName();

  // Ends the compilation at the character read last / at `position`.
  [[noreturn]] void syntaxError(std::string_view message) const;
  [[noreturn]] void syntaxErrorAt(std::string_view message, std::size_t position) const;

  // Where the code read last starts, and where the next read begins.
  std::size_t lastPosition() const { return lastPos_; }
  std::size_t readPos() const { return ungetFlag_ ? lastPos_ : readPos_; }

  bool listingOn() const { return listingFile_ != nullptr; }
  vorn::ByteOutput* listingFile() const { return listingFile_; }
  void echo(std::string_view bytes) { listingFile_->write(bytes); }

 private:
  Code readMultibyte();

  const SourceText& srcBlock_;
  std::string_view text_;
  std::size_t readPos_ = 0;
  std::size_t lastPos_ = 0;
  Code lastCode_ = 0;
  bool ungetFlag_ = false;
  vorn::ByteOutput* listingFile_;
};

}  // namespace mml
