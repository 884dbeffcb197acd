// navlin as a program, on the in-process fake MIDI system: every option and
// rule, and its one failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fake_log.h"
#include "run_tool.h"

namespace {

using zamotest::runTool;

class NavlinCli : public ::testing::Test {
 protected:
  void SetUp() override {
    zamotest::useFakeMidi("Midi Through:Midi Through Port-0\nSynth A:Port 1\n\xC3\x84rger:Out", "Keys:In\nPads:In", "");
  }
};

TEST_F(NavlinCli, OptionsChooseTheListAndItsForm) {
  const std::string outputs = "Midi Through:Midi Through Port-0\nSynth A:Port 1\n\xC3\x84rger:Out\n";
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{}, outputs},
      {{"-E"}, outputs},
      {{"-I"}, "Keys:In\nPads:In\n"},
      {{"-I", "-S"}, "-IKeys:In\n-IPads:In\n"},
      {{"-s", "-e"}, "-EMidi Through:Midi Through Port-0\n-ESynth A:Port 1\n-E\xC3\x84rger:Out\n"},
      {{"-I", "-E"}, outputs},  // the later of E and I wins
      {{"-E", "-I"}, "Keys:In\nPads:In\n"},
      {{"ignored-file-argument"}, outputs},
  };
  for (const auto& c : cases) {
    const auto run = runTool("navlin", c.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out) << (c.args.empty() ? "" : c.args[0]);
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(NavlinCli, FlagsTakeNoTextAndOWritesAFile) {
  for (const char* bad : {"-ES", "-Ex", "-I1", "-Sx", "-O", "-Q"}) {
    const auto run = runTool("navlin", {bad});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
    EXPECT_NE(run.err.find(bad), std::string::npos) << run.err;
  }
  zamotest::TempDir dir;
  const auto run = runTool("navlin", {"-I", "-O" + dir.file("ports.txt").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(dir.read("ports.txt"), "Keys:In\nPads:In\n");
}

TEST_F(NavlinCli, EmptyListsAndNoMidiSystem) {
  unsetenv("ZAMO_FAKE_MIDI_OUTPUTS");
  auto run = runTool("navlin", {"-S"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "navlin: no MIDI outputs\n");  // standard output stays empty for scripts
  unsetenv("ZAMO_FAKE_MIDI_INPUTS");
  EXPECT_EQ(runTool("navlin", {"-I"}).err, "navlin: no MIDI inputs\n");

  unsetenv("ZAMO_MIDI_API");
  setenv("JACK_DEFAULT_SERVER", "zamo-no-such-server", 1);  // and this machine has no /dev/snd/seq
  run = runTool("navlin", {});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("navlin: no MIDI system: no ALSA sequencer and no JACK server: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("start a JACK server"), std::string::npos) << run.err;

  for (const char* api : {"jack", "alsa", "winmm"}) {
    setenv("ZAMO_MIDI_API", api, 1);
    run = runTool("navlin", {});
    EXPECT_EQ(run.status, 1) << api;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
  }
}

}  // namespace
