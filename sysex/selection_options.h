#pragma once
// What a selection run is asked for: its mode flags (selector.h), the bytes
// .ID and .Pd stand for, and the patterns compiled so far. Each setter is
// an option handler's body; a pattern is compiled with the values given
// before it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sysex/pattern_compiler.h"
#include "vornlib/status.h"

namespace sysex {

struct SelectionOptions {
  std::uint32_t flags = 0;
  PatternValues values;
  std::vector<std::uint8_t> program;

  // Counting ("" or "T", with the counts); the later of it and extract() wins.
  bool count(std::string_view text);
  // Writing only the marked ranges; takes no text.
  bool extract(std::string_view text);
  // The byte .ID stands for: hexadecimal, 00 to 7F.
  bool id(std::string_view text);
  // "d=hh": the byte .Pd stands for.
  bool param(std::string_view text);
  // A pattern, or ":" and a pattern file's name. A file read is one of the
  // run's inputs (no output may overwrite it). The fault of a syntax error
  // names the pattern ("-S..." at the offset) or the file's line and column.
  vorn::Status pattern(std::string_view text);

  // When the options cannot select (or write) a single message, most
  // likely for a forgotten pattern: the note that says so.
  std::optional<std::string> nothingSelectableNote() const;
};

}  // namespace sysex
