// The layer against a real JACK server (jackd, dummy driver) with a recorder
// client: device lists, bytes and order, whole 1 MiB SysEx, frame-accurate
// timing, and what happens when ports or the server go away.
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "jack_fixture.h"
#include "midiio/jack_backend.h"
#include "midiio/midi_layer.h"
#include "midiio/system_clock.h"
#include "run_tool.h"

namespace {

using zamotest::hex;
using zamotest::JackRecorder;


using MidiioJack = zamotest::LayerJackFixture;

TEST_F(MidiioJack, ListsPortsByFullNameInByteOrder) {
  JackRecorder another("Another");
  const auto before = std::chrono::steady_clock::now();
  const midiio::DeviceList* listed = nullptr;
  ASSERT_TRUE(midiio::midiDevices(listed));
  const midiio::DeviceList& devices = *listed;
  const auto openMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
  std::cout << "[ measure ] JACK client open and port list: " << openMs << " ms\n";
  std::vector<std::string> names;
  for (const auto& d : devices.outputs) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Another:in", "recorder:in"}));
  EXPECT_TRUE(devices.inputs.empty());  // the dummy driver has no MIDI ports
  int index = -1;
  EXPECT_TRUE(midiio::findMidiOutput("RECORDER:IN", index));
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(midiio::openMidiOutput(midiio::kDefaultDevice));
  ASSERT_TRUE(midiio::sendShortMessage(0x0000F8));
  awaitEvents(1);
  midiio::closeMidiOutput();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(another.eventCount(), 1u);  // the first in the list
  EXPECT_EQ(recorder->eventCount(), 0u);
}

TEST_F(MidiioJack, BytesArriveWholeAndInOrder) {
  withoutLateCycles([&] {
    openRecorder();
    EXPECT_TRUE(midiio::sendShortMessage(0x403C90));
    EXPECT_TRUE(midiio::sendShortMessage(0x7705C0));
    EXPECT_TRUE(sendLong(zamotest::unhex("F0 7E 7F 09 01 F7")));
    EXPECT_TRUE(sendLong(zamotest::unhex("F0 01 02")));
    EXPECT_TRUE(sendLong(zamotest::unhex("03 F7")));
    EXPECT_TRUE(sendLong(zamotest::unhex("91 40 7F F0 10 F8 11 F7 B1 40 7F")));
    EXPECT_TRUE(midiio::sendShortMessage(0x0000FE));
    midiio::closeMidiOutput();  // silences note 40 on channel 2 and its pedal; note 3C is still on too
    awaitEvents(14);
  });
  const std::vector<std::string> expected{"90 3C 40", "C0 05",    "F0 7E 7F 09 01 F7", "F0 01 02", "03 F7",
                                          "91 40 7F", "F0 10",    "F8",                "11 F7",    "B1 40 7F",
                                          "FE",       "80 3C 00", "81 40 00",          "B1 40 00"};
  EXPECT_EQ(recordedHex(), expected);
}

TEST_F(MidiioJack, OneMebibyteSysExArrivesIntact) {
  openRecorder();
  std::string message(1 << 20, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>((i * 7 + i / 251) & 0x7F);
  message.front() = static_cast<char>(0xF0);
  message.back() = static_cast<char>(0xF7);
  const std::size_t pieces = (message.size() + midiio::kJackLargestEvent - 1) / midiio::kJackLargestEvent;
  withoutLateCycles([&] {
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(sendLong(message));  // returns when the last piece has gone out
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
    std::cout << "[ measure ] 1 MiB SysEx through JACK: " << ms << " ms\n";
    awaitEvents(pieces);
  });
  std::string joined;
  for (const auto& e : recorder->events()) {
    EXPECT_LE(e.bytes.size(), midiio::kJackLargestEvent);
    joined += e.bytes;
  }
  EXPECT_EQ(recorder->eventCount(), pieces);
  EXPECT_TRUE(joined == message) << "received " << joined.size() << " bytes";
}

TEST_F(MidiioJack, PortThatVanishesIsReported) {
  int index = -1;
  ASSERT_TRUE(midiio::findMidiOutput(recorder->portName(), index));
  recorder->removePort();
  const vorn::Status opened = midiio::openMidiOutput(index);
  EXPECT_FALSE(opened);
  EXPECT_EQ(opened.fault().code, 0x60000000u + midiio::kMidiNoSuchPort);

  JackRecorder second("second");
  midiio::resetMidiLayer();
  ASSERT_TRUE(midiio::findMidiOutput("second:in", index));
  ASSERT_TRUE(midiio::openMidiOutput(index));
  EXPECT_TRUE(midiio::sendShortMessage(0x403C90));
  second.removePort();
  vorn::Status sent;
  for (int i = 0; i < 100 && sent; ++i) {
    sent = midiio::sendShortMessage(0x0000F8);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(sent);
  if (!sent) {
    EXPECT_EQ(sent.fault().code, 0x60000000u + midiio::kMidiNoSuchPort);
  }
}

TEST_F(MidiioJack, StoppedServerHoldsALongSendUntilItGoesOn) {
  openRecorder();
  const std::string message = "\xF0" + std::string(300000, '\x11') + "\xF7";
  server->signal(SIGSTOP);
  std::thread resume([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    server->signal(SIGCONT);
  });
  const auto before = std::chrono::steady_clock::now();
  const vorn::Status sent = sendLong(message);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  resume.join();
  EXPECT_TRUE(sent) << sent.fault().text;
  EXPECT_GE(seconds, 0.7);  // held, not failed and not dropped on our side
  // How the server catches up on the cycles it missed is its own affair; after
  // it, the output works as before.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  withoutLateCycles([&] {
    EXPECT_TRUE(sendLong(message));
    awaitEvents(10);
  });
  EXPECT_TRUE(received() == message) << received().size();
}

TEST_F(MidiioJack, StoppedServerFailsALongSendAfterTheBound) {
  openRecorder();
  server->signal(SIGSTOP);
  const auto before = std::chrono::steady_clock::now();
  const vorn::Status sent = sendLong("\xF0" + std::string(600000, '\x22') + "\xF7");
  EXPECT_FALSE(sent);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
  if (!sent) {
    EXPECT_EQ(sent.fault().code, 0x60000000u + midiio::kMidiNotReady);
  }
  EXPECT_GE(seconds, 9.5);
  server->signal(SIGCONT);
}

TEST_F(MidiioJack, ServerGoneMidPlayIsAClearError) {
  openRecorder();
  ASSERT_TRUE(midiio::sendShortMessage(0x403C90));
  server->stop();
  vorn::Status sent;
  for (int i = 0; i < 300 && sent; ++i) {
    sent = sendLong(zamotest::unhex("F0 01 02 F7"));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_FALSE(sent);
  EXPECT_EQ(sent.fault().code, 0x60000000u + midiio::kMidiJackShutdown);
  midiio::closeMidiOutput();  // returns, no hang
}

TEST_F(MidiioJack, NavlinListsWhatTheOtherToolsAccept) {
  unsetenv("ZAMO_MIDI_API");  // no /dev/snd/seq here: JACK is found on its own
  JackRecorder another("Zed");
  const struct {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{}, "Zed:in\nrecorder:in\n"},
      {{"-S"}, "-EZed:in\n-Erecorder:in\n"},
      {{"-I"}, ""},
  };
  for (const auto& c : cases) {
    const auto run = zamotest::runTool("navlin", c.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

}  // namespace
