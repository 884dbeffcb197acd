// The frame as every tool uses it, driven through a probe tool: options,
// file walk, reports, exit statuses, breaks and broken pipes.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_tool.h"

using zamotest::runProgram;
using zamotest::runTool;
using zamotest::toolPath;
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
}

// Every rejected option says why, ends the run with status 2 and reads nothing.
TEST(FrameOptions, RejectedOptionsSayWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"-Fx"}, "probe: invalid option -Fx: -F takes no text after the letter (see --help)\n"},
      {{"-Q"}, "probe: unknown option -Q; the options are -F -T -A -C -O (see --help)\n"},
      {{"--verbose"}, "probe: unknown option --verbose; the options are -F -T -A -C -O (see --help)\n"},
      {{"-o", "out.bin"}, "probe: option -O takes its text in the same word: -Oout.bin (see --help)\n"},
      {{"-T", "5"}, "probe: option -T takes its text in the same word: -T5 (see --help)\n"},
      {{"-T0"},
       "probe: invalid option -T0: -T wants a step length from 0.1 up to (not including) 1000 (see --help)\n"},
      {{"-O"}, "probe: invalid option -O: -O wants a file name (see --help)\n"},
      {{"-C12345678x"}, "probe: invalid option -C12345678x (see --help)\n"},
  };
  for (const Case& c : cases) {
    ToolRun run = probe(c.args, "input");
    EXPECT_EQ(run.status, 2) << c.args[0];
    EXPECT_EQ(run.out, "") << c.args[0];
    EXPECT_EQ(run.err, c.err);
  }
}

TEST(FrameOptions, StepLengthRange) {
  EXPECT_EQ(probe({"-T0.1"}).out, "flags=0 step=0.1\n");
  EXPECT_EQ(probe({"-T999.9"}).out, "flags=0 step=999.9\n");
  for (const char* bad : {"-T0.05", "-T1000", "-T8x", "-T"}) {
    ToolRun run = probe({bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("invalid option"), std::string::npos) << bad;
    EXPECT_NE(run.err.find("-T wants a step length"), std::string::npos) << bad;
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
  // N is accepted for old command lines but not advertised.
  EXPECT_EQ(help.out.find("-N"), std::string::npos);
  EXPECT_EQ(probe({"-N", "-"}, "x").status, 0);
  EXPECT_EQ(probe({"-h"}).out, help.out);
  EXPECT_EQ(probe({"-H"}).out, help.out);
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

// The probe's named output, and the standard output of every tool that
// writes one, whichever library does the writing.
TEST(FrameReports, FullDiskIsReportedNotIgnored) {
  ToolRun run = probe({"-O/dev/full"}, "some bytes");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "probe: /dev/full: No space left on device\n");
  const std::string ex = std::string(ZAMO_SOURCE_DIR) + "/examples/";
  TempDir dir;
  ASSERT_EQ(runTool("gorbel", {"-O" + dir.file("dump.mid").string(), ex + "dump.syx"}).status, 0);
  const std::vector<std::string> runs[] = {
      {"zembra", ex + "evening.mml"}, {"zembra", "-S", ex + "evening.mml"}, {"zembra", "-P", ex + "evening.mml"},
      {"zutane", ex + "coleraine.mid"}, {"zutane", "-M", ex + "coleraine.mid"}, {"zamodump", ex + "dump.syx"},
      {"zamodump", ex + "coleraine.mid"}, {"oktile", dir.file("dump.mid").string()}, {"mirvok", "-A", ex + "dump.syx"},
      {"gorbel", ex + "dump.syx"},
  };
  for (const auto& args : runs) {
    std::vector<std::string> shellArgs{"-c", "exec \"$0\" \"$@\" >/dev/full", toolPath(args[0])};
    shellArgs.insert(shellArgs.end(), args.begin() + 1, args.end());
    const ToolRun tool = runProgram("/bin/bash", shellArgs);
    EXPECT_EQ(tool.status, 1) << args[0];
    EXPECT_EQ(tool.err, args[0] + ": <stdout>: No space left on device\n") << args[0];
  }
  ToolRun fendix = runProgram("/bin/bash", {"-c", "\"$0\" \"$1\" | \"$2\" >/dev/full", toolPath("zutane"),
                                            ex + "coleraine.mid", toolPath("fendix")});
  EXPECT_EQ(fendix.status, 1);
  EXPECT_EQ(fendix.err, "fendix: <stdout>: No space left on device\n");
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

// An output that is one of the run's inputs is refused before anything is
// opened, whichever way the input reaches the tool; the file keeps its bytes.
TEST(FrameOutputs, AnOutputThatIsAlsoAnInputIsRefusedUntouched) {
  TempDir dir;
  std::string song = dir.write("song.mid", "precious");
  std::filesystem::create_symlink(song, dir.file("link.mid"));
  std::string link = dir.file("link.mid").string();
  struct Case {
    std::vector<std::string> args;
    std::string refused;
  } cases[] = {
      {{"-O" + song, song}, song},
      {{"-O" + link, song}, link},
      {{"-O" + song, link}, song},
      {{"-O" + song, "-"}, song},  // standard input is the file (see the redirection below)
  };
  for (const Case& c : cases) {
    std::vector<std::string> shellArgs{"-c", "exec \"$0\" \"$@\" < '" + song + "'", PROBE_PATH};
    shellArgs.insert(shellArgs.end(), c.args.begin(), c.args.end());
    ToolRun run = runProgram("/bin/bash", shellArgs);
    EXPECT_EQ(run.status, 1) << c.args[0];
    EXPECT_EQ(run.err, "probe: " + c.refused + ": is also an input; nothing written\n");
    EXPECT_EQ(dir.read("song.mid"), "precious");
  }
  // Another file of the same content is no input.
  std::string other = dir.write("other.mid", "precious");
  ToolRun run = probe({"-O" + other, song});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(dir.read("other.mid"), "precious");
}

// Closed standard descriptors are filled before anything opens, so that an
// error text can never land in an output file.
TEST(FrameOutputs, ClosedStandardDescriptorsNeverCarryReportsIntoFiles) {
  TempDir dir;
  std::string input = dir.write("in", "data!");
  std::string out = dir.file("out").string();
  for (std::string closing : {"2>&-", "1>&- 2>&-", "0<&- 2>&-"}) {
    ToolRun run = runProgram("/bin/bash", {"-c", "\"$0\" -Afail -CE0000002 -O" + out + " " + input + " " + closing,
                                           PROBE_PATH});
    EXPECT_EQ(run.status, 1) << closing;
    EXPECT_EQ(dir.read("out"), "data!") << closing;
  }
}

TEST(FrameReports, WhereShapeAndOutOfMemoryNameTheFileAndOffset) {
  TempDir dir;
  std::string input = dir.write("in", "bad!bytes");
  ToolRun run = probe({"-Afail-at", "-CE0000002", input});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "probe: " + input + ": a bad byte (at byte offset 3)\n");
  run = probe({"-Aoom", input});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "probe: " + input + ": out of memory (at byte offset 9)\n");
}

TEST(FrameBreaks, TerminationExits143AfterTheHook) {
  ToolRun run = probe({"-Aterminate-sleep"}, "kept");
  EXPECT_EQ(run.status, 143);
  EXPECT_EQ(run.err, "hook ran\n");
  EXPECT_EQ(run.out, "kept");
}
