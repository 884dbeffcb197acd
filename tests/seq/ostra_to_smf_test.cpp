#include "seq/ostra_to_smf.h"

#include <gtest/gtest.h>

#include <string>

#include "in_memory_run.h"
#include "run_tool.h"
#include "seq/smf_tempo.h"
#include "seq/smf_to_ostra.h"

namespace {

using zamotest::hex;
using zamotest::unhex;

// The header and the track chunk's head, for a track of `length` bytes.
std::string head(std::size_t length) {
  char text[80];
  std::snprintf(text, sizeof text, "4D 54 68 64 00 00 00 06 00 00 00 01 01 E0 4D 54 72 6B %02zX %02zX %02zX %02zX",
                length >> 24 & 0xFF, length >> 16 & 0xFF, length >> 8 & 0xFF, length & 0xFF);
  return text;
}

struct Written {
  std::string file;
  std::optional<seq::InputFault> fault;
};

Written toSmf(const std::string& sequence) {
  vorn::ByteOutput out;
  out.openMemory();
  Written written;
  written.fault = seq::writeSmfFromOstra(sequence, out);
  out.flush();
  written.file = out.memoryBytes();
  return written;
}

// The track's events in hex; the head is checked against their length.
std::string track(const std::string& sequenceHex) {
  Written w = toSmf(unhex(sequenceHex));
  EXPECT_FALSE(w.fault) << sequenceHex;
  std::string events = w.file.size() >= 22 ? w.file.substr(22) : "";
  EXPECT_EQ(hex(w.file.substr(0, 22)), head(events.size()));
  return hex(events);
}

TEST(SeqOstraToSmf, RecordsBecomeEvents) {
  struct Case {
    const char* sequence;
    const char* events;
  } cases[] = {
      {"00 FF 00 00", "00 FF 2F 00"},
      // Running status while the status repeats; one data byte for C0 and D0.
      {"00 90 3C 40 60 90 3C 00 00 C1 05 00 10 D1 7F 00 00 D1 10 00 20 FF 00 00",
       "00 90 3C 40 60 3C 00 00 C1 05 10 D1 7F 00 10 20 FF 2F 00"},
      // Fillers carry time only: 255 + 129 = 384, a two-byte delta-time.
      {"00 90 3C 40 FF F8 00 00 81 80 3C 00 60 FF 00 00", "00 90 3C 40 83 00 80 3C 00 60 FF 2F 00"},
      // 120 BPM is 500000 us; a tempo event ends running status.
      {"00 90 3C 40 00 F1 E0 2E 00 90 3E 40 00 FF 00 00", "00 90 3C 40 00 FF 51 03 07 A1 20 00 90 3E 40 00 FF 2F 00"},
      // SysEx records keep their kind; the length becomes a variable-length quantity.
      {"00 F0 05 00 00 00 7E 7F 09 01 F7 10 F7 02 00 00 00 F8 FA 00 F0 00 00 00 00 00 FF 00 00",
       "00 F0 05 7E 7F 09 01 F7 10 F7 02 F8 FA 00 F0 00 00 FF 2F 00"},
      {"00 90 3C 40 00 F0 01 00 00 00 F7 00 90 3E 40 00 FF 00 00",
       "00 90 3C 40 00 F0 01 F7 00 90 3E 40 00 FF 2F 00"},
      // The end record's two bytes have no place in the file; what follows it is not read.
      {"05 FF 12 34 00 90 3C 40", "05 FF 2F 00"},
  };
  for (const Case& c : cases) EXPECT_EQ(track(c.sequence), c.events) << c.sequence;
}

TEST(SeqOstraToSmf, LongSysExLengthsAndGapsTakeSeveralBytes) {
  std::string body(200, '\x11');
  std::string sequence = unhex("00 F0 C8 00 00 00") + body + unhex("00 FF 00 00");
  Written w = toSmf(sequence);
  ASSERT_FALSE(w.fault);
  EXPECT_EQ(hex(w.file.substr(22, 3)), "00 F0 81");
  EXPECT_EQ(hex(w.file.substr(25, 1)), "48");
  EXPECT_EQ(w.file.substr(26, 200), body);
  // 2^21 ticks: 8224 fillers and a delta of 32, a four-byte delta-time.
  std::string gap;
  for (int i = 0; i < 8224; ++i) gap += unhex("FF F8 00 00");
  w = toSmf(gap + unhex("20 FF 00 00"));
  ASSERT_FALSE(w.fault);
  EXPECT_EQ(hex(w.file.substr(22)), "81 80 80 00 FF 2F 00");
}

// What an SMF cannot hold, or an OSTRA stream that is not one, stops the
// writer before it writes anything.
TEST(SeqOstraToSmf, FaultsNameTheOffsetAndWriteNothing) {
  struct Case {
    const char* sequence;
    const char* text;
    std::uint64_t offset;
  } cases[] = {
      {"00 90 3C 40 00 90 BC 40 00 FF 00 00", "data byte BC in a channel record; MIDI data bytes are 00 to 7F", 6},
      {"00 90 3C C0 00 FF 00 00", "data byte C0 in a channel record; MIDI data bytes are 00 to 7F", 3},
      {"00 90 3C 40 10 F1 2C 01 00 FF 00 00",
       "tempo 3.00 BPM at tick 16 is slower than a set-tempo event holds (3.58 BPM)", 6},
      {"00 F0 00 00 00 10 00 FF 00 00", "SysEx record of 268435456 bytes; a Standard MIDI File event holds at most 268435455",
       2},
      {"00 90 3C 40 00 F5 00 00 00 FF 00 00", "unknown status byte F5", 5},
      {"00 90 3C 40", "input ends before the end record", 4},
      {"00 F0 05 00 00 00 7E 7F", "input ends inside a SysEx record of 5 bytes", 8},
  };
  for (const Case& c : cases) {
    Written w = toSmf(unhex(c.sequence));
    ASSERT_TRUE(w.fault) << c.sequence;
    EXPECT_EQ(*w.fault, (seq::InputFault{c.text, c.offset}));
    EXPECT_EQ(w.file, "") << c.sequence;
  }
}

// Every tempo that a set-tempo event can carry comes back from zutane's
// rounding as itself; the slower ones are refused.
TEST(SeqOstraToSmf, EveryTempoSurvivesTheTripThroughASetTempoEvent) {
  int refused = 0;
  for (unsigned tempo = 1; tempo <= 0xFFFF; ++tempo) {
    std::optional<std::uint32_t> micros = seq::microsecondsFromTempo(static_cast<std::uint16_t>(tempo));
    if (!micros) {
      ++refused;
      continue;
    }
    ASSERT_LE(*micros, seq::kMaxSetTempo) << tempo;
    ASSERT_EQ(seq::tempoFromMicroseconds(*micros), tempo) << tempo << " as " << *micros;
  }
  EXPECT_EQ(refused, seq::kSlowestSmfTempo - 1);
  // The slowest refused one really does not fit 24 bits.
  EXPECT_GT(seq::kCentiMicrosecondsPerMinute / (seq::kSlowestSmfTempo - 1), seq::kMaxSetTempo);
}

// Through the file and back with zutane's converter (keeping SysEx), a
// sequence comes back byte for byte.
TEST(SeqOstraToSmf, ZutaneReadsTheFileBackAsTheSameSequence) {
  const char* sequences[] = {
      "00 FF 00 00",
      "00 F1 67 01 00 90 3C 40 FF F8 00 00 FF F8 00 00 02 80 3C 00 00 F1 FF FF 00 E0 00 40 07 FF 00 00",
      "00 C0 05 00 00 C0 07 00 00 F7 00 00 00 00 05 F0 02 00 00 00 41 F7 00 B0 07 64 FF F8 00 00 01 FF 00 00",
  };
  for (const char* sequence : sequences) {
    Written w = toSmf(unhex(sequence));
    ASSERT_FALSE(w.fault) << sequence;
    seqtest::Outcome back = seqtest::runInMemory(
        w.file, [](vorn::ByteInput& in) { return seq::convertSmfToOstra(in, {.keepSysEx = true}); });
    EXPECT_FALSE(back.failed()) << sequence;
    EXPECT_EQ(hex(back.out), sequence);
  }
}

}  // namespace
