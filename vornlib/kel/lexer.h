#pragma once
// Splits KEL text into tokens, one at a time and on demand: the text behind
// an expression belongs to the caller and may not be KEL at all, so a
// character that cannot start a token becomes an Invalid token that is an
// error only if the parser needs it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vornlib/jchr.h"
#include "vornlib/kel/result.h"

namespace kel::detail {

enum class Tok {
  End, Invalid,
  Integer, Text, Name, Positional,
  LParen, RParen, RBracket, Comma, Semicolon,
  Assign, Question, Colon,
  Plus, Minus, Star, Slash, Percent, Shl, Shr,
  Less, LessEq, Greater, GreaterEq, Equal, NotEqual,
  Amp, AmpAmp, Caret, Pipe, PipePipe, Tilde, Bang,
};

struct Token {
  Tok kind = Tok::End;
  std::size_t begin = 0;   // first character (after blanks)
  std::size_t end = 0;     // just behind the last character
  std::int32_t number = 0; // Integer, Positional
  std::string text;        // Text: the bytes; Name: the name
  Error error;             // Invalid: what is wrong and where
};

// Blanks are the bytes 0x01 to 0x20, as everywhere in the suite.
inline bool isBlank(char c) { return c >= 0x01 && c <= 0x20; }

// Where the characters of a text end. A byte below 0x80 is a character of
// its own; the others are read in the caller's encoding or, without one, in
// the whole text's, judged the first time such a byte is met (so texts of
// plain ASCII are never scanned for it).
class CharReader {
 public:
  CharReader(std::string_view text, std::optional<vorn::TextEncoding> encoding) : text_(text), encoding_(encoding) {}
  // The number of bytes of the character at `pos` (pos < the text's size).
  std::size_t length(std::size_t pos);

 private:
  std::string_view text_;
  std::optional<vorn::TextEncoding> encoding_;
};

// The token at `pos` or after the blanks there, in the text `chars` reads.
// Byte strings longer than `maxBytes` are Invalid.
Token lexToken(std::string_view text, std::size_t pos, std::size_t maxBytes, CharReader& chars);

// How a token is shown in messages: "\")\"", "the end of the text", ...
std::string describeToken(const Token& token, std::string_view text);

// text[begin, end) in quotes, unprintable bytes as \xHH, a quote or backslash
// after a backslash, long ones cut short.
std::string quoteSource(std::string_view text, std::size_t begin, std::size_t end);

}  // namespace kel::detail
