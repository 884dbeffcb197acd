// The producer's side of the input: how incoming events become queued chunks
// and short messages, and what the bounded pools drop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midiio/input_parser.h"
#include "midiio/input_queue.h"
#include "input_bytes.h"
#include "run_tool.h"

namespace {

using midiio::InputEvent;
using midiio::InputParser;
using midiio::InputQueue;
using zamotest::hex;
using zamotest::unhex;

using zamotest::raw;
using zamotest::sysexOf;

// Everything queued as "L<len>:<first>..<last>" for chunks (with "!" after a
// gap) and "S:<hex>" for short messages.
std::vector<std::string> drain(InputQueue& queue) {
  std::vector<std::string> out;
  InputEvent e;
  while (queue.read(e)) {
    if (e.isLong) {
      const auto b = e.bytes();
      const std::string first = hex(std::string(1, static_cast<char>(b.front())));
      const std::string last = hex(std::string(1, static_cast<char>(b.back())));
      out.push_back(std::string(e.afterGap ? "!" : "") + "L" + std::to_string(b.size()) + ":" + first + ".." + last);
    } else {
      std::string s;
      for (int i = 0; i < 3 && (e.lengthOrMessage >> (8 * i)) != 0; ++i) s += static_cast<char>(e.lengthOrMessage >> (8 * i));
      out.push_back("S:" + hex(s));
    }
  }
  return out;
}

TEST(MidiioInputParser, CutsSysExAndPacksShortMessages) {
  const struct {
    const char* what;
    std::uint32_t mode;
    std::vector<std::vector<std::uint8_t>> events;
    std::vector<std::string> queued;
  } cases[] = {
      {"700 bytes in one event", 1, {sysexOf(698)}, {"L256:F0..7E", "L256:7F..7E", "L188:7F..F7"}},
      {"exactly 256 with F7", 1, {sysexOf(254)}, {"L256:F0..F7"}},
      {"cut right after F7, next message apart", 1, {raw("F0 01 F7 F0 02 03 F7")}, {"L3:F0..F7", "L4:F0..F7"}},
      {"fragments stay apart", 1, {raw("F0 01 02"), raw("03 04"), raw("05 F7")}, {"L3:F0..02", "L2:03..04", "L2:05..F7"}},
      {"real time taken out, queued when asked", 3, {raw("F0 01 F8 02 FE F7")}, {"S:F8", "S:FE", "L4:F0..F7"}},
      {"real time taken out, dropped by mode 1", 1, {raw("F0 01 F8 02 F7")}, {"L4:F0..F7"}},
      {"filters drop clock and sensing", 3 | 8 | 16, {raw("F8 FE FA")}, {"S:FA"}},
      {"system filter", 3 | 4, {raw("F8 F1 05 90 40 7F")}, {"S:90 40 7F"}},
      {"a status ends the chunk", 3, {raw("F0 01 02 90 3C 40 05")}, {"L3:F0..02", "S:90 3C 40"}},
      {"running status", 2, {raw("90 3C 40 3E 41"), raw("C0 05 06")}, {"S:90 3C 40", "S:90 3E 41", "S:C0 05", "S:C0 06"}},
      {"running status ends with the event", 2, {raw("90 3C 40"), raw("3E 41")}, {"S:90 3C 40"}},
      {"stray bytes and F7 dropped", 3, {raw("01 02 F7"), raw("7F F7")}, {}},
      {"new F0 before F7", 1, {raw("F0 01 F0 02 F7")}, {"L2:F0..01", "L3:F0..F7"}},
  };
  for (const auto& c : cases) {
    InputQueue queue(1024, 1024, c.mode);
    queue.setRecording(true);
    InputParser parser;
    for (const auto& e : c.events) parser.feed(e, 0, queue);
    EXPECT_EQ(drain(queue), c.queued) << c.what;
    EXPECT_FALSE(queue.overflow()) << c.what;
  }
}

TEST(MidiioInputQueue, FullPoolsDropAndMarkTheGap) {
  // 1024 chunks queued and unread: the next one is dropped; the chunk queued
  // after a read is marked as coming after a gap.
  InputQueue queue(1024, 1024, 1);
  InputParser parser;
  queue.setRecording(true);
  for (int i = 0; i < 1024; ++i) parser.feed(raw("F0 01 F7"), 0, queue);
  EXPECT_FALSE(queue.overflow());
  parser.feed(raw("F0 02"), 0, queue);
  EXPECT_TRUE(queue.overflow());
  InputEvent e;
  ASSERT_TRUE(queue.read(e));
  parser.feed(raw("03 04 F7"), 0, queue);
  std::vector<std::string> rest = drain(queue);
  ASSERT_EQ(rest.size(), 1024u);
  EXPECT_EQ(rest.front(), "L3:F0..F7");
  EXPECT_EQ(rest.back(), "!L3:03..F7");
  queue.flush();
  EXPECT_FALSE(queue.overflow());

  // Mode 3: short messages take every node; a chunk is dropped and the block
  // pool keeps all its blocks.
  InputQueue shorts(1024, 1024, 3);
  shorts.setRecording(true);
  for (int i = 0; i < 1024; ++i) parser.feed(raw("90 3C 40"), 0, shorts);
  EXPECT_EQ(shorts.freeNodes(), 0u);
  parser.feed(sysexOf(10), 0, shorts);
  EXPECT_TRUE(shorts.overflow());
  EXPECT_EQ(shorts.freeBlocks(), 1024u);
  ASSERT_TRUE(shorts.read(e));
  parser.feed(sysexOf(10), 0, shorts);
  EXPECT_EQ(drain(shorts).back(), "!L12:F0..F7");
  EXPECT_EQ(shorts.freeBlocks(), 1024u);
  EXPECT_EQ(shorts.freeNodes(), 1024u);

  // The pools never go below their least sizes.
  InputQueue tiny(1, 1, 1);
  EXPECT_EQ(tiny.freeNodes(), 100u);
  EXPECT_EQ(tiny.freeBlocks(), 16u);
}

// A held batch reaches the reader only when published; a hole found after it
// marks the long chunks pushed as suspect, and nothing else.
TEST(MidiioInputQueue, HeldBatchesAreMarkedOnlyWhereAHoleMayLie) {
  const struct {
    const char* what;
    bool hole;
    std::vector<std::string> queued;
  } cases[] = {
      {"no hole: published as pushed", false, {"L3:F0..02", "L2:03..04", "S:F8", "L2:05..06"}},
      {"hole: suspect chunks cut off, earlier ones and short messages kept",
       true,
       {"L3:F0..02", "!L2:03..04", "S:F8", "!L2:05..06"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    InputQueue queue(1024, 1024, 3);
    InputParser parser;
    queue.setRecording(true);
    queue.holdBatch();
    parser.feed(raw("F0 01 02"), 0, queue);  // in before the batch's read began
    queue.markSuspect(true);
    parser.feed(raw("03 04"), 0, queue);
    parser.feed(raw("F8"), 0, queue);  // a clock tick inside the dump
    parser.feed(raw("05 06"), 0, queue);
    InputEvent e;
    EXPECT_FALSE(queue.read(e)) << "a held chunk reached the reader";
    queue.publishBatch(c.hole);
    EXPECT_EQ(drain(queue), c.queued);
    // After publishing, pushes go straight through and are not suspect.
    parser.feed(raw("07 F7"), 0, queue);
    queue.holdBatch();
    queue.publishBatch(true);
    EXPECT_EQ(drain(queue), std::vector<std::string>{"L2:07..F7"});
  }
}

TEST(MidiioInputQueue, NothingIsQueuedBeforeRecording) {
  InputQueue queue(1024, 1024, 3);
  InputParser parser;
  parser.feed(raw("F0 01 02"), 0, queue);
  parser.feed(raw("90 3C 40"), 0, queue);
  queue.setRecording(true);
  parser.reset();
  parser.feed(raw("03 F7"), 0, queue);
  parser.feed(raw("80 3C 40"), 7, queue);
  InputEvent e;
  ASSERT_TRUE(queue.read(e));
  EXPECT_FALSE(e.isLong);
  EXPECT_EQ(e.lengthOrMessage, 0x403C80u);
  EXPECT_EQ(e.time, 7u);
  EXPECT_FALSE(queue.read(e));
}

}  // namespace
