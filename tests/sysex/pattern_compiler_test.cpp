// The selection pattern compiler: every item and keyword, every syntax error.
#include <gtest/gtest.h>

#include "run_tool.h"
#include "sysex/pattern_compiler.h"
#include "vornlib/numbers.h"

namespace {

using zamotest::hex;

// The items of the compiled record (its length word checked and dropped), in hex.
std::string compiled(std::string_view text, const sysex::PatternValues& values = {}) {
  std::vector<std::uint8_t> program;
  auto error = sysex::compilePattern(text, values, program);
  if (error) return "error: " + error->what;
  EXPECT_GE(program.size(), 5u);
  EXPECT_EQ(vorn::readLE32(program.data()), program.size());
  EXPECT_EQ(program.back(), 0x81);
  return hex(std::string_view(reinterpret_cast<const char*>(program.data()) + 4, program.size() - 5));
}

bool rejected(std::string_view text, const sysex::PatternValues& values = {}) {
  std::vector<std::uint8_t> program{1, 2, 3};
  bool failed = sysex::compilePattern(text, values, program).has_value();
  if (failed) {
    EXPECT_EQ(program.size(), 3u) << "a failed compile must leave the program as it was";
  }
  return failed;
}

TEST(PatternCompiler, LiteralsInEveryNotation) {
  EXPECT_EQ(compiled("41 10 42 12"), "41 10 42 12");
  for (const char* a : {"&65", "41", "%1000001", "'A'", "\"A\"", "0x41"}) EXPECT_EQ(compiled(a), "41") << a;
  EXPECT_EQ(compiled("7f 7F &127 %1111111 0"), "7F 7F 7F 7F 00");
  EXPECT_EQ(compiled("'It''s'"), "49 74 27 73");
  EXPECT_EQ(compiled("\"say \"\"hi\"\"\""), "73 61 79 20 22 68 69 22");
  EXPECT_EQ(compiled("'' \"\""), "");
  EXPECT_EQ(compiled("'\"'"), "22");  // the other quote is an ordinary character
  EXPECT_EQ(compiled("'~\x7F'"), "7E 7F");
}

TEST(PatternCompiler, SeparatorsAndEmptyPatterns) {
  EXPECT_EQ(compiled(""), "");
  EXPECT_EQ(compiled(" \t\r\n "), "");
  EXPECT_EQ(compiled("\n41\t\x01" "42\r\n"), "41 42");  // any control character separates
  std::vector<std::uint8_t> program;
  ASSERT_FALSE(sysex::compilePattern("   ", {}, program));
  EXPECT_EQ(program.size(), 5u);  // an empty record matches everything
  // Records append, each with its own length.
  ASSERT_FALSE(sysex::compilePattern("01 02", {}, program));
  EXPECT_EQ(hex(std::string(program.begin(), program.end())), "05 00 00 00 81 07 00 00 00 01 02 81");
}

TEST(PatternCompiler, OperatorsAndKeywords) {
  EXPECT_EQ(compiled("??? 7F"), "83 83 83 7F");
  EXPECT_EQ(compiled("/ { } .TAIL"), "84 8F 90 82");
  EXPECT_EQ(compiled(".SUM7 .CSUM7 .KSUM7 .XBLK"), "86 87 88 8A");
  EXPECT_EQ(compiled(".BLK(10) .BLK(&10)"), "85 10 00 00 00 85 0A 00 00 00");
  EXPECT_EQ(compiled(".XLEN(1) .XLEN(&4)"), "89 01 00 00 00 89 04 00 00 00");
  EXPECT_EQ(compiled(".LEN(&11) .LAST(0)"), "8B 0B 00 00 00 8C 00 00 00 00");
  EXPECT_EQ(compiled(".REP(3) ? .REPE"), "8D 03 00 00 00 83 8E");
  EXPECT_EQ(compiled(".BLK(FFFFFFFF)"), "85 FF FF FF FF");
  // Names are compared without regard to case.
  EXPECT_EQ(compiled(".tail .Sum7 .rep(1) .RePe .blk(0)"), "82 86 8D 01 00 00 00 8E 85 00 00 00 00");
}

TEST(PatternCompiler, IdAndParameterBytes) {
  sysex::PatternValues v;
  v.id = 0x10;
  v.params[3] = 0x20;
  v.params[9] = 0x7F;
  EXPECT_EQ(compiled(".id(&3) .ID .ID(5)", v), "13 10 15");
  EXPECT_EQ(compiled(".P3 .p3(1) .P9 .P0", v), "20 21 7F 00");
  EXPECT_EQ(compiled(".P3"), "00");
  EXPECT_EQ(compiled(".ID(7F)"), "7F");
  // A sum reaching 0x80 would read as an operation.
  EXPECT_TRUE(rejected(".ID(70)", v));
  EXPECT_TRUE(rejected(".P9(1)", v));
  EXPECT_TRUE(rejected(".ID(FFFFFFF0)", v));  // no wrapping back into range
  EXPECT_TRUE(rejected(".P10"));
  EXPECT_TRUE(rejected(".PX"));
  EXPECT_TRUE(rejected(".P"));
}

TEST(PatternCompiler, EverySyntaxError) {
  const char* bad[] = {
      "41?", "{41", "41}", "'A'B", ".TAIL}", "?41",         // an item not followed by a blank
      ".FOO", ".", ".SUM8", ". TAIL",                         // unknown keywords
      ".BLK", ".BLK()", ".BLK(&)", ".BLK(10", ".BLK 10",      // missing or malformed arguments
      ".BLK(G)", ".LEN(&1x)", ".BLK(100000000)",
      "80", "F0", "F7", "&128", "%10000000", "100000000", "G", "-1", "&",  // numbers
      "'abc", "'a\tb'", "'\xE3\x81\x82'", "'\x85'",          // strings
      ".XLEN(0)", ".XLEN(5)", ".REP(0)", ".REPE", ".REP(2) ?",  // counts and nesting
      ".REP(1) .REPE .REPE",
  };
  for (const char* text : bad) EXPECT_TRUE(rejected(text)) << text;
}

TEST(PatternCompiler, RepeatNestingLimit) {
  std::string deep, tooDeep;
  for (int i = 0; i < 128; ++i) deep += ".REP(2) ";
  for (int i = 0; i < 128; ++i) deep += ".REPE ";
  EXPECT_FALSE(rejected(deep));
  for (int i = 0; i < 129; ++i) tooDeep += ".REP(2) ";
  for (int i = 0; i < 129; ++i) tooDeep += ".REPE ";
  EXPECT_TRUE(rejected(tooDeep));
}

TEST(PatternCompiler, ErrorsNameWhereTheyWereFound) {
  std::vector<std::uint8_t> program;
  auto error = sysex::compilePattern("41 10 42?", {}, program);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->offset, 8u);
  error = sysex::compilePattern("41 .NOPE", {}, program);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->offset, 4u);
  EXPECT_NE(error->what.find("keyword"), std::string::npos);
}

TEST(PatternCompiler, PatternFileTextKeepsTabsAndLineEnds) {
  EXPECT_EQ(sysex::patternFileText(std::string_view("41\r\n\t42\x01\x1B 43\0 44", 16)), "41\n\t42 43 44");
  EXPECT_EQ(compiled(sysex::patternFileText("41\r\n10 'a''b'\n.TAIL\n")), "41 10 61 27 62 82");
}

}  // namespace
