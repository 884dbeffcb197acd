// oktile on the command line: outputs, -E naming, errors and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "run_tool.h"
#include "sysex_test_util.h"

namespace {

using sysextest::smf;
using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

const std::string kSong = smf(1, {"00 F0 02 01 F7", "05 F0 02 02 F7"});
const std::string kOther = smf(0, {"00 F0 03 7E 7F F7"});

TEST(Oktile, FilesGoToOneOutputInOrder) {
  TempDir dir;
  auto run = runTool("oktile", {dir.write("a.mid", kSong), dir.write("b.mid", kOther)});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(hex(run.out), "F0 01 F7 F0 02 F7 F0 7E 7F F7");
  EXPECT_EQ(run.err, "");
  // -O names the output file.
  auto toFile = runTool("oktile", {"-O" + dir.file("out.syx").string(), dir.file("b.mid").string()});
  EXPECT_EQ(toFile.status, 0);
  EXPECT_EQ(toFile.out, "");
  EXPECT_EQ(hex(dir.read("out.syx")), "F0 7E 7F F7");
}

TEST(Oktile, WithoutFilesReadsStandardInput) {  // as "-" does: stdin.syx with -E; an empty pipe is no input
  TempDir dir;
  for (const char* option : {"-", "-E"}) {
    auto run = runTool("oktile", {option}, kOther, dir.path());
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(hex(run.out) + hex(dir.read("stdin.syx")), "F0 7E 7F F7");
  }
  auto empty = runTool("oktile", {});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "oktile: <stdin>: no input\n");
}

TEST(Oktile, FileErrorsSkipTheFileAndEndWithStatusOne) {
  TempDir dir;
  std::string bad = dir.write("bad.mid", smf(2, {"00 F0 01 F7"}));
  std::filesystem::create_directory(dir.file("folder.mid"));
  auto run = runTool("oktile", {dir.write("a.mid", kSong), bad, dir.file("missing.mid").string(),
                                dir.file("folder.mid").string(), dir.write("b.mid", kOther)});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(hex(run.out), "F0 01 F7 F0 02 F7 F0 7E 7F F7");
  EXPECT_EQ(run.err, "oktile: " + bad + ": format 2; only formats 0 and 1 are read (at byte offset 8)\n"
                     "oktile: " + dir.file("missing.mid").string() + ": No such file or directory\n"
                     "oktile: " + dir.file("folder.mid").string() + ": Is a directory\n");
}

TEST(Oktile, TrackErrorsNameFileAndTrack) {
  TempDir dir;
  std::string file = dir.write("t.mid", smf(1, {"00 F0 02 01 F7", "00 F0 02 02 F7 00 41", "00 F7 01 F7"}));
  auto run = runTool("oktile", {file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(hex(run.out), "F0 01 F7");
  // Header 14, track 1 of 13, track 2's head 8 and 6 bytes in: the 0x41 is byte 41;
  // track 3's 0xF7 status byte is byte 51.
  EXPECT_EQ(run.err, "oktile: " + file + ": track 2: running status error (at byte offset 41)\n"
                     "oktile: " + file + ": track 3: irregal sysF7 Event (at byte offset 51)\n");
}

TEST(Oktile, PerFileOutputNaming) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("out"));
  std::string a = dir.write("a.song.mid", kSong);
  std::string b = dir.write("b", kOther);
  auto run = runTool("oktile", {"-E" + dir.file("out").string(), a, b});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(hex(dir.read("out/a.song.syx")), "F0 01 F7 F0 02 F7");
  EXPECT_EQ(hex(dir.read("out/b.syx")), "F0 7E 7F F7");
  // A trailing slash is kept as it is; an empty text means the current directory.
  auto slash = runTool("oktile", {"-e" + dir.file("out").string() + "/", b});
  EXPECT_EQ(slash.status, 0);
  auto here = runTool("oktile", {"-E", "../b"}, {}, dir.file("out"));
  EXPECT_EQ(here.status, 0) << here.err;
  EXPECT_EQ(hex(dir.read("out/b.syx")), "F0 7E 7F F7");
  // A file without SysEx still gets its (empty) output.
  auto empty = runTool("oktile", {"-E" + dir.file("out").string(), dir.write("n.mid", smf(0, {"00 FF 2F 00"}))});
  EXPECT_EQ(empty.status, 0);
  EXPECT_TRUE(std::filesystem::exists(dir.file("out/n.syx")));
  EXPECT_EQ(dir.read("out/n.syx"), "");
}

TEST(Oktile, PerFileOutputIsNotCreatedForAFileThatFailsToRead) {
  TempDir dir;
  std::string bad = dir.write("bad.mid", smf(1, {"00 F0 01 F7"}).substr(0, 20));
  auto run = runTool("oktile", {"-E" + dir.path().string(), bad, dir.write("b.mid", kOther)});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("bad.syx")));
  EXPECT_EQ(hex(dir.read("b.syx")), "F0 7E 7F F7");
}

TEST(Oktile, TooLongOutputPathStopsTheRun) {
  TempDir dir;
  std::string longDir = dir.path().string() + "/" + std::string(250, 'd');
  auto run = runTool("oktile", {"-E" + longDir, dir.write("a.mid", kSong), dir.write("b.mid", kOther)});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("oktile: " + dir.file("a.mid").string() +
                         ": パス解析エラー (cannot make an output name from this path)\n"),
            std::string::npos) << run.err;
  // The walk ends there: b.mid is not looked at, so only one report.
  EXPECT_EQ(run.err.find("パス解析エラー", run.err.find("パス解析エラー") + 1), std::string::npos);
}

TEST(Oktile, AnOutputThatIsAnInputIsRefused) {
  TempDir dir;
  dir.write("m.mid", kSong);
  dir.write("o.mid", kOther);
  // -O: refused before anything is read; the file keeps its bytes.
  auto common = runTool("oktile", {"-Om.mid", "m.mid"}, {}, dir.path());
  EXPECT_EQ(common.status, 1);
  EXPECT_EQ(common.err, "oktile: m.mid: is also an input; nothing written\n");
  EXPECT_EQ(dir.read("m.mid"), kSong);
  // -E: the input whose output would overwrite another input is skipped, the rest goes on.
  dir.write("x.syx", "not a song");
  dir.write("x.mid", kSong);
  auto perFile = runTool("oktile", {"-E.", "x.mid", "x.syx", "o.mid"}, {}, dir.path());
  EXPECT_EQ(perFile.status, 1);
  EXPECT_NE(perFile.err.find("oktile: ./x.syx: is also an input; nothing written\n"), std::string::npos)
      << perFile.err;
  EXPECT_EQ(dir.read("x.syx"), "not a song");
  EXPECT_EQ(hex(dir.read("o.syx")), "F0 7E 7F F7");
}

TEST(Oktile, TwoInputsOfOneBaseNameKeepTheFirstOutput) {
  TempDir dir;
  for (const char* sub : {"a", "b", "out"}) std::filesystem::create_directory(dir.file(sub));
  dir.write("a/song.mid", kSong);
  dir.write("b/song.mid", kOther);
  dir.write("c.mid", kOther);
  // A file of the same name from before the run is overwritten, as split(1) does.
  dir.write("out/c.syx", "old bytes");
  auto run = runTool("oktile", {"-Eout", "a/song.mid", "b/song.mid", "c.mid"}, {}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oktile: out/song.syx: already written in this run from a/song.mid; b/song.mid skipped\n");
  EXPECT_EQ(hex(dir.read("out/song.syx")), "F0 01 F7 F0 02 F7");
  // The run goes on with the next input.
  EXPECT_EQ(hex(dir.read("out/c.syx")), "F0 7E 7F F7");
  // Another spelling of the same output is caught too.
  auto aliased = runTool("oktile", {"-E./out//", "a/song.mid", "b/song.mid"}, {}, dir.path());
  EXPECT_EQ(aliased.status, 1);
  EXPECT_NE(aliased.err.find("already written in this run from a/song.mid; b/song.mid skipped"), std::string::npos);
  EXPECT_EQ(hex(dir.read("out/song.syx")), "F0 01 F7 F0 02 F7");
}

TEST(Oktile, OutOfMemoryCostsOnlyItsFile) {
  if (sysextest::kAddressSanitizer) GTEST_SKIP() << "ulimit -v cannot hold under AddressSanitizer";
  TempDir dir;
  // A 3 GB file (sparse) whose track claims nearly all of it; the tool may use 1 GB.
  std::string head = sysextest::header(0, 1, 96) + "MTrk" + unhex("B0 00 00 00");
  sysextest::writeSparse(dir, "big.mid", head, 3000000000u);
  dir.write("b.mid", kOther);
  auto run = sysextest::runShell("ulimit -v 1000000 && \"$B/oktile\" big.mid b.mid > out.syx", dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "oktile: big.mid: out of memory reading chunk \"MTrk\" of 2952790016 bytes (at byte offset 22)\n");
  EXPECT_EQ(hex(dir.read("out.syx")), "F0 7E 7F F7");
}

TEST(Oktile, RejectedOptionsSayWhy) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"-O", "out.syx", "a.mid"}, "oktile: option -O takes its text in the same word: -Oout.syx (see --help)\n"},
      {{"-O"}, "oktile: invalid option -O: -O wants a file name (see --help)\n"},
      {{"-X"}, "oktile: unknown option -X; the options are -O -E (see --help)\n"},
  };
  for (const Case& c : cases) {
    auto run = runTool("oktile", c.args);
    EXPECT_EQ(run.status, 2) << c.err;
    EXPECT_EQ(run.err, c.err);
  }
}

}  // namespace
