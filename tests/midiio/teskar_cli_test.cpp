// teskar as a program on the in-process fake MIDI system, whose virtual
// clock makes every timing rule exact: what goes out, when, in which pieces;
// options, pauses, the environment rule, malformed input and Ctrl-C.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "break_silence.h"
#include "fake_midi_tool.h"
#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::unhex;

// A DORNA SysEx record: delay, status, 32-bit length, bytes.
std::string sysexRecord(int delay, int status, const std::string& body) {
  std::string r{static_cast<char>(delay), static_cast<char>(status)};
  for (int i = 0; i < 4; ++i) r += static_cast<char>((body.size() >> (8 * i)) & 0xFF);
  return r + body;
}

class TeskarCli : public zamotest::FakeMidiToolTest {
 protected:
  TeskarCli() : FakeMidiToolTest("teskar") {}

  // The events alone, when the run opened Synth A and closed it.
  std::vector<std::string> events(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> lines = sent(args, input);
    EXPECT_EQ(last.status, 0) << last.err;
    if (lines.size() < 2 || lines.front() != "open Synth A:Port 1" || lines.back() != "close") {
      ADD_FAILURE() << "not opened and closed: " << testing::PrintToString(lines);
      return lines;
    }
    return {lines.begin() + 1, lines.end() - 1};
  }
};

TEST_F(TeskarCli, RecordsGoOutOnTheirSchedule) {
  const std::string gmOn = unhex("7E 7F 09 01 F7");
  const struct {
    std::vector<std::string> args;
    std::string input;
    std::vector<std::string> events;
  } cases[] = {
      {{}, unhex("00 FF 00 00"), {}},
      {{}, unhex("00 90 3C 40 01 80 3C 00 00 FF 00 00"), {"0 90 3C 40", "8 80 3C 00"}},
      // T10: a delay of 3 is 30 ms after the previous due time; the end record's delay is waited for.
      {{"-T10"}, unhex("00 90 3C 40 03 80 3C 00 05 FF 00 00 00 90 3C 40"), {"0 90 3C 40", "30 80 3C 00"}},
      // Fillers carry their delay only; 600 steps = two fillers and 90.
      {{"-T1"}, unhex("FF F8 00 00 FF F8 00 00 5A 90 3C 40 00 80 3C 00 00 FF 00 00"), {"600 90 3C 40", "600 80 3C 00"}},
      // The packed program change and channel pressure go as two bytes; system statuses as the layer sends them.
      {{}, unhex("00 C0 05 00 00 D1 40 77 00 FA 00 00 00 F2 01 02 00 F1 03 00 00 F4 00 00 00 FF 00 00"),
       {"0 C0 05", "0 D1 40", "0 FA", "0 F2 01 02", "0 F1 03"}},
      // Without X a SysEx record (closing silences the note left on) is skipped, and so are its pauses.
      {{"-S50"}, sysexRecord(0, 0xF0, gmOn) + unhex("01 90 3C 40 00 FF 00 00"), {"8 90 3C 40", "8 80 3C 00"}},
      {{"-X"}, sysexRecord(0, 0xF0, gmOn) + sysexRecord(1, 0xF7, unhex("F0 43 F7")) + unhex("00 FF 00 00"),
       {"0 F0 7E 7F 09 01 F7", "8 F0 43 F7"}},
      // A pause longer than the delays makes records late: they go at once until the schedule is met.
      {{"-X", "-S100", "-T10"},
       sysexRecord(0, 0xF0, gmOn) + unhex("01 90 3C 40 01 90 3E 40 0A 80 3C 00 05 80 3E 00 00 FF 00 00"),
       {"0 F0 7E 7F 09 01 F7", "100 90 3C 40", "100 90 3E 40", "120 80 3C 00", "170 80 3E 00"}},
      // An empty SysEx record sends F0 alone; an empty F7 record sends nothing.
      {{"-X"}, sysexRecord(0, 0xF0, "") + sysexRecord(0, 0xF7, "") + unhex("00 FF 00 00"), {"0 F0"}},
      // Only the first stream of a file is played; the rest is not read.
      {{}, unhex("00 90 3C 40 00 FF 00 00 00 80 3C 00 00 FF 00 00"), {"0 90 3C 40", "0 80 3C 00"}},
      // The step product in 64 bits: 255 steps of 1,000,000 ms.
      {{"-T1000000"}, unhex("FF 90 3C 40 00 80 3C 00 00 FF 00 00"), {"255000000 90 3C 40", "255000000 80 3C 00"}},
  };
  for (const auto& c : cases) EXPECT_EQ(events(c.args, c.input), c.events) << hex(c.input);
}

TEST_F(TeskarCli, SysExInPiecesWithPauses) {
  const std::string body = std::string(149, '\x11') + "\xF7";  // 151 bytes with the F0
  const auto got = events({"-X", "-D64,10", "-S5", "-T1"}, sysexRecord(0, 0xF0, body) + unhex("00 90 3C 40 00 FF 00 00"));
  const std::vector<std::string> expected{"0 F0 " + hex(std::string(63, '\x11')), "10 " + hex(std::string(64, '\x11')),
                                          "20 " + hex(std::string(22, '\x11')) + " F7", "35 90 3C 40", "35 80 3C 00"};
  EXPECT_EQ(got, expected);
}

TEST_F(TeskarCli, PauseArguments) {
  const std::string a = dir.write("a.dorna", unhex("00 90 3C 40 01 80 3C 00 00 FF 00 00"));
  const auto got = events({a, ";100", a, ";", a, ";99999999999", a, ";70ms", a}, {});
  const std::vector<std::string> expected{"0 90 3C 40",     "8 80 3C 00",     "108 90 3C 40",   "116 80 3C 00",
                                          "116 90 3C 40",   "124 80 3C 00",   "61564 90 3C 40", "61572 80 3C 00",
                                          "61642 90 3C 40", "61650 80 3C 00"};
  EXPECT_EQ(got, expected);
}

TEST_F(TeskarCli, OptionsAcceptedAndRejected) {
  const struct {
    const char* option;
    int status;  // 2: rejected
  } cases[] = {
      {"-B110", 0},      {"-B38400", 0},  {"-B31250", 0},    {"-B256000", 0},   {"-B38401", 2},   {"-B 9600", 2},
      {"-B", 2},         {"-C0", 2},      {"-C128", 2},      {"-C1x", 2},       {"-C", 2},        {"-D64,10", 0},
      {"-D63,10", 2},    {"-D64", 2},     {"-D64,100001", 2}, {"-D64,100000", 0}, {"-D64,1x", 2},   {"-S100000", 0},
      {"-S100001", 2},   {"-S", 2},       {"-T1", 0},        {"-T0", 2},        {"-T1.5", 2},     {"-T8ms", 2},
      {"-T", 2},         {"-T99999999999", 2}, {"-X", 0},    {"-X1", 2},        {"-ESYNTH B:port 1", 0},
      {"-ESynth B", 2},  {"-E", 2},
  };
  for (const auto& c : cases) {
    const auto run = runTool("teskar", {c.option}, unhex("00 FF 00 00"));
    EXPECT_EQ(run.status, c.status) << c.option << ": " << run.err;
    if (c.status == 2) {
      EXPECT_NE(run.err.find(std::string(c.option) + ": "), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(sent({"-Esynth b:PORT 1"}, unhex("00 FF 00 00")).front(), "open Synth B:Port 1");
}

TEST_F(TeskarCli, OutputFromTheEnvironment) {
  const std::string empty = unhex("00 FF 00 00");
  const struct {
    const char* value;  // nullptr: unset
    std::vector<std::string> args;
    const char* opened;  // nullptr: the run fails
    const char* err;
  } cases[] = {
      {"synth b:port 1", {}, "open Synth B:Port 1", ""},
      {"synth b:port 1", {"-ESynth A:Port 1"}, "open Synth A:Port 1", ""},  // E wins
      {"", {}, "open Synth A:Port 1", ""},                                  // empty is unset
      {nullptr, {}, "open Synth A:Port 1", ""},                             // Midi Through is no default
      {"Nothing", {}, nullptr, "teskar: no MIDI device of that name: ZAMO_MIDI_OUT=Nothing; "},
  };
  for (const auto& c : cases) {
    if (c.value) setenv("ZAMO_MIDI_OUT", c.value, 1);
    else unsetenv("ZAMO_MIDI_OUT");
    const auto lines = sent(c.args, empty);
    if (c.opened) {
      EXPECT_EQ(lines, (std::vector<std::string>{c.opened, "close"})) << last.err;
    } else {
      EXPECT_TRUE(lines.empty());
      EXPECT_EQ(last.status, 1);
      EXPECT_EQ(last.err, c.err + zamotest::kFixtureOutputs + "\n");
    }
  }
  setenv("ZAMO_MIDI_OUT", std::string(260, 'n').c_str(), 1);
  sent({}, empty);
  EXPECT_EQ(last.err, "teskar: environment variable value is too long: ZAMO_MIDI_OUT\n");
}

TEST_F(TeskarCli, AFaultyStreamPlaysNothing) {
  const struct {
    std::string input;
    const char* err;
  } cases[] = {
      {unhex("00 90 3C 40 01 80 3C 00"), "teskar: <stdin>: input ends before the end record (at byte offset 8)\n"},
      {unhex("00 90 3C 40 00 3C 40 00 00 FF 00 00"), "teskar: <stdin>: unknown status byte 3C (at byte offset 5)\n"},
      {unhex("00 F0 FF FF FF FF 7E"), "teskar: <stdin>: a SysEx record of 4294967295 bytes (at byte offset 2)\n"},
      {unhex("00 F7 05 00 00 00 7E 7F"), "teskar: <stdin>: input ends inside a SysEx record of 5 bytes (at byte offset 8)\n"},
      {unhex("00 90 3C"), "teskar: <stdin>: input ends inside a channel message (at byte offset 3)\n"},
      {"", "teskar: <stdin>: no input\n"},
      {unhex("00 90 3C 40 00 F1 70 17 00 FF 00 00"), "teskar: <stdin>: this looks like an OSTRA sequence (it has "
       "tempo records): render it with fendix, or compile with zembra -P\n"},
      {"MThd" + unhex("00 00 00 06 00 00 00 01 01 E0"), "teskar: <stdin>: this is a Standard MIDI File, not a DORNA "
       "stream: convert it with zutane and render it with fendix first (zutane | fendix | teskar)\n"},
      {unhex("F0 7E 7F 09 01 F7"), "teskar: <stdin>: this is a SysEx file, not a DORNA stream: send it to a MIDI "
       "output with droska (droska), or wrap it into a Standard MIDI File with gorbel\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sent({}, c.input), (std::vector<std::string>{"open Synth A:Port 1", "close"})) << hex(c.input);
    EXPECT_EQ(last.status, 1);
    EXPECT_EQ(last.err, c.err);
  }
  // A stream before the faulty one has been played; nothing after it is.
  const std::string good = dir.write("good.dorna", unhex("00 90 3C 40 00 FF 00 00"));
  const std::string bad = dir.write("bad.dorna", unhex("00 90 3C"));
  EXPECT_EQ(sent({good, bad, good}), (std::vector<std::string>{"open Synth A:Port 1", "0 90 3C 40", "0 80 3C 00", "close"}));
  EXPECT_EQ(last.status, 1);
}

TEST_F(TeskarCli, FailuresOfTheOutputAndTheClock) {
  sent({"-T1000001"}, unhex("00 90 3C 40 00 FF 00 00"));
  EXPECT_EQ(last.status, 1);
  EXPECT_NE(last.err.find("teskar: the timer refuses the period: 1000001 ms"), std::string::npos) << last.err;
  setenv("ZAMO_FAKE_MIDI_OUTPUTS", "", 1);
  sent({}, unhex("00 FF 00 00"));
  EXPECT_EQ(last.status, 1);
  EXPECT_NE(last.err.find("teskar: no MIDI device: the fake system has no MIDI output port"), std::string::npos)
      << last.err;
}

// On a terminal one line shows the time played and the stream's length, each
// second, and is cleared at the end; a pipe or a dumb terminal gets nothing.
// The records keep their times either way.
TEST_F(TeskarCli, ProgressOnATerminalOnly) {
  const std::string p = dir.write("p.dorna", unhex("00 90 3C 40 FF F8 00 00 FF F8 00 00 2D 80 3C 00 00 FF 00 00"));
  // The port named, so that no default-port notice shares the terminal.
  const std::string play = zamotest::toolPath("teskar") + " '-ESynth A:Port 1' -T5 " + p;  // 2775 ms
  const struct {
    std::vector<std::string> run;
    std::string shown;
  } cases[] = {
      {{"/usr/bin/script", "-qec", "TERM=xterm " + play, "/dev/null"},
       "\x1b[K0:00 / 0:02\r\x1b[K0:01 / 0:02\r\x1b[K0:02 / 0:02\r\x1b[K"},
      {{"/usr/bin/script", "-qec", "TERM=dumb " + play, "/dev/null"}, ""},
      {{"/bin/sh", "-c", play + " 2>&1"}, ""},
  };
  for (const auto& c : cases) {
    std::remove(dir.file("midi.log").c_str());
    const auto run = zamotest::runProgram(c.run[0], {c.run.begin() + 1, c.run.end()});
    EXPECT_EQ(run.out, c.shown) << c.run[2];
    EXPECT_EQ(log(), (std::vector<std::string>{"open Synth A:Port 1", "0 90 3C 40", "2775 80 3C 00", "close"}));
  }
}

// Ctrl-C or SIGTERM while teskar waits for its next input: the close routine
// silences all 16 channels and the status tells which signal ended the run.
TEST_F(TeskarCli, BreakSilencesEveryChannel) {
  const std::string a = dir.write("a.dorna", unhex("00 90 3C 40 00 FF 00 00"));
  const struct {
    int signal;
    int status;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const auto& c : cases) {
    std::remove(dir.file("midi.log").c_str());
    const int status = zamotest::runUntilSignalled(zamotest::toolPath("teskar"), {a, "-"}, c.signal,
                                                   [&] { return log().size() >= 2; });
    EXPECT_EQ(status, c.status);
    std::vector<std::string> expected{"open Synth A:Port 1", "0 90 3C 40"};
    for (const std::string& line : zamotest::breakSilence("0 ")) expected.push_back(line);
    expected.push_back("close");
    EXPECT_EQ(log(), expected);
  }
}

}  // namespace
