// zutane's converter with the tracks of a format-1 file merged.
#include "seq/smf_merge.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "in_memory_run.h"
#include "run_tool.h"
#include "seq/smf_to_ostra.h"

namespace {

using seqtest::Outcome;
using zamotest::hex;
using zamotest::unhex;

std::string be(std::uint32_t value, int bytes) {
  std::string out;
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>(value >> (8 * i) & 0xFF);
  return out;
}

// A file of the given format with one track chunk per hex text.
std::string file(std::initializer_list<const char*> tracks, std::uint16_t format = 1, std::uint16_t division = 480) {
  std::string bytes = "MThd" + be(6, 4) + be(format, 2) + be(static_cast<std::uint32_t>(tracks.size()), 2) +
                      be(division, 2);
  for (const char* track : tracks) {
    std::string events = unhex(track);
    bytes += "MTrk" + be(static_cast<std::uint32_t>(events.size()), 4) + events;
  }
  return bytes;
}

Outcome merge(const std::string& smf, bool keepSysEx = false) {
  return seqtest::runInMemory(
      smf, [&](vorn::ByteInput& in) { return seq::convertSmfToOstra(in, {.keepSysEx = keepSysEx, .mergeTracks = true}); });
}

constexpr const char* kEnd = "00 FF 2F 00";

TEST(SeqMerge, EventsComeInTimeOrderEarlierTrackFirst) {
  struct Case {
    std::string smf;
    const char* ostra;
  } cases[] = {
      // A tempo track and a note track, as most format-1 files are.
      {file({"00 FF 51 03 07 A1 20 00 FF 2F 00", "00 90 3C 40 60 80 3C 00 00 FF 2F 00"}),
       "00 F1 E0 2E 00 90 3C 40 60 80 3C 00 00 FF 00 00"},
      // Equal times: every event of the earlier track at that time first.
      {file({"10 90 3C 40 00 90 3E 40 00 FF 2F 00", "10 91 40 40 00 FF 2F 00", "00 92 43 40 10 92 44 40 00 FF 2F 00"}),
       "00 92 43 40 10 90 3C 40 00 90 3E 40 00 91 40 40 00 92 44 40 00 FF 00 00"},
      // Interleaved: each track keeps its own running status across the others.
      {file({"00 90 3C 40 20 3C 00 00 FF 2F 00", "10 C1 05 20 07 00 FF 2F 00"}),
       "00 90 3C 40 10 C1 05 00 10 90 3C 00 10 C1 07 00 00 FF 00 00"},
      // The end at the latest end of track, even of a track without events.
      {file({"00 90 3C 40 00 FF 2F 00", "83 60 FF 2F 00", "10 80 3C 00 00 FF 2F 00"}),
       "00 90 3C 40 10 80 3C 00 FF F8 00 00 D1 FF 00 00"},
      // Dropped meta events leave their time to the next record of any
      // track; times are rescaled from the whole count (200 of 96 is 1000).
      {file({"64 FF 01 01 61 00 FF 2F 00", "81 48 90 3C 40 00 FF 2F 00"}, 1, 96),
       "FF F8 00 00 FF F8 00 00 FF F8 00 00 EB 90 3C 40 00 FF 00 00"},
      // A single track, and a format-0 file, read as without merging.
      {file({"00 90 3C 40 00 FF 2F 00"}), "00 90 3C 40 00 FF 00 00"},
      {file({"00 90 3C 40 10 3C 00 00 FF 2F 00"}, 0), "00 90 3C 40 10 90 3C 00 00 FF 00 00"},
  };
  for (const Case& c : cases) {
    Outcome run = merge(c.smf);
    EXPECT_FALSE(run.failed()) << hex(c.smf);
    EXPECT_EQ(hex(run.out), c.ostra) << hex(c.smf);
  }
  // SysEx of any track, when kept.
  Outcome sysex = merge(file({"10 F0 02 41 F7 00 FF 2F 00", "00 F7 01 F8 00 FF 2F 00"}), true);
  EXPECT_EQ(hex(sysex.out), "00 F7 01 00 00 00 F8 10 F0 02 00 00 00 41 F7 00 FF 00 00");
}

// Offsets are those of the file, whichever track the fault lies in; what
// was merged before it stays written.
TEST(SeqMerge, FaultsNameTheByteOfTheFile) {
  std::string twoTracks = file({"00 90 3C 40 00 FF 2F 00", "00 91 3C 40 00 FF 2F 00"});
  std::string oversized = twoTracks;
  oversized.replace(18, 4, be(static_cast<std::uint32_t>(seq::kMaxMergedBytes) + 1, 4));
  struct Case {
    std::string smf;
    const char* text;
    std::uint64_t offset;
    const char* written;
  } cases[] = {
      // Track 2's second data byte (its body starts at 22 + 12 + 8 = 42).
      {file({"00 90 3C 40 10 80 3C 00 00 FF 2F 00", "08 91 3C 40 00 91 BC 40 00 FF 2F 00"}),
       "expected a data byte (00 to 7F), found BC", 48, "00 90 3C 40 08 91 3C 40"},
      {file({"00 90 3C 40 00 FF 2F 00", "00 91 3C 40"}), "the track chunk ends without an end-of-track event", 42,
       "00 90 3C 40 00 91 3C 40"},
      {file({kEnd, "00 FF 51 03 00 00 00 00 FF 2F 00"}), "set-tempo of 0 microseconds per quarter note", 38, ""},
      {file({kEnd, "00 3C 40 00 FF 2F 00"}), "data byte 3C but no running status in force", 35, ""},
      {file({kEnd}).substr(0, 20) , "input ends inside track chunk 1 of 1's head", 20, ""},
      {twoTracks.substr(0, 40), "input ends inside track chunk 2 of 2 of 8 bytes", 40, ""},
      {twoTracks.substr(0, 30) + "RIFF" + be(8, 4), "expected \"MTrk\", found \"RIFF\"", 30, ""},
      {oversized, "track chunk 1 of 2 of 67108865 bytes would take the tracks past 64 MiB, the most that is merged", 18,
       ""},
      {file({}), "format 1 with 0 tracks; there is nothing to merge", 10, ""},
      {file({kEnd, kEnd}, 2), "format 2 with 2 tracks: independent sequences are not merged; only format 0 is read, "
                              "and format 1 with -M", 8, ""},
      {file({kEnd}, 3), "format 3 with 1 track: no such format; only format 0 is read, and format 1 with -M", 8, ""},
  };
  for (const Case& c : cases) {
    Outcome run = merge(c.smf);
    ASSERT_TRUE(run.failed()) << c.text;
    EXPECT_EQ(*run.fault, (seq::InputFault{c.text, c.offset}));
    EXPECT_EQ(hex(run.out), c.written) << c.text;
  }
}

}  // namespace
