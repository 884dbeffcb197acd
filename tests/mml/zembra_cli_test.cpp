// zembra as a user runs it: inputs, options, output bytes, listing,
// diagnostics and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_tool.h"

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;

namespace {

const char* const kOneNote = "00 90 3C 40 FF F8 00 00 81 90 3C 00 60 FF 00 00";
const char* const kOneNoteDorna = "00 90 3C 40 32 90 3C 00 0C FF 00 00";

TEST(ZembraCli, OneNoteEmptySourceAndDorna) {
  auto run = runTool("zembra", {":$0={c}"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(hex(run.out), kOneNote);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(hex(runTool("zembra", {"-P", ":$0={c}"}).out), kOneNoteDorna);
  EXPECT_EQ(hex(runTool("zembra", {"-p", ":$0={c}"}).out), kOneNoteDorna);
  EXPECT_EQ(hex(runTool("zembra", {":"}).out), "00 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {"-P", ":"}).out), "00 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {}, "").out), "00 FF 00 00");
}

TEST(ZembraCli, ArgumentsFilesAndStandardInputGiveTheSameMusic) {
  TempDir dir;
  std::string file = dir.write("song.mml", "$0={c}\r\n");
  EXPECT_EQ(hex(runTool("zembra", {file}).out), kOneNote);
  EXPECT_EQ(hex(runTool("zembra", {"*"}, "$0={c}").out), kOneNote);
  EXPECT_EQ(hex(runTool("zembra", {}, "$0={c}").out), kOneNote);
  // Inputs are joined in order into one source.
  std::string head = dir.write("head.mml", "$0={");
  EXPECT_EQ(hex(runTool("zembra", {head, "*", ":}"}, "c").out), kOneNote);
}

TEST(ZembraCli, OutputFileAndListing) {
  TempDir dir;
  std::string out = dir.file("song.ost").string();
  std::string listing = dir.file("song.lst").string();
  auto run = runTool("zembra", {"-O" + out, "-L" + listing, ":$0={c /* ド */}", ":// end"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(hex(zamotest::readFile(out)), kOneNote);
  EXPECT_EQ(zamotest::readFile(listing), "$0={c /* ド */}\n// end\n");
}

TEST(ZembraCli, OptionsAreCheckedBeforeAnythingIsCompiled) {
  for (std::vector<std::string> args : {std::vector<std::string>{"-D10"}, {"-D 10"}, {"-d0"}, {"-Q"}, {"-X"},
                                        {"-N"}, {"-Nanything"}, {"-T0.1"}, {"-T999.9"}, {"-P", "-Q"}}) {
    args.push_back(":$0={c}");
    SCOPED_TRACE(args[0]);
    auto run = runTool("zembra", args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(hex(run.out), kOneNote);
  }
  for (const char* option : {"-Dx", "-D10x", "-D", "-Px", "-Qq", "-Xx", "-L", "-T1000", "-T0.05", "-T8x", "-T",
                             "-O", "-Z"}) {
    SCOPED_TRACE(option);
    auto run = runTool("zembra", {option, ":$0={c}"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(runTool("zembra", {"--version"}).out, "ZEMBRA 1.00\n");
}

TEST(ZembraCli, StepLengthSetsTheDornaDelays) {
  EXPECT_EQ(hex(runTool("zembra", {"-P", "-T16", ":$0={c}"}).out), "00 90 3C 40 19 90 3C 00 06 FF 00 00");
  EXPECT_EQ(hex(runTool("zembra", {"-P", "-T0.5", ":$0={c4&c4}"}).out),
            "00 90 3C 40 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 FF F8 00 00 "
            "46 90 3C 00 FF F8 00 00 91 FF 00 00");
}

TEST(ZembraCli, ASyntaxErrorWritesNothingAndPointsAtTheUsersFile) {
  TempDir dir;
  std::string first = dir.write("a.mml", "$0={c}\n");
  std::string second = dir.write("b.mml", "// tune\n\t$1={c d ;}\n");
  std::string out = dir.file("out.ost").string();
  std::string listing = dir.file("out.lst").string();
  auto run = runTool("zembra", {"-O" + out, "-L" + listing, first, second, ":$2={e}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(zamotest::readFile(out), "");
  EXPECT_EQ(run.err, "zembra: " + second + ":2:10: <}>がない。\n\t$1={c d ;}\n\t        ^\nKORMAVE: syntax error\n");
  EXPECT_EQ(zamotest::readFile(listing), "$0={c}\n// tune\n\t$1={c d ;←<}>がない。\n");
}

TEST(ZembraCli, ErrorsInArgumentsAndStandardInputAreNamedSo) {
  auto run = runTool("zembra", {":$0={c}", ":$1={\n  c0}"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "zembra: <arg>:2:4: 値が不正です。\n  c0}\n   ^\nKORMAVE: syntax error\n");
  run = runTool("zembra", {}, "$16={}");
  EXPECT_EQ(run.err, "zembra: <stdin>:1:2: 値が不正です。\n$16={}\n ^\nKORMAVE: syntax error\n");
}

TEST(ZembraCli, ShiftJisSourceCountsDoubleByteCharactersAsOneColumn) {
  TempDir dir;
  std::string sjis = "/* \x83\x68\x83\x8C */ $0={c ]}\n";
  std::string file = dir.write("sjis.mml", sjis);
  auto run = runTool("zembra", {file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zembra: " + file + ":1:16: <}>がない。\n" + sjis + "                 ^\nKORMAVE: syntax error\n");
}

TEST(ZembraCli, AMissingFileIsReportedAndNothingIsWritten) {
  TempDir dir;
  auto run = runTool("zembra", {":$0={c}", dir.file("none.mml").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("none.mml: No such file or directory"), std::string::npos) << run.err;
}

}  // namespace
