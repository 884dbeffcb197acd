#include <gtest/gtest.h>

#include "vornlib/fixed.h"
#include "vornlib/numbers.h"
#include "vornlib/varlen.h"

#include <vector>

using namespace vorn;

TEST(NumberParsers, DecimalAdvancesPastDigitsOnly) {
  std::string_view text = "1234xyz";
  NumberResult r = Strz2Dword(text);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value, 1234u);
  EXPECT_EQ(text, "xyz");
}

TEST(NumberParsers, FailuresLeaveThePositionAlone) {
  std::string_view text = "x12";
  EXPECT_EQ(Strz2Dword(text).status, NumberStatus::NoDigits);
  EXPECT_EQ(text, "x12");
  std::string_view big = "4294967296 rest";
  EXPECT_EQ(Strz2Dword(big).status, NumberStatus::Overflow);
  EXPECT_EQ(big, "4294967296 rest");
}

TEST(NumberParsers, LimitsOfEachBaseAreExact) {
  std::string_view max = "4294967295";
  EXPECT_EQ(Strz2Dword(max).value, 0xFFFFFFFFu);
  std::string_view hex = "FFFFFFFF";
  EXPECT_EQ(Strz2DwordHexEx(hex).value, 0xFFFFFFFFu);
  std::string_view hexOver = "100000000";
  EXPECT_EQ(Strz2DwordHexEx(hexOver).status, NumberStatus::Overflow);
  std::string_view longZeros = "000000000000000000001";
  EXPECT_EQ(Strz2Dword(longZeros).value, 1u);
}

TEST(NumberParsers, HexTakesEitherCaseAndAnOptionalPrefix) {
  std::string_view a = "7f,";
  EXPECT_EQ(Strz2DwordHexEx(a).value, 0x7Fu);
  EXPECT_EQ(a, ",");
  std::string_view b = "0X1A";
  EXPECT_EQ(Strz2DwordHexEx(b).value, 0x1Au);
  // "0x" with no digit after it is the number 0 followed by "x".
  std::string_view c = "0xg";
  EXPECT_EQ(Strz2DwordHexEx(c).value, 0u);
  EXPECT_EQ(c, "xg");
}

TEST(NumberParsers, BinaryNeedsItsPercentPrefix) {
  std::string_view a = "%1010 ";
  EXPECT_EQ(Strz2DwordBinEx(a).value, 10u);
  EXPECT_EQ(a, " ");
  std::string_view b = "1010";
  EXPECT_FALSE(Strz2DwordBinEx(b).ok());
  std::string_view c = "%2";
  EXPECT_EQ(Strz2DwordBinEx(c).status, NumberStatus::NoDigits);
}

TEST(NumberParsers, SignedRangeIsTwosComplement) {
  std::string_view a = "-2147483648";
  SignedResult r = Strz2Int(a);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.value, INT32_MIN);
  std::string_view b = "2147483648";
  EXPECT_EQ(Strz2Int(b).status, NumberStatus::Overflow);
  std::string_view c = "- 1";
  EXPECT_EQ(Strz2Int(c).status, NumberStatus::NoDigits);
  EXPECT_EQ(c, "- 1");
}

TEST(NumberParsers, WholeTextForms) {
  std::uint32_t v = 0;
  EXPECT_TRUE(parseWholeDecimal("10", v));
  EXPECT_EQ(v, 10u);
  EXPECT_FALSE(parseWholeDecimal("10 ", v));
  EXPECT_FALSE(parseWholeDecimal("", v));
  EXPECT_TRUE(parseWholeHex("7F", v));
  EXPECT_EQ(v, 0x7Fu);
}

TEST(ByteOrder, RoundTripsBothEndians) {
  std::uint8_t b[4];
  writeLE32(b, 0x12345678);
  EXPECT_EQ(b[0], 0x78);
  EXPECT_EQ(readLE32(b), 0x12345678u);
  writeBE32(b, 0x12345678);
  EXPECT_EQ(b[0], 0x12);
  EXPECT_EQ(readBE32(b), 0x12345678u);
  writeLE16(b, 0x3075);
  EXPECT_EQ(readLE16(b), 0x3075);
  writeBE16(b, 0x3075);
  EXPECT_EQ(readBE16(b), 0x3075);
}

TEST(StepLength, AcceptsTheRangeFromOneTenthBelowAThousand) {
  double v = 0;
  EXPECT_TRUE(parseStepLength("0.1", 0.1, 1000, v));
  EXPECT_DOUBLE_EQ(v, 0.1);
  EXPECT_TRUE(parseStepLength("999.9", 0.1, 1000, v));
  EXPECT_TRUE(parseStepLength("8", 0.1, 1000, v));
  EXPECT_DOUBLE_EQ(v, 8.0);
  EXPECT_TRUE(parseStepLength("7.8125", 0.1, 1000, v));
  EXPECT_DOUBLE_EQ(v, 7.8125);
  for (const char* bad : {"0.05", "1000", "8x", "", ".", "-1", "1e2", "99999999999999999999"}) {
    EXPECT_FALSE(parseStepLength(bad, 0.1, 1000, v)) << bad;
  }
}

TEST(StepLength, FixedParserAdvancesAndFlagsOverflow) {
  std::string_view text = "12.50rest";
  FixedDecimal d = VornFixFromStrAbs(text);
  ASSERT_TRUE(d.ok);
  EXPECT_DOUBLE_EQ(d.value, 12.5);
  EXPECT_EQ(text, "rest");
  std::string_view huge = "123456789012345678901234";
  EXPECT_TRUE(VornFixIsOverflow(VornFixFromStrAbs(huge)));
}

// Quantities are written in the fewest bytes and read back to the same value.
TEST(VarLength, WrittenInTheFewestBytesAndReadBack) {
  struct Case {
    std::uint32_t value;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {0, {0x00}},
      {0x7F, {0x7F}},
      {0x80, {0x81, 0x00}},
      {0x3FFF, {0xFF, 0x7F}},
      {0x4000, {0x81, 0x80, 0x00}},
      {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
      {0x10000000, {0x81, 0x80, 0x80, 0x80, 0x00}},
      {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> out;
    vorn::appendVarLength(out, c.value);
    EXPECT_EQ(out, c.bytes) << c.value;
    std::size_t at = 0;
    auto back = vorn::readVarLength([&] { return out[at++]; });
    // Five-byte quantities are beyond what a reader takes.
    if (c.value <= vorn::kMaxVarLength) {
      EXPECT_EQ(back, c.value);
    } else {
      EXPECT_FALSE(back.has_value());
    }
  }
}
