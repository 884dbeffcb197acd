// Multibyte characters in texts: a character is read whole, so the second
// byte of a Shift-JIS character (0x5C is a backslash, 0x7C a bar) never acts
// as KEL syntax, in whichever way the encoding is known.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "kel_test_support.h"
#include "run_tool.h"

namespace {

using zamotest::hex;

// Every Shift-JIS double-byte character whose second byte is 0x5C or 0x7C.
std::vector<std::string> troublesomeCharacters() {
  std::vector<std::string> characters;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail : {0x5C, 0x7C}) characters.push_back({static_cast<char>(lead), static_cast<char>(trail)});
  }
  return characters;
}

// The bytes of the value of `text`, in hex; the error's code and offset otherwise.
std::string bytesOf(const std::string& text, std::optional<vorn::TextEncoding> encoding) {
  kel::Session session;
  session.setEncoding(encoding);
  auto result = session.evaluateAll(text, 0);
  if (!result) return keltest::show(result);
  if (!result.value().value.isBytes()) return keltest::show(result);
  return hex(result.value().value.asBytes());
}

TEST(KelShiftJis, ACharacterEndingInABackslashOrBarStandsForItself) {
  struct Form {
    const char* before;
    const char* after;
    const char* bytesBefore;  // what `before` and `after` add to the value, in hex
    const char* bytesAfter;
  };
  const Form forms[] = {
      {"\"", "\"", "", ""},
      {"\"", "\\n\"", "", " 0A"},
      {"\"", "\\\\\"", "", " 5C"},
      {"\"", "\\\"\"", "", " 22"},
      {"\"", "\\x41|\"", "", " 41 7C"},
      {"\"<", "\" + \"\\t\"", "3C ", " 09"},
      {"sub(\"", "x\", 0, 2)", "", ""},
  };
  std::vector<std::string> characters = troublesomeCharacters();
  ASSERT_EQ(characters.size(), 120u);
  for (std::optional<vorn::TextEncoding> encoding :
       {std::optional<vorn::TextEncoding>{}, std::optional(vorn::TextEncoding::ShiftJis)}) {
    for (const std::string& character : characters) {
      for (const Form& form : forms) {
        std::string text = form.before + character + form.after;
        SCOPED_TRACE(hex(text) + (encoding ? " (told Shift-JIS)" : " (judged)"));
        EXPECT_EQ(bytesOf(text, encoding), form.bytesBefore + hex(character) + form.bytesAfter);
      }
    }
  }
}

TEST(KelShiftJis, TheEncodingIsTheCallersOrElseTheWholeTexts) {
  const std::string a = "\xE3\x81\x82";  // "あ" in UTF-8; its last byte is a Shift-JIS lead byte
  const std::string so = "\x83\x5C";     // "ソ" in Shift-JIS
  struct Case {
    std::string text;
    std::optional<vorn::TextEncoding> encoding;
    std::string expected;
  };
  const Case cases[] = {
      // Valid UTF-8 is read as UTF-8: the escape after "あ" is an escape.
      {"\"" + a + "\\n\"", std::nullopt, "E3 81 82 0A"},
      {"\"" + a + "\\n\"", vorn::TextEncoding::Utf8, "E3 81 82 0A"},
      // Read as Shift-JIS the same bytes are two characters and an "n".
      {"\"" + a + "\\n\"", vorn::TextEncoding::ShiftJis, "E3 81 82 5C 6E"},
      // One Shift-JIS character anywhere makes the whole text Shift-JIS.
      {"\"" + so + "\" + \"" + a + "\\n\"", std::nullopt, "83 5C E3 81 82 5C 6E"},
      // Told UTF-8, a Shift-JIS pair is two bytes, and its 0x5C escapes.
      {"\"" + so + "n\"", vorn::TextEncoding::Utf8, "83 0A"},
      {"\"" + so + "n\"", std::nullopt, "83 5C 6E"},
  };
  for (const Case& c : cases) EXPECT_EQ(bytesOf(c.text, c.encoding), c.expected) << hex(c.text);
}

TEST(KelShiftJis, AMultibyteCharacterOutsideATextIsOneUnexpectedCharacter) {
  kel::Error error = keltest::errorOf("1 + \x83\x5C");
  EXPECT_EQ(error.code, vorn::kErrKelSyntax);
  EXPECT_EQ(error.offset, 4u);
  EXPECT_EQ(error.message, "unexpected character \"\\x83\\\\\"");
  error = keltest::errorOf("1 + \xE3\x81\x82");
  EXPECT_EQ(error.message, "unexpected character \"\\xE3\\x81\\x82\"");
}

}  // namespace
