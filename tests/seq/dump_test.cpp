// The dumps of OSTRA sequences, DORNA streams and Standard MIDI Files: the
// whole text of small hand-built files against hand-checked lines, and what
// stays written when a file is bad.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run_tool.h"
#include "seq/event_text.h"
#include "seq/record_dump.h"
#include "seq/smf_dump.h"
#include "sysex/summary_describer.h"

namespace {

using zamotest::unhex;

struct Dumped {
  std::string text;
  std::optional<seq::InputFault> fault;
};

template <typename Dump>
Dumped dumpBytes(const std::string& input, Dump&& dump) {
  vorn::ByteInput in;
  in.openMemory(input);
  vorn::ByteOutput out;
  out.openMemory();
  seq::DumpLines lines(out);
  sysex::SummaryDescriber describer;
  std::optional<seq::InputFault> fault = dump(in, lines, describer);
  out.flush();
  return {out.memoryBytes(), fault};
}

Dumped dumpRecords(const std::string& input, const seq::RecordDumpOptions& options) {
  return dumpBytes(input, [&](vorn::ByteInput& in, seq::DumpLines& lines, seq::SysExDescriber& describer) {
    return seq::dumpRecords(in, lines, describer, options);
  });
}

Dumped dumpSmf(const std::string& input) {
  return dumpBytes(input, [](vorn::ByteInput& in, seq::DumpLines& lines, seq::SysExDescriber& describer) {
    return seq::dumpSmf(in, "t.mid", lines, describer);
  });
}

// The event columns: time, ms, channel ("-" for none).
std::string line(std::uint64_t time, const char* ms, const char* channel, const std::string& text) {
  char columns[64];
  std::snprintf(columns, sizeof columns, "%10llu %12s  %2s  ", static_cast<unsigned long long>(time), ms, channel);
  return columns + text + "\n";
}

std::string lastLine(const std::string& text) {
  if (text.size() < 2) return text;
  std::size_t start = text.rfind('\n', text.size() - 2);
  return start == std::string::npos ? text : text.substr(start + 1);
}

std::string be32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

// A file from its header fields in hex and its tracks (each in hex).
std::string smf(const char* fieldsHex, const std::vector<std::string>& tracksHex) {
  std::string file = "MThd" + be32(6) + unhex(fieldsHex);
  for (const std::string& track : tracksHex) file += "MTrk" + be32(static_cast<std::uint32_t>(unhex(track).size())) + unhex(track);
  return file;
}

TEST(EventText, ChannelAndSystemMessagesInWords) {
  struct Case {
    std::uint8_t status, first, second;
    const char* text;
  };
  const Case cases[] = {
      {0x90, 60, 64, "Note On C4 64"},
      {0x91, 0, 0, "Note On C-1 0"},
      {0x8F, 127, 10, "Note Off G9 10"},
      {0x80, 61, 0, "Note Off C#4 0"},
      {0xA0, 69, 30, "Poly Pressure A4 30"},
      {0xB0, 7, 100, "Control Change 7 = 100"},
      {0xC3, 5, 0, "Program Change 5"},
      {0xD0, 40, 99, "Channel Pressure 40"},  // the second byte is no part of it
      {0xE0, 0x00, 0x40, "Pitch Bend 0"},
      {0xE0, 0x00, 0x44, "Pitch Bend +512"},
      {0xE0, 0x00, 0x00, "Pitch Bend -8192"},
      {0xE0, 0x7F, 0x7F, "Pitch Bend +8191"},
      {0xF2, 0x10, 0x01, "Song Position 144"},
      {0xFC, 0, 0, "Stop"},
      {0xF4, 1, 2, "System F4 01 02"},
  };
  for (const Case& c : cases) {
    std::string text = c.status >= 0xF0 ? seq::systemMessageText(c.status, c.first, c.second)
                                        : seq::channelMessageText(c.status, c.first, c.second);
    EXPECT_EQ(text, c.text);
  }
  EXPECT_EQ(seq::tempoText(12000), "Tempo 120.00");
  EXPECT_EQ(seq::tempoText(1), "Tempo 0.01");
  EXPECT_EQ(seq::tempoText(65535), "Tempo 655.35");
}

TEST(DumpLines, MillisecondsRoundAsPrintfDoes) {
  // Values at and beside the half-way mark between thousandths, tiny and huge ones; times of every width.
  for (double ms : {0.0, 0.0005, 0.0015, 1.0005, 2.0625, 999.9995, 1000.0005, 1234.5675, 0.1 + 0.2, 4503599627.3705,
                    std::nextafter(1.0005, 0.0), std::nextafter(1.0005, 2.0), 99999999.9995, 1e14 + 0.0625, 3e15 + 0.5,
                    3e23}) {
    for (unsigned long long time : {0ull, 1ull, 100000000ull, 9999999999ull, 10000000000ull, ~0ull}) {
      vorn::ByteOutput out;
      out.openMemory();
      seq::DumpLines(out).event(time, ms, 0, "x");
      out.flush();
      char expected[400];
      std::snprintf(expected, sizeof expected, "%10llu %12.3f   -  x\n", time, ms);
      EXPECT_EQ(out.memoryBytes(), expected) << time << " " << ms;
    }
  }
}

TEST(EventText, MetaTextStaysValidUtf8) {
  struct Case {
    const char* hex;
    const char* text;
  };
  const Case cases[] = {
      {"41 62", "\"Ab\""},
      {"22 5C", "\"\\x22\\x5C\""},
      {"C3 A9", "\"\xC3\xA9\""},             // é as it is
      {"E3 81 82", "\"\xE3\x81\x82\""},      // あ
      {"E9", "\"\\xE9\""},                   // Latin-1 é is no UTF-8
      {"82 A0", "\"\\x82\\xA0\""},           // Shift-JIS あ neither
      {"C0 80", "\"\\xC0\\x80\""},           // overlong
      {"ED A0 80", "\"\\xED\\xA0\\x80\""},   // a surrogate
      {"E3 81", "\"\\xE3\\x81\""},           // cut short
      {"0A 09", "\"\\x0A\\x09\""},
  };
  for (const Case& c : cases) {
    std::string bytes = unhex(c.hex);
    EXPECT_EQ(seq::quotedText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())), c.text)
        << c.hex;
  }
}

TEST(RecordDump, OstraAndDornaAsText) {
  using seq::RecordShapes;
  struct Case {
    const char* name;
    std::string input;
    seq::RecordDumpOptions options;
    std::string text;
  };
  const Case cases[] = {
      {"OSTRA: 120 BPM, then a tempo of 60 BPM halfway through the second note",
       unhex("00 C0 05 00  00 90 3C 40  FF F8 00 00  E1 80 3C 40  00 90 3E 64  F0 F1 70 17  F0 80 3E 00"
             "  00 E0 00 44  00 FF 00 00"),
       {},
       line(0, "0.000", "1", "Program Change 5") + line(0, "0.000", "1", "Note On C4 64") +
           line(480, "500.000", "1", "Note Off C4 64") + line(480, "500.000", "1", "Note On D4 100") +
           line(720, "750.000", "-", "Tempo 60.00") + line(960, "1250.000", "1", "Note Off D4 0") +
           line(960, "1250.000", "1", "Pitch Bend +512") + line(960, "1250.000", "-", "End")},
      {"OSTRA: SysEx and escape records, the end record's own bytes",
       unhex("00 F0 05 00 00 00 7E 7F 09 01 F7  10 F7 02 00 00 00 F3 01  00 FF 01 02"),
       {},
       line(0, "0.000", "-",
            "SysEx Universal Non-Real Time (7E), 6 bytes: F0 7E 7F 09 01 F7; device 7F, GM System On") +
           line(16, "16.667", "-", "Escape, 2 bytes: F3 01") + line(16, "16.667", "-", "End (01 02)")},
      {"DORNA at 5 ms a step: system records of two bytes",
       unhex("00 99 24 64  FF F8 00 00  2D 89 24 00  0A FA 00 00  00 FF 00 00"),
       {.shapes = RecordShapes::dorna, .stepMs = 5.0},
       line(0, "0.000", "10", "Note On C2 100") + line(300, "1500.000", "10", "Note Off C2 0") +
           line(310, "1550.000", "-", "Start") + line(310, "1550.000", "-", "End")},
      {"DORNA at 0.5 ms a step", unhex("03 B2 40 7F  01 FF 00 00"), {.shapes = RecordShapes::dorna, .stepMs = 0.5},
       line(3, "1.500", "3", "Control Change 64 = 127") + line(4, "2.000", "-", "End")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dumped dumped = dumpRecords(c.input, c.options);
    EXPECT_EQ(dumped.text, c.text);
    EXPECT_FALSE(dumped.fault) << dumped.fault->text;
  }
}

TEST(RecordDump, BadInputKeepsWhatWasRead) {
  struct Case {
    const char* name;
    std::string input;
    std::string text;
    seq::InputFault fault;
  };
  const Case cases[] = {
      {"an unknown status", unhex("00 90 3C 40  10 F5 00 00"), line(0, "0.000", "1", "Note On C4 64"),
       {"unknown status byte F5", 5}},
      {"a SysEx record cut short: its head is shown",
       unhex("00 F0 0A 00 00 00 41 10 42 12 40"),
       line(0, "0.000", "-", "SysEx Roland (41), 6 bytes: F0 41 10 42 12 40; no F7 at the end"),
       {"input ends inside a SysEx record of 10 bytes", 11}},
      {"no end record", unhex("00 90 3C 40"), line(0, "0.000", "1", "Note On C4 64"),
       {"input ends before the end record", 4}},
      {"a tempo of 0", unhex("00 F1 00 00"), "", {"tempo 0; a tempo record holds 1 to 65535", 2}},
      {"nothing at all", "", "", {"no input", std::nullopt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dumped dumped = dumpRecords(c.input, {});
    EXPECT_EQ(dumped.text, c.text);
    ASSERT_TRUE(dumped.fault);
    EXPECT_EQ(dumped.fault->text, c.fault.text);
    EXPECT_EQ(dumped.fault->offset, c.fault.offset);
  }
}

TEST(SmfDump, FilesAsText) {
  struct Case {
    const char* name;
    std::string input;
    std::string text;
  };
  const std::string kEnd = "00 FF 2F 00";
  const Case cases[] = {
      {"format 1: the first track's tempo map times the second track",
       smf("00 01 00 02 00 60",
           {"00 FF 03 05 54 65 6D 70 6F  00 FF 58 04 06 03 24 08  00 FF 59 02 FD 01  00 FF 51 03 07 A1 20"
            "  60 FF 51 03 0F 42 40  " + kEnd,
            "00 FF 01 02 68 69  00 C1 05  00 91 3C 40  81 40 3C 00  40 B1 07 64  " + kEnd}),
       "# t.mid: SMF format 1, 2 tracks, 96 ticks per quarter note\n"
       "# track 1, 41 bytes\n" +
           line(0, "0.000", "-", "Track Name \"Tempo\"") +
           line(0, "0.000", "-", "Time Signature 6/8, 36 clocks per click, 8 32nds per quarter") +
           line(0, "0.000", "-", "Key Signature C minor") + line(0, "0.000", "-", "Tempo 120.00 (500000 us)") +
           line(96, "500.000", "-", "Tempo 60.00 (1000000 us)") + line(96, "500.000", "-", "End of Track") +
           "# track 2, 25 bytes\n" + line(0, "0.000", "-", "Text \"hi\"") +
           line(0, "0.000", "2", "Program Change 5") + line(0, "0.000", "2", "Note On C4 64") +
           line(192, "1500.000", "2", "Note On C4 0") + line(256, "2166.667", "2", "Control Change 7 = 100") +
           line(256, "2166.667", "-", "End of Track")},
      {"format 2: each track keeps its own tempo",
       smf("00 02 00 02 00 60", {"00 FF 51 03 0F 42 40  60 90 3C 40  " + kEnd, "60 90 3C 40  " + kEnd}),
       "# t.mid: SMF format 2, 2 tracks, 96 ticks per quarter note\n"
       "# track 1, 15 bytes\n" +
           line(0, "0.000", "-", "Tempo 60.00 (1000000 us)") + line(96, "1000.000", "1", "Note On C4 64") +
           line(96, "1000.000", "-", "End of Track") + "# track 2, 8 bytes\n" +
           line(96, "500.000", "1", "Note On C4 64") + line(96, "500.000", "-", "End of Track")},
      {"SMPTE 30 frames of 4 ticks: tempo changes nothing",
       smf("00 00 00 01 E2 04", {"00 FF 51 03 0F 42 40  78 80 3C 00  " + kEnd}),
       "# t.mid: SMF format 0, 1 track, SMPTE 30 frames per second, 4 ticks per frame\n"
       "# track 1, 15 bytes\n" +
           line(0, "0.000", "-", "Tempo 60.00 (1000000 us)") + line(120, "1000.000", "1", "Note Off C4 0") +
           line(120, "1000.000", "-", "End of Track")},
      {"SMPTE 29.97 frames (drop-frame 30) of 1 tick",
       smf("00 00 00 01 E3 01", {"81 57 90 3C 40  " + kEnd}),
       "# t.mid: SMF format 0, 1 track, SMPTE 29.97 frames per second, 1 tick per frame\n"
       "# track 1, 9 bytes\n" +
           line(215, "7173.833", "1", "Note On C4 64") + line(215, "7173.833", "-", "End of Track")},
      {"running status, and a status byte after a meta event",
       smf("00 00 00 01 01 E0", {"00 92 3C 40  00 40 00  00 E2 00 40  00 00 70  00 FF 06 01 41  00 B2 40 00  " + kEnd}),
       "# t.mid: SMF format 0, 1 track, 480 ticks per quarter note\n"
       "# track 1, 27 bytes\n" +
           line(0, "0.000", "3", "Note On C4 64") + line(0, "0.000", "3", "Note On E4 0") +
           line(0, "0.000", "3", "Pitch Bend 0") + line(0, "0.000", "3", "Pitch Bend +6144") +
           line(0, "0.000", "-", "Marker \"A\"") + line(0, "0.000", "3", "Control Change 64 = 0") +
           line(0, "0.000", "-", "End of Track")},
      {"SysEx in packets, other metas, an unknown chunk and bytes after the end of track",
       "MThd" + be32(6) + unhex("00 00 00 01 00 60") + "XFIH" + be32(2) + "ab" + "MTrk" + be32(40) +
           unhex("00 F0 03 43 10 4C  10 F7 02 00 F7  00 FF 00 02 00 07  00 FF 20 01 09  00 FF 21 01 01"
                 "  00 FF 7F 03 00 00 41  00 FF 2F 00  AA BB"),
       "# t.mid: SMF format 0, 1 track, 96 ticks per quarter note\n"
       "# chunk \"XFIH\" of 2 bytes, skipped\n"
       "# track 1, 40 bytes\n" +
           line(0, "0.000", "-", "SysEx Yamaha (43), 4 bytes: F0 43 10 4C; no F7 at the end") +
           line(16, "83.333", "-", "Escape, 2 bytes: 00 F7") + line(16, "83.333", "-", "Sequence Number 7") +
           line(16, "83.333", "-", "Channel Prefix 10") + line(16, "83.333", "-", "MIDI Port 1") +
           line(16, "83.333", "-", "Sequencer Specific, 3 bytes: 00 00 41") +
           line(16, "83.333", "-", "End of Track") + "# 2 bytes after the end of the track, skipped\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dumped dumped = dumpSmf(c.input);
    EXPECT_EQ(dumped.text, c.text);
    EXPECT_FALSE(dumped.fault) << dumped.fault->text;
  }
}

TEST(SmfDump, BadFilesKeepWhatWasRead) {
  struct Case {
    const char* name;
    std::string input;
    std::string lastLine;  // of the text written before the fault
    seq::InputFault fault;
  };
  const Case cases[] = {
      {"a data byte with no running status", smf("00 00 00 01 00 60", {"00 90 3C 40 00 FF 01 00 00 3C 00"}),
       line(0, "0.000", "-", "Text \"\""), {"data byte 3C but no running status in force", 31}},
      {"a track that ends without an end-of-track event", smf("00 00 00 01 00 60", {"00 90 3C 40"}),
       line(0, "0.000", "1", "Note On C4 64"), {"the track chunk ends without an end-of-track event", 26}},
      {"a cut SysEx: what arrived is shown",
       smf("00 00 00 01 00 60", {"00 F0 05 41 10 42 12 40 00 FF 2F 00"}).substr(0, 27),
       line(0, "0.000", "-", "SysEx Roland (41), 3 bytes: F0 41 10; no F7 at the end"),
       {"input ends inside a SysEx", 27}},
      {"fewer tracks than announced", smf("00 01 00 02 00 60", {"00 FF 2F 00"}),
       line(0, "0.000", "-", "End of Track"), {"input ends before track 2 of 2", 26}},
      {"a system status in a track", smf("00 00 00 01 00 60", {"00 F8 00"}), "# track 1, 3 bytes\n",
       {"unknown status byte F8", 23}},
      {"division 0", smf("00 00 00 01 00 00", {"00 FF 2F 00"}),
       "# t.mid: SMF format 0, 1 track, 0 ticks per quarter note\n",
       {"division 0 ticks per quarter note gives no time base", 12}},
      {"an unknown SMPTE rate", smf("00 00 00 01 E5 04", {"00 FF 2F 00"}),
       "# t.mid: SMF format 0, 1 track, SMPTE 27 frames per second, 4 ticks per frame\n",
       {"division SMPTE 27 frames per second, 4 ticks per frame gives no time base", 12}},
      {"a header that is too short", "MThd" + be32(4) + unhex("00 00 00 01"), "",
       {"header chunk length 4; at least 6 expected", 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dumped dumped = dumpSmf(c.input);
    ASSERT_TRUE(dumped.fault);
    EXPECT_EQ(dumped.fault->text, c.fault.text);
    EXPECT_EQ(dumped.fault->offset, c.fault.offset);
    EXPECT_EQ(lastLine(dumped.text), c.lastLine);
  }
}

}  // namespace
