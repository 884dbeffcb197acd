// fendix and zutane as programs: options, exit statuses, messages, several inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

// A quarter note at 120 BPM, then the end.
const std::string kQuarter = unhex("00 90 3C 64 FF F8 00 00 E1 80 3C 00 00 FF 00 00");

std::string be32(std::uint64_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
  return bytes;
}

// A file from its header fields (format, tracks, division) and its track in
// hex; `declared` replaces the track chunk's real length.
std::string smfWith(std::string_view fieldsHex, std::string_view trackHex, std::optional<std::uint32_t> declared = {}) {
  std::string track = unhex(trackHex);
  return "MThd" + be32(6) + unhex(fieldsHex) + "MTrk" + be32(declared.value_or(track.size())) + track;
}

std::string smf(std::string_view division, std::string_view trackHex) {
  return smfWith("00 00 00 01 " + std::string(division), trackHex);
}

// The shell's quoting of a path.
std::string shellQuoted(const std::string& path) { return "'" + path + "'"; }

TEST(SeqOptions, StepLengthRange) {
  for (const char* good : {"-T0.1", "-T999.9", "-t8", "-T7.8125"}) {
    auto run = runTool("fendix", {good}, kQuarter);
    EXPECT_EQ(run.status, 0) << good << run.err;
  }
  for (const char* bad : {"-T0", "-T0.05", "-T1000", "-T8x", "-T", "-T-1", "-T.", "-T1e2"}) {
    auto run = runTool("fendix", {bad}, kQuarter);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.err, "fendix: invalid option " + std::string(bad) +
                           ": -T wants a step length from 0.1 up to (not including) 1000 (see --help)\n");
    EXPECT_EQ(run.out, "") << bad;
  }
}

TEST(SeqOptions, StepLengthSetsTheDelays) {
  EXPECT_EQ(hex(runTool("fendix", {}, kQuarter).out), "00 90 3C 64 40 80 3C 00 00 FF 00 00");
  EXPECT_EQ(hex(runTool("fendix", {"-T16"}, kQuarter).out), "00 90 3C 64 20 80 3C 00 00 FF 00 00");
  EXPECT_EQ(hex(runTool("fendix", {"-T0.5"}, kQuarter).out),
            "00 90 3C 64 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 04 80 3C 00 00 FF 00 00");
}

TEST(SeqOptions, FlagsTakeNoText) {
  std::string withSysEx = unhex("00 F0 01 00 00 00 F7 00 FF 00 00");
  EXPECT_EQ(hex(runTool("fendix", {"-x"}, withSysEx).out), "00 F0 01 00 00 00 F7 00 FF 00 00");
  EXPECT_EQ(hex(runTool("fendix", {}, withSysEx).out), "00 FF 00 00");
}

// Every rejected option says why, in the words of its own table entry.
TEST(SeqOptions, RejectedOptionsSayWhy) {
  struct Case {
    const char* tool;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"fendix", {"-X1"}, "invalid option -X1: -X takes no text after the letter"},
      {"zutane", {"-x1"}, "invalid option -x1: -X takes no text after the letter"},
      {"zutane", {"-M1"}, "invalid option -M1: -M takes no text after the letter"},
      {"fendix", {"-O"}, "invalid option -O: -O wants a file name"},
      {"zutane", {"-O"}, "invalid option -O: -O wants a file name"},
      {"fendix", {"-o", "out.dorna"}, "option -O takes its text in the same word: -Oout.dorna"},
      {"zutane", {"-O", "out.ostra"}, "option -O takes its text in the same word: -Oout.ostra"},
      {"fendix", {"-Q"}, "unknown option -Q; the options are -O -T -X"},
      {"zutane", {"-T8"}, "unknown option -T8; the options are -M -O -X"},
  };
  for (const Case& c : cases) {
    auto run = runTool(c.tool, c.args, kQuarter);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.err, std::string(c.tool) + ": " + c.message + " (see --help)\n");
    EXPECT_EQ(run.out, "") << c.message;
  }
}

TEST(SeqOptions, OutputFileAndBanner) {
  TempDir dir;
  std::string out = dir.file("song.dorna").string();
  auto run = runTool("fendix", {"-O" + out}, kQuarter);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(hex(zamotest::readFile(out)), "00 90 3C 64 40 80 3C 00 00 FF 00 00");
  EXPECT_EQ(runTool("fendix", {"--version"}).out, "FENDIX 1.00\n");
  EXPECT_EQ(runTool("zutane", {"--version"}).out, "ZUTANE 1.00\n");
  EXPECT_NE(runTool("zutane", {"--help"}).out.find("-X"), std::string::npos);
}

TEST(SeqErrors, MessageNamesTheInputAndTheOffsetAndKeepsTheOutput) {
  TempDir dir;
  std::string bad = dir.write("bad.ostra", unhex("00 90 3C 64 00 F3 00 00 00 FF 00 00"));
  auto run = runTool("fendix", {bad});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "fendix: " + bad + ": unknown status byte F3 (at byte offset 5)\n");
  EXPECT_EQ(hex(run.out), "00 90 3C 64");

  std::string named = dir.write("it's.mid", smfWith("00 01 00 02 01 E0", "")), quoted = dir.file("it'\\''s.mid");
  EXPECT_EQ(runTool("fendix", {named}).err, "fendix: " + named + ": this is a Standard MIDI File of format 1, not an "
            "OSTRA sequence: convert it with zutane -M first (zutane -M '" + quoted + "' | fendix)\n");

  std::string format1 = dir.write("format1.mid", smfWith("00 01 00 0C 01 E0", "00 FF 2F 00"));
  auto rejected = runTool("zutane", {format1});
  EXPECT_EQ(rejected.status, 1);
  EXPECT_EQ(rejected.err, "zutane: " + format1 + ": format 1 with 12 tracks; option -M merges the tracks into one (at byte offset 8)\n");
  EXPECT_EQ(rejected.out, "");
}

// Every fault, read from standard input: the whole line on standard error
// (what was found, and the offset of the wrong byte or of where the input
// ended), status 1, and what was written before it. Tracks start at 22.
TEST(SeqErrors, EveryFaultSaysWhatWasFoundAndWhere) {
  const std::string note = "00 90 3C 64";
  struct Case {
    const char* tool;
    std::string input;
    const char* message;
    const char* written;
  } cases[] = {
      {"zutane", "", "no input", ""},
      {"zutane", "MThd", "input ends inside the header chunk (at byte offset 4)", ""},
      {"zutane", "RIFX" + smfWith("00 00 00 01 01 E0", "00 FF 2F 00").substr(4),
       "expected \"MThd\", found \"RIFX\" (at byte offset 0)", ""},
      // Files of another kind say what they are and which tool reads them.
      {"zutane", "RIFF" + be32(4) + "WAVEfmt ", "this is a WAV file (audio), not a Standard MIDI File; no zamo tool reads audio", ""},
      {"zutane", unhex("F0 7E 7F 09 01 F7"), "this is a SysEx file, not a Standard MIDI File: send it to a MIDI "
       "output with droska (droska), or wrap it into a Standard MIDI File with gorbel", ""},
      {"zutane", kQuarter, "this looks like an OSTRA sequence or a DORNA stream, not a Standard MIDI File: render an "
       "OSTRA sequence with fendix (fendix | teskar), play a DORNA stream with teskar", ""},
      {"zutane", "MThd" + be32(4) + unhex("00 00 00 01 01 E0"), "header chunk length 4; at least 6 expected (at byte offset 4)", ""},
      {"zutane", smfWith("00 01 00 0C 01 E0", "00 FF 2F 00"), "format 1 with 12 tracks; option -M merges the tracks into one (at byte offset 8)", ""},
      {"zutane", smfWith("00 00 00 02 01 E0", "00 FF 2F 00"),
       "format 0 with 2 tracks; format 0 has exactly one track (at byte offset 10)", ""},
      {"zutane", smf("00 00", "00 FF 2F 00"), "division 0 gives no time base (at byte offset 12)", ""},
      {"zutane", smf("E5 28", "00 FF 2F 00"), "SMPTE frame rate 27; only 24, 25, 29 and 30 are known (at byte offset 12)", ""},
      {"zutane", smf("E7 00", "00 FF 2F 00"), "SMPTE division with 0 ticks per frame (at byte offset 13)", ""},
      {"zutane", smf("01 E0", "").substr(0, 14) + "MTrK" + be32(4),
       "expected \"MTrk\", found \"MTrK\" (at byte offset 14)", ""},
      {"zutane", smf("01 E0", note + " 00 F5 00 00 FF 2F 00"), "unknown status byte F5 (at byte offset 27)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 00 FF 01 00 00 3C 00 00 FF 2F 00"),
       "data byte 3C but no running status in force (at byte offset 31)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 00 90 BC 64 00 FF 2F 00"),
       "expected a data byte (00 to 7F), found BC (at byte offset 28)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 81 80 80 80 00 FF 2F 00"),
       "a delta-time of more than four bytes (at byte offset 29)", "00 90 3C 64"},
      {"zutane", smfWith("00 00 00 01 01 E0", note + " 00 90 3E 64", 6),
       "a channel message runs past the track chunk's declared length (at byte offset 28)", "00 90 3C 64"},
      {"zutane", smfWith("00 00 00 01 01 E0", note + " 00 F0 82 2C 7E 7F", 10),
       "a SysEx of 300 bytes runs past the track chunk's declared length (at byte offset 32)", "00 90 3C 64"},
      {"zutane", smfWith("00 00 00 01 01 E0", note, 4),
       "the track chunk ends without an end-of-track event (at byte offset 26)", "00 90 3C 64"},
      {"zutane", smfWith("00 00 00 01 01 E0", note + " 00 F0 82 2C 7E 7F", 1000),
       "input ends inside a SysEx of 300 bytes (at byte offset 32)", "00 90 3C 64"},
      {"zutane", smfWith("00 00 00 01 01 E0", note, 1000),
       "input ends before the end-of-track event (at byte offset 26)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 00 FF 51 02 07 A1 00 FF 2F 00"),
       "set-tempo event of 2 bytes; 3 expected (at byte offset 29)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 00 FF 51 03 00 00 00 00 FF 2F 00"),
       "set-tempo of 0 microseconds per quarter note (at byte offset 30)", "00 90 3C 64"},
      {"zutane", smf("01 E0", note + " 00 FF 51 03 01 65 A1 00 FF 2F 00"),
       "set-tempo of 91553 microseconds per quarter note is faster than 655.35 BPM (at byte offset 30)", "00 90 3C 64"},
      {"fendix", "", "no input", ""},
      {"fendix", unhex(note + " 00 F5 00 00 00 FF 00 00"), "unknown status byte F5 (at byte offset 5)", "00 90 3C 64"},
      {"fendix", unhex(note + " 10 F1 00 00 00 FF 00 00"),
       "tempo 0; a tempo record holds 1 to 65535 (at byte offset 6)", "00 90 3C 64"},
      {"fendix", unhex(note), "input ends before the end record (at byte offset 4)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00"), "input ends after a record's delta byte (at byte offset 5)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00 90 3C"), "input ends inside a channel message (at byte offset 7)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00 F1 70"), "input ends inside a tempo record (at byte offset 7)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00 F8"), "input ends inside a filler record (at byte offset 6)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00 FF 00"), "input ends inside the end record (at byte offset 7)", "00 90 3C 64"},
      {"fendix", unhex(note + " 00 F0 2C 01"), "input ends inside the length of a SysEx record (at byte offset 8)",
       "00 90 3C 64"},
      {"fendix", unhex(note + " 00 F0 2C 01 00 00 7E 7F"),
       "input ends inside a SysEx record of 300 bytes (at byte offset 12)", "00 90 3C 64"},
  };
  for (const Case& c : cases) {
    auto run = runTool(c.tool, {}, c.input);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err, std::string(c.tool) + ": <stdin>: " + c.message + "\n");
    EXPECT_EQ(hex(run.out), c.written) << c.message;
  }
}

// A follower in a pipe does not blame its input for its leader's failure.
TEST(SeqErrors, AnEmptyInputIsNoInputNotMalformed) {
  TempDir dir;
  std::string bad = dir.write("bad.mid", "RIFX" + smf("01 E0", "00 FF 2F 00").substr(4));
  auto piped = zamotest::runProgram(
      "/bin/bash", {"-c", shellQuoted(zamotest::toolPath("zutane")) + " " + shellQuoted(bad) + " | " +
                              shellQuoted(zamotest::toolPath("fendix")) + "; echo \"${PIPESTATUS[*]}\""});
  EXPECT_EQ(piped.err, "zutane: " + bad + ": expected \"MThd\", found \"RIFX\" (at byte offset 0)\n"
                       "fendix: <stdin>: no input\n");
  EXPECT_EQ(piped.out, "1 1\n");

  // An empty file among the inputs says so by its name, after the first input's output.
  std::string empty = dir.write("empty.ostra", "");
  std::string good = dir.write("good.ostra", unhex("00 FF 00 00"));
  auto run = runTool("fendix", {good, empty, good});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "fendix: " + empty + ": no input\n");
  EXPECT_EQ(hex(run.out), "00 FF 00 00");
  std::string emptyMid = dir.write("empty.mid", "");
  EXPECT_EQ(runTool("zutane", {emptyMid}).err, "zutane: " + emptyMid + ": no input\n");
}

TEST(SeqInputs, SeveralInputsFollowEachOtherEachFromAFreshState) {
  TempDir dir;
  // The first sequence ends at 60 BPM; the second starts again at 120.
  std::string slow = dir.write("slow.ostra", unhex("00 F1 70 17 F0 90 3C 64 00 FF 00 00"));
  std::string plain = dir.write("plain.ostra", unhex("F0 90 3C 64 00 FF 00 00"));
  auto run = runTool("fendix", {slow, plain});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(hex(run.out), "40 90 3C 64 00 FF 00 00 20 90 3C 64 00 FF 00 00");
  // A lone "-" is standard input, in its place among the files.
  auto mixed = runTool("fendix", {plain, "-"}, unhex("00 F1 70 17 F0 90 3C 64 00 FF 00 00"));
  EXPECT_EQ(hex(mixed.out), "20 90 3C 64 00 FF 00 00 40 90 3C 64 00 FF 00 00");

  // zutane: a file at 96 ticks a quarter note, then one at 480.
  std::string at96 = dir.write("a.mid", smf("00 60", "60 90 3C 64 00 FF 2F 00"));
  std::string at480 = dir.write("b.mid", smf("01 E0", "60 90 3C 64 00 FF 2F 00"));
  auto both = runTool("zutane", {at96, at480});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(hex(both.out), "FF F8 00 00 E1 90 3C 64 00 FF 00 00 60 90 3C 64 00 FF 00 00");
}

TEST(SeqInputs, AnErrorInTheSecondOfThreeStopsThere) {
  TempDir dir;
  std::string first = dir.write("1.ostra", unhex("01 90 3C 64 00 FF 00 00"));
  std::string second = dir.write("2.ostra", unhex("08 90 3C 64 00 90"));
  std::string third = dir.write("3.ostra", unhex("03 90 3C 64 00 FF 00 00"));
  auto run = runTool("fendix", {first, second, third});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(hex(run.out), "00 90 3C 64 00 FF 00 00 01 90 3C 64");
  EXPECT_EQ(run.err, "fendix: " + second + ": input ends inside a channel message (at byte offset 6)\n");

  std::string good = dir.write("1.mid", smf("01 E0", "00 90 3C 64 00 FF 2F 00"));
  std::string badMid = dir.write("2.mid", smf("01 E0", "00 90 3C 64 00 F4"));
  auto zrun = runTool("zutane", {good, badMid, good});
  EXPECT_EQ(zrun.status, 1);
  EXPECT_EQ(hex(zrun.out), "00 90 3C 64 00 FF 00 00 00 90 3C 64");
  EXPECT_EQ(zrun.err, "zutane: " + badMid + ": unknown status byte F4 (at byte offset 27)\n");
}

TEST(SeqInputs, LargeSysExBodiesStreamThroughBothTools) {
  // Bodies larger than any buffer, kept and dropped.
  const std::size_t size = 300000;
  std::string body(size - 1, '\x35');
  body += '\xF7';
  std::string vlq = unhex("92 A7 60");  // 300000
  std::string track = unhex("00 F0") + vlq + body + unhex("00 90 3C 64 00 FF 2F 00");
  std::string length(4, '\0');
  for (int i = 0; i < 4; ++i) length[static_cast<std::size_t>(i)] = static_cast<char>(track.size() >> (24 - 8 * i));
  std::string file = "MThd" + unhex("00 00 00 06 00 00 00 01 01 E0") + "MTrk" + length + track;

  TempDir dir;
  std::string mid = dir.write("big.mid", file);
  auto kept = runTool("zutane", {"-X", mid});
  ASSERT_EQ(kept.status, 0) << kept.err;
  std::string head = unhex("00 F0 E0 93 04 00");  // 300000 little-endian
  EXPECT_EQ(kept.out, head + body + unhex("00 90 3C 64 00 FF 00 00"));
  EXPECT_EQ(hex(runTool("zutane", {mid}).out), "00 90 3C 64 00 FF 00 00");

  std::string ostraName = dir.write("big.ostra", kept.out);
  auto rendered = runTool("fendix", {"-X", ostraName});
  EXPECT_EQ(rendered.out, kept.out);
  EXPECT_EQ(hex(runTool("fendix", {ostraName}).out), "00 90 3C 64 00 FF 00 00");
}

// A length the input merely claims is streamed, never allocated: under a
// limit far below the claims, 16 MB of body go through and the fault is the
// early end, not "out of memory". Sanitizer builds reserve terabytes of
// address space, so there the limit is left out and only the outcome checked.
TEST(SeqMemory, ClaimedLengthsStreamWithinAFixedMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__)
  const std::string limit;
#else
  const std::string limit = "ulimit -v 131072; ";  // 128 MiB
#endif
  const std::string body(16 << 20, '\x11');
  struct Case {
    const char* tool;
    const char* option;
    std::string input;
    std::string message;
    std::size_t written;
  } cases[] = {
      {"fendix", "-X", unhex("00 F0 FF FF FF FF") + body,
       "input ends inside a SysEx record of 4294967295 bytes (at byte offset 16777222)", 6 + body.size()},
      {"fendix", "-T8", unhex("00 F7 FF FF FF FF") + body,
       "input ends inside a SysEx record of 4294967295 bytes (at byte offset 16777222)", 0},
      {"zutane", "-X", smfWith("00 00 00 01 01 E0", "00 F0 FF FF FF 7F", 0xFFFFFFFF) + body,
       "input ends inside a SysEx of 268435455 bytes (at byte offset 16777244)", 6 + body.size()},
      {"zutane", "-X", smfWith("00 00 00 01 01 E0", "00 FF 01 FF FF FF 7F", 0xFFFFFFFF) + body,
       "input ends inside a meta event of 268435455 bytes (at byte offset 16777245)", 0},
  };
  for (const Case& c : cases) {
    auto run = zamotest::runProgram(
        "/bin/bash", {"-c", limit + "exec " + shellQuoted(zamotest::toolPath(c.tool)) + " " + c.option}, c.input);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err, std::string(c.tool) + ": <stdin>: " + c.message + "\n");
    EXPECT_EQ(run.out.size(), c.written) << c.message;
  }
}

}  // namespace
