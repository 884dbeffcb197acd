// zamodump -I as a program on the fake MIDI system, input arriving on
// virtual time: each kind of line, and each way the reading ends.
#include <gtest/gtest.h>

#include "fake_log.h"
#include "run_tool.h"

namespace {

const std::string kHeading = "# synth:out: MIDI input (fake); time in ms since the start\n";

zamotest::ToolRun dump(const std::vector<std::string>& args, const std::string& arrivals) {
  zamotest::useFakeMidi("", "synth:out", "");
  setenv("ZAMO_FAKE_MIDI_ARRIVALS", arrivals.c_str(), 1);
  return zamotest::runTool("zamodump", args);
}

TEST(ZamodumpLive, ShowsEachMessageAndEndsAsTheInputDoes) {
  const std::string roland = "F0 41 10 42 12 40 00 7F 00 41 F7", left = "# end: the MIDI input went away\n";
  const std::string cut7D = "5 - SysEx Non-Commercial (7D), 3 bytes: F0 7D 01; no F7 at the end; cut: ";
  const struct {
    std::vector<std::string> args;
    std::string arrivals, out;
    bool cut;
  } cases[] = {
      {{"-Isynth:out"}, "5 90 3C 40 3E 50\n8 F8\n9 FE\n10 F2 10 01\n20 " + roland + "\n30 F0 43 10 F8 4C 00\n31 7E F7\n40 gone",
       "5 1 Note On C4 64\n5 1 Note On D4 80\n8 - Timing Clock\n9 - Active Sensing\n10 - Song Position 144\n"
       "20 - SysEx Roland (41), 11 bytes: " + roland + "; DT1 device 10 model 42 address 40 00 7F, 1 data byte, "
       "checksum 41 ok\n30 - Timing Clock\n30 - SysEx Yamaha (43), 7 bytes: F0 43 10 4C 00 7E F7\n" + left, false},
      // Short messages keep it going; nothing for 2 s ends it.
      {{"-I", "-W2", "-S"}, "5 C0 05\n1000 F8\n2004 FE\n2004 B1 07 64\n4100 F0 7D 01 F7",
       "5 1 Program Change 5\n2004 2 Control Change 7 = 100\n# end: nothing came for 2 s\n", false},
      {{"-I"}, "5 F0 41 10\n6 F0 7D 01 F7\n9 gone",
       "5 - SysEx Roland (41), 3 bytes: F0 41 10; no F7 at the end; cut: a new message (F0) began before its F7\n"
       "6 - SysEx Non-Commercial (7D), 4 bytes: F0 7D 01 F7\n" + left, true},
      {{"-I", "-W1"}, "5 F0 7D 01", cut7D + "nothing came for 1 s\n# end: nothing came for 1 s\n", true},
      {{"-I"}, "5 F0 7D 01\n7 gone", cut7D + "the MIDI input went away\n" + left, true},
  };
  for (const auto& c : cases) {
    const zamotest::ToolRun run = dump(c.args, c.arrivals);
    std::string out = run.out.substr(0, kHeading.size());  // blanks squeezed after the heading
    for (char b : run.out.substr(out.size())) {
      if (b != ' ' || (!out.empty() && out.back() != ' ' && out.back() != '\n')) out += b;
    }
    EXPECT_EQ(out, kHeading + c.out) << c.arrivals;
    EXPECT_EQ(run.status, c.cut ? 1 : 0) << c.arrivals;
    EXPECT_EQ(run.err, c.cut ? "zamodump: 1 message cut (the lines with \"cut:\")\n" : "") << c.arrivals;
  }
}

// 4096 messages fill the queue: what comes at once after them is lost, the
// SysEx message it falls inside is cut, never joined to the next.
TEST(ZamodumpLive, AHoleIsALineAndCutsTheMessageItFallsIn) {
  std::string flood = "5 F0 7D 01 02\n";
  for (int i = 0; i < 4095; ++i) flood += "5 F8\n";  // real time: inside the message
  const zamotest::ToolRun run = dump({"-I", "-W1"}, flood + "5 03 F7\n5 80 3C 00\n6 F0 7D 05 F7\n");
  const std::string tail = run.out.substr(run.out.rfind("Timing Clock"));
  EXPECT_EQ(tail,
            "Timing Clock\n         5   -  SysEx Non-Commercial (7D), 4 bytes: F0 7D 01 02; no F7 at the end; cut: data "
            "was lost inside it (the MIDI input overflowed)\n"
            "         6   -  Hole: 1 message and 2 SysEx bytes lost (the MIDI input overflowed)\n"
            "         6   -  SysEx Non-Commercial (7D), 4 bytes: F0 7D 05 F7\n# end: nothing came for 1 s\n");
  EXPECT_EQ(run.status, 1);
}

}  // namespace
