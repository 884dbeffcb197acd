#pragma once
// Non-negative decimal numbers with an optional fraction ("8", "7.8125",
// "0.1"), as the step-length options take them.
#include <string_view>

namespace vorn {

struct FixedDecimal {
  bool ok = false;        // at least one digit was read
  bool overflow = false;  // the integer part is too large to hold
  double value = 0.0;
};

// Reads digits, then optionally "." and digits, advancing `text` past them.
FixedDecimal VornFixFromStrAbs(std::string_view& text);
inline bool VornFixIsOverflow(const FixedDecimal& number) { return number.overflow; }

// A whole option text as such a number, in [low, high).
bool parseStepLength(std::string_view text, double low, double high, double& value);

}  // namespace vorn
