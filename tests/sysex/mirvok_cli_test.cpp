// mirvok on the command line: modes, counts, options and errors.
#include <gtest/gtest.h>

#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

const std::string kRoland = unhex("F0 41 10 42 12 40 00 7F 00 41 F7");
const std::string kSix = unhex("F0 01 02 03 04 05 06 F7");
const std::string kFile = "text" + kRoland + unhex("F7 90") + kSix;

TEST(Mirvok, PatternsSelectWholeMessages) {
  auto run = runTool("mirvok", {"-S41 10 42 12 / 40 00 7F 00 .CSUM7 .TAIL"}, kFile);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, kRoland);
  EXPECT_EQ(runTool("mirvok", {"-S01", "-S41"}, kFile).out, kRoland + kSix);
  EXPECT_EQ(runTool("mirvok", {"-S01", "-S41", "-A"}, kFile).out, "");
  EXPECT_EQ(runTool("mirvok", {"-S01", "-S41", "-A", "-V"}, kFile).out, kRoland + kSix);
  EXPECT_EQ(runTool("mirvok", {"-S01", "-V"}, kFile).out, kRoland);
}

TEST(Mirvok, NoPatternSelectsNothingUnlessAllOrInverted) {
  EXPECT_EQ(runTool("mirvok", {}, kFile).out, "");
  EXPECT_EQ(runTool("mirvok", {"-V"}, kFile).out, kRoland + kSix);
  EXPECT_EQ(runTool("mirvok", {"-a"}, kFile).out, kRoland + kSix);
}

TEST(Mirvok, ExtractWritesTheMarkedRanges) {
  EXPECT_EQ(hex(runTool("mirvok", {"-E", "-S41 10 42 12 { ? ? ? }"}, kFile).out), "40 00 7F");
  EXPECT_EQ(hex(runTool("mirvok", {"-E", "-S41 10 42 12 {"}, kFile).out), "40 00 7F 00 41");
  EXPECT_EQ(hex(runTool("mirvok", {"-E", "-S{ ? ? ? ? ? ? .TAIL }"}, kFile).out), "01 02 03 04 05 06 F7");
  EXPECT_EQ(hex(runTool("mirvok", {"-E", "-S41 { ? } ? { ? }", "-S01 { ? }"}, kFile).out), "10 12 02");
  // Without marks nothing is written; with -V nothing either.
  EXPECT_EQ(runTool("mirvok", {"-E", "-S41"}, kFile).out, "");
  EXPECT_EQ(runTool("mirvok", {"-E", "-V", "-S41 {"}, kFile).out, "");
  // Ranges come from the last pattern run: under -A the last pattern's.
  EXPECT_EQ(hex(runTool("mirvok", {"-E", "-A", "-S{ 41", "-S41 { 10 }"}, kFile).out), "10");
}

TEST(Mirvok, CountLines) {
  TempDir dir;
  std::string a = dir.write("a.syx", kFile);
  std::string b = dir.write("b.syx", kSix + kSix);
  auto c = runTool("mirvok", {"-C", "-S41", a, b});
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.out, a + "\n");
  auto ct = runTool("mirvok", {"-CT", "-S41", a, b});
  EXPECT_EQ(ct.out, a + "\t2\t1\n" + b + "\t2\t0\n");
  auto lower = runTool("mirvok", {"-Ct", "-S41"}, kFile);
  EXPECT_EQ(lower.out, "\t2\t1\n");  // standard input has no name
  EXPECT_EQ(runTool("mirvok", {"-C", "-S41"}, kFile).out, "\n");
  EXPECT_EQ(runTool("mirvok", {"-C", "-S42"}, kFile).out, "");
  EXPECT_EQ(hex(runTool("mirvok", {"-CT", "-E", "-S41 {"}, kFile).out), "10 42 12 40 00 7F 00 41");
  EXPECT_EQ(runTool("mirvok", {"-E", "-CT", "-S41 {"}, kFile).out, "\t2\t1\n");
  EXPECT_EQ(runTool("mirvok", {"-CT", "-V", "-E", "-C", "-S41"}, kFile).out, "\n");
}

TEST(Mirvok, IdAndParameterOptionsApplyToLaterPatterns) {
  EXPECT_EQ(runTool("mirvok", {"-I41", "-S.ID 10"}, kFile).out, kRoland);
  EXPECT_EQ(runTool("mirvok", {"-S.ID 10", "-I41"}, kFile).out, "");
  EXPECT_EQ(runTool("mirvok", {"-P3=40", "-S41 10 42 12 .P3"}, kFile).out, kRoland);
  EXPECT_EQ(runTool("mirvok", {"-S41 10 42 12 .P3", "-P3=40"}, kFile).out, "");
  EXPECT_EQ(runTool("mirvok", {"-P3=40", "-P0=1", "-S.P0 .P0(1) .P0(&2)"}, kFile).out, kSix);
}

TEST(Mirvok, PatternFiles) {
  TempDir dir;
  std::string pattern = dir.write("p.txt", "41 10\r\n42 12 / 40 00 7F 00\n\t.CSUM7\n.TAIL\n");
  EXPECT_EQ(runTool("mirvok", {"-S:" + pattern}, kFile).out, kRoland);
  auto missing = runTool("mirvok", {"-S:" + dir.file("none.txt").string()}, kFile);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.txt"), std::string::npos);
  auto bad = runTool("mirvok", {"-S:" + dir.write("bad.txt", "41\n42?\n")}, kFile);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("pattern file"), std::string::npos) << bad.err;
}

TEST(Mirvok, RejectedOptions) {
  for (const char* option : {"-S", "-S:", "-I80", "-I", "-I4G", "-P3", "-P3=", "-P3=80", "-PA=1", "-P3:1", "-Ax",
                             "-Vx", "-Ex", "-CX", "-CTT", "-O", "-Q"}) {
    auto run = runTool("mirvok", {option}, kFile);
    EXPECT_EQ(run.status, 2) << option;
    EXPECT_EQ(run.out, "") << option;
  }
}

TEST(Mirvok, SyntaxErrorsEndTheRunBeforeAnyInput) {
  auto run = runTool("mirvok", {"-S41", "-S41 .REPE", "/nonexistent/file.syx"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("mirvok: malformed selection pattern: .REPE without .REP (pattern \"41 .REPE\", at offset"),
            std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("nonexistent"), std::string::npos);
}

TEST(Mirvok, CutMessageEndsTheRunAfterEarlierOutput) {
  auto run = runTool("mirvok", {"-S41"}, kRoland + unhex("F0 41 01"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kRoland);
  EXPECT_EQ(run.err, "mirvok: <stdin>: malformed input or unexpected end of input (at byte offset 14)\n");
  TempDir dir;
  std::string cut = dir.write("cut.syx", kRoland + unhex("F0 41 90 F7"));
  auto second = runTool("mirvok", {"-S41", cut, dir.write("ok.syx", kRoland)});
  EXPECT_EQ(second.out, kRoland);
  EXPECT_EQ(second.err, "mirvok: " + cut + ": malformed input or unexpected end of input (at byte offset 13)\n");
}

TEST(Mirvok, UnpairedBracesFailWhenAMessageReachesThem) {
  auto run = runTool("mirvok", {"-S01", "-S41 } ?"}, kSix + kRoland + kSix);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kSix);
  EXPECT_NE(run.err.find("pattern 2"), std::string::npos);
}

}  // namespace
