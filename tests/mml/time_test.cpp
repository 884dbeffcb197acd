// Moving a voice in time: parallel blocks, set time "*", measures "/", bar
// lines "|", and how each ends a pending tie.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::events;
using mmltest::notes;
using Lines = std::vector<std::string>;

namespace {

// Where the note-ons of a block start.
std::vector<int> starts(const std::string& block) {
  std::vector<int> times;
  for (const std::string& line : notes("$0={" + block + "}")) {
    if (line.rfind("on ", 0) == 0) times.push_back(std::stoi(line.substr(3)));
  }
  return times;
}

std::string endOf(const std::string& block) { return events("$0={" + block + "}").back(); }

TEST(MmlParallel, APartLaidOverTheMusicThatFollows) {
  EXPECT_EQ(notes("$0={(c2) d4 e4}"),
            (Lines{"on 0 60 64", "on 0 62 64", "off 384 62", "on 480 64 64", "off 768 60", "off 864 64"}));
  EXPECT_EQ(endOf("(c2) d4 e4"), "960:end");
  // The block's own end marker lies between the written events.
  EXPECT_EQ(events("$0={(c4) c2 d4}"), (Lines{"0:90 3C 40", "0:90 3C 40", "384:90 3C 00", "480:end", "768:90 3C 00",
                                               "960:90 3E 40", "1344:90 3E 00", "1440:end"}));
  EXPECT_EQ(endOf("(c1) c4"), "1920:end");  // the music lasts as long as its longest part
}

TEST(MmlParallel, StartsFreshFromTheVoicesTimeAndChannel) {
  EXPECT_EQ(notes("$0={o5 l8 v100 h3 r (c)}"), (Lines{"on 240 60 64", "off 624 60"}));
  EXPECT_EQ(mmltest::messages("$0={h3 (c)}").front(), "0:93 3C 40");
  EXPECT_EQ(starts("j100 (c)"), (std::vector<int>{100}));  // the offset moves the start, once
  EXPECT_EQ(starts("((((c))))"), (std::vector<int>{0}));
  EXPECT_EQ(errorOf("$0={(c}"), "<)>がない。");
  EXPECT_EQ(errorOf("$0={" + std::string(300, '(') + "}"), "ネストが深すぎます。");
}

TEST(MmlSetTime, AbsoluteTicksOrTheUnnamedMark) {
  EXPECT_EQ(starts("*100 c"), (std::vector<int>{100}));
  EXPECT_EQ(starts("r1 (r *100 c) c"), (std::vector<int>{100, 1920}));  // not relative to the block
  EXPECT_EQ(starts("c c * c"), (std::vector<int>{0, 0, 480}));          // the mark starts at the block's start
  EXPECT_EQ(starts("r (c c * c)"), (std::vector<int>{480, 480, 960}));
  EXPECT_EQ(starts("*$10 c *-0 d"), (std::vector<int>{0, 16}));
  // Only directly followed by a number: "* 100" is "*" alone and a stray number.
  EXPECT_EQ(errorOf("$0={* 100}"), "<}>がない。");
  // Before 0 the note-on moves to 0, its note-off stays.
  EXPECT_EQ(notes("$0={*-100 c}"), (Lines{"on 0 60 64", "off 284 60"}));
}

TEST(MmlSetTime, MeasuresFromTheStartOfTheMusic) {
  EXPECT_EQ(starts("/2 c"), (std::vector<int>{3840}));
  EXPECT_EQ(starts("/480,3 c"), (std::vector<int>{1440}));
  EXPECT_EQ(starts("/ 1 c"), (std::vector<int>{1920}));
  EXPECT_EQ(notes("$0={/-1 c1 c4}"), (Lines{"on 0 60 64", "off 0 60", "on 0 60 64", "off 384 60"}));
  EXPECT_EQ(starts("/0,-5 c"), (std::vector<int>{0}));
  EXPECT_EQ(errorOf("$0={/-1,2}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={/}"), "数字がない");
}

TEST(MmlBarLines, MoveToTheNextMeasureWhateverTheMeasureHeld) {
  EXPECT_EQ(starts("c4 c4 c4 | c"), (std::vector<int>{0, 480, 960, 1920}));
  EXPECT_EQ(starts("c1 c4 | c"), (std::vector<int>{0, 1920, 1920}));  // overfull: the bar wins
  EXPECT_EQ(starts("| | c"), (std::vector<int>{3840}));
  EXPECT_EQ(starts("|960 c |960 c"), (std::vector<int>{960, 1920}));
  EXPECT_EQ(starts("/2 c | c"), (std::vector<int>{3840, 5760}));       // "/" sets the measure top
  EXPECT_EQ(starts("*100 c | c"), (std::vector<int>{100, 2020}));      // so does "*"
  EXPECT_EQ(starts("r (c | c)"), (std::vector<int>{480, 2400}));       // a block's measures start with it
  EXPECT_EQ(errorOf("$0={|0}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={|$FFFFFFFF}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={| 960}"), "<}>がない。");  // the length must touch the bar
}

TEST(MmlSetTime, EveryJumpEndsAPendingTie) {
  const Lines tieThenJump{"on 0 60 64", "off 384 60", "on 1920 60 64", "off 2304 60"};
  EXPECT_EQ(notes("$0={c4& |  c4}"), tieThenJump);
  EXPECT_EQ(notes("$0={c4& *1920 c4}"), tieThenJump);
  EXPECT_EQ(notes("$0={c4& /1 c4}"), tieThenJump);
  EXPECT_EQ(notes("$0={c4& /_tick,1 c4}"), (Lines{"on 0 60 64", "off 384 60", "on 480 60 64", "off 864 60"}));
}

}  // namespace
