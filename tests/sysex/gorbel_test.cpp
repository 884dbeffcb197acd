// gorbel: the SMF it builds, its timing, pauses, and errors that write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "run_tool.h"
#include "sysex_test_util.h"
#include "sysex/smf_writer.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

const std::string kRoland = unhex("F0 41 10 42 12 40 00 7F 00 41 F7");

// The track events after the tempo event, in hex; checks the fixed parts.
std::string events(const std::string& smf, const char* tempo = "07 A1 20") {
  EXPECT_EQ(hex(smf.substr(0, 14)), "4D 54 68 64 00 00 00 06 00 00 00 01 00 18");
  EXPECT_EQ(smf.substr(14, 4), "MTrk");
  std::uint32_t length = 0;
  for (int i = 18; i < 22; ++i) length = length << 8 | static_cast<unsigned char>(smf[i]);
  EXPECT_EQ(length, smf.size() - 22);
  EXPECT_EQ(hex(smf.substr(22, 7)), std::string("00 FF 51 03 ") + tempo);
  return hex(smf.substr(29));
}

TEST(Gorbel, NoMessagesGiveTempoAndEndOnTheFirstBar) {
  auto run = runTool("gorbel", {});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(hex(run.out), "4D 54 68 64 00 00 00 06 00 00 00 01 00 18 4D 54 72 6B 00 00 00 0B "
                          "00 FF 51 03 07 A1 20 60 FF 2F 00");
}

TEST(Gorbel, MessagesAndTruncatedDeltas) {
  // n = 10: 4 ms each, 0 ticks at 120 bpm; all lie on tick 0.
  auto run = runTool("gorbel", {}, kRoland + "junk" + kRoland + unhex("F7 80") + kRoland);
  EXPECT_EQ(run.status, 0);
  std::string m = "F0 0A 41 10 42 12 40 00 7F 00 41 F7";
  // 12 ms in; the end lies at 2000 ms: (2000 - 8) * 24 / 500 = 95.6 -> 95.
  EXPECT_EQ(events(run.out), "00 " + m + " 00 " + m + " 00 " + m + " 5F FF 2F 00");
}

TEST(Gorbel, GapAndLengthSpaceTheMessages) {
  std::string data100(99, '\x01');
  std::string longMessage = "\xF0" + data100 + "\xF7";  // n = 100: 1034 ms with -D1000
  auto run = runTool("gorbel", {"-D1000"}, kRoland + kRoland + longMessage + kRoland);
  EXPECT_EQ(run.status, 0);
  std::string e = events(run.out);
  // 1004 ms -> 48 ticks, then 1004 -> 48, then 1034 -> 49 (truncated each by itself).
  EXPECT_EQ(e.substr(0, 41), "00 F0 0A 41 10 42 12 40 00 7F 00 41 F7 30");
  EXPECT_NE(e.find("F7 30 F0 64 01"), std::string::npos);
  EXPECT_NE(e.find("01 F7 31 F0 0A"), std::string::npos);
}

TEST(Gorbel, TempoOption) {
  // 60 bpm: 1,000,000 us a quarter; a bar is 4 s = 96 ticks.
  auto run = runTool("gorbel", {"-T60"});
  EXPECT_EQ(events(run.out, "0F 42 40"), "60 FF 2F 00");
  // 249 bpm: 240963 us; the bar of 963 ms is 95 ticks once truncated.
  EXPECT_EQ(events(runTool("gorbel", {"-t249"}).out, "03 AD 43"), "5F FF 2F 00");
  const std::string tempo = "-T wants a whole number of quarter notes a minute from 40 to 249 (see --help)\n";
  const std::string gap = "-D wants a whole number of milliseconds from 0 to 19999 (see --help)\n";
  struct Case {
    const char* option;
    std::string err;
  } cases[] = {
      {"-T39", "gorbel: invalid option -T39: " + tempo}, {"-T250", "gorbel: invalid option -T250: " + tempo},
      {"-T", "gorbel: invalid option -T: " + tempo},     {"-T120x", "gorbel: invalid option -T120x: " + tempo},
      {"-D20000", "gorbel: invalid option -D20000: " + gap}, {"-D", "gorbel: invalid option -D: " + gap},
      {"-D1.5", "gorbel: invalid option -D1.5: " + gap},
      {"-X", "gorbel: unknown option -X; the options are -D -T -O (see --help)\n"},
  };
  for (const Case& c : cases) {
    auto r = runTool("gorbel", {c.option});
    EXPECT_EQ(r.status, 2) << c.option;
    EXPECT_EQ(r.out, "") << c.option;
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(Gorbel, PausesBetweenFilesAndRunningTimeAcrossThem) {
  TempDir dir;
  std::string a = dir.write("a.syx", kRoland);
  std::string b = dir.write("b.syx", kRoland);
  // 4 ms + 500 ms pause -> 504 ms -> 24 ticks (24.19).
  auto run = runTool("gorbel", {a, ";500", b});
  EXPECT_EQ(run.status, 0) << run.err;
  std::string m = "F0 0A 41 10 42 12 40 00 7F 00 41 F7";
  // The end: 508 ms -> 2000 ms; 1496 ms after the last event -> 71 ticks.
  EXPECT_EQ(events(run.out), "00 " + m + " 18 " + m + " 47 FF 2F 00");
  // Whatever follows the number is ignored; no number adds nothing.
  EXPECT_EQ(runTool("gorbel", {a, ";500ms", b}).out, run.out);
  EXPECT_EQ(runTool("gorbel", {";", ";x", a}).out, runTool("gorbel", {a}).out);
}

TEST(Gorbel, EndLiesStrictlyAfterTheRunningTime) {
  // A pause of exactly one bar (2000 ms at 120 bpm) moves the end a whole bar on.
  EXPECT_EQ(events(runTool("gorbel", {";2000"}).out), "81 40 FF 2F 00");  // 192 ticks
  EXPECT_EQ(events(runTool("gorbel", {";1999"}).out), "60 FF 2F 00");
}

TEST(Gorbel, HugeDeltasStayValid) {
  // Three pauses of 4,000,000,000 ms at 120 bpm: 576,000,000 ticks, above
  // 0x0FFFFFFF; two empty text events of 0x0FFFFFFF ticks carry most of it.
  auto run = runTool("gorbel", {";4000000000", ";4000000000", ";4000000000", "-"}, kRoland);
  EXPECT_EQ(run.status, 0);
  std::string e = events(run.out);
  // 576,000,000 - 2 * 268,435,455 = 39,129,090 = 0x2551002.
  EXPECT_EQ(e.substr(0, 56), "FF FF FF 7F FF 01 00 FF FF FF 7F FF 01 00 92 D4 A0 02 F0");
}

TEST(Gorbel, ErrorsWriteNothing) {
  TempDir dir;
  std::string good = dir.write("good.syx", kRoland);
  std::string cut = dir.write("cut.syx", kRoland + unhex("F0 41 10"));
  std::string bad = dir.write("bad.syx", kRoland + unhex("F0 41 F8 10 F7"));
  std::string out = dir.file("out.mid").string();
  // The offset names the byte at fault: the 0xF8, or the end where the 0xF7 is missing.
  struct Case {
    std::string input;
    int offset;
  } cases[] = {{cut, 14}, {bad, 13}};
  for (const Case& c : cases) {
    auto run = runTool("gorbel", {"-O" + out, good, c.input, good});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(out)) << "no output file after an error";
    EXPECT_EQ(run.err, "gorbel: " + c.input + ": 入力データの形式が違います (input is not in the expected format) (at byte offset " +
                           std::to_string(c.offset) + ")\n");
  }
  auto piped = runTool("gorbel", {}, kRoland + unhex("F0 01"));
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.out, "");
  auto missing = runTool("gorbel", {good, dir.file("none.syx").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
}

TEST(Gorbel, AnOutputThatIsAnInputIsRefusedBeforeReading) {
  TempDir dir;
  dir.write("d.syx", kRoland);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"-Od.syx", "d.syx"},
                                               std::vector<std::string>{"-Od.syx", "x.syx", ";10", "./d.syx"}}) {
    auto run = runTool("gorbel", args, {}, dir.path());
    EXPECT_EQ(run.status, 1);
    // x.syx does not exist: the refusal comes before any input is opened.
    EXPECT_EQ(run.err, "gorbel: d.syx: is also an input; nothing written\n");
    EXPECT_EQ(dir.read("d.syx"), kRoland);
  }
}

TEST(Gorbel, AMessageLongerThanTheMemoryIsWrapped) {
  if (sysextest::kAddressSanitizer) GTEST_SKIP() << "ulimit -v cannot hold under AddressSanitizer";
  TempDir dir;
  dir.write("a.syx", kRoland);
  // A 400 MB message (sparse) after one of 11 bytes; the tool may use 300 MB.
  std::string big = sysextest::writeSparse(dir, "big.syx", kRoland + "\xF0", 400000000u);
  std::ofstream(big, std::ios::app) << '\xF7';
  auto run = sysextest::runShell("ulimit -v 300000 && \"$B/gorbel\" a.syx big.syx | wc -c", dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  // Head 22, tempo 7, two messages of 13, the long one 00 F0, 5 length bytes and
  // 399999989 bytes, the end 7 (a delta of 4 bytes).
  EXPECT_EQ(run.out, "400000058\n");
}


TEST(SmfWriter, BuilderTracksTimeInMilliseconds) {
  sysex::SysexSmfBuilder smf(120, 7);
  EXPECT_EQ(smf.tempo(), 500000u);
  std::string m = unhex("01 02 03 04 05 F7");  // n = 6: 2 + 7 + 1 ms
  ASSERT_TRUE(smf.addMessage(std::span(reinterpret_cast<const std::uint8_t*>(m.data()), m.size())));
  EXPECT_EQ(smf.runningMs(), 10u);
  smf.addPause(90);
  EXPECT_EQ(smf.runningMs(), 100u);
  ASSERT_TRUE(smf.finish());
  EXPECT_EQ(smf.runningMs(), 2000u);
  auto track = smf.track();
  EXPECT_EQ(hex(std::string(track.begin(), track.end())), "00 FF 51 03 07 A1 20 00 F0 06 01 02 03 04 05 F7 60 FF 2F 00");
}

}  // namespace
