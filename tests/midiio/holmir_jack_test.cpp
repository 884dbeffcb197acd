// holmir against a real JACK server and an instrument client: requested
// dumps arrive whole whether JACK carries them as one event or in fragments;
// a flood into a stalled output loses nothing silently; a message cut by a
// stopped server is named; a break or a leaving source ends the wait at once.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <thread>
#include <tuple>

#include "receive_jack_support.h"

namespace {

using zamotest::hex;
using zamotest::numberedSysex;
using zamotest::unhex;

class HolmirJack : public zamotest::InstrumentJackFixture {
 protected:
  std::vector<std::string> ports() const { return {"-E" + instrument->inPort(), "-I" + instrument->outPort()}; }
  // holmir sends its request once it records: a busy machine may take a while to get there.
  void awaitRequest(std::size_t seenBefore, const zamotest::JackInstrument* asked = nullptr) const {
    if (!asked) asked = instrument.get();
    for (int i = 0; i < 6000 && asked->requestsSeen() == seenBefore; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GT(asked->requestsSeen(), seenBefore) << "holmir never sent its request";
  }
};

TEST_F(HolmirJack, RecordsRequestedDumps) {
  const std::string m300 = numberedSysex(300, 3), m700 = numberedSysex(700, 7);
  const struct {
    const char* request;  // KEL
    std::string requestBytes;
    std::vector<std::string> events;
    std::string expected;
  } cases[] = {
      {"x\"F0 7D 01 F7\"", unhex("F0 7D 01 F7"), {m300}, m300},
      {"x\"F0 7D 02 F7\"", unhex("F0 7D 02 F7"), {m700}, m700},
      {"x\"F0 7D 03 F7\"", unhex("F0 7D 03 F7"), {m300.substr(0, 256), m300.substr(256)}, m300},
      {"x\"F0 7D 04 F7\"", unhex("F0 7D 04 F7"), {m700.substr(0, 100), m700.substr(100, 300), m700.substr(400)}, m700},
      {"x\"F0 7D 05 F7\"", unhex("F0 7D 05 F7"), {m300, m700}, m300 + m700},
  };
  for (const auto& c : cases) instrument->answer(c.requestBytes, c.events);
  instrument->start();
  for (const auto& c : cases) {
    std::vector<std::string> args = ports();
    args.push_back(std::string("-R:") + c.request);
    args.push_back(c.events.size() == 2 && c.expected.size() == 1000 ? "-C2" : "-C1");
    args.push_back("-T3");
    const auto run = zamotest::runTool("holmir", args);
    EXPECT_EQ(run.status, 0) << c.request << ": " << run.err;
    EXPECT_EQ(hex(run.out), hex(c.expected)) << c.request;
  }
}

TEST_F(HolmirJack, FloodLosesNothingSilentlyNorJoinsAcrossAHole) {
  // 17 pieces a message: 1024 queued pieces end inside one, so a hole falls inside a message.
  constexpr std::size_t kSize = 4100;
  constexpr int kCount = 256;  // just over 1 MiB
  std::vector<std::string> messages;
  for (int i = 0; i < kCount; ++i) {
    for (std::size_t at = 0; at < kSize; at += 1000) messages.push_back(numberedSysex(kSize, i).substr(at, 1000));
  }
  instrument->start();
  // Requests to another client, so that holmir is downstream of the sender
  // only and has to take the cycles JACK gives it.
  zamotest::JackInstrument asked("asked");
  asked.start();
  const struct {
    const char* what;
    bool stalled;      // holmir's output pipe is read only at the end
    int pauseEvery;    // the sender sleeps 7 ms in every n-th cycle: JACK then skips or repeats cycles
  } cases[] = {{"into a stalled pipe", true, 0}, {"read at once", false, 0}, {"from a sender that pauses", false, 4}};
  for (const auto& c : cases) {
    const std::size_t requests = asked.requestsSeen();
    zamotest::PipedTool holmir("holmir", {"-E" + asked.inPort(), ports()[1], "-R:x\"F0 7D 7F F7\"", "-T3"});
    ASSERT_NO_FATAL_FAILURE(awaitRequest(requests, &asked));
    instrument->pauseInCallback(c.pauseEvery, 7);
    std::string out;
    int status;
    const auto before = std::chrono::steady_clock::now();
    if (c.stalled) {
      instrument->send(messages);
      while (!instrument->idle()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the pipe stays full meanwhile
      status = holmir.finish(out);
    } else {
      std::thread reader([&] { status = holmir.finish(out); });
      instrument->send(messages);
      while (!instrument->idle()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
      reader.join();
      std::cout << "[ measure ] 1 MiB handed to JACK in " << ms << " ms\n";
    }
    instrument->pauseInCallback(0, 0);
    const bool lost = status == 1;
    std::size_t whole = 0, cut = 0;
    const std::string fault = zamotest::judgeReceived(out, kSize, kCount, lost, whole, cut);
    EXPECT_EQ(fault, "") << c.what;
    EXPECT_TRUE(status == 0 || status == 1) << status;
    if (!lost) {
      EXPECT_EQ(whole, static_cast<std::size_t>(kCount)) << "nothing reported lost, so all must be there";
    }
    std::cout << "[ measure ] flood " << c.what << ": " << whole
              << " whole, " << cut << " cut at a hole, overflow " << (lost ? "reported" : "not reported")
              << "\n";
  }
}

TEST_F(HolmirJack, RecordsWhatDroskaSendsWhole) {
  const std::string big = numberedSysex(1 << 20, 1);
  zamotest::TempDir dir;
  const std::string file = dir.write("big.syx", big);
  instrument->start();
  const auto run = zamotest::unspoiledRun(*server, [&] {
    const std::size_t requests = instrument->requestsSeen();
    zamotest::PipedTool holmir("holmir", {ports()[0], ports()[1], "-R:x\"F0 7D 7F F7\"", "-T3"});
    awaitRequest(requests);
    const auto sent = zamotest::runTool("droska", {"-Eholmir:in", file});
    std::string out;
    const int status = holmir.finish(out);
    return std::tuple(sent, status, out);
  });
  ASSERT_TRUE(run) << "every run saw late cycles:\n" << server->log();
  const auto& [sent, status, out] = *run;
  EXPECT_EQ(sent.status, 0) << sent.err;
  EXPECT_EQ(status, 0) << "no loss may be reported";
  EXPECT_EQ(out.size(), big.size());
  EXPECT_TRUE(out == big);
}

TEST_F(HolmirJack, AMessageCutByAStoppedServerIsNamed) {
  const std::string head = numberedSysex(3000, 1).substr(0, 2000);
  instrument->start();
  zamotest::TempDir dir;
  zamotest::PipedTool holmir("holmir", {ports()[0], ports()[1], "-R:x\"F0 7D 7F F7\"", "-T2"}, true, dir.file("err").string());
  ASSERT_NO_FATAL_FAILURE(awaitRequest(0));
  instrument->send({head.substr(0, 1000), head.substr(1000)});
  while (!instrument->idle()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the pieces reach holmir
  server->signal(SIGSTOP);
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));  // past the time-out
  server->signal(SIGCONT);  // holmir's close still needs the server
  std::string out;
  EXPECT_EQ(holmir.finish(out), 1);
  EXPECT_EQ(hex(out), hex(head + "\xF7"));
  EXPECT_EQ(dir.read("err"), "holmir: message 1 cut after 2000 bytes: nothing came for 2 s; written closed by F7\n");
}

TEST_F(HolmirJack, BreakInTheWaitEndsTheRun) {
  instrument->start();
  for (const auto& [sig, expected] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    std::vector<std::string> args = ports();
    zamotest::PipedTool holmir("holmir", {args[1], "-T60"});
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto before = std::chrono::steady_clock::now();
    holmir.signal(sig);
    std::string out;
    EXPECT_EQ(holmir.finish(out), expected);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    EXPECT_LT(ms, 5000.0) << "the close must not hang";
    EXPECT_EQ(out, "");
  }
}

TEST_F(HolmirJack, AnInputThatGoesAwayEndsTheWait) {
  instrument->start();
  const std::string source = instrument->outPort();
  zamotest::PipedTool holmir("holmir", {"-I" + source, "-T60"});
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const auto before = std::chrono::steady_clock::now();
  instrument.reset();  // the instrument's client leaves, and its port with it
  std::string out;
  EXPECT_EQ(holmir.finish(out), 0) << "no message was open: the recording ends as at a time-out";
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
  EXPECT_LT(ms, 5000.0) << "at once, not after the time-out";
}

}  // namespace
