// The frame as every tool uses it, driven through a probe tool: options,
// file walk, reports, exit statuses, breaks and broken pipes.
#include <gtest/gtest.h>

#include "run_tool.h"

using zamotest::runProgram;
using zamotest::TempDir;
using zamotest::ToolRun;

namespace {
ToolRun probe(const std::vector<std::string>& args, std::string_view input = {}) {
  return runProgram(PROBE_PATH, args, input);
}
}  // namespace

TEST(FrameOptions, FlagsAcceptOnlyTheBareLetterInEitherCase) {
  EXPECT_EQ(probe({"-F"}).out, "flags=1 step=8\n");
  EXPECT_EQ(probe({"-f"}).out, "flags=1 step=8\n");
  ToolRun bad = probe({"-Fx"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "probe: invalid option -Fx (see --help)\n");
}

TEST(FrameOptions, UnknownOptionsAreRejectedBeforeAnyInputIsRead) {
  ToolRun run = probe({"-Q"}, "input");
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "probe: unknown option -Q (see --help)\n");
  EXPECT_EQ(probe({"--verbose"}).status, 2);
}

TEST(FrameOptions, StepLengthRange) {
  EXPECT_EQ(probe({"-T0.1"}).out, "flags=0 step=0.1\n");
  EXPECT_EQ(probe({"-T999.9"}).out, "flags=0 step=999.9\n");
  for (const char* bad : {"-T0.05", "-T1000", "-T8x", "-T"}) {
    ToolRun run = probe({bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("invalid option"), std::string::npos) << bad;
  }
}

TEST(FrameOptions, DoubleDashEndsOptions) {
  TempDir dir;
  dir.write("-F", "file named like a flag");
  ToolRun run = runProgram(PROBE_PATH, {"--", "-F"}, {}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "file named like a flagflags=0 step=8\n");
}

TEST(FrameOptions, HelpAndVersion) {
  ToolRun help = probe({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: probe [options] [file...]"), std::string::npos);
  EXPECT_NE(help.out.find("-Tn  a step length"), std::string::npos);
  ToolRun version = probe({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "PROBE 1.00\n");
}

TEST(FrameFiles, StandardInputWhenNoFileAndForADash) {
  EXPECT_EQ(probe({}, "from stdin").out, "from stdinflags=0 step=8\n");
  TempDir dir;
  std::string a = dir.write("a", "A");
  EXPECT_EQ(probe({a, "-"}, "S").out, "ASflags=0 step=8\n");
}

TEST(FrameFiles, ErrorInSecondOfThreeKeepsTheFirstAndStops) {
  TempDir dir;
  std::string a = dir.write("a", "first;");
  std::string b = dir.write("b", "second!");
  std::string c = dir.write("c", "third;");
  ToolRun run = probe({"-Afail", "-CE0000002", "-O" + dir.file("out").string(), a, b, c});
  EXPECT_EQ(run.status, 1);
  // The probe copies an input, then fails on one holding "!": the third is never read.
  EXPECT_EQ(dir.read("out"), "first;second!");
  EXPECT_EQ(run.err, "probe: " + b + ": malformed input or unexpected end of input (at byte offset 7)\n");
}

TEST(FrameFiles, MissingFileNamesTheFileAndTheReason) {
  ToolRun run = probe({"/nonexistent/x.mid"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "probe: /nonexistent/x.mid: No such file or directory\n");
}

TEST(FrameReports, AnErrorAfterWhichTheToolCarriesOnStillGivesStatusOne) {
  ToolRun run = probe({"-Awarn"}, "x");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "xflags=0 step=8\n");
  EXPECT_EQ(run.err, "probe: carrying on\n");
}

TEST(FrameReports, FullDiskIsReportedNotIgnored) {
  ToolRun run = probe({"-O/dev/full"}, "some bytes");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "probe: /dev/full: No space left on device\n");
}

TEST(FrameBreaks, BreakDuringSleepRunsTheHookAndExits130) {
  ToolRun run = probe({"-Ainterrupt-sleep"}, "kept");
  EXPECT_EQ(run.status, 130);
  EXPECT_EQ(run.err, "hook ran\n");
  EXPECT_EQ(run.out, "kept");
}

TEST(FrameBreaks, BreakDuringReadRunsTheHookAndExits130) {
  ToolRun run = probe({"-Ainterrupt-read"}, "kept");
  EXPECT_EQ(run.status, 130);
  EXPECT_EQ(run.err, "hook ran\n");
}

TEST(FrameBreaks, ClosedPipeEndsQuietlyAfterTheHook) {
  ToolRun run = runProgram("/bin/bash", {"-c", "set -o pipefail; '" + std::string(PROBE_PATH) +
                                                    "' -Aflood </dev/null | head -c 5"});
  EXPECT_EQ(run.out, "xxxxx");
  EXPECT_EQ(run.status, 141);  // SIGPIPE, as a shell expects
  EXPECT_EQ(run.err, "hook ran\n");
}
