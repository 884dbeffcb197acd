// droska as a program on the in-process fake MIDI system: what goes out,
// in which pieces, at which virtual times; options, pauses and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "fake_midi_tool.h"
#include "run_tool.h"

namespace {

using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

class DroskaCli : public zamotest::FakeMidiToolTest {
 protected:
  DroskaCli() : FakeMidiToolTest("droska") {}
};

TEST_F(DroskaCli, MessagesAsTheInputHoldsThem) {
  const struct {
    std::vector<std::string> args;
    const char* input;
    std::vector<std::string> events;  // between "open" and "close"
  } cases[] = {
      {{}, "F0 7D 10 4C F7 F0 7D 10 F7", {"0 F0 7D 10 4C F7", "0 F0 7D 10 F7"}},
      {{}, "F0 01 02 F0 03 F7", {"0 F0 01 02 F7", "0 F0 03 F7"}},
      {{}, "F0 01 02", {"0 F0 01 02 F7"}},
      {{}, "00 F7 90 3C 40 F0 7E F7 F7 55", {"0 F0 7E F7"}},
      {{"-X"}, "90 3C 40 F0 7E F7", {"0 90 3C 40", "0 F0 7E F7", "0 80 3C 00"}},
      // 80 is no data byte: the note is dropped and 80 starts the next message.
      {{"-X"}, "90 3C 80 3C 00", {"0 80 3C 00"}},
      {{"-X"}, "C0 05 F2 01 02 F1 03 F8 F9 FD 7F F6 E0 00", {"0 C0 05", "0 F2 01 02", "0 F1 03", "0 F8", "0 F6"}},
      // A cut-off SysEx is closed; the status that cut it is sent with X.
      {{"-X"}, "F0 01 B0 07 64", {"0 F0 01 F7", "0 B0 07 64"}},
      {{}, "F0 01 B0 07 64 F0 02 F7", {"0 F0 01 F7", "0 F0 02 F7"}},
      // Messages are silenced at close: the note-on left on gets its note-off.
      {{"-X"}, "91 40 7F", {"0 91 40 7F", "0 81 40 00"}},
      {{"-X", "-S30"}, "90 3C 40 F0 7E F7 80 3C 00", {"0 90 3C 40", "30 F0 7E F7", "60 80 3C 00"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected{"open Synth A:Port 1"};
    expected.insert(expected.end(), c.events.begin(), c.events.end());
    expected.push_back("close");
    EXPECT_EQ(sent(c.args, unhex(c.input)), expected) << c.input;
    EXPECT_EQ(last.status, 0) << last.err;
  }
}

TEST_F(DroskaCli, PiecesAndPausesOnTheClock) {
  std::string message = "\xF0" + std::string(598, '\x11') + "\xF7";
  const auto log = sent({"-D256,20", "-S5", ";500", dir.write("a.syx", message), ";99999", "-", ";abc", "-",
                         ";99999999999", "-"},
                        unhex("F0 01 F7"));
  const std::vector<std::string> expected{
      "open Synth A:Port 1",
      "500 F0 " + zamotest::hex(std::string(255, '\x11')),
      "520 " + zamotest::hex(std::string(256, '\x11')),
      "540 " + zamotest::hex(std::string(87, '\x11')) + " F7",
      "62005 F0 01 F7",  // 565 + 61440; standard input read once, so later "-" find it at its end
      "close"};
  EXPECT_EQ(log, expected);
  EXPECT_EQ(last.status, 0) << last.err;
}

TEST_F(DroskaCli, OptionsAcceptedAndRejected) {
  const struct {
    const char* option;
    bool accepted;
  } cases[] = {
      {"-D1,0", true},      {"-D64,100000", true}, {"-D0,20", false},  {"-D64", false},    {"-D64,", false},
      {"-D64,100001", false}, {"-D64,10x", false}, {"-D,10", false},   {"-S100000", true}, {"-S100001", false},
      {"-S", false},        {"-S5ms", false},      {"-X", true},       {"-X1", false},     {"-Esynth b:PORT 1", true},
      {"-ESynth B", false}, {"-E", false},
  };
  for (const auto& c : cases) {
    const auto run = runTool("droska", {c.option}, unhex("F0 01 F7"));
    EXPECT_EQ(run.status, c.accepted ? 0 : 2) << c.option << ": " << run.err;
  }
  EXPECT_EQ(sent({"-ESYNTH B:port 1"}, unhex("F0 F7")).front(), "open Synth B:Port 1");
}

TEST_F(DroskaCli, OutputFromTheEnvironment) {
  setenv("ZAMO_MIDI_OUT", "synth b:port 1", 1);
  EXPECT_EQ(sent({}, unhex("F0 F7")).front(), "open Synth B:Port 1");
  EXPECT_EQ(sent({"-ESynth A:Port 1"}, unhex("F0 F7")).front(), "open Synth A:Port 1");  // E wins
  setenv("ZAMO_MIDI_OUT", "", 1);
  EXPECT_EQ(sent({}, unhex("F0 F7")).front(), "open Synth A:Port 1");  // empty is unset
  setenv("ZAMO_MIDI_OUT", "Nothing", 1);
  EXPECT_TRUE(sent({}, unhex("F0 F7")).empty());
  EXPECT_EQ(last.status, 1);
  EXPECT_EQ(last.err, "droska: no MIDI device of that name: ZAMO_MIDI_OUT=Nothing; " + zamotest::kFixtureOutputs + "\n");
  setenv("ZAMO_MIDI_OUT", std::string(300, 'n').c_str(), 1);
  sent({}, unhex("F0 F7"));
  EXPECT_EQ(last.status, 1);
  EXPECT_EQ(last.err, "droska: environment variable value is too long: ZAMO_MIDI_OUT\n");
}

// Every real-time tool: a port name that matches none is refused (status 2)
// with the ports there are; the default, when taken, is named on a terminal.
TEST_F(DroskaCli, PortsSayWhichAndWhichExist) {
  setenv("ZAMO_FAKE_MIDI_INPUTS", "Keys:In", 1);
  const std::string outputs = zamotest::kFixtureOutputs + "\n", noOut = "there is no MIDI output named \"x\"; ";
  const std::pair<std::vector<std::string>, std::string> refused[] = {
      {{"droska", "-Ex"}, "droska: -Ex: " + noOut + outputs},
      {{"teskar", "-Ex"}, "teskar: -Ex: " + noOut + outputs},
      {{"praven", "-Ex", "1"}, "praven: -Ex: " + noOut + outputs},
      {{"holmir", "-Idroska:out"}, "holmir: -Idroska:out: there is no MIDI input named \"droska:out\"; the MIDI "
                                   "inputs are:\n  Keys:In\n"},
      {{"droska", "-E", "x"}, "droska: -E: the port's name goes in the same word (-Ename); " + outputs},
      {{"praven", "-E", "1"}, "praven: -E: alone, it takes the port ZAMO_MIDI_OUT names, and ZAMO_MIDI_OUT is not "
                              "set; " + outputs},
  };
  for (const auto& [args, err] : refused) {
    const auto run = runTool(args[0], {args.begin() + 1, args.end()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, err);
  }
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "", 1);
  EXPECT_EQ(runTool("droska", {"-Ex"}).err, "droska: -Ex: " + noOut + "the fake system has no MIDI outputs\n");
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "Midi Through:Midi Through Port-0\nSynth A:Port 1", 1);
  const std::string line = ": MIDI output \"Synth A:Port 1\" (the default); choose another with -Ename or "
                           "ZAMO_MIDI_OUT (navlin lists them)\n";
  const std::pair<std::vector<std::string>, std::string> defaults[] = {
      {{"teskar"}, "teskar" + line},
      {{"holmir", "-C0"}, "holmir: MIDI input \"Keys:In\" (the default); choose another with -Iname or ZAMO_MIDI_IN "
                          "(navlin -I lists them)\n"},
      {{"holmir", "-C0", "-IKeys:In"}, ""},
  };
  for (const auto& [args, err] : defaults) {
    EXPECT_EQ(runTool(args[0], {args.begin() + 1, args.end()}, unhex("00 FF 00 00"), {}, true).err, err);
  }
  EXPECT_EQ(runTool("droska", {}).err, "");  // not on a pipe, nor for a port the environment named
  setenv("ZAMO_MIDI_OUT", "Synth A:Port 1", 1);
  EXPECT_EQ(runTool("droska", {}, {}, {}, true).err, "");
}

TEST_F(DroskaCli, AMessageCutByAFailedSendIsEndedWhenThePortTakesData) {
  const std::string open = "open Synth A:Port 1";
  // The fake output refuses that event ("+": and every one after it).
  const struct { const char* refuse; std::vector<std::string> args, log; const char* err; } cases[] = {
      {"2", {"-D4,0"}, {open, "0 F0 01 02 03", "0 F7", "close"}, "; the SysEx message it cut off was ended with F7\n"},
      {"2+", {"-D4,0"}, {open, "0 F0 01 02 03", "close"}, "; no F7 could follow, so the receiver is left inside a SysEx message\n"},
      {"1", {}, {open, "close"}, "port not ready: no progress for 10 seconds: the fake port takes no data\n"},  // nothing went out
  };
  for (const auto& c : cases) {
    setenv("ZAMO_FAKE_MIDI_REFUSE", c.refuse, 1);
    EXPECT_EQ(sent(c.args, unhex("F0 01 02 03 04 05 06 F7")), c.log) << c.refuse;
    EXPECT_TRUE(last.status == 1 && last.err.ends_with(c.err)) << c.refuse << ": " << last.err;
  }
}

TEST_F(DroskaCli, FailuresEndTheRunWithAClearText) {
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "", 1);
  sent({}, unhex("F0 F7"));
  EXPECT_EQ(last.status, 1);
  EXPECT_NE(last.err.find("droska: no MIDI device: the fake system has no MIDI output port"), std::string::npos)
      << last.err;
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "Synth A:Port 1", 1);
  const auto run = runTool("droska", {dir.file("missing.syx").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.syx"), std::string::npos) << run.err;
}

}  // namespace
