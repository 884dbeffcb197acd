#include "seq/ostra_to_dorna.h"

#include <gtest/gtest.h>

#include <string>

#include "in_memory_run.h"
#include "run_tool.h"

namespace {

using seqtest::Outcome;
using zamotest::hex;
using zamotest::unhex;

// Renders OSTRA written in hex.
Outcome render(std::string_view ostraHex, double step = 8.0, bool keepSysEx = false) {
  std::string input = unhex(ostraHex);
  return seqtest::runInMemory(
      input, [&](vorn::ByteInput& in) { return seq::renderOstraToDorna(in, {.stepLength = step, .keepSysEx = keepSysEx}); });
}

// Renders and expects success.
std::string dorna(std::string_view ostraHex, double step = 8.0, bool keepSysEx = false) {
  Outcome run = render(ostraHex, step, keepSysEx);
  EXPECT_FALSE(run.failed()) << ostraHex << (run.fault ? run.fault->text : "");
  return hex(run.out);
}

// 128 BPM (tempo 12800) makes one tick exactly 1/1024 s: delays then read directly.
constexpr const char* kOneUnitTicks = "00 F1 00 32";

TEST(SeqFendix, SmallestSequencesAndTheEndRecord) {
  EXPECT_EQ(dorna("00 FF 00 00"), "00 FF 00 00");
  // The end record's bytes are copied.
  EXPECT_EQ(dorna("00 FF 12 34"), "00 FF 12 34");
  // A channel message passes with both data bytes, program change included.
  EXPECT_EQ(dorna("00 C0 05 00 00 E3 7F 40 00 FF 00 00"), "00 C0 05 00 00 E3 7F 40 00 FF 00 00");
}

TEST(SeqFendix, QuarterNoteAtTheDefaultsIs64Steps) {
  // 480 ticks = filler + 225; 512 units at 120 BPM, 64 steps of 8.
  EXPECT_EQ(dorna("00 90 3C 64 FF F8 00 00 E1 80 3C 00 00 FF 00 00"), "00 90 3C 64 40 80 3C 00 00 FF 00 00");
}

TEST(SeqFendix, RoundingHalfUpWithoutAccumulating) {
  // Step 3: 512 units are 170.67 steps (171), 1024 units 341.33 (170 more).
  EXPECT_EQ(dorna("FF F8 00 00 E1 90 3C 64 FF F8 00 00 E1 80 3C 00 00 FF 00 00", 3.0),
            "AB 90 3C 64 AA 80 3C 00 00 FF 00 00");
  // Exactly n + 0.5 steps go up: 1 unit at step 2 is 0.5, 3 units 1.5.
  EXPECT_EQ(dorna(std::string(kOneUnitTicks) + " 01 90 3C 64 02 80 3C 00 00 FF 00 00", 2.0),
            "01 90 3C 64 01 80 3C 00 00 FF 00 00");
  // 1000 notes one tick apart: 1066.67 units, 133.33 steps; the delays add up to 133.
  std::string many;
  for (int i = 0; i < 1000; ++i) many += "01 90 3C 64 ";
  Outcome run = render(many + "00 FF 00 00");
  ASSERT_FALSE(run.failed());
  int total = 0;
  for (std::size_t i = 0; i < run.out.size(); i += 4) total += static_cast<unsigned char>(run.out[i]);
  EXPECT_EQ(total, 133);
}

TEST(SeqFendix, LongDelaysSplitIntoFillers) {
  std::string head = std::string(kOneUnitTicks) + " ";
  // One tick per step: 300 steps = filler + 45; 255 steps = one byte.
  EXPECT_EQ(dorna(head + "FF 90 3C 64 FF F8 00 00 2D 80 3C 00 00 FF 00 00", 1.0),
            "FF 90 3C 64 FF F8 00 00 2D 80 3C 00 00 FF 00 00");
  EXPECT_EQ(dorna(head + "FF F8 00 00 2D 90 3C 64 00 FF 00 00", 1.0), "FF F8 00 00 2D 90 3C 64 00 FF 00 00");
  EXPECT_EQ(dorna(head + "FF FF 00 00", 1.0), "FF FF 00 00");
}

TEST(SeqFendix, TempoTakesEffectAfterItsOwnDelta) {
  // 240 ticks at 120 BPM (256 units), tempo 60 BPM, 240 ticks at 60 BPM (512 units): 768 units = 96 steps.
  EXPECT_EQ(dorna("F0 F1 70 17 F0 90 3C 64 00 FF 00 00"), "60 90 3C 64 00 FF 00 00");
  // A tempo record alone writes nothing.
  EXPECT_EQ(dorna("00 F1 30 75 00 FF 00 00"), "00 FF 00 00");
  // 300 BPM: 480 ticks are 204.8 units, 25.6 steps.
  EXPECT_EQ(dorna("00 F1 30 75 FF F8 00 00 E1 90 3C 64 00 FF 00 00"), "1A 90 3C 64 00 FF 00 00");
}

TEST(SeqFendix, SysExIsDroppedUnlessKeptAndItsTimeCarriesOn) {
  // SysEx at tick 100, note at tick 200: 213.33 units, 26.67 steps.
  const char* input = "64 F0 03 00 00 00 41 10 F7 64 90 3C 64 00 FF 00 00";
  EXPECT_EQ(dorna(input), "1B 90 3C 64 00 FF 00 00");
  // Kept: SysEx at 13.33 steps (13), the note 14 later.
  EXPECT_EQ(dorna(input, 8.0, true), "0D F0 03 00 00 00 41 10 F7 0E 90 3C 64 00 FF 00 00");
  // Escapes too; a length of 0 is valid.
  EXPECT_EQ(dorna("00 F7 02 00 00 00 F8 FA 00 F0 00 00 00 00 00 FF 00 00", 8.0, true),
            "00 F7 02 00 00 00 F8 FA 00 F0 00 00 00 00 00 FF 00 00");
  EXPECT_EQ(dorna("00 F7 02 00 00 00 F8 FA 00 FF 00 00"), "00 FF 00 00");
}

TEST(SeqFendix, StopsAtTheFirstEndRecord) {
  Outcome run = render("00 FF 00 00 00 90 3C 64 00 FF 00 00 77");
  EXPECT_FALSE(run.failed());
  EXPECT_EQ(hex(run.out), "00 FF 00 00");
  EXPECT_EQ(run.stoppedAt, 4u);
}

TEST(SeqFendix, InvalidStatusesNameTheirOwnOffsetAndKeepEarlierRecords) {
  for (int status : {0x00, 0x7F, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE}) {
    std::string input = unhex("00 90 3C 64 00") + static_cast<char>(status) + unhex("00 00 00 FF 00 00");
    Outcome run = seqtest::runInMemory(input, [](vorn::ByteInput& in) { return seq::renderOstraToDorna(in, {}); });
    ASSERT_TRUE(run.failed()) << status;
    EXPECT_EQ(run.fault->text, "unknown status byte " + hex(input.substr(5, 1))) << status;
    EXPECT_EQ(run.fault->offset, 5u) << status;
    EXPECT_EQ(hex(run.out), "00 90 3C 64") << status;
    // The record's two bytes are read all the same.
    EXPECT_EQ(run.stoppedAt, 8u) << status;
  }
}

// Each fault after a complete record, so that what was written shows; the
// offset is that of the wrong byte, or where the input ended.
TEST(SeqFendix, FaultsSayWhatWasFoundAndWhere) {
  struct Case {
    const char* input;
    const char* text;
    std::uint64_t offset;
  } cases[] = {
      {"", "input ends before the end record", 4},
      {"00", "input ends after a record's delta byte", 5},
      {"00 90 3C", "input ends inside a channel message", 7},
      {"00 F1 30", "input ends inside a tempo record", 7},
      {"10 F1 00 00 10 80 3C 00 00 FF 00 00", "tempo 0; a tempo record holds 1 to 65535", 6},
      {"00 F8 00", "input ends inside a filler record", 7},
      {"00 F0 05 00 00", "input ends inside the length of a SysEx record", 9},
      {"00 F0 05 00 00 00 7E 7F", "input ends inside a SysEx record of 5 bytes", 12},
      {"00 F7 FF FF FF FF 01", "input ends inside a SysEx record of 4294967295 bytes", 11},
      {"00 FF 00", "input ends inside the end record", 7},
      {"00 F5 00 00", "unknown status byte F5", 5},
  };
  for (const Case& c : cases) {
    for (bool keep : {false, true}) {
      Outcome run = render(std::string("00 90 3C 64 ") + c.input, 8.0, keep);
      ASSERT_TRUE(run.failed()) << c.input;
      EXPECT_EQ(*run.fault, (seq::InputFault{c.text, c.offset})) << c.input << " keep " << keep;
      // What was written stays; a kept SysEx body also leaves what arrived of it.
      std::string written = hex(run.out);
      EXPECT_EQ(keep ? written.substr(0, 11) : written, "00 90 3C 64") << c.input;
    }
  }
}

TEST(SeqFendix, AnEmptyInputIsNoInputWithoutAnOffset) {
  Outcome run = render("");
  ASSERT_TRUE(run.failed());
  EXPECT_EQ(*run.fault, (seq::InputFault{"no input", std::nullopt}));
  EXPECT_EQ(run.out, "");
}

TEST(SeqFendix, AKeptSysExCutShortLeavesWhatArrived) {
  // The head goes out once its length is complete, the body as it arrives.
  Outcome run = render("00 F0 05 00 00 00 7E 7F", 8.0, true);
  EXPECT_TRUE(run.failed());
  EXPECT_EQ(hex(run.out), "00 F0 05 00 00 00 7E 7F");
  run = render("00 F0 05 00", 8.0, true);
  EXPECT_TRUE(run.failed());
  EXPECT_EQ(hex(run.out), "");
}

}  // namespace
