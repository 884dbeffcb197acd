#pragma once
// Number parsers. Each takes the caller's position in a text and, on
// success, advances it past what was consumed; on failure the position is
// left where the number started. A value that does not fit is rejected
// (Overflow), never wrapped.
#include <cstdint>
#include <string_view>

namespace vorn {

enum class NumberStatus { Ok, NoDigits, Overflow };

struct NumberResult {
  NumberStatus status = NumberStatus::NoDigits;
  std::uint32_t value = 0;
  bool ok() const { return status == NumberStatus::Ok; }
};

struct SignedResult {
  NumberStatus status = NumberStatus::NoDigits;
  std::int32_t value = 0;
  bool ok() const { return status == NumberStatus::Ok; }
};

// Decimal digits, unsigned 32-bit.
NumberResult Strz2Dword(std::string_view& text);
inline NumberResult Strz2DwordEx(std::string_view& text) { return Strz2Dword(text); }
// Hexadecimal digits (either case), optionally after "0x" or "0X".
NumberResult Strz2DwordHexEx(std::string_view& text);
// "%" followed by binary digits.
NumberResult Strz2DwordBinEx(std::string_view& text);
// An optional "-" directly followed by decimal digits, signed 32-bit.
SignedResult Strz2Int(std::string_view& text);

// Skips blanks (spaces and tabs) / every byte from 1 to 0x20.
void StrzSkipSp(std::string_view& text);
void StrzSkipSp2(std::string_view& text);

// A whole option text as one number: nothing may follow.
bool parseWholeDecimal(std::string_view text, std::uint32_t& value);
// The same, only from `low` to `high`: option texts with a range.
bool parseDecimalIn(std::string_view text, std::uint32_t low, std::uint32_t high, std::uint32_t& value);
// The same with blanks allowed before and after the number.
bool parseBlankedDecimal(std::string_view text, std::uint32_t& value);
bool parseWholeHex(std::string_view text, std::uint32_t& value);

// Little- and big-endian helpers for the suite's formats and SMF.
inline std::uint16_t readLE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t readLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint16_t readBE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t readBE32(const std::uint8_t* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}
inline void writeLE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void writeLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void writeBE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void writeBE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

}  // namespace vorn
