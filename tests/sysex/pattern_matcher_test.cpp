// Running compiled patterns against messages, and selecting by several.
#include <gtest/gtest.h>

#include "run_tool.h"
#include "sysex/pattern_code.h"
#include "sysex/pattern_compiler.h"
#include "sysex/pattern_matcher.h"
#include "sysex/selector.h"

namespace {

using sysex::MatchResult;
using zamotest::hex;
using zamotest::unhex;

struct PatternRun {
  MatchResult result;
  std::string ranges;  // "start-end start-end"
};

PatternRun run(std::string_view pattern, std::string_view messageHex) {
  std::vector<std::uint8_t> program;
  auto error = sysex::compilePattern(pattern, {}, program);
  EXPECT_FALSE(error) << pattern;
  if (error) return {MatchResult::BadPattern, ""};
  std::string message = unhex(messageHex);
  std::vector<sysex::ExtractRange> ranges{{7, 7}};
  auto items = std::span(program).subspan(4);
  auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size());
  PatternRun r{sysex::runPattern(items, bytes, ranges), ""};
  for (const auto& range : ranges) r.ranges += (r.ranges.empty() ? "" : " ") + std::to_string(range.start) + "-" + std::to_string(range.end);
  return r;
}

bool matches(std::string_view pattern, std::string_view messageHex) {
  return run(pattern, messageHex).result == MatchResult::Match;
}

const char* kRoland = "F0 41 10 42 12 40 00 7F 00 41 F7";

TEST(PatternMatcher, LiteralsAndWildcards) {
  EXPECT_TRUE(matches("41 10 42 12", kRoland));
  EXPECT_TRUE(matches("", kRoland));
  EXPECT_FALSE(matches("41 10 43", kRoland));
  EXPECT_TRUE(matches("? ? 42", kRoland));
  EXPECT_TRUE(matches("????????? .TAIL", kRoland));
  EXPECT_FALSE(matches("?????????? .TAIL", kRoland));  // a wildcard never takes the F7
  EXPECT_FALSE(matches("???????? .TAIL", kRoland));
  EXPECT_TRUE(matches(".TAIL", "F0 F7"));
  EXPECT_FALSE(matches("?", "F0 F7"));
  // Nothing lies after the F7.
  EXPECT_FALSE(matches(".TAIL ?", "F0 F7"));
  EXPECT_FALSE(matches(".TAIL 00", "F0 F7"));
  EXPECT_FALSE(matches(".TAIL .TAIL", "F0 F7"));
  EXPECT_TRUE(matches(".TAIL .BLK(0)", "F0 F7"));
}

TEST(PatternMatcher, ChecksumsAndTheRunningSum) {
  EXPECT_TRUE(matches("41 10 42 12 / 40 00 7F 00 .CSUM7 .TAIL", kRoland));
  EXPECT_FALSE(matches("41 10 42 12 / 40 00 7F 00 .CSUM7 .TAIL", "F0 41 10 42 12 40 00 7F 00 42 F7"));
  EXPECT_TRUE(matches("41 10 42 12 / 40 00 7F 00 .SUM7 .TAIL", "F0 41 10 42 12 40 00 7F 00 3F F7"));
  EXPECT_TRUE(matches("41 10 42 12 / 40 00 7F 00 .KSUM7 .TAIL", "F0 41 10 42 12 40 00 7F 00 64 F7"));
  // Without the reset the header bytes count too: A5 + BF = 0x164.
  EXPECT_TRUE(matches("41 10 42 12 40 00 7F 00 .SUM7", "F0 41 10 42 12 40 00 7F 00 64 F7"));
  // Every skipping item adds to the sum; checksum bytes themselves do not.
  EXPECT_TRUE(matches("/ .BLK(4) .SUM7 .SUM7", "F0 40 00 7F 00 3F 3F F7"));
  EXPECT_TRUE(matches("41 10 42 12 / .LAST(1) .CSUM7 .TAIL", kRoland));
  EXPECT_TRUE(matches(".LAST(1) .CSUM7 .TAIL", "F0 01 02 03 7A F7"));
  EXPECT_FALSE(matches(".LAST(1) .CSUM7 .TAIL", "F0 01 02 03 7B F7"));
  EXPECT_TRUE(matches("/ .XLEN(1) .XBLK .SUM7", "F0 02 05 06 0D F7"));
  // A checksum never takes the F7.
  EXPECT_FALSE(matches(".SUM7", "F0 F7"));
  EXPECT_FALSE(matches("01 .CSUM7", "F0 01 F7"));
}

TEST(PatternMatcher, BlocksLengthsAndTheTail) {
  EXPECT_TRUE(matches("41 .XLEN(2) .XBLK .TAIL", "F0 41 00 03 01 02 03 F7"));
  EXPECT_FALSE(matches("41 .XLEN(2) .XBLK .TAIL", "F0 41 00 03 01 02 F7"));
  EXPECT_TRUE(matches(".BLK(9) .TAIL", kRoland));
  EXPECT_FALSE(matches(".BLK(10)", kRoland));  // would pass over the F7
  EXPECT_FALSE(matches(".BLK(FFFFFFFF)", kRoland));
  EXPECT_TRUE(matches(".LEN(&11)", kRoland));
  EXPECT_FALSE(matches(".LEN(&10)", kRoland));
  EXPECT_TRUE(matches(".REP(3) ? .REPE .TAIL", "F0 01 02 03 F7"));
  EXPECT_TRUE(matches(".LEN(&5)", "F0 01 02 03 F7"));
  EXPECT_FALSE(matches(".REP(3) ? .REPE .TAIL", "F0 01 02 F7"));
  EXPECT_FALSE(matches(".REP(3) ? .REPE .TAIL", "F0 01 02 03 04 F7"));
  EXPECT_TRUE(matches(".LAST(0) .TAIL", kRoland));
  EXPECT_TRUE(matches(".LAST(9) 41", kRoland));
  EXPECT_FALSE(matches(".LAST(10)", kRoland));  // more data bytes than the message has
  EXPECT_FALSE(matches("41 10 .LAST(8)", kRoland));  // already past that point
  EXPECT_FALSE(matches(".TAIL .LAST(0)", "F0 F7"));
}

TEST(PatternMatcher, XLenReadsBase128MostSignificantFirst) {
  // X = 1 * 128 + 2 = 130 bytes of block.
  std::string message = "F0 01 02";
  for (int i = 0; i < 130; ++i) message += " 00";
  EXPECT_TRUE(matches(".XLEN(2) .XBLK .TAIL", message + " F7"));
  EXPECT_FALSE(matches(".XLEN(2) .XBLK .TAIL", message + " 00 F7"));
}

TEST(PatternMatcher, RepetitionNests) {
  EXPECT_TRUE(matches(".REP(2) 01 .REP(3) 02 .REPE .REPE .TAIL", "F0 01 02 02 02 01 02 02 02 F7"));
  EXPECT_FALSE(matches(".REP(2) 01 .REP(3) 02 .REPE .REPE .TAIL", "F0 01 02 02 02 01 02 02 F7"));
  EXPECT_TRUE(matches(".REP(2) / ? .SUM7 .REPE .TAIL", "F0 05 05 06 06 F7"));
}

TEST(PatternMatcher, RoundsThatChangeNothingEndTheRepetition) {
  // Four billion rounds that consume nothing, nested deep: each round would
  // be the same as the one before, so the match must still finish.
  std::string deep;
  for (int i = 0; i < 64; ++i) deep += ".REP(FFFFFFFF) ";
  deep += "/ { } ";
  for (int i = 0; i < 64; ++i) deep += ".REPE ";
  PatternRun r = run(deep + "01 .TAIL", "F0 01 F7");
  EXPECT_EQ(r.result, MatchResult::Match);
  // Consuming rounds still run to the end of the message.
  EXPECT_FALSE(matches(".REP(FFFFFFFF) ? .REPE", "F0 01 02 F7"));
  EXPECT_TRUE(matches(".REP(FFFFFFFF) .REP(2) / .REPE .REPE 01", "F0 01 F7"));
}

TEST(PatternMatcher, RangesMarkOffsetsFromTheStart) {
  EXPECT_EQ(run("41 10 42 12 { ? ? ? }", kRoland).ranges, "5-8");
  EXPECT_EQ(run("41 10 42 12 {", kRoland).ranges, "5-10");  // open to the end, F7 excluded
  EXPECT_EQ(run("{ ? ? ? ? ? ? ? ? ? .TAIL }", kRoland).ranges, "1-11");
  EXPECT_EQ(run("{ } ? { ?", kRoland).ranges, "1-1 2-10");
  EXPECT_EQ(run(".REP(2) { ? } .REPE", kRoland).ranges, "1-2 2-3");
  EXPECT_EQ(run("41 { 7E", kRoland).ranges, "");  // a range still open when the run fails is not kept
  EXPECT_EQ(run("41 { 7E", kRoland).result, MatchResult::NoMatch);
}

TEST(PatternMatcher, BracesThatDoNotPairFailWhenReached) {
  EXPECT_EQ(run("{ {", kRoland).result, MatchResult::BadPattern);
  EXPECT_EQ(run("}", kRoland).result, MatchResult::BadPattern);
  EXPECT_EQ(run(".REP(2) { .REPE", kRoland).result, MatchResult::BadPattern);
  // Not reached: the pattern failed before.
  EXPECT_EQ(run("42 }", kRoland).result, MatchResult::NoMatch);
  // A byte code byte that is no item, or a record cut short.
  std::vector<sysex::ExtractRange> ranges;
  std::string message = unhex(kRoland);
  auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size());
  for (std::vector<std::uint8_t> items : {std::vector<std::uint8_t>{0x80, 0x81}, {0x91, 0x81}, {0xFF}, {0x41},
                                          {0x85, 0x01, 0x00}, {0x8E, 0x81}}) {
    EXPECT_EQ(sysex::runPattern(items, bytes, ranges), MatchResult::BadPattern) << hex(std::string(items.begin(), items.end()));
  }
}

// Selection by several patterns with -A and -V.
struct Selection {
  bool selected;
  sysex::SelectFault fault;
};

Selection selectWith(const std::vector<std::string>& patterns, std::uint32_t flags, std::string_view messageHex) {
  std::vector<std::uint8_t> program;
  for (const std::string& p : patterns) EXPECT_FALSE(sysex::compilePattern(p, {}, program)) << p;
  sysex::Selector selector(program, flags);
  std::string message = unhex(messageHex);
  Selection s{};
  s.selected = selector.select(std::span(reinterpret_cast<const std::uint8_t*>(message.data()), message.size()), s.fault);
  return s;
}

TEST(PatternSelection, AnyAllAndInverted) {
  const std::vector<std::string> two = {"01", "02"};
  const char* second = "F0 02 F7";
  EXPECT_TRUE(selectWith(two, 0, second).selected);
  EXPECT_FALSE(selectWith(two, sysex::kSelectAll, second).selected);
  EXPECT_TRUE(selectWith(two, sysex::kSelectAll | sysex::kSelectInvert, second).selected);
  EXPECT_FALSE(selectWith(two, sysex::kSelectInvert, second).selected);
  EXPECT_TRUE(selectWith({"?", "02"}, sysex::kSelectAll, second).selected);
  EXPECT_FALSE(selectWith(two, 0, "F0 03 F7").selected);
  // No pattern: nothing without -A, everything with it.
  EXPECT_FALSE(selectWith({}, 0, second).selected);
  EXPECT_TRUE(selectWith({}, sysex::kSelectAll, second).selected);
  EXPECT_TRUE(selectWith({}, sysex::kSelectInvert, second).selected);
}

TEST(PatternSelection, BadPatternIsNamed) {
  Selection s = selectWith({"01", "{ {"}, 0, "F0 02 F7");
  EXPECT_EQ(s.fault.kind, sysex::SelectFault::BadPattern);
  EXPECT_EQ(s.fault.pattern, 2u);
  // The first pattern decides before the second runs.
  EXPECT_EQ(selectWith({"02", "{ {"}, 0, "F0 02 F7").fault.kind, sysex::SelectFault::None);
}

}  // namespace
