// holmir as a program on the fake MIDI system, with input arriving on
// virtual time: what is recorded, when recording ends, the request, options
// and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_log.h"
#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

class HolmirCli : public ::testing::Test {
 protected:
  void SetUp() override {
    zamotest::useFakeMidi("Synth:In\nOther:In", "Synth:Out", dir.file("midi.log").string());
  }
  // Runs holmir with these arrivals ("<ms> <hex>" lines); gives the output as hex.
  std::string run(const std::vector<std::string>& args, const std::string& arrivals, const std::string& input = {}) {
    std::remove(dir.file("midi.log").c_str());
    setenv("ZAMO_FAKE_MIDI_ARRIVALS", arrivals.c_str(), 1);
    last = runTool("holmir", args, input);
    return hex(last.out);
  }
  // What the fake's output saw between open and close.
  std::vector<std::string> sent() const { return zamotest::fakeLogLines(dir.file("midi.log")); }

  TempDir dir;
  zamotest::ToolRun last;
};

std::string sysexHex(std::size_t data, int fill) {
  std::string m = "F0";
  char b[4];
  std::snprintf(b, sizeof b, " %02X", fill);
  for (std::size_t i = 0; i < data; ++i) m += b;
  return m + " F7";
}

TEST_F(HolmirCli, RecordsWhatArrivesUntilTheCountOrTheTimeOut) {
  const std::string three = "10 F0 01 F7\n20 F0 02 F7\n30 F0 03 F7";
  const std::string m300 = sysexHex(298, 0x22);
  const std::string first256 = m300.substr(0, 256 * 3 - 1), rest44 = m300.substr(256 * 3);
  const struct {
    std::vector<std::string> args;
    std::string arrivals;
    std::string out;
  } cases[] = {
      {{}, three, "F0 01 F7 F0 02 F7 F0 03 F7"},
      {{"-C2"}, three, "F0 01 F7 F0 02 F7"},
      {{"-C0"}, three, ""},
      {{"-C"}, three, "F0 01 F7 F0 02 F7 F0 03 F7"},
      {{}, "0 " + first256 + "\n40 " + rest44, m300},
      {{}, "5 F0 01 02\n9000 03 F7", "F0 01 02 03 F7"},  // each chunk waits its own time-out
      {{}, "5 7F 01 F7\n10 F0 05 F7", "F0 05 F7"},
      {{}, "9990 F0 01 F7", "F0 01 F7"},
      {{}, "10100 F0 01 F7", ""},
      {{"-T5"}, "4990 F0 01 F7", "F0 01 F7"},
      {{"-T5"}, "5100 F0 01 F7", ""},
      {{"-T"}, "9990 F0 01 F7", "F0 01 F7"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.args, c.arrivals), c.out) << c.arrivals;
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_EQ(last.err, "");
  }
}

TEST_F(HolmirCli, CutMessagesAreWrittenClosedAndNamed) {
  // 1023 messages and the first piece of another fill the queue; its second piece is lost.
  std::string flood, floodOut;
  for (int i = 0; i < 1023; ++i) flood += "5 F0 01 F7\n", floodOut += "F0 01 F7 ";
  const std::string piece = sysexHex(257, 0x11);
  flood += "5 " + piece.substr(0, piece.size() - 3);
  floodOut += sysexHex(255, 0x11);
  const std::string closed = "; written closed by F7\n", lost = "message 1024 cut after 256 bytes: data was lost inside it (the MIDI input overflowed)" + closed + "holmir: MIDIオーバーフローが発生しました (MIDI input overflow: data was lost)\n";
  const struct { std::string arrivals, out, err; int status; } cases[] = {
      {"5 F0 01 F7\n6 F0 02\n20000 03 F7", "F0 01 F7 F0 02 F7", "message 2 cut after 2 bytes: nothing came for 10 s" + closed, 1},
      {"5 F0 01 02\n10 F0 05 F7", "F0 01 02 F7 F0 05 F7", "message 1 cut after 3 bytes: a new message (F0) began before its F7" + closed, 1},
      {flood + "\n10 22 F7", floodOut, lost, 1},
      {flood, floodOut, lost, 1},  // nothing after the hole
      {"5 F0 01 02\n10 gone", "F0 01 02 F7", "message 1 cut after 3 bytes: the MIDI input went away" + closed, 1},
      // A source that leaves between messages ends the recording as a time-out does.
      {"5 F0 01 F7\n6 F0 02 F7\n10 gone", "F0 01 F7 F0 02 F7", "recording ended: the MIDI input went away; 2 messages written\n", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run({}, c.arrivals), c.out) << c.err;
    EXPECT_EQ(last.err, "holmir: " + c.err);
    EXPECT_EQ(last.status, c.status) << c.err;
  }
}

TEST_F(HolmirCli, RequestGoesOutFirst) {
  const std::string reply = "1 F0 41 10 F7";
  const std::string fourMiB(4 * 1024 * 1024, '\x11');
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> log;
  } cases[] = {
      {{"-R" + dir.write("req.syx", unhex("F0 7E 7F 06 01 F7"))}, "", {"open Synth:In", "0 F0 7E 7F 06 01 F7", "close"}},
      {{"-R/dev/stdin"}, unhex("F0 43 20 F7"), {"open Synth:In", "0 F0 43 20 F7", "close"}},
      {{"-R" + dir.write("empty.syx", "")}, "", {"open Synth:In", "close"}},
      {{"-R:x\"F0 41\" + bytes(0x10) + x\"F7\""}, "", {"open Synth:In", "0 F0 41 10 F7", "close"}},
      {{"-R:\"\""}, "", {"open Synth:In", "close"}},
      {{"-R:x\"01 02\"", "-EOther:In"}, "", {"open Other:In", "0 01 02", "close"}},
      {{}, "", {}},  // without R no output is opened
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.args, reply, c.input), "F0 41 10 F7") << c.args[0];
    EXPECT_EQ(sent(), c.log) << (c.args.empty() ? "" : c.args[0]);
    EXPECT_EQ(last.status, 0) << last.err;
  }
  setenv("ZAMO_MIDI_OUT", "Synth:In", 1);
  run({"-R:x\"F7\"", "-EOther:In"}, reply);
  EXPECT_EQ(sent().front(), "open Other:In");

  // 4 MiB is taken; one byte more is refused.
  run({"-R" + dir.write("big.syx", fourMiB), "-C0"}, "");
  EXPECT_EQ(last.status, 0) << last.err;
  run({"-R" + dir.write("big.syx", fourMiB + "\x11"), "-C0"}, "");
  EXPECT_EQ(last.status, 1);
  EXPECT_NE(last.err.find("big.syx"), std::string::npos) << last.err;
}

TEST_F(HolmirCli, OptionsAndFailures) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* err;  // a part of stderr
  } cases[] = {
      {{"-T0"}, 2, "-T wants"},
      {{"-T121"}, 2, "-T wants"},
      {{"-T120", "-C0"}, 0, ""},
      {{"-T5s"}, 2, "-T wants"},
      {{"-C2x"}, 2, "-C"},
      {{"-R"}, 2, "-R"},
      {{"-M"}, 2, "-M"},
      {{"-INothing"}, 2, "-I"},
      {{"-R:1+2"}, 1, "holmir: KEL expression: type mismatch: the request -R:1+2, byte offset 1: "},
      {{"-R:x\"F0"}, 1, "byte offset"},
      {{"-R:"}, 1, "byte offset 1"},
  };
  for (const auto& c : cases) {
    run(c.args, "");
    EXPECT_EQ(last.status, c.status) << c.args[0] << ": " << last.err;
    EXPECT_NE(last.err.find(c.err), std::string::npos) << c.args[0] << ": " << last.err;
  }
  setenv("ZAMO_MIDI_IN", "Nothing", 1);
  run({}, "");
  EXPECT_EQ(last.status, 1);
  EXPECT_NE(last.err.find("ZAMO_MIDI_IN=Nothing"), std::string::npos) << last.err;
}

TEST_F(HolmirCli, OverflowIsReportedAndWhatCameIsKept) {
  // 1100 messages at one moment: the queue holds 1024 of them.
  std::string arrivals;
  for (int i = 0; i < 1100; ++i) arrivals += "5 F0 01 F7\n";
  const std::string out = run({}, arrivals);
  EXPECT_EQ(last.status, 1);
  EXPECT_EQ(out.size(), 1024 * 9 - 1);
  EXPECT_NE(last.err.find("MIDIオーバーフローが発生しました"), std::string::npos) << last.err;
}

}  // namespace
