// Receiving SysEx through the layer on the fake, on virtual time: joining
// chunks, new starts, holes, time-outs (a time-out of 0 included), time
// stamps, and a device that goes away.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "midiio/fake_backend.h"
#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "input_bytes.h"
#include "run_tool.h"

namespace {

using midiio::FakeArrival;
using midiio::FakeMidiWorld;
using midiio::Received;
using zamotest::unhex;

using zamotest::raw;
using zamotest::sysexOf;

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& v, std::size_t from, std::size_t to) {
  return {v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(std::min(to, v.size()))};
}

class MidiioReceive : public ::testing::Test {
 protected:
  void SetUp() override {
    world = std::make_shared<FakeMidiWorld>();
    world->setDevices({"Synth:In"}, {"Synth:Out"});
    midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(world));
  }
  void TearDown() override { midiio::resetMidiLayer(); }

  void open(std::size_t nodes = 1024, std::size_t blocks = 1024, std::uint32_t mode = 1) {
    ASSERT_TRUE(midiio::openMidiInput(midiio::kDefaultDevice, nodes, blocks, mode));
    ASSERT_TRUE(midiio::startMidiInput());
  }
  // One receiveSysEx: its outcome, the bytes it gave, and the virtual ms it took.
  struct Outcome {
    Received received;
    vorn::Fault fault;
    std::vector<std::uint8_t> bytes;
    std::int64_t ms;
  };
  Outcome receive(std::uint32_t timeoutMs) {
    Outcome o{};
    const midiio::Nanos before = world->now;
    const midiio::Reception r = midiio::receiveSysEx(timeoutMs, [&](std::span<const std::uint8_t> b) { o.bytes.insert(o.bytes.end(), b.begin(), b.end()); });
    o.received = r.how;
    o.fault = r.fault;
    o.ms = (world->now - before) / midiio::kNanosPerMs;
    return o;
  }

  std::shared_ptr<FakeMidiWorld> world;
};

TEST_F(MidiioReceive, JoinsChunksAndClosesWhatWasCut) {
  const auto m700 = sysexOf(698);
  const auto m300 = sysexOf(298);
  const auto open1 = sysexOf(100, false);
  const auto next = sysexOf(5, true, 9);
  struct Expect {
    Received received;
    std::vector<std::uint8_t> bytes;
  };
  const struct {
    const char* what;
    std::vector<FakeArrival> arrivals;
    std::vector<Expect> expected;  // successive receiveSysEx calls with a 1000 ms time-out
  } cases[] = {
      {"700 bytes in three buffers", {{10, slice(m700, 0, 256)}, {20, slice(m700, 256, 512)}, {30, slice(m700, 512, 700)}},
       {{Received::message, m700}, {Received::timedOut, {}}}},
      {"300 bytes as 256 + 44", {{0, slice(m300, 0, 256)}, {5, slice(m300, 256, 300)}}, {{Received::message, m300}}},
      {"a new F0 before F7 closes the first", {{0, open1}, {40, next}},
       {{Received::message, [&] { auto v = open1; v.push_back(0xF7); return v; }()}, {Received::message, next}}},
      {"a cut message closed at the time-out", {{0, open1}, {2000, next}},
       {{Received::timedOut, [&] { auto v = open1; v.push_back(0xF7); return v; }()}, {Received::message, next}}},
      {"chunks of no open message dropped", {{0, raw("01 02 F7")}, {1, next}}, {{Received::message, next}}},
      {"messages longer than 1000 ms in all are not cut",
       {{0, slice(m700, 0, 256)}, {900, slice(m700, 256, 512)}, {1800, slice(m700, 512, 700)}},
       {{Received::message, m700}}},
  };
  for (const auto& c : cases) {
    SetUp();
    world->arrivals = c.arrivals;
    open();
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      const Outcome o = receive(1000);
      EXPECT_EQ(o.received, c.expected[i].received) << c.what << ", call " << i;
      EXPECT_EQ(o.bytes, c.expected[i].bytes) << c.what << ", call " << i;
    }
    EXPECT_FALSE(midiio::inputOverflow()) << c.what;
    TearDown();
  }
}

TEST_F(MidiioReceive, TimeOutCountsFromTheWaitsStart) {
  // "Give up when clockNow - t0 > timeout", waiting 50 ms a round: a
  // time-out of 0 looks, waits one round and looks again.
  const struct {
    std::uint32_t timeoutMs;
    std::vector<FakeArrival> arrivals;
    Received received;
    std::int64_t ms;  // virtual time the call took
  } cases[] = {
      {0, {}, Received::timedOut, 50},
      {0, {{30, sysexOf(3)}}, Received::message, 30},  // the second look finds it
      {0, {{60, sysexOf(3)}}, Received::timedOut, 50},
      {100, {}, Received::timedOut, 150},
      {100, {{150, sysexOf(3)}}, Received::message, 150},  // looked at before the clock
      {100, {{151, sysexOf(3)}}, Received::timedOut, 150},
      {100, {{149, sysexOf(3)}}, Received::message, 149},
      {10000, {}, Received::timedOut, 10050},
  };
  for (const auto& c : cases) {
    SetUp();
    world->arrivals = c.arrivals;
    open();
    const Outcome o = receive(c.timeoutMs);
    EXPECT_EQ(o.received, c.received) << c.timeoutMs << " ms";
    EXPECT_EQ(o.ms, c.ms) << c.timeoutMs << " ms";
    TearDown();
  }
}

TEST_F(MidiioReceive, ShortMessagesInTheQueueCostNoWait) {
  world->arrivals = {{0, raw("90 3C 40")}, {0, raw("80 3C 40")}, {0, sysexOf(3)}};
  open(1024, 1024, 3);
  const Outcome o = receive(0);
  EXPECT_EQ(o.received, Received::message);
  EXPECT_EQ(o.ms, 0);
}

TEST_F(MidiioReceive, ADroppedMiddleChunkIsNeverJoined) {
  // 16 blocks: of 20 chunks arriving at once, the last 4 are lost; the tail
  // that arrives after the hole is not glued onto the open message.
  const auto big = sysexOf(20 * 256 - 1, false);
  std::vector<FakeArrival> arrivals;
  for (std::size_t i = 0; i < 20; ++i) arrivals.push_back({10, slice(big, i * 256, i * 256 + 256)});
  arrivals.push_back({20, raw("05 06 F7")});
  arrivals.push_back({30, sysexOf(4)});
  world->arrivals = arrivals;
  open(100, 16, 1);
  Outcome o = receive(1000);
  EXPECT_EQ(o.received, Received::message);
  ASSERT_EQ(o.bytes.size(), 16u * 256 + 1);
  EXPECT_EQ(slice(o.bytes, 0, 16 * 256), slice(big, 0, 16 * 256));
  EXPECT_EQ(o.bytes.back(), 0xF7);
  EXPECT_TRUE(midiio::inputOverflow());
  o = receive(1000);
  EXPECT_EQ(o.received, Received::message);
  EXPECT_EQ(o.bytes, sysexOf(4)) << "the tail after the hole started nothing";
  EXPECT_TRUE(midiio::inputOverflow()) << "reading does not clear the flag";
  midiio::flushInputQueue();
  EXPECT_FALSE(midiio::inputOverflow());
}

TEST_F(MidiioReceive, StampsStartAndFailures) {
  world->arrivals = {{120, raw("90 3C 40")}};
  open(1024, 1024, 3);
  world->advance(200 * midiio::kNanosPerMs);
  EXPECT_EQ(midiio::waitSysExChunk(0).how, Received::timedOut);  // the note is taken off and discarded
  midiio::InputEvent e;
  world->arrivals.push_back({300, raw("C0 05")});
  world->advance(100 * midiio::kNanosPerMs);
  EXPECT_FALSE(midiio::readInputEvent(e));  // the fake delivers when someone waits
  midiio::stopMidiInput();
  world->arrive(sysexOf(3));
  EXPECT_FALSE(midiio::readInputEvent(e)) << "nothing is queued while not recording";
  ASSERT_TRUE(midiio::startMidiInput());
  world->advance(7 * midiio::kNanosPerMs);
  world->arrive(raw("C0 06"));
  ASSERT_TRUE(midiio::readInputEvent(e));
  EXPECT_EQ(e.time, 7u);
  EXPECT_EQ(e.lengthOrMessage, 0x06C0u);

  world->inputGone = true;
  const Outcome left = receive(1000);
  EXPECT_EQ(left.received, Received::sourceLeft);
  EXPECT_EQ(left.fault.code, midiio::midiErrorCode(midiio::kMidiNoSuchPort));
  midiio::closeMidiInput();
  midiio::closeMidiInput();  // safe when closed
  EXPECT_EQ(receive(0).received, Received::failed);
  EXPECT_FALSE(midiio::openMidiInput(5, 1024, 1024, 1));
}

}  // namespace
