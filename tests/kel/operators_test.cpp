// Operators: C precedence and meaning, 32-bit wrapping, the string rules and
// the type errors where no rule applies.
#include <gtest/gtest.h>

#include "kel_test_support.h"

namespace {

using keltest::expectCases;

TEST(KelPrecedence, FollowsC) {
  expectCases({
      {"1+2*3", "7"},
      {"(1+2)*3", "9"},
      {"10-4-3", "3"},
      {"100/10/5", "2"},
      {"2*3%4", "2"},
      {"1<<2+1", "8"},
      {"1+2<<1", "6"},
      {"1<2==1", "1"},
      {"2==2<1", "0"},
      {"3&5|2", "3"},
      {"1|2^3&4", "3"},
      {"6^3&5", "7"},
      {"6&3==3", "0"},
      {"1||0&&0", "1"},
      {"0&&1||1", "1"},
      {"1|0&&0", "0"},
      {"1?2:3?4:5", "2"},
      {"0?2:0?4:5", "5"},
      {"1?0?6:7:8", "7"},
      {"-2*-3", "6"},
      {"!0+1", "2"},
      {"~0", "-1"},
      {"- - 3", "3"},
      {"!!7", "1"},
      {"-2<<1", "-4"},
  });
}

TEST(KelPrecedence, AssignmentIsLowestAndRightAssociative) {
  expectCases({
      {"a = b = 4; a + b", "8"},
      {"x = 1 ? 2 : 3; x", "2"},
      {"y = 2 + 3 * 4; y", "14"},
      {"1 ? z = 5 : 6; z", "5"},
      {"(a) = 1", "Syntax@4"},
      {"a + b = 1", "Syntax@6"},
      {"3 = 4", "Syntax@2"},
  });
}

TEST(KelPrecedence, SequencesGiveTheirLastValue) {
  expectCases({
      {"(1; 2; 3)", "3"},
      {"(a = 5; a * 2)", "10"},
      {"(1;)", "Syntax@3"},
      {"()", "Syntax@1"},
      {"(1 2)", "Syntax@3"},
  });
}

TEST(KelIntegers, ArithmeticWrapsInThirtyTwoBits) {
  expectCases({
      {"2147483647+1", "-2147483648"},
      {"-2147483648-1", "2147483647"},
      {"65536*65536", "0"},
      {"-(-2147483648)", "-2147483648"},
      {"-2147483648/-1", "-2147483648"},
      {"-2147483648%-1", "0"},
      {"-7/2", "-3"},
      {"-7%2", "-1"},
      {"7%-2", "1"},
      {"1<<31", "-2147483648"},
      {"3<<31", "-2147483648"},
      {"-8>>1", "-4"},
      {"0x80000000>>31", "-1"},
  });
}

TEST(KelIntegers, DivisionByZeroAndShiftCountsAreErrors) {
  expectCases({
      {"7/0", "DivideByZero@1"},
      {"7 % (1-1)", "DivideByZero@2"},
      {"1<<32", "Range@1"},
      {"1>>-1", "Range@1"},
  });
}

TEST(KelStrings, ConcatenationRepetitionAndComparison) {
  expectCases({
      {R"("ab"+"cd")", R"("abcd")"},
      {R"(x"F0"+"A"+x"F7")", R"(x"F0 41 F7")"},
      {R"("ab"*3)", R"("ababab")"},
      {R"("ab"*0)", R"("")"},
      {R"(""*100000000)", R"("")"},
      {R"("ab"*-1)", "Range@4"},
      {R"("a"<"b")", "1"},
      {R"("ab"<"b")", "1"},
      {R"(""<"a")", "1"},
      {R"("a"<"")", "0"},
      // Bytes compare unsigned: 0x80 sorts above 0x7F.
      {R"(x"80">x"7F")", "1"},
      {R"("abc"=="abc")", "1"},
      {R"("abc"!="abd")", "1"},
      {R"("b">="b")", "1"},
  });
}

TEST(KelStrings, MixingKindsWithoutARuleIsATypeError) {
  expectCases({
      {R"(3*"ab")", "Type@1"},
      {R"("a"+1)", "Type@3"},
      {R"(1-"a")", "Type@1"},
      {R"("a"=="a"+0)", "Type@8"},
      {R"("a"==1)", "Type@3"},
      {R"("a"<1)", "Type@3"},
      {R"("a"/"a")", "Type@3"},
      {R"("a"&1)", "Type@3"},
      {R"(-"a")", "Type@0"},
      {R"(~"a")", "Type@0"},
      {R"(!"")", "Type@0"},
      {R"("a"?1:2)", "Type@0"},
  });
}

TEST(KelLogic, ShortCircuitSkipsTheOtherSide) {
  expectCases({
      {"0 && undefined", "0"},
      {"1 || undefined", "1"},
      {"5 && 7", "1"},
      {"0 || 0", "0"},
      {"1 && undefined", "UnknownName@5"},
      {"0 || 1/0", "DivideByZero@6"},
      {"0 && 1 && undefined", "0"},
      {"1 ? 4 : undefined", "4"},
      {"0 ? undefined : 5", "5"},
      {R"("a" && 1)", "Type@4"},
      {R"(1 && "a")", "Type@2"},
  });
}

}  // namespace
