#include "vornlib/fixed.h"

#include <cstdint>

namespace vorn {

FixedDecimal VornFixFromStrAbs(std::string_view& text) {
  FixedDecimal result;
  std::size_t i = 0;
  std::uint64_t whole = 0;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (whole > 99999999999999ull) result.overflow = true;
    else whole = whole * 10 + static_cast<unsigned>(text[i] - '0');
    digits = true;
    ++i;
  }
  // Fraction digits: exact to 18 places, the rest cannot change a double.
  std::uint64_t fraction = 0;
  std::uint64_t scale = 1;
  if (i < text.size() && text[i] == '.') {
    std::size_t j = i + 1;
    bool fractionDigits = false;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
      if (scale < 1000000000000000000ull) {
        fraction = fraction * 10 + static_cast<unsigned>(text[j] - '0');
        scale *= 10;
      }
      fractionDigits = true;
      ++j;
    }
    if (fractionDigits || digits) {
      digits = digits || fractionDigits;
      i = j;
    }
  }
  if (!digits) return FixedDecimal{};
  result.ok = true;
  result.value = static_cast<double>(whole) + static_cast<double>(fraction) / static_cast<double>(scale);
  text.remove_prefix(i);
  return result;
}

bool parseStepLength(std::string_view text, double low, double high, double& value) {
  FixedDecimal number = VornFixFromStrAbs(text);
  if (!number.ok || VornFixIsOverflow(number) || !text.empty()) return false;
  if (number.value < low || number.value >= high) return false;
  value = number.value;
  return true;
}

}  // namespace vorn
