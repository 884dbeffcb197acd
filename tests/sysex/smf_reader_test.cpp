// Reading SysEx out of Standard MIDI Files: chunks, track parsing, merging.
#include <gtest/gtest.h>

#include "run_tool.h"
#include "sysex/smf_reader.h"
#include "sysex_test_util.h"
#include "vornlib/errors.h"

namespace {

using sysextest::chunk;
using sysextest::header;
using sysextest::smf;
using zamotest::hex;
using zamotest::unhex;

struct Extracted {
  std::uint32_t fileError = 0;
  std::uint64_t errorOffset = 0;
  std::string found;
  std::string out;                    // in hex
  std::vector<std::string> problems;  // "text/track@offset"
};

Extracted extract(std::string_view file) {
  Extracted x;
  vorn::ByteInput in;
  in.openMemory(file);
  sysex::SmfInfo info;
  if (auto error = sysex::readSmfChunks(in, file.size(), info)) {
    x.fileError = error.code;
    x.errorOffset = error.offset;
    x.found = error.found;
    return x;
  }
  auto report = [&x](const sysex::SmfProblem& p) {
    x.problems.push_back(std::string(p.text) + "/" + std::to_string(p.track) + "@" + std::to_string(p.offset));
  };
  vorn::ByteOutput out;
  out.openMemory();
  sysex::parseTracks(info, report);
  sysex::writeMergedMessages(info, out, report);
  out.flush();
  x.out = hex(out.memoryBytes());
  return x;
}

std::string texts(const Extracted& x) {
  std::string all;
  for (const std::string& p : x.problems) all += (all.empty() ? "" : ", ") + p.substr(0, p.find('/'));
  return all;
}

TEST(SmfReader, FormatZeroKeepsOnlySysEx) {
  Extracted x = extract(smf(0, {"00 FF 58 04 04 02 18 08 00 90 40 40 10 F0 03 01 02 F7 00 80 40 00 "
                                "05 B0 07 64 00 C0 05 00 E0 00 40 00 F0 01 F7 00 FF 2F 00"}));
  EXPECT_EQ(x.fileError, 0u);
  EXPECT_TRUE(x.problems.empty());
  EXPECT_EQ(x.out, "F0 01 02 F7 F0 F7");
}

TEST(SmfReader, TracksMergeByAbsoluteTimeThenTrackOrder) {
  // Track 0: messages at 10 and 30 (channel and meta deltas count).
  // Track 1: at 20 and 30; the tie goes to track 0. Track 2: at 0.
  Extracted x = extract(smf(1, {"05 90 40 40 05 F0 02 0A F7 14 F0 02 0B F7",
                                "0A FF 01 00 0A F0 02 14 F7 0A F0 02 15 F7",
                                "00 F0 02 01 F7 00 FF 2F 00"}));
  EXPECT_EQ(x.out, "F0 01 F7 F0 0A F7 F0 14 F7 F0 0B F7 F0 15 F7");
}

TEST(SmfReader, RunningStatusAndItsEnd) {
  // Notes under running status (two data bytes), program changes (one), then SysEx.
  EXPECT_EQ(extract(smf(0, {"00 90 40 40 00 41 40 00 C0 05 00 06 00 F0 02 01 F7"})).out, "F0 01 F7");
  // System events and meta events end running status.
  for (const char* track : {"00 90 40 40 00 FF 01 00 00 41 40 00 F0 01 F7",
                            "00 90 40 40 00 F0 01 F7 00 41 40", "00 41 40"}) {
    Extracted x = extract(smf(0, {track}));
    EXPECT_EQ(texts(x), "running status error") << track;
    EXPECT_EQ(x.out, "") << track;
  }
}

TEST(SmfReader, SplitPacketsJoinIntoOneMessage) {
  EXPECT_EQ(extract(smf(0, {"00 F0 02 01 02 10 F7 02 03 F7"})).out, "F0 01 02 03 F7");
  EXPECT_EQ(extract(smf(0, {"00 F0 01 01 10 F7 01 02 10 F7 02 03 F7"})).out, "F0 01 02 03 F7");
  // An empty first packet, and a packet of another track between the parts:
  // the parts belong together whatever their kind and time.
  EXPECT_EQ(extract(smf(1, {"00 F0 00 60 F7 02 05 F7", "10 F0 02 09 F7"})).out, "F0 05 F7 F0 09 F7");
  EXPECT_EQ(extract(smf(0, {"00 F0 01 01 00 F0 02 02 F7"})).out, "F0 01 02 F7");
}

TEST(SmfReader, OrphanedEndPacketsAreSkipped) {
  Extracted x = extract(smf(0, {"00 F7 02 01 F7 00 F0 02 02 F7 00 F7 01 F7 00 F0 02 03 F7"}));
  EXPECT_EQ(texts(x), "irregal sysF7 Event, irregal sysF7 Event");
  EXPECT_EQ(x.out, "F0 02 F7 F0 03 F7");
  // The offset names the event's status byte: header 14 + chunk head 8 + 1 byte in.
  EXPECT_EQ(x.problems[0], "irregal sysF7 Event/0@23");
}

TEST(SmfReader, OnlyWholeValidMessagesAreWritten) {
  // A message that never ends: nothing of it, nothing after it in the file.
  Extracted cut = extract(smf(1, {"00 F0 02 01 F7 00 F0 02 02 03", "10 F0 02 04 F7"}));
  EXPECT_EQ(cut.out, "F0 01 F7");
  EXPECT_TRUE(cut.problems.empty());
  // A status byte inside: reported, and the file's output ends there.
  Extracted bad = extract(smf(1, {"00 F0 02 01 F7 00 F0 03 02 90 F7", "10 F0 02 04 F7"}));
  EXPECT_EQ(bad.out, "F0 01 F7");
  EXPECT_EQ(texts(bad), "irregal format");
  EXPECT_EQ(bad.problems[0], "irregal format/0@31");
  // Also in a later packet, and as the last byte of a packet that is not the last.
  EXPECT_EQ(texts(extract(smf(0, {"00 F0 01 01 00 F7 02 82 F7"}))), "irregal format");
  Extracted tail = extract(smf(0, {"00 F0 02 01 90 00 F7 02 03 F7"}));
  EXPECT_EQ(texts(tail), "irregal format");
  EXPECT_EQ(tail.out, "");
  // An F7 in the middle of a packet is no end.
  EXPECT_EQ(texts(extract(smf(0, {"00 F0 03 01 F7 02"}))), "irregal format");
}

TEST(SmfReader, EveryTrackErrorAbandonsOnlyThatTrack) {
  struct Case {
    const char* track;
    const char* text;
  } cases[] = {
      {"00 F0 01 F7 00 90 40 80", "data have msb"},
      {"00 F0 01 F7 00 90 80 40", "data have msb"},
      {"00 F0 01 F7 00 90 40 40 00 40 90", "data have msb"},
      {"00 F0 01 F7 00 F1 00", "irregal system msg"},
      {"00 F0 01 F7 00 F8", "irregal system msg"},
      {"00 F0 01 F7 00 FE", "irregal system msg"},
      {"00 F0 01 F7 FF FF FF FF 00 F0 01 F7", "delta value error"},
      {"00 F0 01 F7 00 F0 FF FF FF FF 00", "delta value error"},
      {"00 F0 01 F7 00 F0 05 01 F7", "track data overrun"},
      {"00 F0 01 F7 00 FF 01 05 00", "track data overrun"},
      {"00 F0 01 F7 00 90 40", "track data overrun"},
      {"00 F0 01 F7 81", "track data overrun"},
      {"00 F0 01 F7 00", "track data overrun"},
      {"00 F0 01 F7 00 FF", "track data overrun"},
      {"00 F0 01 F7 00 41", "running status error"},
      {"00 F0 01 F7 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 "
       "FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 "
       "FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 "
       "FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40 "
       "FF FF FF 7F 90 40 40 FF FF FF 7F 90 40 40",
       "時間が長すぎる"},
  };
  for (const Case& c : cases) {
    // The bad track kept a message before the fault; the other tracks still count.
    Extracted x = extract(smf(1, {"00 F0 02 0A F7", c.track, "01 F0 02 0B F7"}));
    EXPECT_EQ(x.fileError, 0u) << c.track;
    EXPECT_EQ(texts(x), c.text) << c.track;
    ASSERT_EQ(x.problems.size(), 1u) << c.track;
    EXPECT_EQ(x.problems[0].substr(x.problems[0].find('/'), 2), "/1") << c.track;
    EXPECT_EQ(x.out, "F0 0A F7 F0 0B F7") << c.track;
  }
}

TEST(SmfReader, TimeUpToTheLimitIsFine) {
  // 16 deltas of 0x0FFFFFFF stay below 2^32; the SysEx after them is kept.
  std::string track;
  for (int i = 0; i < 16; ++i) track += "FF FF FF 7F FF 01 00 ";
  track += "0F F0 01 F7";
  EXPECT_EQ(extract(smf(0, {track})).out, "F0 F7");
}

TEST(SmfReader, DataAfterEndOfTrackIsStillParsed) {
  EXPECT_EQ(extract(smf(0, {"00 FF 2F 00 00 F0 01 F7"})).out, "F0 F7");
  EXPECT_EQ(texts(extract(smf(0, {"00 FF 2F 00 00 F3"}))), "irregal system msg");
}

TEST(SmfReader, FileErrorsSayWhatWasFoundAndWhere) {
  const std::string track = chunk("MTrk", unhex("00 F0 01 F7"));
  constexpr auto kMalformed = vorn::kErrMalformedInput;
  constexpr auto kShort = vorn::kErrShortRead;
  struct Case {
    std::string file;
    std::uint32_t code;
    std::uint64_t offset;  // of the byte at fault: the field, or where the missing byte belongs
    const char* found;
  } cases[] = {
      {header(0, 2, 96) + track + track, kMalformed, 10, "format 0 with 2 tracks; it has exactly one"},
      {header(2, 1, 96) + track, kMalformed, 8, "format 2; only formats 0 and 1 are read"},
      {header(1, 1, 0) + track, kMalformed, 12, "time division 0"},
      {header(1, 0, 96), kMalformed, 10, "no tracks"},
      {chunk("MThd", unhex("00 00 00 01 00")) + track, kMalformed, 4, "header chunk of 5 bytes; it needs 6"},
      {chunk("MThd", "") + track, kMalformed, 4, "chunk \"MThd\" of length 0"},
      {chunk("MTrk", unhex("00 00 00 01 00 60")) + track, kMalformed, 0, "chunk \"MTrk\" where \"MThd\" belongs"},
      {header(1, 1, 96) + chunk("MTrk", ""), kMalformed, 18, "chunk \"MTrk\" of length 0"},
      {header(1, 2, 96) + track + chunk("X\x01\"k", unhex("00 F0 01 F7")), kMalformed, 26,
       "chunk \"X\\x01\\x22k\" where \"MTrk\" belongs"},
      {header(1, 1, 96) + unhex("4D 54 72 6B 00 00 10 00 00"), kMalformed, 18,
       "chunk \"MTrk\" claims 4096 bytes; the file has 23"},
      {header(1, 1, 96) + unhex("4D 54 72 6B 00 00 00 10 00"), kShort, 23,
       "chunk \"MTrk\" claims 16 bytes; the file ends after 1"},
      {header(1, 2, 96) + track, kShort, 26, "the file ends inside the head of chunk \"MTrk\""},
      {header(1, 1, 96) + "MTr", kShort, 17, "the file ends inside the head of chunk \"MTrk\""},
      {"", kShort, 0, "the file ends inside the head of chunk \"MThd\""},
  };
  for (const Case& c : cases) {
    Extracted x = extract(c.file);
    EXPECT_EQ(x.fileError, c.code) << c.found;
    EXPECT_EQ(x.errorOffset, c.offset) << c.found;
    EXPECT_EQ(x.found, c.found);
  }
}

TEST(SmfReader, HeaderExtrasAndTrailingBytesAreIgnored) {
  std::string file = chunk("MThd", unhex("00 00 00 01 00 60 12 34")) + chunk("MTrk", unhex("00 F0 01 F7")) + "junk";
  Extracted x = extract(file);
  EXPECT_EQ(x.fileError, 0u);
  EXPECT_EQ(x.out, "F0 F7");
}

TEST(SmfReader, UnknownSizeStillStopsAtTheData) {
  // Standard input has no size: a huge announced length ends as a short read.
  std::string file = header(0, 1, 96) + unhex("4D 54 72 6B 7F FF FF FF 00 F0");
  vorn::ByteInput in;
  in.openMemory(file);
  sysex::SmfInfo info;
  auto error = sysex::readSmfChunks(in, sysex::kUnknownFileSize, info);
  EXPECT_EQ(error.code, vorn::kErrShortRead);
  EXPECT_EQ(error.offset, file.size());
}

}  // namespace
