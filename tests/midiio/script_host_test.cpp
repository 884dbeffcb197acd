// praven's host in-process on the fake: collecting stops at the longest byte
// string with the evaluator's limit error, and a lost device or a break is an
// error the evaluator passes on, never an answer.
#include <gtest/gtest.h>

#include <memory>

#include "midiio/fake_backend.h"
#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "scripting/script_host.h"
#include "vornlib/errors.h"
#include "vornlib/kel/kel.h"

namespace {

class ScriptHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world = std::make_shared<midiio::FakeMidiWorld>();
    world->setDevices({"Synth:In"}, {"Synth:Out"});
    midiio::useMidiBackend(std::make_unique<midiio::FakeBackend>(world));
    for (int i = 0; i < 40; ++i) world->arrivals.push_back({static_cast<std::uint32_t>(i), {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7}});
    ASSERT_TRUE(midiio::openMidiInput(midiio::kDefaultDevice, 1024, 1024, 1));
    ASSERT_TRUE(midiio::startMidiInput());
  }
  void TearDown() override { midiio::resetMidiLayer(); }

  kel::Result<kel::Evaluated> evaluate(const std::string& script, std::size_t maxBytes) {
    midiio::ScriptSettings settings;
    settings.inputEnabled = true;
    settings.maxBytes = maxBytes;
    settings.timeoutMs = 1000;
    host = std::make_unique<midiio::ScriptHost>(settings);
    kel::Session session(host.get());
    return session.evaluateNext(script, 0, kel::Want::Bytes);
  }

  std::shared_ptr<midiio::FakeMidiWorld> world;
  std::unique_ptr<midiio::ScriptHost> host;
};

TEST_F(ScriptHostTest, CollectingIsBoundedAndFailuresAreErrors) {
  const struct {
    const char* script;
    std::size_t maxBytes;
    std::uint32_t code;  // 0: a value of `length` bytes
    std::size_t length;
  } cases[] = {
      {"msyx", 400, 0, 400},
      {"msyx", 399, vorn::kErrKelTooLong, 0},
      {"(syxcount(30); nsyx)", 300, 0, 300},
      {"(syxcount(31); nsyx)", 300, vorn::kErrKelTooLong, 0},
  };
  for (const auto& c : cases) {
    SetUp();
    const auto r = evaluate(c.script, c.maxBytes);
    if (c.code == 0) {
      ASSERT_TRUE(r.ok()) << c.script << ": " << r.error().message;
      EXPECT_EQ(r.value().value.asBytes().size(), c.length) << c.script;
    } else {
      ASSERT_FALSE(r.ok()) << c.script;
      EXPECT_EQ(r.error().code, c.code) << c.script;
    }
    TearDown();
  }
  SetUp();
  world->inputGone = true;
  const auto r = evaluate("syx", 1000);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().code, midiio::midiErrorCode(midiio::kMidiNoSuchPort));
}

}  // namespace
