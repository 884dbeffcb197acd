#include <gtest/gtest.h>

#include <vector>

#include "vornlib/block.h"
#include "vornlib/jchr.h"

using namespace vorn;

namespace {
std::vector<std::uint32_t> scanAll(std::string_view text) {
  TextEncoding encoding = detectEncoding(text);
  std::vector<std::uint32_t> codes;
  for (std::uint32_t c; (c = VornJchr(text, encoding)) != 0;) codes.push_back(c);
  return codes;
}
}  // namespace

TEST(CharacterScanner, AsciiControlsAndEnd) {
  EXPECT_EQ(scanAll("A a\t\n0"), (std::vector<std::uint32_t>{0x141, 0x120, 0x161, 9, 10, 0x130}));
  std::string_view empty;
  EXPECT_EQ(VornJchr(empty, TextEncoding::Utf8), 0u);
  // A NUL byte ends the text and is not consumed.
  std::string_view nul("a\0b", 3);
  EXPECT_EQ(VornJchr(nul, TextEncoding::Utf8), 0x161u);
  EXPECT_EQ(VornJchr(nul, TextEncoding::Utf8), 0u);
  EXPECT_EQ(nul.size(), 2u);
}

TEST(CharacterScanner, Utf8MultibyteIsOneCharacter) {
  std::string_view text = "\xE9\x9F\xB3x";  // 音
  ASSERT_TRUE(isValidUtf8(text));
  std::vector<std::uint32_t> codes = scanAll(text);
  ASSERT_EQ(codes.size(), 2u);
  EXPECT_GE(codes[0], 0x2100u);
  EXPECT_EQ(codes[0], kJchrUtf8Base + 0x97F3);
  EXPECT_EQ(codes[1], 0x178u);
}

TEST(CharacterScanner, ShiftJisWhenNotUtf8) {
  std::string_view text = "\x89\xB9 \xB1";  // 音 in Shift-JIS, a space, half-width katakana
  ASSERT_FALSE(isValidUtf8(text));
  std::vector<std::uint32_t> codes = scanAll(text);
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_EQ(codes[0], kJchrSjisBase + 0x89B9);
  EXPECT_EQ(codes[1], 0x120u);
  EXPECT_EQ(codes[2], 0x1B1u);
}

TEST(CharacterScanner, InvalidUtf8FormsAreNotUtf8) {
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(isValidUtf8("\xE3\x81"));          // cut short
  EXPECT_TRUE(isValidUtf8("\xF0\x9F\x8E\xB5"));   // a four-byte character
}

TEST(CharacterScanner, CodesWriteBackTheBytesTheyCameFrom) {
  for (std::string_view text : {std::string_view("\xE9\x9F\xB3\xF0\x9F\x8E\xB5 ok\t"), std::string_view("\x89\xB9\x82\xA0z")}) {
    TextEncoding encoding = detectEncoding(text);
    std::string rebuilt;
    std::string_view rest = text;
    for (std::uint32_t c; (c = VornJchr(rest, encoding)) != 0;) appendJchr(rebuilt, c);
    EXPECT_EQ(rebuilt, text);
  }
}

TEST(CharacterScanner, UpperCaseOnlyTouchesAsciiLetters) {
  EXPECT_EQ(_JchrUpper(0x161), 0x141u);
  EXPECT_EQ(_JchrUpper(0x17A), 0x15Au);
  EXPECT_EQ(_JchrUpper(0x17B), 0x17Bu);
  EXPECT_EQ(_JchrUpper(0x141), 0x141u);
  EXPECT_EQ(_JchrUpper(kJchrSjisBase + 0x8261), kJchrSjisBase + 0x8261);
}

TEST(CharacterScanner, CaseInsensitiveCompare) {
  EXPECT_EQ(JstrzCmpi("Roland", "ROLAND"), 0);
  EXPECT_LT(JstrzCmpi("abc", "abd"), 0);
  EXPECT_GT(JstrzCmpi("abcd", "ABC"), 0);
}

TEST(MemBlock, OffsetsSurviveGrowth) {
  MemBlock block(4);
  block.putStrz("name");
  std::size_t second = block.size();
  for (int i = 0; i < 10000; ++i) block.putByte(static_cast<std::uint8_t>(i));
  EXPECT_EQ(block.text(0).substr(0, 4), "name");
  EXPECT_EQ(*block.at(4), 0);
  EXPECT_EQ(*block.at(second + 258), 2);
  block.putJchr(kJchrUtf8Base + 0x97F3);
  EXPECT_EQ(block.text(block.size() - 3), "\xE9\x9F\xB3");
}
