// teskar against a real JACK server: the bytes, order and timing of a piece
// with pauses as the recorder receives them, and the silence after Ctrl-C
// or SIGTERM. Runs alone: a busy machine delays the player's wakes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "break_silence.h"
#include "jack_fixture.h"
#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::JackServer;
using zamotest::TempDir;
using zamotest::unhex;

constexpr double kPeriodMs = 1e3 * JackServer::kPeriodFrames / JackServer::kRate;

class TeskarJack : public zamotest::JackFixture {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_API");  // no /dev/snd/seq here: JACK is found on its own
    unsetenv("ZAMO_MIDI_OUT");
    JackFixture::SetUp();
  }

  TempDir dir;
};

TEST_F(TeskarJack, APieceWithPausesArrivesOnSchedule) {
  // T5 with X and S10: the SysEx record's pause ends well before the next record is due.
  const struct {
    const char* record;
    const char* message;
    double ms;  // scheduled time from the stream's start
  } piece[] = {
      {"00 90 3C 40", "90 3C 40", 0},  {"02 80 3C 00", "80 3C 00", 10},
      {"03 90 3E 40", "90 3E 40", 25}, {"00 F0 05 00 00 00 7E 7F 09 01 F7", "F0 7E 7F 09 01 F7", 25},
      {"08 80 3E 00", "80 3E 00", 65}, {"01 C2 05 00", "C2 05", 70},
      {"06 90 40 40", "90 40 40", 100}, {"01 80 40 00", "80 40 00", 105},
  };
  std::string stream;
  for (const auto& r : piece) stream += unhex(r.record);
  stream += unhex("00 FF 00 00");
  const std::string file = dir.write("piece.dorna", stream);
  const std::vector<std::string> args{"-E" + recorder->portName(), "-T5", "-X", "-S10", file, ";100", file};
  constexpr std::size_t kPerStream = std::size(piece);

  zamotest::ToolRun run;
  withoutLateCycles([&] {
    run = zamotest::runTool("teskar", args);
    awaitEvents(2 * kPerStream);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  });
  EXPECT_EQ(run.status, 0) << run.err;
  const auto events = recorder->events();
  ASSERT_EQ(events.size(), 2 * kPerStream);
  for (std::size_t stream = 0; stream < 2; ++stream) {
    const double startUs = events[stream * kPerStream].usec;
    for (std::size_t i = 0; i < kPerStream; ++i) {
      const auto& e = events[stream * kPerStream + i];
      EXPECT_EQ(hex(e.bytes), piece[i].message) << "stream " << stream << ", record " << i;
      const double offMs = (e.usec - startUs) / 1000.0 - piece[i].ms;
      std::cout << "[ measure ] stream " << stream << " record " << i << ": " << offMs << " ms off schedule\n";
      EXPECT_LE(std::abs(offMs), kPeriodMs + 1.0) << "stream " << stream << ", record " << i;
    }
  }
  // The pause and the second stream's own clock: it starts at least 100 ms after the first ended.
  const double gapMs = (events[kPerStream].usec - events[kPerStream - 1].usec) / 1000.0;
  std::cout << "[ measure ] from the first stream's last message to the second's first: " << gapMs << " ms\n";
  EXPECT_GE(gapMs, 100.0 - 0.05);
}

TEST_F(TeskarJack, DensePlaybackArrivesWholeWithNothingLost) {
  // 10,000 note messages (velocity 0: nothing is left to silence), 20 on each 1 ms step.
  std::string stream, expected;
  for (int i = 0; i < 10000; ++i) {
    const char note[] = {static_cast<char>(i % 20 == 0), static_cast<char>(0x90 | (i % 16)), static_cast<char>(i % 128), 0};
    stream.append(note, 4);
    expected.append(note + 1, 3);
  }
  const std::string file = dir.write("dense.dorna", stream + unhex("00 FF 00 00"));
  withoutLateCycles([&] {
    EXPECT_EQ(zamotest::runTool("teskar", {"-E" + recorder->portName(), "-T1", file}).status, 0);
    awaitBytes(expected.size());
  });
  EXPECT_TRUE(received() == expected);
  EXPECT_EQ(recorder->lostEvents(), 0u);
}

TEST_F(TeskarJack, BreakDuringPlaybackSilencesAllChannels) {
  // A note and sustain on, then a long wait (fillers of 255 steps of 10 ms).
  std::string stream = unhex("00 90 3C 40 00 B3 40 7F");
  for (int i = 0; i < 20; ++i) stream += unhex("FF F8 00 00");
  stream += unhex("00 80 3C 00 00 FF 00 00");
  const std::string file = dir.write("long.dorna", stream);
  const std::string port = "-E" + recorder->portName();
  const std::string path = zamotest::toolPath("teskar");
  const struct {
    int signal;
    int status;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const auto& c : cases) {
    recorder->clear();
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      execl(path.c_str(), path.c_str(), "-T10", port.c_str(), file.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    awaitEvents(2);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, c.signal);
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
    EXPECT_LT(ms, 20 * 2550.0);  // cut short, not played to its end
    awaitEvents(34);
    std::vector<std::string> got;
    for (const auto& e : recorder->events()) got.push_back(hex(e.bytes));
    std::vector<std::string> expected{"90 3C 40", "B3 40 7F"};
    for (const std::string& line : zamotest::breakSilence()) expected.push_back(line);
    EXPECT_EQ(got, expected) << "signal " << c.signal;
  }
}

}  // namespace
