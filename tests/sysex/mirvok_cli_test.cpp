// mirvok on the command line: modes, counts, options and errors.
#include <gtest/gtest.h>

#include "run_tool.h"
#include "sysex_test_util.h"

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

TEST(Mirvok, NoPatternSelectsNothingUnlessAllOrInverted) {  // and says so on standard error
  const std::string cannot = "mirvok: no message can be selected: ";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, cannot + "no pattern was given (-Spattern); -A or -V alone selects every message\n"},
      {{"-V"}, ""},
      {{"-A", "-V"}, cannot + "-A with no pattern selects every message, and -V inverts that\n"},
      {{"-E", "-V", "-S41 {"}, "mirvok: nothing can be written: -E writes the ranges a pattern marks, and the "
                               "messages -V selects matched no pattern\n"},
  };
  for (const auto& [args, err] : cases) EXPECT_EQ(runTool("mirvok", args, kFile).err, err);
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
  // A fault in a pattern file is named by line and column.
  dir.write("bad.txt", "41\r\n 42?\n");
  auto bad = runTool("mirvok", {"-S:bad.txt"}, kFile, dir.path());
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "mirvok: bad.txt:2:4: malformed selection pattern: an item must be followed by a blank\n");
}

TEST(Mirvok, RejectedOptions) {
  for (const char* option : {"-S", "-S:", "-I80", "-I", "-I4G", "-P3", "-P3=", "-P3=80", "-PA=1", "-P3:1", "-Ax",
                             "-Vx", "-Ex", "-CX", "-CTT", "-O", "-Q"}) {
    auto run = runTool("mirvok", {option}, kFile);
    EXPECT_EQ(run.status, 2) << option;
    EXPECT_EQ(run.out, "") << option;
    EXPECT_NE(run.err.find("(see --help)"), std::string::npos) << option;
  }
  struct Case {
    std::vector<std::string> args;
    std::string why;
  } cases[] = {
      {{"-I80"}, "invalid option -I80: -I wants a hexadecimal byte 00..7F"},
      {{"-P3:1"}, "invalid option -P3:1: -P wants a digit 0..9, = and a hexadecimal byte 00..7F, as in -P3=1A"},
      {{"-Vx"}, "invalid option -Vx: -V takes no text after the letter"},
      {{"-CTT"}, "invalid option -CTT: -C wants nothing, or T for the counts"},
      {{"-S", "41 10"}, "option -S takes its text in the same word: -S41 10"},
      {{"-Q"}, "unknown option -Q; the options are -A -C -E -I -O -P -S -V"},
  };
  for (const Case& c : cases) {
    auto run = runTool("mirvok", c.args, kFile);
    EXPECT_EQ(run.err, "mirvok: " + c.why + " (see --help)\n");
  }
}

TEST(Mirvok, SyntaxErrorsEndTheRunBeforeAnyInput) {
  auto run = runTool("mirvok", {"-S41", "-S41 .REPE", "/nonexistent/file.syx"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "mirvok: -S41 .REPE: malformed selection pattern: .REPE without .REP (at byte offset 8)\n");
  EXPECT_EQ(run.err.find("nonexistent"), std::string::npos);
}

TEST(Mirvok, CutMessageEndsTheRunAfterEarlierOutput) {
  auto run = runTool("mirvok", {"-S41"}, kRoland + unhex("F0 41 01"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kRoland);
  EXPECT_EQ(run.err, "mirvok: <stdin>: the input ends inside the message that starts at byte offset 11, before its F7 "
                     "(at byte offset 14)\n");
  TempDir dir;
  std::string cut = dir.write("cut.syx", kRoland + unhex("F0 41 90 F7"));
  auto second = runTool("mirvok", {"-S41", cut, dir.write("ok.syx", kRoland)});
  EXPECT_EQ(second.out, kRoland);
  EXPECT_EQ(second.err, "mirvok: " + cut + ": status byte 90 inside the message that starts at byte offset 11 "
                        "(at byte offset 13)\n");
}

TEST(Mirvok, UnpairedBracesFailWhenAMessageReachesThem) {
  auto run = runTool("mirvok", {"-S01", "-S41 } ?"}, kSix + kRoland + kSix);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kSix);
  EXPECT_NE(run.err.find("pattern 2"), std::string::npos);
}

TEST(Mirvok, AnOutputThatIsAnInputIsRefused) {
  TempDir dir;
  dir.write("d.syx", kFile);
  dir.write("p.txt", "41");
  struct Case {
    std::vector<std::string> args;
    const char* file;  // the input that must keep its bytes
    std::string input;
  } cases[] = {
      {{"-Od.syx", "-A", "d.syx"}, "d.syx", ""},
      {{"-Od.syx", "-A", "-", "x.syx"}, "d.syx", kFile},  // standard input, read from d.syx below
      {{"-S:p.txt", "-Op.txt", "d.syx"}, "p.txt", ""},
  };
  dir.write("x.syx", kSix);
  for (const Case& c : cases) {
    std::string before = dir.read(c.file);
    std::string script = "\"$B/mirvok\"";
    for (const std::string& a : c.args) script += " '" + a + "'";
    if (!c.input.empty()) script += " < d.syx";
    auto run = sysextest::runShell(script, dir.path());
    EXPECT_EQ(run.status, 1) << script;
    EXPECT_EQ(run.err, std::string("mirvok: ") + c.file + ": is also an input; nothing written\n") << script;
    EXPECT_EQ(dir.read(c.file), before) << script;
  }
}

TEST(Mirvok, OutOfMemoryNamesTheMessage) {
  if (sysextest::kAddressSanitizer) GTEST_SKIP() << "ulimit -v cannot hold under AddressSanitizer";
  TempDir dir;
  // A 600 MB message (zero data bytes, sparse) after a small one; the tool may use 300 MB.
  sysextest::writeSparse(dir, "big.syx", kSix + "\xF0", 600000000u);
  auto run = sysextest::runShell("ulimit -v 300000 && \"$B/mirvok\" -A big.syx > out.syx", dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "mirvok: big.syx: out of memory holding the message (at byte offset 8)\n");
  EXPECT_EQ(dir.read("out.syx"), kSix);
}

}  // namespace
