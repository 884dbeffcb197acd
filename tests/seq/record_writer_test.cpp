#include "seq/record_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "in_memory_run.h"
#include "run_tool.h"

namespace {

using seqtest::runInMemory;
using zamotest::hex;
using zamotest::unhex;

// The bytes a note-on written `gap` after time 0 comes out as.
std::string noteAfter(std::int64_t gap) {
  return runInMemory("", [gap] { seq::RecordWriter().channel(gap, 0x90, 0x3C, 0x40); }).out;
}

TEST(SeqRecordWriter, GapsAbove255AreCarriedByFillers) {
  EXPECT_EQ(hex(noteAfter(0)), "00 90 3C 40");
  EXPECT_EQ(hex(noteAfter(255)), "FF 90 3C 40");
  EXPECT_EQ(hex(noteAfter(256)), "FF F8 00 00 01 90 3C 40");
  EXPECT_EQ(hex(noteAfter(510)), "FF F8 00 00 FF 90 3C 40");
  EXPECT_EQ(hex(noteAfter(511)), "FF F8 00 00 FF F8 00 00 01 90 3C 40");
  EXPECT_EQ(hex(noteAfter(600)), "FF F8 00 00 FF F8 00 00 5A 90 3C 40");
}

TEST(SeqRecordWriter, VeryLongGapsGiveTheExactFillerCount) {
  // Fillers go out in batches; counts around a batch edge and far beyond it.
  for (std::int64_t fillers : {255, 256, 257, 100000}) {
    std::string out = noteAfter(fillers * 255 + 7);
    ASSERT_EQ(out.size(), static_cast<std::size_t>(fillers) * 4 + 4) << fillers;
    std::string oneFiller = unhex("FF F8 00 00");
    for (std::int64_t i = 0; i < fillers; ++i) ASSERT_EQ(out.substr(static_cast<std::size_t>(i) * 4, 4), oneFiller);
    EXPECT_EQ(hex(out.substr(out.size() - 4)), "07 90 3C 40");
  }
}

TEST(SeqRecordWriter, DeltasComeFromAbsoluteTimes) {
  auto run = runInMemory("", [] {
    seq::RecordWriter out;
    out.channel(100, 0x90, 60, 100);
    out.channel(100, 0x90, 64, 100);  // same time: delta 0
    out.channel(400, 0x80, 60, 0);    // 300 later
    EXPECT_EQ(out.timeWritten(), 400);
    out.end(400);
  });
  EXPECT_EQ(hex(run.out), "64 90 3C 64 00 90 40 64 FF F8 00 00 2D 80 3C 00 00 FF 00 00");
}

TEST(SeqRecordWriter, ATimeBehindWhatIsWrittenNeverMovesBack) {
  auto run = runInMemory("", [] {
    seq::RecordWriter out;
    out.channel(50, 0x90, 60, 100);
    out.channel(40, 0x80, 60, 0);  // late: written at once
    EXPECT_EQ(out.timeWritten(), 50);
    out.end(60);  // 10 after the note-on, not 20
  });
  EXPECT_EQ(hex(run.out), "32 90 3C 64 00 80 3C 00 0A FF 00 00");
}

TEST(SeqRecordWriter, SysExTempoAndEndRecordShapes) {
  auto run = runInMemory("", [] {
    seq::RecordWriter out;
    const std::string body = unhex("7E 7F 09 01 F7");
    out.sysEx(0, 0xF0, std::span(reinterpret_cast<const std::uint8_t*>(body.data()), body.size()));
    out.sysExHead(0, 0xF7, 0);
    out.tempo(0, 30000);
    out.end(0, 0x12, 0x34);
  });
  EXPECT_EQ(hex(run.out), "00 F0 05 00 00 00 7E 7F 09 01 F7 00 F7 00 00 00 00 00 F1 30 75 00 FF 12 34");
}

}  // namespace
