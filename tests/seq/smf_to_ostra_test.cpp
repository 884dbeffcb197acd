#include "seq/smf_to_ostra.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "in_memory_run.h"
#include "run_tool.h"
#include "vornlib/numbers.h"

namespace {

using seqtest::Outcome;
using zamotest::hex;
using zamotest::unhex;

std::string be32(std::uint32_t v) {
  std::string s(4, '\0');
  vorn::writeBE32(reinterpret_cast<std::uint8_t*>(s.data()), v);
  return s;
}
std::string be16(std::uint16_t v) {
  std::string s(2, '\0');
  vorn::writeBE16(reinterpret_cast<std::uint8_t*>(s.data()), v);
  return s;
}

// A file built around a track written in hex: Smf().division(96).with("...").
class Smf {
 public:
  Smf& division(std::uint16_t v) { division_ = v; return *this; }
  Smf& format(std::uint16_t v) { format_ = v; return *this; }
  Smf& tracks(std::uint16_t v) { tracks_ = v; return *this; }
  // Bytes after the six header fields.
  Smf& extraHeader(std::string v) { extraHeader_ = std::move(v); return *this; }
  // The declared track length, when not the real one.
  Smf& trackLength(std::uint32_t v) { trackLength_ = v; return *this; }

  // A whole file around a track written in hex.
  std::string with(std::string_view trackHex) const {
    std::string track = unhex(trackHex);
    return "MThd" + be32(static_cast<std::uint32_t>(6 + extraHeader_.size())) + be16(format_) + be16(tracks_) +
           be16(division_) + extraHeader_ + "MTrk" +
           be32(trackLength_.value_or(static_cast<std::uint32_t>(track.size()))) + track;
  }

 private:
  std::uint16_t division_ = 480;
  std::uint16_t format_ = 0;
  std::uint16_t tracks_ = 1;
  std::string extraHeader_;
  std::optional<std::uint32_t> trackLength_;
};

Outcome convert(const std::string& file, bool keepSysEx = false) {
  return seqtest::runInMemory(
      file, [&](vorn::ByteInput& in) { return seq::convertSmfToOstra(in, {.keepSysEx = keepSysEx}); });
}

// Converts and expects success.
std::string ostra(const std::string& file, bool keepSysEx = false) {
  Outcome run = convert(file, keepSysEx);
  EXPECT_FALSE(run.failed());
  return hex(run.out);
}

constexpr const char* kEnd = "00 FF 2F 00";

TEST(SeqZutane, ChannelMessagesAndTheEndOfTrack) {
  EXPECT_EQ(ostra(Smf().with(kEnd)), "00 FF 00 00");
  EXPECT_EQ(ostra(Smf().with("00 90 3C 64 60 80 3C 40 00 E0 00 40 00 FF 2F 00")),
            "00 90 3C 64 60 80 3C 40 00 E0 00 40 00 FF 00 00");
  // Program change and channel pressure get a second byte of 0.
  EXPECT_EQ(ostra(Smf().with("00 C0 05 00 D1 7F 00 FF 2F 00")), "00 C0 05 00 00 D1 7F 00 00 FF 00 00");
  // An end of track with a body drops it; the end record carries the time.
  EXPECT_EQ(ostra(Smf().with("00 90 3C 64 83 60 FF 2F 02 AA BB")), "00 90 3C 64 FF F8 00 00 E1 FF 00 00");
}

TEST(SeqZutane, RunningStatus) {
  // C0 05, then a delta and a lone 07.
  EXPECT_EQ(ostra(Smf().with("00 C0 05 00 07 00 FF 2F 00")), "00 C0 05 00 00 C0 07 00 00 FF 00 00");
  EXPECT_EQ(ostra(Smf().with("00 90 3C 64 10 3C 00 00 FF 2F 00")), "00 90 3C 64 10 90 3C 00 00 FF 00 00");
  // Meta and SysEx events cancel it.
  EXPECT_TRUE(convert(Smf().with("00 90 3C 64 00 FF 01 00 00 3C 00 00 FF 2F 00")).failed());
  EXPECT_TRUE(convert(Smf().with("00 90 3C 64 00 F0 01 F7 00 3C 00 00 FF 2F 00")).failed());
  // None in force at the start.
  EXPECT_TRUE(convert(Smf().with("00 3C 64 00 FF 2F 00")).failed());
}

TEST(SeqZutane, TicksAreRescaledFromTheWholeCount) {
  // Division 96: 96 ticks are 480, a filler and 225.
  EXPECT_EQ(ostra(Smf().division(96).with("00 90 3C 64 60 80 3C 00 00 FF 2F 00")),
            "00 90 3C 64 FF F8 00 00 E1 80 3C 00 00 FF 00 00");
  // Division 7: events 1 tick apart land on 69, 137, 206.
  EXPECT_EQ(ostra(Smf().division(7).with("01 90 3C 64 01 90 3E 64 01 90 40 64 00 FF 2F 00")),
            "45 90 3C 64 44 90 3E 64 45 90 40 64 00 FF 00 00");
  // A four-byte delta-time: 2^21 ticks are 8224 fillers and 32.
  Outcome run = convert(Smf().with("81 80 80 00 90 3C 64 00 FF 2F 00"));
  ASSERT_FALSE(run.failed());
  ASSERT_EQ(run.out.size(), 8224u * 4 + 8);
  EXPECT_EQ(hex(run.out.substr(8223 * 4)), "FF F8 00 00 20 90 3C 64 00 FF 00 00");
}

TEST(SeqZutane, SetTempoBecomesATempoRecord) {
  // 500000 us a quarter note: 120 BPM, 12000.
  EXPECT_EQ(ostra(Smf().with("00 FF 51 03 07 A1 20 00 FF 2F 00")), "00 F1 E0 2E 00 FF 00 00");
  // 91554 us gives 65535; 91553 would give 65536 and is refused.
  EXPECT_EQ(ostra(Smf().with("10 FF 51 03 01 65 A2 00 FF 2F 00")), "10 F1 FF FF 00 FF 00 00");
  Outcome tooFast = convert(Smf().with("00 90 3C 64 10 FF 51 03 01 65 A1 00 FF 2F 00"));
  EXPECT_TRUE(tooFast.failed());
  EXPECT_EQ(hex(tooFast.out), "00 90 3C 64");
  // Extra bytes are dropped; fewer than three, or a value of 0, are refused.
  EXPECT_EQ(ostra(Smf().with("00 FF 51 04 0F 42 40 99 00 FF 2F 00")), "00 F1 70 17 00 FF 00 00");
  EXPECT_TRUE(convert(Smf().with("00 FF 51 02 07 A1 00 FF 2F 00")).failed());
  EXPECT_TRUE(convert(Smf().with("00 FF 51 03 00 00 00 00 FF 2F 00")).failed());
}

TEST(SeqZutane, DroppedEventsCarryTheirTimeIntoTheNextRecord) {
  // A text meta event at 100, the note at 200.
  EXPECT_EQ(ostra(Smf().with("64 FF 01 03 61 62 63 64 90 3C 64 00 FF 2F 00")), "C8 90 3C 64 00 FF 00 00");
  // A file full of SysEx without option X: only tempo, channel and end records, times intact.
  std::string file = Smf().with(
      "00 F0 05 7E 7F 09 01 F7 "
      "10 FF 51 03 07 A1 20 "
      "20 F0 03 41 10 F7 "
      "30 90 3C 64 "
      "40 F7 02 F8 FA "
      "50 FF 2F 00");
  EXPECT_EQ(ostra(file), "10 F1 E0 2E 50 90 3C 64 90 FF 00 00");
  // With option X they are kept, F0 and F7 alike, with 32-bit lengths.
  EXPECT_EQ(ostra(file, true),
            "00 F0 05 00 00 00 7E 7F 09 01 F7 10 F1 E0 2E 20 F0 03 00 00 00 41 10 F7 30 90 3C 64 "
            "40 F7 02 00 00 00 F8 FA 50 FF 00 00");
}

// Offsets name the wrong byte: the first of a wrong chunk identifier, the
// field that is refused, or where the input ended.
TEST(SeqZutane, HeaderFaultsSayWhatWasFoundAndWhere) {
  EXPECT_EQ(ostra(Smf().extraHeader(unhex("AA BB")).with(kEnd)), "00 FF 00 00");
  std::string good = Smf().with(kEnd);
  std::string riff = good;
  riff.replace(0, 4, "RIFF");
  std::string binaryId = good;
  binaryId.replace(14, 4, unhex("00 01 22 FF"));
  std::string shortHeader = good;
  shortHeader[7] = 5;
  struct Case {
    std::string file;
    const char* text;
    std::uint64_t offset;
  } cases[] = {
      {riff, "expected \"MThd\", found \"RIFF\"", 0},
      {binaryId, "expected \"MTrk\", found \"\\x00\\x01\\x22\\xFF\"", 14},
      {shortHeader, "header chunk length 5; at least 6 expected", 4},
      {Smf().format(1).tracks(12).with(kEnd), "format 1 with 12 tracks; option -M merges the tracks into one", 8},
      {Smf().format(1).with(kEnd), "format 1 with 1 track; option -M merges the tracks into one", 8},
      {Smf().format(2).tracks(3).with(kEnd), "format 2 with 3 tracks: independent sequences are not merged; only format 0 is read, and format 1 with -M", 8},
      {Smf().tracks(2).with(kEnd), "format 0 with 2 tracks; format 0 has exactly one track", 10},
      {Smf().tracks(0).with(kEnd), "format 0 with 0 tracks; format 0 has exactly one track", 10},
      {Smf().division(0).with(kEnd), "division 0 gives no time base", 12},
      {Smf().division(0xE928).with(kEnd), "SMPTE frame rate 23; only 24, 25, 29 and 30 are known", 12},
      {Smf().division(0x8028).with(kEnd), "SMPTE frame rate 128; only 24, 25, 29 and 30 are known", 12},
      {Smf().division(0xE700).with(kEnd), "SMPTE division with 0 ticks per frame", 13},
      {good.substr(0, 7), "input ends inside the header chunk", 7},
      {good.substr(0, 13), "input ends inside the header chunk", 13},
      {Smf().extraHeader("ab").with(kEnd).substr(0, 15), "input ends inside the header chunk", 15},
      {good.substr(0, 20), "input ends inside the track chunk's head", 20},
  };
  for (const Case& c : cases) {
    Outcome run = convert(c.file);
    ASSERT_TRUE(run.failed()) << c.text;
    EXPECT_EQ(*run.fault, (seq::InputFault{c.text, c.offset}));
    EXPECT_EQ(run.out, "") << c.text;
  }
  Outcome empty = convert("");
  ASSERT_TRUE(empty.failed());
  EXPECT_EQ(*empty.fault, (seq::InputFault{"no input", std::nullopt}));
}

// The track data starts at offset 22; each case writes the first note before its fault.
TEST(SeqZutane, TrackFaultsSayWhatWasFoundAndWhereKeepingWhatWasWritten) {
  struct Case {
    std::string file;
    const char* text;
    std::uint64_t offset;
  } cases[] = {
      {Smf().trackLength(6).with("00 90 3C 64 00 90 3E 64 00 FF 2F 00"),
       "a channel message runs past the track chunk's declared length", 28},
      {Smf().trackLength(4).with("00 90 3C 64 00 FF 2F 00"), "the track chunk ends without an end-of-track event",
       26},
      {Smf().trackLength(100).with("00 90 3C 64 00 90"), "input ends inside a channel message", 28},
      {Smf().trackLength(100).with("00 90 3C 64"), "input ends before the end-of-track event", 26},
      {Smf().trackLength(100).with("00 90 3C 64 81"), "input ends inside a delta-time", 27},
      {Smf().trackLength(100).with("00 90 3C 64 00"), "input ends inside an event", 27},
      {Smf().with("00 90 3C 64 00 90 BC 64 00 FF 2F 00"), "expected a data byte (00 to 7F), found BC", 28},
      {Smf().with("00 90 3C 64 00 90 3C E4 00 FF 2F 00"), "expected a data byte (00 to 7F), found E4", 29},
      {Smf().with("00 90 3C 64 00 F0 01 F7 00 3C 00 00 FF 2F 00"), "data byte 3C but no running status in force",
       31},
      {Smf().with("00 90 3C 64 81 80 80 80 00 90 3C 00 00 FF 2F 00"), "a delta-time of more than four bytes", 29},
      {Smf().with("00 90 3C 64 00 FF 01 81 80 80 80 00 00 FF 2F 00"), "a meta event length of more than four bytes",
       32},
      {Smf().with("00 90 3C 64 00 F0 81 80 80 80 00 00 FF 2F 00"), "a SysEx length of more than four bytes", 31},
      {Smf().with("00 90 3C 64 00 F1 00 00 FF 2F 00"), "unknown status byte F1", 27},
      {Smf().with("00 90 3C 64 00 F8 00 FF 2F 00"), "unknown status byte F8", 27},
      {Smf().trackLength(9).with("00 90 3C 64 00 F0 05 7E 7F 09 01 F7"),
       "a SysEx of 5 bytes runs past the track chunk's declared length", 31},
      {Smf().trackLength(100).with("00 90 3C 64 00 F0 05 7E 7F"), "input ends inside a SysEx of 5 bytes", 31},
      {Smf().trackLength(100).with("00 90 3C 64 00 FF 01 01"), "input ends inside a meta event of 1 byte", 30},
      {Smf().with("00 90 3C 64 00 FF 51 02 07 A1 00 FF 2F 00"), "set-tempo event of 2 bytes; 3 expected", 29},
      {Smf().with("00 90 3C 64 00 FF 51 03 00 00 00 00 FF 2F 00"),
       "set-tempo of 0 microseconds per quarter note", 30},
      {Smf().with("00 90 3C 64 10 FF 51 03 01 65 A1 00 FF 2F 00"),
       "set-tempo of 91553 microseconds per quarter note is faster than 655.35 BPM", 30},
      {Smf().trackLength(100).with("00 90 3C 64 00 FF 51 03 07"), "input ends inside a set-tempo event", 31},
  };
  for (const Case& c : cases) {
    Outcome run = convert(c.file);
    ASSERT_TRUE(run.failed()) << c.text;
    EXPECT_EQ(*run.fault, (seq::InputFault{c.text, c.offset}));
    EXPECT_EQ(hex(run.out), "00 90 3C 64") << c.text;
  }
  // A kept SysEx body cut by the track's end: its head and the bytes inside the track are out.
  Outcome cut = convert(Smf().trackLength(9).with("00 90 3C 64 00 F0 05 7E 7F 09 01 F7"), true);
  EXPECT_TRUE(cut.failed());
  EXPECT_EQ(hex(cut.out), "00 90 3C 64 00 F0 05 00 00 00 7E 7F");
}

TEST(SeqZutane, NothingAfterTheEndOfTrackIsRead) {
  std::string file = Smf().trackLength(100).with("00 90 3C 64 00 FF 2F 00") + "junk";
  Outcome run = convert(file);
  EXPECT_FALSE(run.failed());
  EXPECT_EQ(hex(run.out), "00 90 3C 64 00 FF 00 00");
  EXPECT_EQ(run.stoppedAt, file.size() - 4);
}

TEST(SeqZutane, SmpteFilesRunInRealTimeAndIgnoreSetTempo) {
  // 25 frames of 40 ticks: 1000 ticks a second, 960 OSTRA ticks.
  Smf pal = Smf().division(0xE728);
  EXPECT_EQ(ostra(pal.with("00 90 3C 64 87 68 80 3C 00 00 FF 2F 00")), "00 90 3C 64 FF F8 00 00 FF F8 00 00 FF F8 00 00 "
                                                                        "C3 80 3C 00 00 FF 00 00");
  // A set-tempo event changes nothing and writes nothing, whatever its body.
  EXPECT_EQ(ostra(pal.with("00 FF 51 03 0F 42 40 87 68 90 3C 64 00 FF 51 00 00 FF 2F 00")),
            "FF F8 00 00 FF F8 00 00 FF F8 00 00 C3 90 3C 64 00 FF 00 00");
}

}  // namespace
