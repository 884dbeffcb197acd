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
  return seqtest::runInMemory(file, [&] { seq::convertSmfToOstra({.keepSysEx = keepSysEx}); });
}

// Converts and expects success.
std::string ostra(const std::string& file, bool keepSysEx = false) {
  Outcome run = convert(file, keepSysEx);
  EXPECT_FALSE(run.ended);
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
  EXPECT_TRUE(convert(Smf().with("00 90 3C 64 00 FF 01 00 00 3C 00 00 FF 2F 00")).failed);
  EXPECT_TRUE(convert(Smf().with("00 90 3C 64 00 F0 01 F7 00 3C 00 00 FF 2F 00")).failed);
  // None in force at the start.
  EXPECT_TRUE(convert(Smf().with("00 3C 64 00 FF 2F 00")).failed);
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
  ASSERT_FALSE(run.ended);
  ASSERT_EQ(run.out.size(), 8224u * 4 + 8);
  EXPECT_EQ(hex(run.out.substr(8223 * 4)), "FF F8 00 00 20 90 3C 64 00 FF 00 00");
}

TEST(SeqZutane, SetTempoBecomesATempoRecord) {
  // 500000 us a quarter note: 120 BPM, 12000.
  EXPECT_EQ(ostra(Smf().with("00 FF 51 03 07 A1 20 00 FF 2F 00")), "00 F1 E0 2E 00 FF 00 00");
  // 91554 us gives 65535; 91553 would give 65536 and is refused.
  EXPECT_EQ(ostra(Smf().with("10 FF 51 03 01 65 A2 00 FF 2F 00")), "10 F1 FF FF 00 FF 00 00");
  Outcome tooFast = convert(Smf().with("00 90 3C 64 10 FF 51 03 01 65 A1 00 FF 2F 00"));
  EXPECT_TRUE(tooFast.failed);
  EXPECT_EQ(hex(tooFast.out), "00 90 3C 64");
  // Extra bytes are dropped; fewer than three, or a value of 0, are refused.
  EXPECT_EQ(ostra(Smf().with("00 FF 51 04 0F 42 40 99 00 FF 2F 00")), "00 F1 70 17 00 FF 00 00");
  EXPECT_TRUE(convert(Smf().with("00 FF 51 02 07 A1 00 FF 2F 00")).failed);
  EXPECT_TRUE(convert(Smf().with("00 FF 51 03 00 00 00 00 FF 2F 00")).failed);
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

TEST(SeqZutane, HeaderChecks) {
  EXPECT_EQ(ostra(Smf().extraHeader(unhex("AA BB")).with(kEnd)), "00 FF 00 00");
  EXPECT_TRUE(convert(Smf().format(1).with(kEnd)).failed);
  EXPECT_TRUE(convert(Smf().tracks(2).with(kEnd)).failed);
  EXPECT_TRUE(convert(Smf().tracks(0).with(kEnd)).failed);
  EXPECT_TRUE(convert(Smf().division(0).with(kEnd)).failed);
  std::string good = Smf().with(kEnd);
  for (std::size_t at : {0u, 3u, 14u, 17u}) {  // the two chunk identifiers
    std::string bad = good;
    bad[at] = 'x';
    EXPECT_TRUE(convert(bad).failed) << at;
  }
  std::string shortHeader = good;
  shortHeader[7] = 5;  // header length 5
  EXPECT_TRUE(convert(shortHeader).failed);
  // The file ends within the header, the extra header bytes, or the track's head.
  for (std::size_t size : {0u, 7u, 13u, 20u}) EXPECT_TRUE(convert(good.substr(0, size)).failed) << size;
  EXPECT_TRUE(convert(Smf().extraHeader("ab").with(kEnd).substr(0, 15)).failed);
}

TEST(SeqZutane, TrackReadingFailuresKeepWhatWasWritten) {
  struct Case {
    const char* why;
    std::string file;
  } cases[] = {
      {"declared length ends early", Smf().trackLength(6).with("00 90 3C 64 00 90 3E 64 00 FF 2F 00")},
      {"input ends early", Smf().trackLength(100).with("00 90 3C 64 00 90")},
      {"data byte with its top bit set", Smf().with("00 90 3C 64 00 90 BC 64 00 FF 2F 00")},
      {"second data byte with its top bit set", Smf().with("00 90 3C 64 00 90 3C E4 00 FF 2F 00")},
      {"five-byte delta-time", Smf().with("00 90 3C 64 81 80 80 80 00 90 3C 00 00 FF 2F 00")},
      {"five-byte length", Smf().with("00 90 3C 64 00 FF 01 81 80 80 80 00 00 FF 2F 00")},
      {"system status F1", Smf().with("00 90 3C 64 00 F1 00 00 FF 2F 00")},
      {"system status F8", Smf().with("00 90 3C 64 00 F8 00 FF 2F 00")},
      {"SysEx past the track", Smf().trackLength(9).with("00 90 3C 64 00 F0 05 7E 7F 09 01 F7")},
      {"no end of track", Smf().with("00 90 3C 64")},
  };
  for (const Case& c : cases) {
    Outcome run = convert(c.file);
    EXPECT_TRUE(run.failed) << c.why;
    EXPECT_EQ(hex(run.out), "00 90 3C 64") << c.why;
  }
  // A kept SysEx body cut by the track's end: its head and the bytes inside the track are out.
  Outcome cut = convert(Smf().trackLength(9).with("00 90 3C 64 00 F0 05 7E 7F 09 01 F7"), true);
  EXPECT_TRUE(cut.failed);
  EXPECT_EQ(hex(cut.out), "00 90 3C 64 00 F0 05 00 00 00 7E 7F");
}

TEST(SeqZutane, NothingAfterTheEndOfTrackIsRead) {
  std::string file = Smf().trackLength(100).with("00 90 3C 64 00 FF 2F 00") + "junk";
  Outcome run = convert(file);
  EXPECT_FALSE(run.ended);
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
  // A frame rate outside 24, 25, 29.97 and 30 is refused.
  EXPECT_TRUE(convert(Smf().division(0xE928).with(kEnd)).failed);
}

}  // namespace
