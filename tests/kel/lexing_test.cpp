// Literals, names and blanks: how the text is cut into tokens.
#include <gtest/gtest.h>

#include <string>

#include "kel_test_support.h"

namespace {

using keltest::expectCases;
using keltest::run;

TEST(KelLexing, DecimalLiteralsFitThirtyTwoBits) {
  expectCases({
      {"0", "0"},
      {"007", "7"},
      {"2147483647", "2147483647"},
      // 2^31 itself is accepted so that the most negative integer can be written.
      {"-2147483648", "-2147483648"},
      {"2147483648", "-2147483648"},
      {"2147483649", "Range@0"},
      {"99999999999999999999999", "Range@0"},
  });
}

TEST(KelLexing, HexAndBinaryLiteralsGiveAnyBitPattern) {
  expectCases({
      {"0x7F", "127"},
      {"0XfF", "255"},
      {"0x0000000000FF", "255"},
      {"0xFFFFFFFF", "-1"},
      {"0x80000000", "-2147483648"},
      {"0x100000000", "Range@0"},
      {"0b101", "5"},
      {"0B11111111111111111111111111111111", "-1"},
      {"0b111111111111111111111111111111111", "Range@0"},
      {"0x", "Syntax@0"},
      {"1 + 0b", "Syntax@4"},
      {"0b2", "Syntax@0"},
  });
}

TEST(KelLexing, TextEscapes) {
  expectCases({
      {R"("a\n\t\\\"\x41\x7e")", "x\"61 0A 09 5C 22 41 7E\""},
      {R"("")", R"("")"},
      {R"("\q")", "Syntax@1"},
      {R"("ab\x4")", "Syntax@3"},
      {R"("\x4G")", "Syntax@1"},
      {R"(1 + "abc)", "Syntax@4"},
      {R"("ab\)", "Syntax@0"},
  });
  // Bytes above 0x7F (Shift-JIS text) and raw line feeds pass unchanged.
  EXPECT_EQ(run("\"\x82\xA0\n\""), "x\"82 A0 0A\"");
}

TEST(KelLexing, HexByteStrings) {
  expectCases({
      {R"(x"F0 41 10 42 12 f7")", R"(x"F0 41 10 42 12 F7")"},
      {R"(x"F041")", R"(x"F0 41")"},
      {"x\"F0\t\n41\"", R"(x"F0 41")"},
      {R"(x"")", R"("")"},
      {R"(x"F")", "Syntax@2"},
      {R"(x"F0 4 1")", "Syntax@5"},
      {R"(x"F0 G1")", "Syntax@5"},
      {R"(x"F0)", "Syntax@0"},
      // With a blank before the quote, "x" is a name of its own.
      {R"(x "F0")", "UnknownName@0"},
  });
}

TEST(KelLexing, NamesAreCaseSensitiveAndMayHoldDigitsAndUnderscores) {
  expectCases({
      {"_a1 = 5; _a1 * 2", "10"},
      {"a = 1; A", "UnknownName@7"},
      {"x2 = 3; x2", "3"},
      {"len_ = 4; len_", "4"},
  });
}

TEST(KelLexing, EveryControlByteIsABlank) {
  expectCases({
      {"\t1\n+\r2\x01", "3"},
      {"\x1F" "1 \x20+ 1", "2"},
  });
  // A NUL byte is not a blank: the text ends where the caller's view ends.
  EXPECT_EQ(run(std::string("1 +\0 2", 6)), "Syntax@3");
}

TEST(KelLexing, CharactersThatStartNoToken) {
  expectCases({
      {"1 + @", "Syntax@4"},
      {"[1]", "Syntax@0"},
      {"1 # 2", "Syntax@2"},
      {"\x7F", "Syntax@0"},
  });
  kel::Error error = keltest::errorOf("2 * \x80");
  EXPECT_EQ(error.message, "unexpected character \"\\x80\"");
}

TEST(KelLexing, TwoCharacterOperatorsAreNotSplit) {
  expectCases({
      {"1<<2", "4"},
      {"2<=2", "1"},
      {"1==1", "1"},
      {"1!=1", "0"},
      {"1&&2", "1"},
      {"0||0", "0"},
      {"3>=4", "0"},
      {"16>>2", "4"},
  });
}

}  // namespace
