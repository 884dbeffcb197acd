// Errors: their codes, offsets and messages, and the limits that keep any
// input from exhausting the stack or memory.
#include <gtest/gtest.h>

#include <string>

#include "kel_test_support.h"

namespace {

using keltest::errorOf;
using keltest::expectCases;
using keltest::run;

std::string repeated(std::string_view piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(KelErrors, MessagesNameWhatWentWrong) {
  struct Expected {
    std::string_view text;
    std::string_view message;
  };
  const Expected cases[] = {
      {"1 +", "expected an operand but found the end of the text"},
      {"(1 + 2", "expected \")\" but found the end of the text"},
      {"len(1 2)", "expected \",\" or \")\" but found \"2\""},
      {"nope", "unknown name \"nope\""},
      {"nope(1)", "unknown function \"nope\""},
      {"$3", "there is no positional parameter $3"},
      {"\"a\" + 1", "\"+\" cannot combine a byte string with an integer"},
      {"5 / 0", "division by zero"},
      {"1 << 40", "a shift count must lie in 0..31, not 40"},
      {"len(1)", "len: argument 1 must be a byte string, not an integer"},
      {"hex(1, 2, 3)", "hex takes 1 or 2 arguments, not 3"},
      {"bytes", "\"bytes\" is a function: call it as bytes(...)"},
      {"sub = 1", "\"sub\" is a built-in function and cannot be assigned"},
      {"b7(300, 1)", "b7: argument 1 is 300, outside 0..127"},
      {"1 2)", "expected a blank or \";\" after the expression but found \")\""},
      {"0x1FFFFFFFF", "the number 0x1FFFFFFFF does not fit in 32 bits"},
      {"\"abc", "a text without its closing \""},
  };
  for (const Expected& c : cases) EXPECT_EQ(errorOf(c.text).message, c.message) << "text: " << c.text;
}

TEST(KelErrors, OffsetsPointIntoTheWholeTextNotTheStart) {
  // zembra hands its whole source with the position of the expression.
  kel::Session session;
  const std::string text = "c4 d4 =(1 + \"x\") e4";
  kel::Result<kel::Evaluated> result = session.evaluateClosed(text, 8, kel::Closer::Paren);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().code, vorn::kErrKelType);
  EXPECT_EQ(result.error().offset, 10u);
}

TEST(KelErrors, NestingBeyondTheLimitIsRefusedWithoutOverflow) {
  EXPECT_EQ(run(repeated("(", 256) + "1" + repeated(")", 256)), "1");
  EXPECT_EQ(run(repeated("(", 257) + "1" + repeated(")", 257)), "TooDeep@256");
  EXPECT_EQ(run(repeated("(", 100000)), "TooDeep@256");
  EXPECT_EQ(run(repeated("-", 100000) + "1"), "TooDeep@256");
  EXPECT_EQ(run(repeated("!~", 50000) + "1"), "TooDeep@256");
  EXPECT_EQ(run(repeated("len(", 300)), "TooDeep@1024");
  EXPECT_EQ(run(repeated("a=", 300) + "1"), "TooDeep@513");
  EXPECT_EQ(run(repeated("0?0:", 300) + "1"), "TooDeep@1025");
  EXPECT_EQ(run(repeated("1?", 300) + "1"), "TooDeep@513");
  EXPECT_EQ(run(repeated("if(1,", 300)), "TooDeep@1280");
}

TEST(KelErrors, LongFlatExpressionsAreNotNesting) {
  // Operators of one precedence level make a wide tree, not a deep one.
  EXPECT_EQ(run(repeated("1+", 100000) + "1"), "100001");
  EXPECT_EQ(run(repeated("1&&", 100000) + "1"), "1");
  EXPECT_EQ(run("(" + repeated("1;", 100000) + "2)"), "2");
  EXPECT_EQ(run("bytes(" + repeated("1,", 100000) + "1) == " + "x\"01\"*100001"), "1");
}

TEST(KelErrors, DepthLimitIsConfigurable) {
  kel::Limits limits;
  limits.maxDepth = 2;
  expectCases({
      {"((1))", "1"},
      {"(((1)))", "TooDeep@2"},
      {"-(1)", "-1"},
      {"--(1)", "TooDeep@2"},
      {"len(str(1))", "1"},
      {"len(str((1)))", "TooDeep@8"},
  }, nullptr, limits);
}

TEST(KelErrors, StringsLongerThanTheLimitAreRefused) {
  EXPECT_EQ(run(R"("ab" * 8388608)").size(), 16777218u);  // exactly 16 MiB is allowed
  EXPECT_EQ(run(R"("ab" * 8388609)"), "TooLong@5");
  EXPECT_EQ(run(R"(("a" * 16777216) + "b")"), "TooLong@17");

  kel::Limits limits;
  limits.maxBytes = 4;
  keltest::RecordingHost host;
  host.variables["big"] = kel::Value::ofBytes("12345");
  host.positionals[1] = "12345";
  expectCases({
      {R"("abcd")", R"("abcd")"},
      {R"("abcde")", "TooLong@0"},
      {R"(x"01 02 03 04 05")", "TooLong@0"},
      {R"("ab" + "abc")", "TooLong@5"},
      {"bytes(1, 2, 3, 4, 5)", "TooLong@0"},
      {"big", "TooLong@0"},
      {"1; $1", "TooLong@3"},
  }, &host, limits);
}

}  // namespace
