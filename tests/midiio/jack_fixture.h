#pragma once
// A test on a private JACK server with a recorder client. Late cycles of the
// dummy driver on a busy machine can drop, repeat or delay events without
// anyone's fault: runs that saw one are repeated, not judged.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "jack_recorder.h"
#include "jack_server.h"
#include "midiio/midi_layer.h"
#include "run_tool.h"

namespace zamotest {

class JackFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    server = std::make_unique<JackServer>();
    recorder = std::make_unique<JackRecorder>("recorder", 16 << 20);
  }
  void TearDown() override {
    recorder.reset();
    server.reset();
  }

  // Everything recorded, joined.
  std::string received() const {
    std::string all;
    for (const auto& e : recorder->events()) all += e.bytes;
    return all;
  }
  // Waits (bounded) until the recorder holds `count` events.
  void awaitEvents(std::size_t count) const {
    for (int i = 0; i < 300 && recorder->eventCount() < count; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  void awaitBytes(std::size_t size) const {
    for (int i = 0; i < 300 && received().size() < size; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  // Runs `run` (which sends and waits for what it expects) on a cleared
  // recorder until a run sees no late cycle, at most four times.
  template <typename Run>
  void withoutLateCycles(Run run) {
    for (int attempt = 0; attempt < 4; ++attempt) {
      recorder->clear();
      const int xruns = recorder->xruns();
      const std::size_t logSize = server->log().size();
      run();
      if (recorder->xruns() == xruns && !server->reportedLateCycles(logSize)) return;
      std::cout << "[ retry   ] a late cycle spoiled the run; repeating it\n";
    }
    FAIL() << "every run saw late cycles:\n" << server->log();
  }

  std::unique_ptr<JackServer> server;
  std::unique_ptr<JackRecorder> recorder;
};

// The MIDI layer of this process as a JACK client beside the recorder.
class LayerJackFixture : public JackFixture {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_OUT");
    setenv("ZAMO_MIDI_API", "jack", 1);
    midiio::resetMidiLayer();
    JackFixture::SetUp();
  }
  void TearDown() override {
    midiio::resetMidiLayer();
    JackFixture::TearDown();
  }

  void openRecorder() {
    int index = -1;
    ASSERT_TRUE(midiio::findMidiOutput(recorder->portName(), index));
    const vorn::Status opened = midiio::openMidiOutput(index);
    ASSERT_TRUE(opened) << opened.fault().text;
  }
  vorn::Status sendLong(const std::string& bytes) {
    return midiio::sendLongMessage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  }
  std::vector<std::string> recordedHex() {
    std::vector<std::string> out;
    for (const auto& e : recorder->events()) out.push_back(zamotest::hex(e.bytes));
    return out;
  }
};

}  // namespace zamotest
