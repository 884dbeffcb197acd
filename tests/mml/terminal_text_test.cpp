// Source text on the terminal: UTF-8 always, control bytes escaped, the
// caret under the right character.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "mml/terminal_text.h"

namespace {

using vorn::TextEncoding;

struct ShiftJisCase {
  const char* bytes;
  std::optional<std::string> utf8;
};

TEST(MmlTerminalText, ShiftJisCharactersBecomeUtf8WithCodePage932) {
  const ShiftJisCase kCases[] = {
      {"\x83\x5C", "ソ"},      // a second byte that is a backslash in ASCII
      {"\x95\x5C", "表"},
      {"\x81\x7C", "－"},      // a second byte that is "|" in ASCII
      {"\x88\x9F", "亜"},
      {"\x81\x60", "～"},      // code page 932's full-width tilde, not the wave dash
      {"\x87\x40", "①"},      // NEC special characters
      {"\xFA\x40", "ⅰ"},      // IBM extensions
      {"\xB1", "ｱ"},          // half-width katakana
      {"\xA1", "｡"},
      {"\x85\x40", std::nullopt},  // no character there
      {"\x80", std::nullopt},
      {"\xFD", std::nullopt},
  };
  for (const ShiftJisCase& c : kCases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(mml::shiftJisToUtf8(c.bytes), c.utf8);
  }
}

struct LineCase {
  TextEncoding encoding;
  std::string line;
  std::size_t caretAt;  // a byte of `line`
  std::string shown;
  std::string caretIndent;
};

TEST(MmlTerminalText, ControlBytesAreEscapedAndTheCaretCountsWhatIsShown) {
  const LineCase kCases[] = {
      {TextEncoding::Utf8, "$0={c ;}", 6, "$0={c ;}", "      "},
      {TextEncoding::Utf8, "\t$0={c ;}", 7, "\t$0={c ;}", "\t      "},
      {TextEncoding::Utf8, "c\x1B[31m ;", 7, "c\\x1B[31m ;", std::string(10, ' ')},
      {TextEncoding::Utf8, "\x07\x7F;", 2, "\\x07\\x7F;", "        "},
      {TextEncoding::Utf8, "\r;", 1, "\\x0D;", "    "},
      {TextEncoding::Utf8, std::string("a\0b;", 4), 3, "a\\x00b;", std::string(6, ' ')},
      // C1 control characters in UTF-8 act like control bytes.
      {TextEncoding::Utf8, "\xC2\x9B" "2J;", 4, "\\xC2\\x9B2J;", std::string(10, ' ')},
      {TextEncoding::Utf8, "ド;", 3, "ド;", "  "},
      {TextEncoding::Utf8, "é;", 2, "é;", " "},
      // Shift-JIS: converted, double-byte characters two cells wide,
      // half-width katakana one, bytes that start no character escaped.
      {TextEncoding::ShiftJis, "/* \x83\x68\x83\x8C */ ;", 11, "/* ドレ */ ;", "   " "    " "    "},
      {TextEncoding::ShiftJis, "\xB1\xB2;", 2, "ｱｲ;", "  "},
      {TextEncoding::ShiftJis, "\x85\x40\x1B;", 3, "\\x85\\x40\\x1B;", std::string(12, ' ')},
      {TextEncoding::ShiftJis, "\x80\xFD;", 2, "\\x80\\xFD;", std::string(8, ' ')},
      // A caret behind the end of the line.
      {TextEncoding::Utf8, "c\x01", 2, "c\\x01", "     "},
  };
  for (const LineCase& c : kCases) {
    SCOPED_TRACE(c.shown);
    mml::TerminalLine line = mml::terminalLine(c.line, c.caretAt, c.encoding);
    EXPECT_EQ(line.text, c.shown);
    EXPECT_EQ(line.caretIndent, c.caretIndent);
  }
  // A text (not a line) escapes tabs and line feeds too.
  EXPECT_EQ(mml::terminalText("a\tb\n\x83\x5C", TextEncoding::ShiftJis), "a\\x09b\\x0Aソ");
}

}  // namespace
