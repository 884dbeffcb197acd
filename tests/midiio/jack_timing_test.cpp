// Frame-accurate timing on a real JACK server: a schedule played on the
// layer's clock lands at each message's scheduled time plus one period. Runs
// alone (a busy machine delays the sending thread, not the layer).
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>
#include <vector>

#include "jack_fixture.h"
#include "midiio/midi_layer.h"
#include "midiio/system_clock.h"

namespace {

using zamotest::JackRecorder;
using zamotest::JackServer;
using MidiioJackTiming = zamotest::LayerJackFixture;

constexpr double kPeriodUs = 1e6 * JackServer::kPeriodFrames / JackServer::kRate;

constexpr int kNotes = 60;

// One try; only the one that counts is judged.
struct Lateness {
  bool sent = true;         // every wait and send went through
  std::vector<int> notes;   // the note number of each arrival, in order
  std::vector<double> us;
  int xruns = 0;
  int lateHandovers = 0;  // sends that came more than 1 ms after their tick (a busy machine's scheduler)
  bool spoiled() const { return xruns > 0 || lateHandovers > 0; }
};

// Plays a schedule on a 5 ms clock as a player would and measures, for each
// message, its arrival against its scheduled time.
Lateness playSchedule(JackRecorder& recorder, JackServer& server) {
  const std::uint32_t delays[] = {0, 1, 2, 3, 0, 1, 5, 1, 1, 2};
  const int xrunsBefore = recorder.xruns();
  const std::size_t logBefore = server.log().size();
  Lateness result;
  result.sent = midiio::startClock(5).ok();
  std::uint32_t due = midiio::clockNow();
  std::vector<midiio::Nanos> scheduled;
  int handedLate = 0;
  for (int i = 0; i < kNotes; ++i) {
    due += delays[i % 10] * 5;
    result.sent = midiio::waitForClock(due).ok() && result.sent;
    scheduled.push_back(midiio::systemClock().stamp());
    result.sent = midiio::sendShortMessage(0x400090u | (static_cast<std::uint32_t>(i % 128) << 8)).ok() && result.sent;
    if (midiio::monotonicNow() - scheduled.back() > midiio::kNanosPerMs) ++handedLate;
  }
  midiio::stopClock();
  // Monotonic to JACK time, measured side by side.
  const double offsetUs = static_cast<double>(jack_get_time()) - static_cast<double>(midiio::monotonicNow()) / 1000.0;
  std::size_t got = 0;
  for (int i = 0; i < 200 && (got = recorder.eventCount()) < static_cast<std::size_t>(kNotes); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  result.lateHandovers = handedLate;
  result.xruns = recorder.xruns() - xrunsBefore + (server.reportedLateCycles(logBefore) ? 1 : 0);
  const auto events = recorder.events();
  for (std::size_t i = 0; i < std::min(events.size(), scheduled.size()); ++i) {
    result.notes.push_back(static_cast<std::uint8_t>(events[i].bytes[1]));
    result.us.push_back(events[i].usec - (static_cast<double>(scheduled[i]) / 1000.0 + offsetUs));
  }
  return result;
}

TEST_F(MidiioJackTiming, MessagesLandOnTheFrameOfTheirStampPlusOnePeriod) {
  openRecorder();
  Lateness run;
  for (int attempt = 0; attempt < 10; ++attempt) {
    recorder->clear();
    run = playSchedule(*recorder, *server);
    if (!run.spoiled()) break;
    std::cout << "[ retry   ] late cycles (" << run.xruns << ") or late sends (" << run.lateHandovers
              << ") spoiled the run; repeating it\n";
  }
  ASSERT_FALSE(run.spoiled()) << server->log();
  EXPECT_TRUE(run.sent);
  ASSERT_EQ(run.us.size(), static_cast<std::size_t>(kNotes));
  std::vector<double> sorted = run.us;
  std::sort(sorted.begin(), sorted.end());
  ASSERT_FALSE(sorted.empty());
  std::cout << "[ measure ] lateness against the schedule (one period is " << kPeriodUs << " us): median "
            << sorted[sorted.size() / 2] << " us, min " << sorted.front() << " us, max " << sorted.back() << " us\n";
  for (std::size_t i = 0; i < run.us.size(); ++i) {
    EXPECT_EQ(run.notes[i], static_cast<int>(i % 128)) << "message " << i;
    EXPECT_GE(run.us[i], -50.0) << "message " << i;  // a frame is 21 us; the clocks agree to a few us
    EXPECT_LE(run.us[i], kPeriodUs + 1000.0) << "message " << i;
  }
}

}  // namespace
