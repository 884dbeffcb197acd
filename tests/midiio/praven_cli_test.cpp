// praven as a program on the fake MIDI system: its names, answers, options
// and failures, with replies arriving on virtual time.
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

class PravenCli : public ::testing::Test {
 protected:
  void SetUp() override {
    zamotest::useFakeMidi("Synth:In", "Synth:Out", dir.file("midi.log").string());
  }
  // Runs praven with the script and options; replies arrive as "<ms> <hex>" lines.
  std::string run(const std::string& script, std::vector<std::string> args, const std::string& arrivals = "") {
    std::remove(dir.file("midi.log").c_str());
    setenv("ZAMO_FAKE_MIDI_ARRIVALS", arrivals.c_str(), 1);
    args.insert(args.begin(), script);
    last = runTool("praven", args);
    return last.out;
  }
  // The messages sent, without the port's opening and closing.
  std::vector<std::string> sent() const {
    std::vector<std::string> lines;
    for (std::string& line : zamotest::fakeLogLines(dir.file("midi.log"))) {
      if (!line.starts_with("open") && line != "close") lines.push_back(std::move(line));
    }
    return lines;
  }

  TempDir dir;
  zamotest::ToolRun last;
};

const std::vector<std::string> kBoth{"-ESynth:In", "-ISynth:Out"};

TEST_F(PravenCli, AnswersOfTheNames) {
  const std::string two = "10 F0 01 F7\n20 F0 02 F7";
  const struct {
    std::string script;
    std::vector<std::string> args;
    std::string arrivals;
    std::string out;  // as text, or hex when it starts with "#"
  } cases[] = {
      // Without I the receiving variables give 0 at once, ovf 0; without E nothing is sent.
      {"str(syx) str(msyx) str(nsyx) str(ovf)", {}, two, "0000"},
      {"str(syx(x\"F0 F7\")) str(msg(x\"90 3C 40\"))", {"-ISynth:Out"}, two, "00"},
      {"syx", kBoth, two, "#F0 01 F7"},
      {"syx syx", kBoth, two, "#F0 01 F7 F0 02 F7"},
      {"msyx", kBoth, two, "#F0 01 F7 F0 02 F7"},
      {"(syxcount(2); nsyx)", kBoth, two, "#F0 01 F7 F0 02 F7"},
      {"(syxcount(3); str(nsyx))", kBoth, two, "0"},
      {"(syxcount(3); nsyx)", {"-ESynth:In", "-ISynth:Out", "-Z"}, two, ""},
      {"(syxcount(0); nsyx)", kBoth, "", ""},
      {"str(syx)", kBoth, "", "0"},
      {"syx", {"-ISynth:Out", "-Z"}, "", ""},
      {"str(len(msyx))", {"-ISynth:Out", "-T1"}, "", "0"},
      // clear drops what came and was not read.
      {"(timeout(100); str(len(syx))) (clear; str(syx))", {"-ISynth:Out"}, "0 F0 01 F7\n0 F0 02 F7", "30"},
      // Each reply is an owned copy.
      {"a = syx; b = syx; a + b + a", kBoth, two, "#F0 01 F7 F0 02 F7 F0 01 F7 F0 02 F7 F0 01 F7"},
      {"str(argc) $0 $1 $2 \"<\" + $3 + $-3 + \">\"", {"x.syx", "y.syx"}, "", "22x.syxy.syx<>"},
      {"str(devno) $-1 str(timeout) $-2", {"-D42", "-T3"}, "", "42423000" "3000"},
      {"str(timeout(250)) str(timeout) $-2 str(syxcount(7))", {}, "", "2502502507"},
      {"(out(x\"41 42\"); str(out(5)))", {}, "", "AB0"},
      {"(Out(\"a\"); OUT(\"b\"); str(CLEAR)) str(Argc)", {}, "", "ab10"},
      {"(x = 3; str(x + 1))", {}, "", "4"},
      {"(x = 3; \"\") str(x)", {}, "", "3"},  // locals live from one expression to the next
      {"1 + 2; out(\"seen\")", {"-X"}, "", "seen"},
  };
  for (const auto& c : cases) {
    const std::string out = run(c.script, c.args, c.arrivals);
    if (c.out.starts_with("#")) {
      EXPECT_EQ(hex(out), c.out.substr(1)) << c.script;
    } else {
      EXPECT_EQ(out, c.out) << c.script;
    }
    EXPECT_EQ(last.status, 0) << c.script << ": " << last.err;
  }
}

TEST_F(PravenCli, CutRepliesAreNeverGivenAsWhole) {
  const std::vector<std::string> in{"-ISynth:Out", "-T1"};
  const std::string began = "a new message (F0) began before its F7; ";
  const struct { std::string script; std::vector<std::string> args; std::string arrivals, hexOut, err; } cases[] = {
      {"syx str(syx)", in, "0 F0 01 F7\n10 F0 02", "F0 01 F7 30", "message 2 cut after 2 bytes: nothing came for 1 s; syx gives 0"},
      {"(timeout(250); msyx)", in, "0 F0 01 F7\n10 F0 02", "F0 01 F7", "message 2 cut after 2 bytes: nothing came for 250 ms; msyx leaves it out"},
      {"str(len(syx)) syx", {"-ISynth:Out", "-Z"}, "0 F0 01 02\n10 F0 03 F7", "30 F0 03 F7", "message 1 cut after 3 bytes: " + began + "syx gives an empty string"},
      {"(syxcount(2); str(nsyx)) syx", in, "0 F0 01 F7\n5 F0 02\n10 F0 03 F7", "30 F0 03 F7", "message 2 cut after 2 bytes: " + began + "nsyx gives 0"},
      {"msyx", in, "0 F0 01\n5 F0 02 F7", "F0 02 F7", "message 1 cut after 2 bytes: " + began + "msyx leaves it out"},
      {"syx", in, "0 F0 01\n5 gone", "", "message 1 cut after 2 bytes: the MIDI input went away\npraven: port no longer exists: the script, byte offset 0: port no longer exists"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(hex(run(c.script, c.args, c.arrivals)), c.hexOut) << c.script;
    EXPECT_EQ(last.err, "praven: " + c.err + "\n") << c.script;
    EXPECT_EQ(last.status, 1) << c.script;
  }
}

TEST_F(PravenCli, WhatGoesOut) {
  const struct {
    std::string script;
    std::vector<std::string> sent;
  } cases[] = {
      {"(syx(x\"F0 41 10 42 11 F7\"); \"\")", {"0 F0 41 10 42 11 F7"}},
      {"(msg(x\"90 3C 40 55\"); msg(x\"C0\"); \"\")", {"0 90 3C 40", "0 C0 00", "0 80 3C 00"}},  // the note is silenced at close
      {"str(syx(5))", {}},
      {"(syx(x\"F0 01 F7\") + 1; \"\")", {"0 F0 01 F7"}},
  };
  for (const auto& c : cases) {
    run(c.script, kBoth);
    EXPECT_EQ(sent(), c.sent) << c.script;
  }
}

TEST_F(PravenCli, TimeOutsOnTheClock) {
  // With T0 a receive looks, waits one 50 ms round and looks again.
  const struct {
    std::vector<std::string> args;
    std::string arrivals;
    std::string out;
  } cases[] = {
      {{"-ISynth:Out", "-T0"}, "40 F0 01 F7", "4"},
      {{"-ISynth:Out", "-T0"}, "60 F0 01 F7", "1"},
      {{"-ISynth:Out", "-T"}, "9990 F0 01 F7", "4"},
      {{"-ISynth:Out"}, "10100 F0 01 F7", "1"},
      {{"-ISynth:Out", "-T 2 "}, "1990 F0 01 F7", "4"},
      {{"-ISynth:Out", "-T 2 "}, "2100 F0 01 F7", "1"},
  };
  for (auto c : cases) {
    c.args.push_back("-Z");
    EXPECT_EQ(run("str(len(syx) + 1)", c.args, c.arrivals), c.out) << c.arrivals;
    EXPECT_EQ(last.status, 0) << last.err;
  }
}

TEST_F(PravenCli, FailuresEndTheRunKeepingWhatWasWritten) {
  const struct {
    std::string script;
    std::vector<std::string> args;
    int status;
    std::string out;
    const char* err;
  } cases[] = {
      {"\"a\" 1+2 \"b\"", {}, 1, "a", "type mismatch: the script, byte offset 4"},
      {"\"a\" timeout = 5000", {}, 1, "a", "name cannot be assigned"},
      {"syx(1, 2)", {}, 1, "", "wrong arguments"},
      {"timeout(\"x\")", {}, 1, "", "type mismatch"},
      {"\"a\" timeout(-1)", {}, 1, "a", "timeout() takes 0 to 120000 ms, not -1"},
      {"str(timeout(120000)) timeout(120001)", {}, 1, "120000", "timeout() takes 0 to 120000 ms, not 120001"},
      {"", {}, 1, "", "praven: the script is missing or empty"},
      {"\"a\"", {"-T121"}, 2, "", "-T wants"},
      {"\"a\"", {"-X1"}, 2, "", "-X"},
      {"\"a\"", {"-Dx"}, 2, "", "-D"},
      {"\"a\"", {"-E"}, 2, "", "-E"},  // ZAMO_MIDI_OUT not set: the empty name
      {"\"a\"", {"-INothing"}, 2, "", "-I"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.script, c.args), c.out) << c.script;
    EXPECT_EQ(last.status, c.status) << c.script << ": " << last.err;
    EXPECT_NE(last.err.find(c.err), std::string::npos) << c.script << ": " << last.err;
  }
  EXPECT_EQ(runTool("praven", {}).status, 1);
  setenv("ZAMO_MIDI_OUT", "synth:in", 1);
  EXPECT_EQ(run("(syx(x\"F0 F7\"); \"\")", {"-E"}), "");
  EXPECT_EQ(sent(), std::vector<std::string>{"0 F0 F7"});
  setenv("ZAMO_MIDI_OUT", std::string(260, 'x').c_str(), 1);
  run("\"\"", {"-E"});
  EXPECT_EQ(last.status, 2);
}

}  // namespace
