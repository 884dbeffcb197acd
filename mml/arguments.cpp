// Numeric arguments: decimal, "$" hexadecimal, "`" note literal, "~"
// length literal and "_" expression, in the unsigned and the signed form.
#include <limits>

#include "mml/compiler.h"
#include "vornlib/jchr.h"

namespace mml {

Compiler::Number Compiler::readNumber() { return readArgument(false); }

Compiler::Number Compiler::readSignedNumber() { return readArgument(true); }

Compiler::Number Compiler::readArgument(bool isSigned) {
  // "~" and "`" read arguments of their own, so arguments nest.
  vorn::DepthGuard nesting = enterNesting();
  reader_.skipBlanks();
  Code c = reader_.readChar();
  std::size_t at = reader_.lastPosition();
  switch (c) {
    case ch('$'): return Number{readHex(), at};
    case ch('`'): return Number{readNoteLiteral(), at};
    case ch('~'): return Number{readLengthLiteral(at), at};
    case ch('_'): return Number{readExpressionNumber(), at};
    default: return Number{readDecimal(c, isSigned), at};
  }
}

std::int32_t Compiler::readDecimal(Code first, bool isSigned) {
  std::size_t at = reader_.lastPosition();
  Code c = first;
  bool negative = false;
  if (isSigned && c == ch('-')) {
    negative = true;
    c = reader_.readChar();
  }
  if (!isDigit(c)) reader_.syntaxError("数字がない");
  std::int64_t value = 0;
  bool tooLarge = false;
  do {
    value = value * 10 + static_cast<std::int64_t>(c - ch('0'));
    if (value > std::numeric_limits<std::int32_t>::max()) {
      tooLarge = true;
      value = 0;
    }
    c = reader_.readChar();
  } while (isDigit(c));
  reader_.ungetChar();
  if (tooLarge) reader_.syntaxErrorAt("数値が大きすぎます。", at);
  return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t Compiler::readHex() {
  std::size_t at = reader_.lastPosition();
  std::uint64_t value = 0;
  bool anyDigit = false;
  bool tooLarge = false;
  for (;;) {
    Code c = vorn::_JchrUpper(reader_.readChar());
    std::uint64_t digit;
    if (isDigit(c)) {
      digit = c - ch('0');
    } else if (c >= ch('A') && c <= ch('F')) {
      digit = c - ch('A') + 10;
    } else {
      reader_.ungetChar();
      break;
    }
    anyDigit = true;
    value = value * 16 + digit;
    if (value > 0xFFFFFFFFu) {
      tooLarge = true;
      value = 0;
    }
  }
  if (!anyDigit) reader_.syntaxError("16進数がない");
  if (tooLarge) reader_.syntaxErrorAt("数値が大きすぎます。", at);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t Compiler::readNoteLiteral() {
  int semitone = semitoneOf(vorn::_JchrUpper(reader_.readChar()));
  if (semitone < 0) reader_.syntaxError("音名がない");
  reader_.skipBlanks();
  Code c = reader_.readChar();
  int accidental = 0;
  if (c == ch('#')) {
    accidental = 1;
  } else if (c == ch('b')) {
    accidental = -1;
  } else {
    reader_.ungetChar();
  }
  reader_.skipBlanks();
  std::int64_t octave = readSignedNumber().value;
  if (octave < -2) octave = -2;
  if (octave > 9) octave = 9;
  std::int64_t note = semitone + accidental + (octave + 2) * 12;
  if (voice_ != nullptr) note += voice_->transposition;
  return foldNote(note);
}

std::int32_t Compiler::readLengthLiteral(std::size_t at) {
  Number n = readNumber();
  if (n.value <= 0) reader_.syntaxErrorAt("値が不正です。", at);
  return kWholeNote / n.value;
}

std::int32_t Compiler::noteValueLength(Number n) {
  if (n.value <= 0) reader_.syntaxErrorAt("値が不正です。", n.at);
  return kWholeNote / n.value;
}

std::int32_t Compiler::optionalNumber(std::int32_t standard) {
  reader_.skipBlanks();
  return startsUnsigned(reader_.peekChar()) ? readNumber().value : standard;
}

std::int32_t Compiler::optionalSignedNumber(std::int32_t standard) {
  reader_.skipBlanks();
  return startsSigned(reader_.peekChar()) ? readSignedNumber().value : standard;
}

}  // namespace mml
