// The reader: numeric arguments in their five forms, comments, names and
// the source as the listing shows it.
#include <gtest/gtest.h>

#include <string>

#include "mml/reader.h"
#include "mml_test_support.h"

using mmltest::compile;
using mmltest::errorOf;
using mmltest::events;
using mmltest::notes;

namespace {

// The block ends at the value: "W<arg> r" rests for <arg> ticks.
std::string lengthOf(const std::string& argument) {
  auto shown = events("$0={W" + argument + " r}");
  return shown.size() == 1 ? shown[0] : "unexpected: " + (shown.empty() ? std::string() : shown[0]);
}

TEST(MmlNumbers, DecimalUpToTheLargest32BitValue) {
  EXPECT_EQ(lengthOf("123"), "123:end");
  EXPECT_EQ(lengthOf("  007"), "7:end");
  EXPECT_EQ(lengthOf("2147483647"), "2147483647:end");
  EXPECT_EQ(errorOf("$0={W2147483648 r}"), "数値が大きすぎます。");
  EXPECT_EQ(errorOf("$0={W99999999999999999999}"), "数値が大きすぎます。");
}

TEST(MmlNumbers, HexadecimalInEitherCaseAndNoWiderThan32Bits) {
  EXPECT_EQ(lengthOf("$1F"), "31:end");
  EXPECT_EQ(lengthOf("$ff"), "255:end");
  EXPECT_EQ(lengthOf("$000000100"), "256:end");  // leading zeros do not count
  EXPECT_EQ(notes("$0={V$7f c}").front(), "on 0 60 127");
  EXPECT_EQ(errorOf("$0={V$}"), "16進数がない");
  EXPECT_EQ(errorOf("$0={V$g}"), "16進数がない");
  EXPECT_EQ(errorOf("$0={W$100000000}"), "数値が大きすぎます。");
  // All 32 bits are a value written in the unsigned form: the velocity clamp sees 4294967295.
  EXPECT_EQ(notes("$0={V$FFFFFFFF c}").front(), "on 0 60 127");
}

TEST(MmlNumbers, NoteLiteralFoldsIntoMidiRange) {
  EXPECT_EQ(lengthOf("`c3"), "60:end");
  EXPECT_EQ(lengthOf("`C3"), "60:end");
  EXPECT_EQ(lengthOf("`a#-2"), "10:end");
  EXPECT_EQ(lengthOf("`b#9"), "120:end");   // 144 folds down by octaves
  EXPECT_EQ(lengthOf("`cb-2"), "11:end");   // -1 folds up
  EXPECT_EQ(lengthOf("`c b 3"), "59:end");  // blanks around the accidental
  EXPECT_EQ(lengthOf("`c20"), "120:end");   // octave clamped to 9, then folded
  EXPECT_EQ(lengthOf("`c-7"), "0:end");      // octave clamped to -2
  // Inside a block the voice's transposition is added.
  EXPECT_EQ(events("$0={N2 W`c3 r}"), std::vector<std::string>{"62:end"});
  EXPECT_EQ(errorOf("$0={W`x3}"), "音名がない");
  EXPECT_EQ(errorOf("$0={W`c}"), "数字がない");  // the octave is required
}

TEST(MmlNumbers, LengthLiteralIsAWholeNoteDivided) {
  EXPECT_EQ(lengthOf("~4"), "480:end");
  EXPECT_EQ(lengthOf("~3"), "640:end");
  EXPECT_EQ(lengthOf("~~4"), "4:end");
  EXPECT_EQ(errorOf("$0={W~0}"), "値が不正です。");
}

TEST(MmlNumbers, SignedFormTakesAMinusOnlyBeforeDigits) {
  EXPECT_EQ(notes("$0={O-1 c}").front(), "on 0 12 64");
  EXPECT_EQ(errorOf("$0={O- 1}"), "数字がない");
  EXPECT_EQ(errorOf("$0={O-$1}"), "数字がない");
  EXPECT_EQ(errorOf("$0={O-`c3}"), "数字がない");
  // In the unsigned form "-" starts no argument: W takes its default and "-" ends the block.
  EXPECT_EQ(errorOf("$0={W-1}"), "<}>がない。");
}

TEST(MmlNumbers, ArgumentsNestedTooDeeplyAreAnError) {
  EXPECT_EQ(lengthOf(std::string(101, '~') + "4"), "480:end");
  EXPECT_EQ(errorOf("$0={W" + std::string(300, '~') + "4}"), "ネストが深すぎます。");
  std::string literals;
  for (int i = 0; i < 300; ++i) literals += "`c";
  EXPECT_EQ(errorOf("$0={W" + literals + "3}"), "ネストが深すぎます。");
}

TEST(MmlComments, BlockCommentsCloseOnlyOnStarSlash) {
  EXPECT_EQ(notes("$0={c /* x **/ d */ e}"), (std::vector<std::string>{"on 0 60 64", "off 384 60", "on 480 64 64",
                                                                       "off 864 64"}));
  EXPECT_EQ(notes("$0={c /* x ***/ d}").size(), 4u);
  EXPECT_EQ(notes("/* a comment at top level */ $0={c}").size(), 2u);
}

TEST(MmlComments, UnterminatedBlockCommentSwallowsTheRest) {
  EXPECT_TRUE(compile("$0={c} /* $1={d}").ok);
  EXPECT_EQ(notes("$0={c} /* $1={d}").size(), 2u);
  // Inside a block it swallows the closing brace too.
  EXPECT_EQ(errorOf("$0={c /* d}"), "<}>がない。");
}

TEST(MmlComments, LineCommentsEndAtTheLineFeed) {
  EXPECT_EQ(notes("$0={c // d e\n e}").size(), 4u);
  EXPECT_EQ(notes("// only a comment").size(), 0u);
  EXPECT_TRUE(compile("$0={c} // the end").ok);
  EXPECT_EQ(errorOf("$0={c} /x"), "不正なトラック指定");
}

mml::Reader readerOver(mml::SourceText& source, std::string_view text) {
  source.beginInput("names");
  source.appendBytes(text);
  source.endInput();
  return mml::Reader(source, nullptr);
}

std::string nameOrError(std::string_view text) {
  mml::SourceText source;
  mml::Reader reader = readerOver(source, text);
  try {
    std::string name = reader.readName();
    return name + "|" + std::to_string(reader.readChar() - 0x100);
  } catch (const mml::SyntaxError& error) {
    return error.message;
  }
}

TEST(MmlNames, LettersUnderscoreAndDoubleByteCharactersThenDigits) {
  EXPECT_EQ(nameOrError("abc9;"), "abc9|" + std::to_string(';'));
  EXPECT_EQ(nameOrError("_x1 y"), "_x1|" + std::to_string(' '));
  EXPECT_EQ(nameOrError("9a"), "不正なマクロ名。");
  EXPECT_EQ(nameOrError(";"), "不正なマクロ名。");
  EXPECT_EQ(nameOrError("名前2;"), "名前2|" + std::to_string(';'));
  EXPECT_EQ(nameOrError("\x96\xBC\x91\x4F;"), "\x96\xBC\x91\x4F|" + std::to_string(';'));  // Shift-JIS
}

TEST(MmlListing, ShowsTheSourceAsItWasRead) {
  std::string utf8 = "$0={c /* ド */ d}\n// 終わり\n";
  EXPECT_EQ(compile(utf8, true).listing, utf8);
  std::string shiftJis = "$0={c /* \x83\x68 */ d}\n";
  auto compiled = compile(shiftJis, true);
  EXPECT_TRUE(compiled.ok);
  EXPECT_EQ(compiled.listing, shiftJis);
}

}  // namespace
