#include "seq/tick_scale.h"

#include <gtest/gtest.h>

namespace {

using seq::TickScale;

std::int64_t scaled(std::uint16_t division, std::uint64_t ticks) {
  return TickScale::fromDivision(division)->ostraTicks(ticks);
}

TEST(SeqTickScale, TicksPerQuarterRoundHalfUp) {
  EXPECT_EQ(scaled(480, 12345), 12345);
  EXPECT_EQ(scaled(960, 1), 1);  // 0.5 goes up
  EXPECT_EQ(scaled(960, 3), 2);  // 1.5 goes up
  EXPECT_EQ(scaled(1920, 1), 0);  // 0.25 goes down
  EXPECT_FALSE(TickScale::fromDivision(480)->isRealTime());
}

TEST(SeqTickScale, HugeCountsStayExact) {
  // Beyond the fast path: 2^45 ticks at 7 per quarter.
  std::uint64_t ticks = std::uint64_t{1} << 45;
  std::int64_t expected = static_cast<std::int64_t>((ticks * 480 * 2 + 7) / 14);
  EXPECT_EQ(scaled(7, ticks), expected);
  EXPECT_EQ(scaled(480, ticks), static_cast<std::int64_t>(ticks));
}

TEST(SeqTickScale, SmpteDivisionsRunInRealTimeAt960TicksASecond) {
  // 25 frames x 40 ticks = 1000 ticks a second.
  std::uint16_t pal = 0xE728;
  ASSERT_TRUE(TickScale::fromDivision(pal));
  EXPECT_TRUE(TickScale::fromDivision(pal)->isRealTime());
  EXPECT_EQ(scaled(pal, 1000), 960);
  EXPECT_EQ(scaled(pal, 500), 480);
  EXPECT_EQ(scaled(pal, 1), 1);  // 0.96
  // -29 is 29.97 frames a second: 100 ticks a frame make 2997 ticks a second.
  std::uint16_t dropFrame = 0xE364;
  EXPECT_EQ(scaled(dropFrame, 2997), 960);
  EXPECT_EQ(scaled(dropFrame, 2997 * 60), 960 * 60);
  EXPECT_EQ(scaled(0xE850, 2400), 1200);  // 24 x 80 ticks a second: 1.25 s
  EXPECT_EQ(scaled(0xE201, 30), 960);     // 30 x 1
}

TEST(SeqTickScale, DivisionsWithoutATimeBaseAreRefused) {
  EXPECT_FALSE(TickScale::fromDivision(0));
  EXPECT_FALSE(TickScale::fromDivision(0xE700));  // 0 ticks a frame
  EXPECT_FALSE(TickScale::fromDivision(0xE928));  // -23 frames a second
  EXPECT_FALSE(TickScale::fromDivision(0x8028));  // frame-rate byte 0x80
}

}  // namespace
