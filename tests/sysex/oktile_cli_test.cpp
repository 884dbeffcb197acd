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

TEST(Oktile, WithoutFilesWritesNothing) {
  auto run = runTool("oktile", {}, unhex("F0 01 F7"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  // "-" reads standard input, whose size is unknown.
  auto piped = runTool("oktile", {"-"}, kOther);
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(hex(piped.out), "F0 7E 7F F7");
}

TEST(Oktile, FileErrorsSkipTheFileAndEndWithStatusOne) {
  TempDir dir;
  std::string bad = dir.write("bad.mid", smf(2, {"00 F0 01 F7"}));
  std::filesystem::create_directory(dir.file("folder.mid"));
  auto run = runTool("oktile", {dir.write("a.mid", kSong), bad, dir.file("missing.mid").string(),
                                dir.file("folder.mid").string(), dir.write("b.mid", kOther)});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(hex(run.out), "F0 01 F7 F0 02 F7 F0 7E 7F F7");
  EXPECT_NE(run.err.find("oktile: malformed input or unexpected end of input(" + bad + ") at byte offset"),
            std::string::npos) << run.err;
  EXPECT_NE(run.err.find("No such file or directory(" + dir.file("missing.mid").string() + ")"), std::string::npos);
  EXPECT_NE(run.err.find("Is a directory(" + dir.file("folder.mid").string() + ")"), std::string::npos);
}

TEST(Oktile, TrackErrorsNameFileAndTrack) {
  TempDir dir;
  std::string file = dir.write("t.mid", smf(1, {"00 F0 02 01 F7", "00 F0 02 02 F7 00 41", "00 F7 01 F7"}));
  auto run = runTool("oktile", {file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(hex(run.out), "F0 01 F7");
  EXPECT_NE(run.err.find("oktile: running status error (" + file + ", track 2, byte offset"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("oktile: irregal sysF7 Event (" + file + ", track 3, byte offset"), std::string::npos);
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
  EXPECT_NE(run.err.find("oktile: パス解析エラー"), std::string::npos) << run.err;
  // The walk ends there: b.mid is not looked at, so only one report.
  EXPECT_EQ(run.err.find("パス解析エラー", run.err.find("パス解析エラー") + 1), std::string::npos);
}

}  // namespace
