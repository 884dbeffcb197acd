#include "vornlib/numbers.h"

namespace vorn {
namespace {

int digitValue(char c, int base) {
  int d;
  if (c >= '0' && c <= '9') d = c - '0';
  else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
  else return -1;
  return d < base ? d : -1;
}

// Digits of `base` from the start of `text`; advances only on success.
NumberResult parseDigits(std::string_view& text, int base, std::size_t start) {
  NumberResult result;
  std::uint64_t value = 0;
  std::size_t i = start;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    int d = digitValue(text[i], base);
    if (d < 0) break;
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) {
      overflow = true;
      value = 0xFFFFFFFFull;  // keep scanning to find where the number ends
    }
  }
  if (i == start) return result;
  if (overflow) {
    result.status = NumberStatus::Overflow;
    return result;
  }
  result.status = NumberStatus::Ok;
  result.value = static_cast<std::uint32_t>(value);
  text.remove_prefix(i);
  return result;
}

}  // namespace

NumberResult Strz2Dword(std::string_view& text) { return parseDigits(text, 10, 0); }

NumberResult Strz2DwordHexEx(std::string_view& text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
      digitValue(text[2], 16) >= 0) {
    return parseDigits(text, 16, 2);
  }
  return parseDigits(text, 16, 0);
}

NumberResult Strz2DwordBinEx(std::string_view& text) {
  if (text.empty() || text[0] != '%') return {};
  return parseDigits(text, 2, 1);
}

SignedResult Strz2Int(std::string_view& text) {
  bool negative = !text.empty() && text[0] == '-';
  std::string_view rest = text.substr(negative ? 1 : 0);
  NumberResult r = parseDigits(rest, 10, 0);
  SignedResult result;
  result.status = r.status;
  if (!r.ok()) return result;
  std::uint32_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  if (r.value > limit) {
    result.status = NumberStatus::Overflow;
    return result;
  }
  result.value = negative ? static_cast<std::int32_t>(0u - r.value) : static_cast<std::int32_t>(r.value);
  text = rest;
  return result;
}

void StrzSkipSp(std::string_view& text) {
  while (!text.empty() && (text[0] == ' ' || text[0] == '\t')) text.remove_prefix(1);
}

void StrzSkipSp2(std::string_view& text) {
  while (!text.empty() && text[0] >= 1 && text[0] <= 0x20) text.remove_prefix(1);
}

bool parseWholeDecimal(std::string_view text, std::uint32_t& value) {
  NumberResult r = Strz2Dword(text);
  if (!r.ok() || !text.empty()) return false;
  value = r.value;
  return true;
}

bool parseDecimalIn(std::string_view text, std::uint32_t low, std::uint32_t high, std::uint32_t& value) {
  std::uint32_t read;
  if (!parseWholeDecimal(text, read) || read < low || read > high) return false;
  value = read;
  return true;
}

bool parseBlankedDecimal(std::string_view text, std::uint32_t& value) {
  StrzSkipSp(text);
  NumberResult r = Strz2Dword(text);
  StrzSkipSp(text);
  if (!r.ok() || !text.empty()) return false;
  value = r.value;
  return true;
}

bool parseWholeHex(std::string_view text, std::uint32_t& value) {
  NumberResult r = Strz2DwordHexEx(text);
  if (!r.ok() || !text.empty()) return false;
  value = r.value;
  return true;
}

}  // namespace vorn
