// The real clock's counting rules (no speed is asserted: only what the
// count may and may not show).
#include <gtest/gtest.h>

#include "midiio/system_clock.h"

namespace {

TEST(MidiioSystemClock, CountsWholePeriodsAndFreezesWhenStopped) {
  midiio::SystemClock clock;
  const struct {
    std::uint32_t asked;
    std::uint32_t period;
  } cases[] = {{10, 10}, {0, 8}, {3, 3}};
  for (const auto& c : cases) {
    ASSERT_TRUE(clock.start(c.asked).ok());
    EXPECT_EQ(clock.now() % c.period, 0u);
    ASSERT_TRUE(clock.waitUntil(5 * c.period, {}).ok());
    const std::uint32_t reached = clock.now();
    EXPECT_GE(reached, 5 * c.period);
    EXPECT_EQ(reached % c.period, 0u) << c.asked;
    // The stamp of a message sent now is the ideal time of the current tick.
    const midiio::Nanos stamp = clock.stamp();
    EXPECT_LE(stamp, midiio::monotonicNow());
    clock.stop();
    const std::uint32_t frozen = clock.now();
    EXPECT_FALSE(clock.waitUntil(frozen + c.period, {}).ok());  // a stopped clock never gets there
    EXPECT_EQ(clock.now(), frozen);
  }
  const midiio::MidiStatus refused = clock.start(1000001);
  EXPECT_TRUE(refused.is(midiio::kMidiPeriodRefused));
  EXPECT_TRUE(clock.start(1000000).ok());
  EXPECT_EQ(clock.now(), 0u);
  clock.stop();
}

}  // namespace
