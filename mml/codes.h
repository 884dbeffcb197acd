#pragma once
// Reader codes the compiler matches against, and the wrapping 32-bit
// arithmetic of voice times (a time past 2^31 ticks wraps as it did on the
// compiler's first home; it must never be undefined behaviour).
#include <cstdint>

#include "vornlib/jchr.h"

namespace mml {

using Code = std::uint32_t;

// The code of an ASCII character ("A" = 0x141).
constexpr Code ch(char c) { return vorn::jc(c); }

// Every control byte and the space.
constexpr bool isBlank(Code c) { return c >= 1 && c <= ch(' '); }
constexpr bool isDigit(Code c) { return c >= ch('0') && c <= ch('9'); }
constexpr bool isAsciiLetter(Code c) {
  return (c >= ch('A') && c <= ch('Z')) || (c >= ch('a') && c <= ch('z'));
}
// Codes that may start an argument in the unsigned form; the signed form also takes "-".
constexpr bool startsUnsigned(Code c) {
  return isDigit(c) || c == ch('$') || c == ch('_') || c == ch('`') || c == ch('~');
}
constexpr bool startsSigned(Code c) { return startsUnsigned(c) || c == ch('-'); }

inline std::int32_t wrap32(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}
inline std::int32_t add32(std::int32_t a, std::int32_t b) {
  return wrap32(static_cast<std::int64_t>(a) + b);
}
inline std::int32_t sub32(std::int32_t a, std::int32_t b) {
  return wrap32(static_cast<std::int64_t>(a) - b);
}
inline std::int32_t mul32(std::int32_t a, std::int32_t b) {
  return wrap32(static_cast<std::int64_t>(a) * b);
}

// Ticks of a whole note.
inline constexpr std::int32_t kWholeNote = 1920;

}  // namespace mml

namespace mml {

// Semitones of the note letters C D E F G A B (upper-case codes); -1 for any other code.
constexpr int semitoneOf(Code upper) {
  switch (upper) {
    case ch('C'): return 0;
    case ch('D'): return 2;
    case ch('E'): return 4;
    case ch('F'): return 5;
    case ch('G'): return 7;
    case ch('A'): return 9;
    case ch('B'): return 11;
    default: return -1;
  }
}

}  // namespace mml
