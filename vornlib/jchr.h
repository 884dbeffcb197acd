#pragma once
// The character scanner. Text is scanned one character at a time into codes:
//   0                end of the text (or a NUL byte)
//   1..0x1F          a control byte as itself (line feed = 10, tab = 9)
//   0x100 + b        a single-byte character b (space = 0x120, "A" = 0x141);
//                    also a byte that starts no multibyte character
//   0x10000 + cp     a UTF-8 character with code point cp >= 0x80
//   0x200000 + w     a Shift-JIS double-byte character w = lead << 8 | trail
// Every multibyte code is >= 0x2100. Which multibyte encoding a text uses is
// decided per text: valid UTF-8 is read as UTF-8, anything else as Shift-JIS.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

enum class TextEncoding { Utf8, ShiftJis };

inline constexpr std::uint32_t kJchrEnd = 0;
inline constexpr std::uint32_t kJchrSingle = 0x100;
inline constexpr std::uint32_t kJchrUtf8Base = 0x10000;
inline constexpr std::uint32_t kJchrSjisBase = 0x200000;

bool isValidUtf8(std::string_view text);
inline TextEncoding detectEncoding(std::string_view text) {
  return isValidUtf8(text) ? TextEncoding::Utf8 : TextEncoding::ShiftJis;
}

// The code of the character at the start of `text`; advances past it.
// At the end of the text (or at a NUL byte) returns 0 and does not advance.
std::uint32_t VornJchr(std::string_view& text, TextEncoding encoding);

// Maps "a".."z" (0x161..0x17A) to "A".."Z"; other codes unchanged.
inline std::uint32_t _JchrUpper(std::uint32_t code) {
  return (code >= 0x161 && code <= 0x17A) ? code - 0x20 : code;
}

// Code of an ASCII character.
constexpr std::uint32_t jc(char c) { return kJchrSingle + static_cast<unsigned char>(c); }

inline bool isMultibyte(std::uint32_t code) { return code >= 0x2100; }

// Appends the bytes the code was read from (MBKCONSputJchr).
void appendJchr(std::string& out, std::uint32_t code);

// Case-insensitive comparison of ASCII letters, bytes otherwise (JstrzCmpi).
int JstrzCmpi(std::string_view a, std::string_view b);

}  // namespace vorn
