// zamodump -I against a real JACK server: a SysEx message of 1 MiB, sent by
// droska in JACK's pieces, is one line with its length.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <tuple>

#include "receive_jack_support.h"

namespace {

using ZamodumpJack = zamotest::InstrumentJackFixture;

TEST_F(ZamodumpJack, AMebibyteSysExIsOneLine) {
  instrument->start();
  zamotest::TempDir dir;
  const std::string file = dir.write("big.syx", zamotest::numberedSysex(1 << 20, 1));
  const auto run = zamotest::unspoiledRun(*server, [&] {
    zamotest::PipedTool dump("zamodump", {"-I" + instrument->outPort(), "-W2"});
    zamotest::ToolRun sent;
    // Until zamodump's port is there.
    for (int i = 0; i < 200 && sent.status != 0; ++i) {
      sent = zamotest::runTool("droska", {"-Ezamodump:in", file});
      if (sent.status != 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::string out;
    const int status = dump.finish(out);
    return std::tuple(sent, status, out);
  });
  ASSERT_TRUE(run) << "every run saw late cycles:\n" << server->log();
  const auto& [sent, status, out] = *run;
  EXPECT_EQ(sent.status, 0) << sent.err;
  EXPECT_EQ(status, 0) << "no hole and no cut";
  EXPECT_NE(out.find("   -  SysEx Non-Commercial (7D), 1048576 bytes: F0 7D 00 01 "), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << "the heading, the message, the end:\n" << out;
}

}  // namespace
