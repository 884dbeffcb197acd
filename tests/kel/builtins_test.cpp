// The built-in functions, including the lazy "if" and "for".
#include <gtest/gtest.h>

#include "kel_test_support.h"

namespace {

using keltest::expectCases;
using keltest::run;

TEST(KelBuiltins, TextAndNumberConversions) {
  expectCases({
      {R"(len("abc"))", "3"},
      {R"(len(""))", "0"},
      {"len(1)", "Type@4"},
      {"str(-12)", R"("-12")"},
      {"str(-2147483648)", R"("-2147483648")"},
      {"hex(255)", R"("FF")"},
      {"hex(255, 4)", R"("00FF")"},
      {"hex(0x12345, 2)", R"("12345")"},
      {"hex(-1)", R"("FFFFFFFF")"},
      {"hex(0)", R"("0")"},
      {"hex(1, 9)", "Range@7"},
      {"hex(1, -1)", "Range@7"},
      {R"(int("42"))", "42"},
      {R"(int(" -0x10 "))", "-16"},
      {R"(int("+0b11"))", "3"},
      {R"(int("0xFFFFFFFF"))", "-1"},
      {R"(int("-2147483648"))", "-2147483648"},
      {R"(int("2147483648"))", "Range@4"},
      {R"(int("12a"))", "Arguments@4"},
      {R"(int(""))", "Arguments@4"},
      {R"(int("0x"))", "Arguments@4"},
      {R"(int("- 1"))", "Arguments@4"},
      {"int(5)", "Type@4"},
      {R"(int(str(-77)))", "-77"},
  });
}

TEST(KelBuiltins, BytesOfStrings) {
  expectCases({
      {R"(byte("AB", 1))", "66"},
      {R"(byte(x"FF", 0))", "255"},
      {R"(byte("AB", 2))", "Range@11"},
      {R"(byte("", 0))", "Range@9"},
      {R"(byte("a", -1))", "Range@10"},
      {R"(sub("hello", 1, 3))", R"("ell")"},
      {R"(sub("hello", 3))", R"("lo")"},
      {R"(sub("hello", 5))", R"("")"},
      {R"(sub("hello", 1, 99))", R"("ello")"},
      {R"(sub("hello", 6))", "Range@13"},
      {R"(sub("hello", 0, -1))", "Range@16"},
      {"bytes(0x41, 0x142, -1)", R"(x"41 42 FF")"},
      {"bytes()", R"("")"},
      {R"(bytes(1, "a"))", "Type@9"},
  });
}

TEST(KelBuiltins, SevenBitNumbersAndChecksums) {
  expectCases({
      {"b7(0x10007F, 3)", R"(x"40 00 7F")"},
      {"b7(200, 2)", R"(x"01 48")"},
      {"b7(127, 1)", R"(x"7F")"},
      {"b7(0x7FFFFFFF, 5)", R"(x"07 7F 7F 7F 7F")"},
      {"b7(128, 1)", "Range@3"},
      {"b7(-1, 2)", "Range@3"},
      {"b7(1, 0)", "Range@6"},
      {"b7(1, 6)", "Range@6"},
      // For the data 40 00 7F 00 the byte sum is 0xBF.
      {R"(sum7(x"40 00 7F 00"))", "63"},
      {R"(csum7(x"40 00 7F 00"))", "65"},
      {R"(ksum7(x"40 00 7F 00"))", "100"},
      {R"(csum7(""))", "0"},
      {R"(sum7(x"FF FF FF FF"))", "124"},
      {"csum7(1)", "Type@6"},
  });
}

TEST(KelBuiltins, ArgumentCountsAndMisuse) {
  expectCases({
      {R"(len("a", "b"))", "Arguments@0"},
      {"hex()", "Arguments@0"},
      {"if(1, 2)", "Arguments@0"},
      {"for(i, 1, 2)", "Arguments@0"},
      {"foo(1)", "UnknownName@0"},
      {"a = 1; a(2)", "UnknownName@7"},
      {"len", "Syntax@0"},
      {"len = 3", "ReadOnly@0"},
      {"for = 3", "ReadOnly@0"},
  });
}

TEST(KelBuiltins, IfEvaluatesOnlyTheChosenBranch) {
  expectCases({
      {"if(1, 2, undefined)", "2"},
      {"if(0, undefined, 3)", "3"},
      {"if(7, a = 1, b = 2); a", "1"},
      {"if(7, a = 1, b = 2); b", "UnknownName@21"},
      {R"(if("a", 1, 2))", "Type@3"},
  });
}

TEST(KelBuiltins, ForConcatenatesTextsOrGivesTheLastInteger) {
  expectCases({
      {"for(i, 1, 4, str(i))", R"("1234")"},
      {"for(i, 1, 4, i * i)", "16"},
      {"for(i, 3, 1, undefined)", R"("")"},
      {"for(i, -1, 1, str(i))", R"("-101")"},
      {"for(i, 1, 3, for(j, 1, 2, str(i * j)))", R"("122436")"},
      {"for(i, 1, 3, 0); i", "3"},
      // The loop keeps its own count whatever the body does to the variable.
      {"n = 0; for(i, 1, 3, (n = n + 1; i = 100)); n", "3"},
      {R"(for(i, 1, 2, if(i == 1, "a", 1)))", "Type@13"},
      {"for(3, 1, 2, 1)", "Arguments@4"},
      {"for((i), 1, 2, 1)", "Arguments@5"},
      {"for(len, 1, 2, 1)", "ReadOnly@4"},
      {R"(for(i, "a", 2, 1))", "Type@7"},
      {"for(i, 2147483646, 2147483647, str(i))", R"("21474836462147483647")"},
  });
}

TEST(KelBuiltins, ForIterationsAreBoundedPerEvaluation) {
  kel::Limits limits;
  limits.maxIterations = 10;
  expectCases({
      {"for(i, 1, 10, 0)", "0"},
      {"for(i, 1, 11, 0)", "Range@0"},
      {"for(i, 1, 5, 0); for(j, 1, 6, 0)", "Range@17"},
      {"for(i, 1, 2, for(j, 1, 4, 0))", "0"},
      {"for(i, 1, 2, for(j, 1, 6, 0))", "Range@13"},
  }, nullptr, limits);

  // The budget starts again with each evaluation of a session.
  kel::Session session(nullptr, limits);
  EXPECT_TRUE(session.evaluateNext("for(i, 1, 10, 0)", 0));
  EXPECT_TRUE(session.evaluateNext("for(i, 1, 10, 0)", 0));
}

TEST(KelBuiltins, ForStopsAtTheStringLimit) {
  kel::Limits limits;
  limits.maxBytes = 10;
  EXPECT_EQ(run(R"(for(i, 1, 5, "ab"))", nullptr, limits), R"("ababababab")");
  EXPECT_EQ(run(R"(for(i, 1, 6, "ab"))", nullptr, limits), "TooLong@0");
}

}  // namespace
