// droska against a real JACK server: large SysEx arrives whole, pieces keep
// their pauses, and Ctrl-C leaves no note sounding.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "break_silence.h"
#include "jack_fixture.h"
#include "run_tool.h"

namespace {

using zamotest::TempDir;

class DroskaJack : public zamotest::JackFixture {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_API");  // this machine has no /dev/snd/seq: JACK is found on its own
    unsetenv("ZAMO_MIDI_OUT");
    JackFixture::SetUp();
  }

  TempDir dir;
};

std::string sysex(std::size_t size, int seed) {
  std::string m(size, '\0');
  for (std::size_t i = 1; i + 1 < size; ++i) m[i] = static_cast<char>((i * 13 + static_cast<std::size_t>(seed)) & 0x7F);
  m.front() = static_cast<char>(0xF0);
  m.back() = static_cast<char>(0xF7);
  return m;
}

TEST_F(DroskaJack, LargeSysExArrivesWhole) {
  const std::string big = sysex(1 << 20, 1);
  std::string many;
  for (int i = 0; i < 64; ++i) many += sysex(16 << 10, i);
  const std::vector<std::string> args{"-E" + recorder->portName(), dir.write("big.syx", big),
                                      dir.write("many.syx", many)};
  zamotest::ToolRun run;
  double ms = 0;
  withoutLateCycles([&] {
    const auto before = std::chrono::steady_clock::now();
    run = zamotest::runTool("droska", args);
    ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    awaitBytes(big.size() + many.size());
  });
  EXPECT_EQ(run.status, 0) << run.err;
  std::cout << "[ measure ] droska, 1 MiB and 64 x 16 KiB through JACK: " << ms << " ms for "
            << big.size() + many.size() << " bytes (DIN MIDI would take "
            << static_cast<double>(big.size() + many.size()) / 3125.0 << " s)\n";
  const std::string got = received();
  EXPECT_EQ(got.size(), big.size() + many.size());
  EXPECT_TRUE(got == big + many);
  EXPECT_EQ(recorder->lostEvents(), 0u) << "JACK counted refused reservations as lost";
}

TEST_F(DroskaJack, EachRunDeliversItsMessagesOnce) {
  std::vector<std::string> expected;
  withoutLateCycles([&] {
    expected.clear();
    for (int run = 0; run < 24; ++run) {
      const std::string message = zamotest::unhex("F0 7D") + std::string(1, static_cast<char>(run)) + "\xF7";
      expected.push_back(zamotest::hex(message));
      EXPECT_EQ(zamotest::runTool("droska", {"-E" + recorder->portName()}, message).status, 0);
    }
    awaitEvents(expected.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  });
  std::vector<std::string> got;
  for (const auto& e : recorder->events()) got.push_back(zamotest::hex(e.bytes));
  EXPECT_EQ(got, expected);  // closing never hands the last event on twice
}

TEST_F(DroskaJack, PiecesKeepTheirPauses) {
  const std::vector<std::string> args{"-E" + recorder->portName(), "-D1024,10", dir.write("m.syx", sysex(4000, 3))};
  zamotest::ToolRun run;
  withoutLateCycles([&] {
    run = zamotest::runTool("droska", args);
    awaitBytes(4000);
  });
  EXPECT_EQ(run.status, 0) << run.err;
  const auto events = recorder->events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].bytes.size(), 1024u);
  EXPECT_EQ(events[3].bytes.size(), 928u);
  for (std::size_t i = 1; i < events.size(); ++i) {
    const double gapMs = (events[i].usec - events[i - 1].usec) / 1000.0;
    std::cout << "[ measure ] gap before piece " << i << ": " << gapMs << " ms\n";
    EXPECT_GE(gapMs, 10.0);  // the pause counts from the end of each transfer
  }
}

TEST_F(DroskaJack, CtrlCLeavesNoNoteSounding) {
  const std::string input = zamotest::unhex("90 3C 40 B3 40 7F") + sysex(6400, 5);
  const std::string file = dir.write("slow.syx", input);
  const std::string port = "-E" + recorder->portName();
  const std::string path = zamotest::toolPath("droska");
  const pid_t pid = fork();
  if (pid == 0) {
    execl(path.c_str(), path.c_str(), "-X", "-D64,100", port.c_str(), file.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto events = recorder->events();
  ASSERT_GE(events.size(), 34u);
  EXPECT_EQ(zamotest::hex(events[0].bytes), "90 3C 40");
  EXPECT_EQ(zamotest::hex(events[1].bytes), "B3 40 7F");
  EXPECT_LT(events.size(), 2u + 100u + 32u);  // the send was cut short
  std::vector<std::string> tail;
  for (std::size_t i = events.size() - 32; i < events.size(); ++i) tail.push_back(zamotest::hex(events[i].bytes));
  EXPECT_EQ(tail, zamotest::breakSilence());
  EXPECT_EQ(zamotest::hex(events[events.size() - 33].bytes), "F7") << "the message broken off is ended first";
}

}  // namespace
