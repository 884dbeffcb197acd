#pragma once
// Checks a file name pattern (vorn::ArgFileName's %1, %2, %%, with "z",
// a width and ";" for padding) before any message needs a name, so that
// a bad pattern is blamed on the option, not on an input.
#include <optional>
#include <string>
#include <string_view>

namespace sysex {

// Why `pattern` cannot name a file, naming the field at fault
// ("%3 is not a field (use %1, %2, %%)"); nothing when it can.
std::optional<std::string> namePatternFault(std::string_view pattern);

}  // namespace sysex
