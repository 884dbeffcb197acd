// The tool-facing layer on the in-process fake: lookup and the environment
// rule, what each send puts on the wire, closing, and the clock's timing on
// virtual time.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "break_silence.h"
#include "midiio/fake_backend.h"
#include "midiio/midi_layer.h"
#include "run_tool.h"
#include "frame/console.h"
#include "vornlib/errors.h"

namespace {

using midiio::FakeMidiWorld;
using zamotest::hex;
using zamotest::unhex;

class MidiioFakeLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_OUT");
    unsetenv("ZAMO_MIDI_API");
    world = std::make_shared<FakeMidiWorld>();
    world->setDevices({"Midi Through:Midi Through Port-0", "Synth A:Port 1", "Synth B:Port 1"}, {"Keys:Out"});
    midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(world));
  }
  void TearDown() override { midiio::resetMidiLayer(); }

  // Sent messages as "time: bytes" (milliseconds of virtual time).
  std::vector<std::string> sent() const {
    std::vector<std::string> lines;
    for (const auto& m : world->sent) lines.push_back(midiio::fakeLogLine(m));
    return lines;
  }
  vorn::Status sendLong(const std::string& hexBytes) {
    const std::string bytes = unhex(hexBytes);
    return midiio::sendLongMessage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  }
  // What a tool reports for `status`, which must be a failure.
  std::string reported(const vorn::Status& status) {
    testing::internal::CaptureStderr();
    if (status) {
      ADD_FAILURE() << "the call did not fail";
    } else {
      frame::report(status.fault());
    }
    return testing::internal::GetCapturedStderr();
  }

  std::shared_ptr<FakeMidiWorld> world;
};

TEST_F(MidiioFakeLayer, LookupMatchesWholeNamesIgnoringAsciiCase) {
  const struct {
    const char* name;
    bool found;
    int index;
  } cases[] = {{"synth b:port 1", true, 2}, {"SYNTH A:PORT 1", true, 1}, {"Synth A", false, 7}, {"1", false, 7}};
  for (const auto& c : cases) {
    int index = 7;
    EXPECT_EQ(midiio::findMidiOutput(c.name, index).ok(), c.found) << c.name;
    EXPECT_EQ(index, c.index) << c.name;
  }
  int input = -1;
  EXPECT_TRUE(midiio::findMidiInput("keys:out", input));
  EXPECT_EQ(input, 0);
  EXPECT_FALSE(midiio::findMidiInput("Synth A:Port 1", input));  // outputs are not inputs
}

TEST_F(MidiioFakeLayer, EnvironmentRule) {
  const struct {
    const char* value;  // nullptr: not set
    int index;          // the index chosen, or -2 when the run ends
    const char* message;
  } cases[] = {
      {nullptr, -1, ""},
      {"", -1, ""},  // set but empty counts as not set
      {"synth b:PORT 1", 2, ""},
      {"Nothing:Here", -2, "no MIDI device of that name: ZAMO_MIDI_OUT=Nothing:Here"},
  };
  for (const auto& c : cases) {
    if (c.value) setenv("ZAMO_MIDI_OUT", c.value, 1);
    else unsetenv("ZAMO_MIDI_OUT");
    int index = -1;
    if (c.index == -2) {
      EXPECT_NE(reported(midiio::chooseMidiOutputFromEnvironment(index)).find(c.message), std::string::npos);
    } else {
      EXPECT_TRUE(midiio::chooseMidiOutputFromEnvironment(index));
      EXPECT_EQ(index, c.index) << (c.value ? c.value : "unset");
    }
  }
  int index = -1;
  setenv("ZAMO_MIDI_OUT", std::string(259, 'x').c_str(), 1);
  EXPECT_NE(reported(midiio::chooseMidiOutputFromEnvironment(index)).find("no MIDI device of that name"),
            std::string::npos);
  setenv("ZAMO_MIDI_OUT", std::string(260, 'x').c_str(), 1);
  EXPECT_NE(reported(midiio::chooseMidiOutputFromEnvironment(index))
                .find("environment variable value is too long: ZAMO_MIDI_OUT"),
            std::string::npos);
}

TEST_F(MidiioFakeLayer, DefaultDeviceSkipsMidiThroughUnlessItIsAll) {
  ASSERT_TRUE(midiio::openMidiOutput(midiio::kDefaultDevice));
  midiio::closeMidiOutput();
  world->setDevices({"Midi Through:Midi Through Port-0"}, {});
  midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(world));
  ASSERT_TRUE(midiio::openMidiOutput(midiio::kDefaultDevice));
  midiio::closeMidiOutput();
  EXPECT_EQ(world->opened, (std::vector<std::string>{"Synth A:Port 1", "Midi Through:Midi Through Port-0"}));

  world->setDevices({}, {});
  midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(world));
  vorn::Status opened = midiio::openMidiOutput(midiio::kDefaultDevice);
  EXPECT_FALSE(opened);
  EXPECT_EQ(opened.fault().code, 0x60000000u + midiio::kMidiNoDevice);
  EXPECT_NE(reported(opened).find("name it with -E or ZAMO_MIDI_OUT"), std::string::npos);
}

TEST_F(MidiioFakeLayer, VanishedPortIsReportedAtOpen) {
  int index = -1;
  ASSERT_TRUE(midiio::findMidiOutput("Synth B:Port 1", index));
  world->devices.outputs.pop_back();  // unplugged after the lookup
  EXPECT_EQ(reported(midiio::openMidiOutput(index)), "zamo: port no longer exists: Synth B:Port 1\n");
}

TEST_F(MidiioFakeLayer, ShortMessagesCarryTheLengthTheirStatusGives) {
  ASSERT_TRUE(midiio::openMidiOutput(1));
  const struct {
    std::uint32_t packed;
    bool ok;
    const char* wire;  // what went out, "" for nothing
  } cases[] = {
      {0x403C90, true, "90 3C 40"},     {0x7705C0, true, "C0 05"},  // the packed third byte stays home
      {0x0040D3, true, "D3 40"},        {0x0012F3, true, "F3 12"},  {0x3412F2, true, "F2 12 34"},
      {0x0000F8, true, "F8"},           {0x0000FF, true, "FF"},     {0x0000F7, true, ""},
      {0x0000F4, true, ""},             {0x0000FD, true, ""},       {0x00003C, false, ""},
      {0x0000F0, false, ""},            {0x803C90, false, ""},
  };
  for (const auto& c : cases) {
    const std::size_t before = world->sent.size();
    vorn::Status sent = midiio::sendShortMessage(c.packed);
    EXPECT_EQ(sent.ok(), c.ok) << std::hex << c.packed;
    if (!c.ok) {
      EXPECT_EQ(sent.fault().code, 0x60000000u + midiio::kMidiInvalidMessage);
    }
    const std::string wire = world->sent.size() > before ? hex(std::string(world->sent.back().bytes.begin(),
                                                                           world->sent.back().bytes.end()))
                                                         : "";
    EXPECT_EQ(wire, c.wire) << std::hex << c.packed;
  }
}

TEST_F(MidiioFakeLayer, LongMessagesGoAsTheyAre) {
  world->maxPiece = 4;
  ASSERT_TRUE(midiio::openMidiOutput(1));
  EXPECT_TRUE(sendLong("F0 7D 10 4C F7"));
  EXPECT_TRUE(sendLong("F0 01 02 03 04 05"));  // the first piece of one message
  EXPECT_TRUE(sendLong("06 F7"));              // and its end, without F0
  EXPECT_TRUE(sendLong("90 3C 40 F0 7E F7"));
  vorn::Status empty = sendLong("");
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.fault().code, 0x60000000u + midiio::kMidiInvalidMessage);
  EXPECT_EQ(sent(), (std::vector<std::string>{"0 F0 7D 10 4C", "0 F7", "0 F0 01 02 03", "0 04 05", "0 06 F7",
                                              "0 90 3C 40", "0 F0 7E F7"}));
}

TEST_F(MidiioFakeLayer, CloseSilencesWhatThisProcessLeftOn) {
  ASSERT_TRUE(midiio::openMidiOutput(1));
  for (std::uint32_t packed : {0x403C90u, 0x7F40B1u, 0x503E91u, 0x003C90u}) EXPECT_TRUE(midiio::sendShortMessage(packed));
  world->sent.clear();
  midiio::closeMidiOutput();
  midiio::closeMidiOutput();  // a second close does nothing
  EXPECT_EQ(sent(), (std::vector<std::string>{"0 81 3E 00", "0 B1 40 00"}));
  EXPECT_EQ(world->closes, 1);
  EXPECT_FALSE(midiio::sendShortMessage(0x403C90));
}

TEST_F(MidiioFakeLayer, ClockCountsWholePeriodsOnVirtualTime) {
  ASSERT_TRUE(midiio::openMidiOutput(1));
  world->advance(1234 * midiio::kNanosPerMs);
  EXPECT_EQ(midiio::clockNow(), 1234u);  // not started: the system's milliseconds
  ASSERT_TRUE(midiio::startClock(10));
  std::uint32_t due = midiio::clockNow();
  const struct {
    std::uint32_t delaySteps;
    std::uint32_t packed;
  } schedule[] = {{0, 0x403C90}, {3, 0x003C90}, {1, 0x403E90}, {0, 0x003E90}};
  for (const auto& s : schedule) {
    due += s.delaySteps * 10;
    (void)midiio::waitForClock(due);
    EXPECT_TRUE(midiio::sendShortMessage(s.packed));
  }
  // Stamps are the ideal tick times: clock start + n x period.
  EXPECT_EQ(sent(), (std::vector<std::string>{"1234 90 3C 40", "1264 90 3C 00", "1274 90 3E 40", "1274 90 3E 00"}));
  world->advance(7 * midiio::kNanosPerMs);
  EXPECT_EQ(midiio::clockNow(), 40u);  // the count moves in whole periods
  (void)midiio::pauseMs(25);
  EXPECT_EQ(midiio::clockNow(), 70u);
  midiio::stopClock();
  world->advance(100 * midiio::kNanosPerMs);
  EXPECT_EQ(midiio::clockNow(), 70u);  // frozen until the next start
  ASSERT_TRUE(midiio::startClock(0));  // 0 means 8 ms
  world->advance(17 * midiio::kNanosPerMs);
  EXPECT_EQ(midiio::clockNow(), 16u);
  vorn::Status refused = midiio::startClock(1000001);
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.fault().code, 0x60000000u + midiio::kMidiPeriodRefused);
  EXPECT_TRUE(midiio::startClock(1000000));
}

TEST_F(MidiioFakeLayer, ScheduleSurvivesTheCountWrapping) {
  ASSERT_TRUE(midiio::startClock(1000000));
  // 4295 periods of 1,000,000 ms pass 2^32 ms; the wait compares wrap-safely.
  std::uint32_t due = 0;
  for (int i = 0; i < 4300; ++i) {
    due += 1000000u;
    (void)midiio::waitForClock(due);
    ASSERT_EQ(midiio::clockNow(), due);
  }
}

TEST_F(MidiioFakeLayer, ReportShowsTextAndDetail) {
  const struct {
    std::uint32_t code;
    const char* message;
  } cases[] = {
      {0xE0000001, "zamo: no MIDI device of that name\n"},
      {0x60000002, "zamo: port no longer exists\n"},
      {0x60000000 + midiio::kMidiNoSystem, "zamo: no MIDI system: no ALSA sequencer and no JACK server\n"},
      {0, "zamo: MIDI error\n"},  // never a success text
  };
  for (const auto& c : cases) EXPECT_EQ(reported(midiio::midiFault(c.code)), c.message);
}

}  // namespace

namespace {

std::shared_ptr<FakeMidiWorld> gBreakWorld;
int gBreakSignal = SIGINT;

// A tool's run that breaks while notes and a pedal are on.
int breakingTool() {
  frame::conHook(midiio::closeMidiOutput);
  midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(gBreakWorld));
  if (!midiio::openMidiOutput(0)) return 0;
  (void)midiio::sendShortMessage(0x403C95);
  (void)midiio::sendShortMessage(0x7F40B5);
  std::raise(gBreakSignal);
  // The pause sees the break and fails; the tool ends the run as a break.
  frame::orEnd(midiio::pauseMs(10));
  return 1;
}

TEST(MidiioBreak, BreakSilencesEveryChannel) {
  const struct {
    int signal;
    int status;
  } cases[] = {{SIGINT, 130}, {SIGTERM, 143}};
  for (const auto& c : cases) {
    frame::resetRunState();
    gBreakWorld = std::make_shared<FakeMidiWorld>();
    gBreakWorld->setDevices({"Synth:In"}, {});
    gBreakSignal = c.signal;
    char name[] = "zamo";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(frame::runMainProc("ZAMO 1.00", 1, argv, breakingTool), c.status);
    std::vector<std::string> expected{"0 95 3C 40", "0 B5 40 7F"};
    const std::vector<std::string> silence = zamotest::breakSilence("0 ");
    expected.insert(expected.end(), silence.begin(), silence.end());
    std::vector<std::string> sent;
    for (const auto& m : gBreakWorld->sent) sent.push_back(midiio::fakeLogLine(m));
    EXPECT_EQ(sent, expected) << c.signal;
    EXPECT_EQ(gBreakWorld->closes, 1);
    midiio::resetMidiLayer();
  }
  frame::resetRunState();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

}  // namespace
