#pragma once
// The compiler's character reader: one code per character (see codes.h),
// one code of pushback, every character echoed into the listing the first
// time it is read, blanks, comments and names. A compile error ends the
// compilation by throwing SyntaxError, which the compiler turns into the
// listing's last line and the diagnostic.
//
// The reader normally reads the joined source; while an expansion is
// compiled it reads the expansion's own text (enterText/leaveText), and an
// error found there is placed at the expansion in the source.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "mml/codes.h"
#include "mml/source_text.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

namespace mml {

struct SyntaxError {
  std::string message;
  std::size_t position;  // byte offset in the joined source
  std::string detail;    // why, when another part (the expression evaluator) knows more
  // An error inside the text an expansion produced: that text, and the
  // offset in it; `position` is then the expansion's place in the source.
  std::string expandedText;
  std::size_t expandedPosition = 0;
  // The English meaning, when it says more than the message's own gloss.
  std::string gloss;
};

// Thrown, like SyntaxError, to stop the compilation for a break (Ctrl-C);
// the compiler turns it into its interrupted() outcome.
struct BreakSeen {};

// A safe point for a break in a long compilation.
void stopOnBreak();

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
    if (listingOn_ && code != 0) echo(text_.substr(lastPos_, readPos_ - lastPos_));
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
  // The `c` that closes what opened at `openedAt` ("{", "(", "["); else
  // missingCloser.
  void expectCloser(char c, std::size_t openedAt) {
    if (readChar() != ch(c)) missingCloser(c, openedAt);
  }
  // "<c>がない。" for the code read last. When reading ran past the end of
  // the opener's input (into the next input, or to the end of the text), the
  // error is placed at the opener: that is what the user has to close.
  // Otherwise, unless it is a closer too, the character read last is what
  // stopped the block, and the gloss names it: "\"i\" is not a command here".
  [[noreturn]] void missingCloser(char c, std::size_t openedAt) const;

  // After "/*": up to and including "*/"; "**/" does not close, "***/" does.
  // The end of the text ends the comment silently.
  void skipBlockComment();
  // After "//": up to and including the line feed.
  void skipLineComment();

  // A macro or mark name: a letter, "_" or a double-byte character, then
  // also digits; the first other code is pushed back. "不正なマクロ名。" otherwise.
  std::string readName();

  // Ends the compilation at the character read last / at `position` of the
  // text being read.
  [[noreturn]] void syntaxError(std::string_view message) const;
  [[noreturn]] void syntaxErrorAt(std::string_view message, std::size_t position, std::string detail = {},
                                  std::string gloss = {}) const;
  // Where an error or a warning about `position` of the text being read is
  // shown in the source: there, or at the expansion that produced the text.
  std::size_t sourcePosition(std::size_t position) const { return inExpansion_ ? anchor_ : position; }

  // The text being read (zero-terminated just behind its end), where the
  // code read last starts, and where the next read begins.
  std::string_view text() const { return text_; }
  std::size_t lastPosition() const { return lastPos_; }
  std::size_t readPos() const { return ungetFlag_ ? lastPos_ : readPos_; }
  // The encoding of the text at the read position.
  vorn::TextEncoding encoding() const { return inExpansion_ ? encoding_ : srcBlock_.encodingAt(readPos()); }

  // Moves the reader to `position` of the text, behind what another reader
  // (the expression evaluator) consumed, and echoes that text to the listing.
  void advanceTo(std::size_t position);

  // Reading another text: enterText saves where the reader stood and reads
  // `text` (which must stay alive and zero-terminated until leaveText).
  // `origin` is the place in the current text that produced it: errors in
  // the new text are reported there.
  struct Place {
    std::string_view text;
    std::size_t readPos;
    std::size_t lastPos;
    Code lastCode;
    bool inExpansion;
    vorn::TextEncoding encoding;
    std::size_t anchor;
  };
  Place enterText(std::string_view text, std::size_t origin);
  // Back to where enterText found the reader, nothing pushed back.
  void leaveText(const Place& place);

  // The listing: listingOn() tells whether characters are echoed now (an
  // expansion may keep its text out of it); listingFile() is the listing,
  // null when there is none.
  bool listingOn() const { return listingOn_; }
  bool setListingOn(bool on) {
    bool was = listingOn_;
    listingOn_ = on && listingFile_ != nullptr;
    return was;
  }
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
  bool listingOn_ = false;
  vorn::ByteOutput* listingFile_;
  // While an expansion's text is read: its encoding, and where the
  // outermost expansion stands in the source.
  bool inExpansion_ = false;
  vorn::TextEncoding encoding_ = vorn::TextEncoding::Utf8;
  std::size_t anchor_ = 0;
};

}  // namespace mml
