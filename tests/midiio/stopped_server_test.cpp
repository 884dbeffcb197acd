// Against a stopped JACK server every real-time tool ends soon after Ctrl-C or
// its own end; a server that quits ends a player's wait at once.
#include <gtest/gtest.h>

#include <thread>

#include "receive_jack_support.h"

namespace {

using StoppedServer = zamotest::InstrumentJackFixture;

TEST_F(StoppedServer, EveryToolEndsSoonAfterCtrlCOrItsOwnEnd) {
  instrument->start();
  zamotest::TempDir dir;
  const std::string piece = dir.write("slow.dorna", zamotest::unhex("00 90 3C 40 FF F8 00 00 FF F8 00 00 00 FF 00 00"));
  const std::string big = dir.write("big.syx", zamotest::numberedSysex(16 << 20, 1));
  const std::string out = "-E" + instrument->inPort(), in = "-I" + instrument->outPort();
  const struct {
    std::vector<std::string> run;
    int serverSignal;
    bool ctrlC;    // else the tool ends by itself
    int status;
    double ownMs;  // how long the tool itself waits before it ends
  } cases[] = {
      {{"droska", out, big}, SIGSTOP, true, 130, 0},
      {{"droska", out, big}, SIGSTOP, false, 1, 10000},  // no progress for 10 s
      {{"teskar", out, "-T10", piece}, SIGSTOP, true, 130, 0},
      {{"holmir", in, "-T60"}, SIGSTOP, true, 130, 0},
      {{"holmir", in, "-T1"}, SIGSTOP, false, 0, 1000},
      {{"praven", "syx", in, "-T60"}, SIGSTOP, true, 130, 0},
      {{"teskar", out, "-T10", piece}, SIGTERM, false, 1, 0},  // last: the server is gone
  };
  for (const auto& c : cases) {
    zamotest::PipedTool tool(c.run[0], {c.run.begin() + 1, c.run.end()});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    server->signal(c.serverSignal);
    if (c.serverSignal == SIGSTOP) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto from = std::chrono::steady_clock::now();
    if (c.ctrlC) tool.signal(SIGINT);
    std::string written;
    EXPECT_EQ(tool.finish(written), c.status) << c.run[0];
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
    server->signal(SIGCONT);
    EXPECT_LT(ms, c.ownMs + 2500) << c.run[0] << " must not wait for the server";
  }
}

}  // namespace
