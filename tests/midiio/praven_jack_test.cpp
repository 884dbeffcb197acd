// praven against a real JACK server and an instrument client: a dialogue
// with requests, syx, nsyx, msyx, time-outs, clear and ovf, checked byte for
// byte; a break in a wait ends the run at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "receive_jack_support.h"

namespace {

using zamotest::hex;
using zamotest::numberedSysex;
using zamotest::unhex;

using PravenJack = zamotest::InstrumentJackFixture;

TEST_F(PravenJack, DialogueByteForByte) {
  const std::string identity = unhex("F0 7E 10 06 02 41 19 01 00 00 00 01 00 00 F7");
  const std::string m300 = numberedSysex(300, 1), m700 = numberedSysex(700, 2);
  instrument->answer(unhex("F0 7E 7F 06 01 F7"), {identity});
  // A Roland data request for 40 00 7F, 1 byte: a 300-byte dump in fragments.
  instrument->answer(unhex("F0 41 10 42 11 40 00 7F 00 00 01 40 F7"), {m300.substr(0, 256), m300.substr(256)});
  instrument->answer(unhex("F0 7D 02 F7"), {m300, m700});
  std::vector<std::string> flood(1100, unhex("F0 7D 7F F7"));
  instrument->answer(unhex("F0 7D 03 F7"), flood);
  instrument->start();
  const std::string script =
      "(syx(x\"F0 7E 7F 06 01 F7\"); syx) "
      "(req = b7(0x10007F, 3) + b7(1, 3); syx(x\"F0 41 10 42 11\" + req + bytes(csum7(req), 0xF7)); syx) "
      "(syxcount(2); syx(x\"F0 7D 02 F7\"); nsyx) "
      "(timeout(300); \"[\" + str(len(msyx)) + \"]\") "
      "(syx(x\"F0 7D 09 F7\"); \"[\" + str(syx) + \"]\") "
      "(syx(x\"F0 7D 02 F7\"); a = syx; clear; \"[\" + str(len(a)) + str(syx) + \"]\") "
      "(syx(x\"F0 7D 03 F7\"); x = msyx; \"[\" + str(ovf) + str(len(x) / 4) + \"]\") "
      "(clear; \"[\" + str(ovf) + \"]\") "
      "(syxcount(3); syx(x\"F0 7D 02 F7\"); out(\"[\"); str(nsyx) + \"]\")";
  const auto run = zamotest::runTool(
      "praven", {script, "-E" + instrument->inPort(), "-I" + instrument->outPort(), "-T3"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::string expected = identity + m300 + m300 + m700 + "[0]" + "[0]" + "[3000]" + "[11024]" + "[0]" + "[0]";
  EXPECT_EQ(hex(run.out), hex(expected));
}

TEST_F(PravenJack, BreakInTheWaitEndsTheRun) {
  instrument->start();
  for (const auto& [sig, expected] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    zamotest::PipedTool praven("praven", {"(out(\"before\"); \"\") syx", "-I" + instrument->outPort(), "-T60"});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto before = std::chrono::steady_clock::now();
    praven.signal(sig);
    std::string out;
    EXPECT_EQ(praven.finish(out), expected);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    EXPECT_LT(ms, 5000.0) << "the close must not hang";
    EXPECT_EQ(out, "before") << "what was written before the wait stays";
  }
}

}  // namespace
