// fendix and zutane as programs: options, exit statuses, messages, several inputs.
#include <gtest/gtest.h>

#include <string>

#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

const std::string kMalformed = "malformed input or unexpected end of input";

// A quarter note at 120 BPM, then the end.
const std::string kQuarter = unhex("00 90 3C 64 FF F8 00 00 E1 80 3C 00 00 FF 00 00");

std::string smf(std::string_view division, std::string_view trackHex) {
  std::string track = unhex(trackHex);
  std::string length(4, '\0');
  for (int i = 0; i < 4; ++i) length[static_cast<std::size_t>(i)] = static_cast<char>(track.size() >> (24 - 8 * i));
  return "MThd" + unhex("00 00 00 06 00 00 00 01") + unhex(division) + "MTrk" + length + track;
}

TEST(SeqOptions, StepLengthRange) {
  for (const char* good : {"-T0.1", "-T999.9", "-t8", "-T7.8125"}) {
    auto run = runTool("fendix", {good}, kQuarter);
    EXPECT_EQ(run.status, 0) << good << run.err;
  }
  for (const char* bad : {"-T0.05", "-T1000", "-T8x", "-T", "-T-1", "-T.", "-T1e2"}) {
    auto run = runTool("fendix", {bad}, kQuarter);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find(bad), std::string::npos) << run.err;
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
  for (const char* tool : {"fendix", "zutane"}) {
    auto run = runTool(tool, {"-X1"}, withSysEx);
    EXPECT_EQ(run.status, 2) << tool;
    EXPECT_NE(run.err.find("-X1"), std::string::npos) << run.err;
    EXPECT_EQ(runTool(tool, {"-Q"}).status, 2) << tool;
  }
  EXPECT_EQ(runTool("zutane", {"-T8"}).status, 2);  // zutane has no T
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
  EXPECT_EQ(run.err, "fendix: " + bad + ": " + kMalformed + " (at byte offset 8)\n");
  EXPECT_EQ(hex(run.out), "00 90 3C 64");

  auto fromStdin = runTool("fendix", {}, unhex("00 90 3C 64 10 F1 00 00"));
  EXPECT_EQ(fromStdin.status, 1);
  EXPECT_EQ(fromStdin.err, "fendix: <stdin>: " + kMalformed + " (at byte offset 8)\n");
  EXPECT_EQ(hex(fromStdin.out), "00 90 3C 64");

  std::string format1 = smf("01 E0", "00 FF 2F 00");
  format1[9] = 1;
  std::string smfName = dir.write("format1.mid", format1);
  auto rejected = runTool("zutane", {smfName});
  EXPECT_EQ(rejected.status, 1);
  EXPECT_EQ(rejected.err, "zutane: " + smfName + ": " + kMalformed + " (at byte offset 14)\n");
  EXPECT_EQ(rejected.out, "");

  auto cut = runTool("zutane", {}, smf("01 E0", "00 90 3C 64 00 90 3C"));
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err, "zutane: <stdin>: " + kMalformed + " (at byte offset 29)\n");
  EXPECT_EQ(hex(cut.out), "00 90 3C 64");
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
  EXPECT_EQ(run.err, "fendix: " + second + ": " + kMalformed + " (at byte offset 6)\n");

  std::string good = dir.write("1.mid", smf("01 E0", "00 90 3C 64 00 FF 2F 00"));
  std::string badMid = dir.write("2.mid", smf("01 E0", "00 90 3C 64 00 F4"));
  auto zrun = runTool("zutane", {good, badMid, good});
  EXPECT_EQ(zrun.status, 1);
  EXPECT_EQ(hex(zrun.out), "00 90 3C 64 00 FF 00 00 00 90 3C 64");
  EXPECT_NE(zrun.err.find(badMid), std::string::npos);
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

}  // namespace
