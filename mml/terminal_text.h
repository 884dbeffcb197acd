#pragma once
// Source text as a terminal shows it: always UTF-8 and never a raw control
// byte, which could move the cursor or change the terminal's settings.
// Control bytes other than tab, and bytes that start no character, show as
// \xNN; a Shift-JIS text is converted to UTF-8 (with code page 932, the
// one the Windows-era sources were written in).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "vornlib/jchr.h"

namespace mml {

struct TerminalLine {
  std::string text;         // the line as the terminal shows it
  std::string caretIndent;  // blanks that put a caret under the chosen character
};

// `line` (without its line feed) for the terminal, and the indent that puts
// a caret under the character that starts at byte `caretAt` of it (behind
// the line when `caretAt` is its end). Tabs stay tabs; wide characters take
// two cells, an escaped byte four.
TerminalLine terminalLine(std::string_view line, std::size_t caretAt, vorn::TextEncoding encoding);

// A text (a reason, a name) for the terminal; line feeds are escaped too.
std::string terminalText(std::string_view text, vorn::TextEncoding encoding);

// One Shift-JIS character (a half-width katakana byte or a double-byte
// character) in UTF-8; none when code page 932 has no such character.
std::optional<std::string> shiftJisToUtf8(std::string_view character);

}  // namespace mml
