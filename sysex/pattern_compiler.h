#pragma once
// Compiles the text of one selection pattern into a pattern record appended
// to a program (see pattern_code.h).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sysex {

// What .ID and .P0 to .P9 stand for when a pattern is compiled.
struct PatternValues {
  std::uint8_t id = 0;
  std::uint8_t params[10] = {};
};

struct PatternSyntaxError {
  std::size_t offset = 0;  // byte offset in the pattern text where the fault was found
  std::string what;
};

// Appends one record for `text` to `program`. On a syntax error the program
// is left as it was and the error is returned.
std::optional<PatternSyntaxError> compilePattern(std::string_view text, const PatternValues& values,
                                                 std::vector<std::uint8_t>& program);

// The text of a pattern file as the compiler takes it: tabs and line ends
// stay, every other control character is dropped.
std::string patternFileText(std::string_view fileBytes);

}  // namespace sysex
