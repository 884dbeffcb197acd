// Ordering of the event store and the OSTRA and DORNA writers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mml/event_store.h"
#include "mml/writers.h"
#include "mml_test_support.h"
#include "run_tool.h"
#include "vornlib/streams.h"

using mmltest::dornaOf;
using mmltest::ostraOf;
using mmltest::show;
using zamotest::hex;

namespace {

TEST(MmlOrdering, EqualTimesKeepTheOrderTheyWereMadeIn) {
  std::vector<mml::EventRecord> events;
  // Times that differ in every byte, recorded out of order, with ties at each time.
  const std::int32_t times[] = {0x01000000, 5, 0x10000, 5, 300, 0x01000000, 0, 300, 0x10000, 5};
  for (std::uint8_t i = 0; i < 10; ++i) events.push_back(mml::EventRecord{times[i], 0x90, i, 0, 0, 0});
  mml::orderEvents(events);
  std::vector<int> order;
  for (const auto& e : events) order.push_back(e.first);
  EXPECT_EQ(order, (std::vector<int>{6, 1, 3, 9, 4, 7, 2, 8, 0, 5}));
}

TEST(MmlOrdering, NegativeTimesBecomeZeroAndKeepTheirPlace) {
  std::vector<mml::EventRecord> events = {{10, 0x90, 1, 0, 0, 0}, {-5, 0x90, 2, 0, 0, 0}, {0, 0x90, 3, 0, 0, 0},
                                          {-2147483647 - 1, 0x90, 4, 0, 0, 0}};
  mml::orderEvents(events);
  EXPECT_EQ(show(events), (std::vector<std::string>{"0:90 02 00", "0:90 03 00", "0:90 04 00", "10:90 01 00"}));
}

TEST(MmlOrdering, ARepeatedNoteEndsBeforeItStartsAgain) {
  EXPECT_EQ(mmltest::events("$0={x480 c c}"),
            (std::vector<std::string>{"0:90 3C 40", "480:90 3C 00", "480:90 3C 40", "960:90 3C 00", "960:end"}));
}

TEST(MmlOstra, OneNoteWithAFillerAndTheEndAtTheBlockEnd) {
  EXPECT_EQ(hex(ostraOf("$0={c}")), "00 90 3C 40 FF F8 00 00 81 90 3C 00 60 FF 00 00");
  EXPECT_EQ(hex(ostraOf("")), "00 FF 00 00");
  EXPECT_EQ(hex(ostraOf("  /* nothing */ // at all")), "00 FF 00 00");
  // The end lies at the end of the longest block.
  EXPECT_EQ(hex(ostraOf("$0={c1} $1={c4}")),
            "00 90 3C 40 00 91 3C 40 FF F8 00 00 81 91 3C 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 "
            "84 90 3C 00 FF F8 00 00 81 FF 00 00");
}

// Bytes written for a hand-made store.
std::string written(mml::EventStore& store, bool ostra, double stepInterval = 8.0) {
  mml::orderEvents(store.trackList);
  vorn::ByteOutput& out = vorn::getouthandle();
  out.openMemory();
  if (ostra) {
    mml::writeOstra(store.trackList, store);
  } else {
    mml::writeDorna(store.trackList, store, stepInterval);
  }
  out.flush();
  std::string bytes = out.memoryBytes();
  out.close();
  return hex(bytes);
}

TEST(MmlOstra, GapsAbove255AreSplitIntoFillers) {
  mml::EventStore store;
  store.addEvent(255, 0xB0, 1, 2);        // gap 255: no filler
  store.addEvent(511, 0xB0, 3, 4);        // gap 256: one filler and 1
  store.addEvent(1021, 0xB0, 5, 6);       // gap 510: one filler and 255
  store.addEvent(1532, 0xC0, 7, 0);       // gap 511: two fillers and 1
  EXPECT_EQ(written(store, true),
            "FF B0 01 02 FF F8 00 00 01 B0 03 04 FF F8 00 00 FF B0 05 06 FF F8 00 00 FF F8 00 00 01 C0 07 00 "
            "00 FF 00 00");
}

TEST(MmlOstra, TempoAndSysexRecords) {
  mml::EventStore store;
  store.addTempo(0, 60);
  std::uint32_t data = store.beginSysexData();
  const std::uint8_t body[] = {0x41, 0x10, 0xF7};
  store.eventHeap.putBytes(body);
  store.finishSysex(10, mml::kStatusSysex, data);
  data = store.beginSysexData();
  store.finishSysex(10, mml::kStatusSysexRaw, data);
  EXPECT_EQ(written(store, true), "00 F1 70 17 0A F0 03 00 00 00 41 10 F7 00 F7 00 00 00 00 00 FF 00 00");
}

TEST(MmlOstra, AMarkerBetweenEventsDoesNotMoveTheNextDelta) {
  mml::EventStore store;
  store.addEvent(0, 0x90, 60, 64);
  store.addEvent(384, 0x90, 60, 0);
  store.addEvent(480, mml::kStatusBlockEnd, 0, 0);
  store.addEvent(768, 0x90, 62, 0);
  store.addEvent(960, mml::kStatusBlockEnd, 0, 0);
  EXPECT_EQ(written(store, true), "00 90 3C 40 FF F8 00 00 81 90 3C 00 FF F8 00 00 81 90 3E 00 C0 FF 00 00");
}

TEST(MmlDorna, DelaysAreCutToWholeStepsFromTheTotal) {
  EXPECT_EQ(hex(dornaOf("$0={c}")), "00 90 3C 40 32 90 3C 00 0C FF 00 00");
  EXPECT_EQ(hex(dornaOf("")), "00 FF 00 00");
  EXPECT_EQ(hex(dornaOf("$0={c}", 16)), "00 90 3C 40 19 90 3C 00 06 FF 00 00");
  // 400 ms in steps of 1 ms: one filler and 145.
  EXPECT_EQ(hex(dornaOf("$0={c}", 1)), "00 90 3C 40 FF F8 00 00 91 90 3C 00 64 FF 00 00");
  // Notes 7.29 ms apart in steps of 10 ms: delays 0, 1, 1, 0 keep the total right.
  EXPECT_EQ(hex(dornaOf("$0={x0 c%7 c c c}", 10)),
            "00 90 3C 40 00 90 3C 00 00 90 3C 40 00 90 3C 00 01 90 3C 40 00 90 3C 00 01 90 3C 40 00 90 3C 00 "
            "00 FF 00 00");
}

TEST(MmlDorna, TempoTakesEffectAtItsTimeAndIsNotWritten) {
  mml::EventStore store;
  store.addTempo(0, 60);
  store.addEvent(0, 0x90, 60, 64);
  store.addEvent(384, 0x90, 60, 0);
  store.addTempo(480, 240);
  store.addEvent(960, 0x90, 62, 64);
  // 800 ms = 100 steps; then 96 ticks at 60 BPM (200 ms) and 480 at 240 BPM (250 ms): 56 steps.
  EXPECT_EQ(written(store, false), "00 90 3C 40 64 90 3C 00 38 90 3E 40 00 FF 00 00");
}

}  // namespace
