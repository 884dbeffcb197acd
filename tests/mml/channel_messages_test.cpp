// Tempo and the channel messages: their bytes, clamps and times, command S
// with its bank delay, and the ramps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml_test_support.h"

using mmltest::errorOf;
using mmltest::messages;
using Lines = std::vector<std::string>;

namespace {

Lines in(const std::string& block) { return messages("$0={" + block + "}"); }

mml::CompileSettings bankDelay(std::uint32_t ticks) {
  mml::CompileSettings settings;
  settings.bankDelay = ticks;
  return settings;
}

TEST(MmlChannelMessages, TempoFitsTheSixteenBitRecord) {
  EXPECT_EQ(in("m120 r m60"), (Lines{"0:tempo 120", "480:tempo 60"}));
  EXPECT_EQ(in("m655"), (Lines{"0:tempo 655"}));
  EXPECT_EQ(errorOf("$0={m0}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={m656}"), "値が不正です。");         // 65600 does not fit
  EXPECT_EQ(errorOf("$0={m$FFFFFFFF}"), "値が不正です。");   // read as unsigned
  EXPECT_EQ(errorOf("$0={m}"), "数字がない");
  EXPECT_EQ(mmltest::ostraOf("$0={m60}"), std::string("\x00\xF1\x70\x17\x00\xFF\x00\x00", 8));
}

TEST(MmlChannelMessages, KeyPressureTakesANumberOrANoteName) {
  EXPECT_EQ(in("k60,100"), (Lines{"0:A0 3C 64"}));
  EXPECT_EQ(in("K c3 , 100"), (Lines{"0:A0 3C 64"}));
  EXPECT_EQ(in("k f#4,1 k bb2,2"), (Lines{"0:A0 4E 01", "0:A0 3A 02"}));
  EXPECT_EQ(in("n2 k c3,1 k60,1"), (Lines{"0:A0 3E 01", "0:A0 3C 01"}));  // transposed only by name
  EXPECT_EQ(in("k127,200"), (Lines{"0:A0 7F 7F"}));
  EXPECT_EQ(errorOf("$0={k128,1}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={k$FFFFFFFF,1}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={k x3,1}"), "音名がない");
  EXPECT_EQ(errorOf("$0={k60 1}"), "<,>がない。");
}

TEST(MmlChannelMessages, PitchBendIsClampedAndSplitIntoSevenBitHalves) {
  EXPECT_EQ(in("p-8192 p p8191 p9000 p-9000 p1"),
            (Lines{"0:E0 00 00", "0:E0 00 40", "0:E0 7F 7F", "0:E0 7F 7F", "0:E0 00 00", "0:E0 01 40"}));
  EXPECT_EQ(in("p$100"), (Lines{"0:E0 00 42"}));
}

TEST(MmlChannelMessages, ControlChangeRemembersItsController) {
  EXPECT_EQ(in("q100"), (Lines{"0:B0 07 64"}));
  EXPECT_EQ(in("Q7,64 Q90"), (Lines{"0:B0 07 40", "0:B0 07 5A"}));
  EXPECT_EQ(in("Q91,40 Q60"), (Lines{"0:B0 5B 28", "0:B0 5B 3C"}));
  EXPECT_EQ(in("Q 10 , 5"), (Lines{"0:B0 0A 05"}));  // blanks before the comma
  EXPECT_EQ(in("Q200,300"), (Lines{"0:B0 7F 7F"}));
  // The controller belongs to the block.
  EXPECT_EQ(messages("$0={Q10,1 (Q2)}"), (Lines{"0:B0 0A 01", "0:B0 07 02"}));
}

TEST(MmlChannelMessages, ProgramChangeWithBankSelectAndItsDelay) {
  EXPECT_EQ(in("s5"), (Lines{"0:C0 05 00"}));
  EXPECT_EQ(in("r s1,2"), (Lines{"480:B0 00 01", "480:C0 02 00"}));
  EXPECT_EQ(in("S1,2,3"), (Lines{"0:B0 00 01", "0:B0 20 02", "0:C0 03 00"}));
  EXPECT_EQ(messages("$0={S1,2,3}", bankDelay(10)), (Lines{"0:B0 00 01", "10:B0 20 02", "20:C0 03 00"}));
  EXPECT_EQ(messages("$0={S1,2}", bankDelay(10)), (Lines{"0:B0 00 01", "10:C0 02 00"}));
  EXPECT_EQ(messages("$0={S1}", bankDelay(10)), (Lines{"0:C0 01 00"}));
  EXPECT_EQ(in("S200,300,400"), (Lines{"0:B0 00 7F", "0:B0 20 7F", "0:C0 7F 00"}));
  // The commas must touch the numbers: "S 5 ,6" is a program change and a stray comma.
  EXPECT_EQ(errorOf("$0={S 5 ,6}"), "<}>がない。");
  EXPECT_EQ(errorOf("$0={S1,2,3,4}"), "<}>がない。");
}

TEST(MmlChannelMessages, ChannelPressure) {
  EXPECT_EQ(in("t t50 t200"), (Lines{"0:D0 00 00", "0:D0 32 00", "0:D0 7F 00"}));
}

TEST(MmlChannelMessages, ChannelAndOffsetApplyToEveryLaterEvent) {
  EXPECT_EQ(in("h2 t j100 m90 p =41; c"),
            (Lines{"0:D2 00 00", "100:tempo 90", "100:E2 00 40", "100:F0 41 F7", "100:92 3C 40", "484:92 3C 00"}));
  EXPECT_EQ(in("j-50 r t j t"), (Lines{"430:D0 00 00", "480:D0 00 00"}));
  EXPECT_EQ(errorOf("$0={h16}"), "値が不正です。");
  EXPECT_EQ(errorOf("$0={h_(-1)}"), "値が不正です。");  // negative through an expression
  EXPECT_EQ(errorOf("$0={h}"), "数字がない");
  // A tied note ends on the channel it started on.
  EXPECT_EQ(in("c4& h1 c4"), (Lines{"0:90 3C 40", "384:90 3C 00", "480:91 3C 40", "864:91 3C 00"}));
  // Inside a chord the setting commands work between the notes.
  EXPECT_EQ(in("[c h1 e t5]"), (Lines{"0:90 3C 40", "0:91 40 40", "0:D1 05 00", "384:90 3C 00", "384:91 40 00"}));
}

TEST(MmlRamps, ValuesAndTimesOfEachStep) {
  EXPECT_EQ(in("T# 0,127,480,4"),
            (Lines{"0:D0 00 00", "120:D0 1F 00", "240:D0 3F 00", "360:D0 5F 00", "480:D0 7F 00"}));
  EXPECT_EQ(in("k# 60, 0, 100, 100, 3"), (Lines{"0:A0 3C 00", "33:A0 3C 21", "66:A0 3C 42", "100:A0 3C 64"}));
  EXPECT_EQ(in("P#-8192,8191,100,2"), (Lines{"0:E0 00 00", "50:E0 00 40", "100:E0 7F 7F"}));
  // Q# sets the controller for later Q commands too.
  EXPECT_EQ(in("Q#10,0,127,100 Q5"), (Lines{"0:B0 0A 00", "0:B0 0A 05", "100:B0 0A 7F"}));
}

TEST(MmlRamps, DefaultsLimitsAndStart) {
  EXPECT_EQ(in("t#0,100,960"), (Lines{"0:D0 00 00", "960:D0 64 00"}));                 // one step
  EXPECT_EQ(in("t#0,100,0,0"), (Lines{"0:D0 00 00", "1:D0 64 00"}));                  // at least 1 tick, 1 step
  EXPECT_EQ(in("t#200,0,10"), (Lines{"0:D0 7F 00", "10:D0 00 00"}));                  // limited to 127
  EXPECT_EQ(in("t#_(-100),100,10,2"), (Lines{"0:D0 00 00", "5:D0 00 00", "10:D0 64 00"}));  // clamped at 0
  EXPECT_EQ(in("r t#0,100,10,1,-20"), (Lines{"460:D0 00 00", "470:D0 64 00"}));
  EXPECT_EQ(in("j5 t#0,100,10,1,20"), (Lines{"25:D0 00 00", "35:D0 64 00"}));
  EXPECT_EQ(in("p#-9000,9000,10"), (Lines{"0:E0 00 00", "10:E0 7F 7F"}));
  // Before time 0 the messages are moved to 0, in order.
  EXPECT_EQ(in("t#0,100,20,2,-20"), (Lines{"0:D0 00 00", "0:D0 32 00", "0:D0 64 00"}));
}

TEST(MmlRamps, TheVoiceDoesNotMoveAndCommasAreRequired) {
  EXPECT_EQ(in("t#0,100,960 c").at(1), "0:90 3C 40");
  EXPECT_EQ(errorOf("$0={t#0 100,960}"), "<,>がない。");
  EXPECT_EQ(errorOf("$0={q#7,0,100}"), "<,>がない。");
  EXPECT_EQ(errorOf("$0={k#60,0,100}"), "<,>がない。");
  EXPECT_EQ(errorOf("$0={p#0}"), "<,>がない。");
}

}  // namespace
