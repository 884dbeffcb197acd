// The layer on a real ALSA sequencer (inside the test machine): the names
// navlin and the layer give the ports, bytes as they leave a virtual raw MIDI
// port, and ports that vanish before or after they are opened.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "midiio/alsa_backend.h"
#include "midiio/midi_layer.h"
#include "raw_midi_reader.h"
#include "sysex_of_size.h"
#include "run_tool.h"
#include "seq_client.h"

namespace {

using alsavm::kReadable;
using alsavm::kWritable;
using alsavm::RawMidiReader;
using alsavm::SeqClient;

// What the machine brings: snd-seq-dummy's loopback and snd-virmidi's four ports.
const std::vector<std::string> kSystemPorts{
    "Midi Through:Midi Through Port-0",       "Virtual Raw MIDI 0-0:VirMIDI 0-0", "Virtual Raw MIDI 0-1:VirMIDI 0-1",
    "Virtual Raw MIDI 0-2:VirMIDI 0-2", "Virtual Raw MIDI 0-3:VirMIDI 0-3"};

std::vector<std::string> plus(std::vector<std::string> list, const std::vector<std::string>& more) {
  list.insert(list.end(), more.begin(), more.end());
  return list;
}

std::string lines(const std::vector<std::string>& names, const std::string& prefix = {}) {
  std::string text;
  for (const auto& n : names) text += prefix + n + "\n";
  return text;
}

std::vector<std::string> names(const std::vector<midiio::Device>& devices) {
  std::vector<std::string> out;
  for (const auto& d : devices) out.push_back(d.name);
  return out;
}

class AlsaLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("ZAMO_MIDI_API");  // /dev/snd/seq opens here: ALSA is found on its own
    unsetenv("ZAMO_MIDI_OUT");
    midiio::resetMidiLayer();
  }
  void TearDown() override { midiio::resetMidiLayer(); }

  vorn::Status sendLong(const std::string& bytes) {
    return midiio::sendLongMessage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  }
};

TEST_F(AlsaLayer, PortsAreListedByTheNamesRule) {
  // Identical names get " #2", " #3" in list order, per list; a port others
  // cannot subscribe to, or that is hidden, is not listed in that direction.
  SeqClient twin("Twin");
  twin.addPort("in", kWritable);
  twin.addPort("in", kWritable);
  twin.addPort("out", kReadable);
  twin.addPort("hidden", kWritable | kReadable | SND_SEQ_PORT_CAP_NO_EXPORT);
  twin.addPort("private", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_READ);
  SeqClient second("Twin");
  second.addPort("in", kWritable | kReadable);
  const std::vector<std::string> outputs = plus(kSystemPorts, {"Twin:in", "Twin:in #2", "Twin:in #3"});
  const std::vector<std::string> inputs = plus(kSystemPorts, {"Twin:out", "Twin:in"});

  const midiio::DeviceList* listed = nullptr;
  ASSERT_TRUE(midiio::midiDevices(listed));
  const midiio::DeviceList& devices = *listed;
  EXPECT_EQ(names(devices.outputs), outputs);
  EXPECT_EQ(names(devices.inputs), inputs);
  for (const auto& d : devices.outputs) EXPECT_EQ(d.loopback, d.name.starts_with("Midi Through:")) << d.name;

  const struct {
    std::vector<std::string> args;
    std::string out;
  } runs[] = {
      {{}, lines(outputs)},
      {{"-I"}, lines(inputs)},
      {{"-S"}, lines(outputs, "-E")},
      {{"-I", "-S"}, lines(inputs, "-I")},
  };
  for (const auto& r : runs) {
    const auto run = zamotest::runTool("navlin", r.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, r.out) << (r.args.empty() ? "(no options)" : r.args[0]);
    EXPECT_EQ(run.err, "");
  }
}

TEST_F(AlsaLayer, OwnClientAndSystemClientAreLeftOut) {
  // Our port, once open, can be read from and the System client's Timer and
  // Announce ports can too: neither shows up among the inputs.
  std::unique_ptr<midiio::Backend> backend;
  ASSERT_TRUE(midiio::connectAlsa("layer-test", backend));
  EXPECT_STREQ(backend->systemName(), "ALSA");
  midiio::DeviceList list;
  ASSERT_TRUE(backend->listDevices(list));
  std::unique_ptr<midiio::OutputPort> port;
  ASSERT_TRUE(backend->openOutput(list.outputs.at(1), port));
  SeqClient other("layer-test");
  other.addPort("out", kReadable);
  ASSERT_TRUE(backend->listDevices(list));
  EXPECT_EQ(names(list.inputs), plus(kSystemPorts, {"layer-test:out"}));  // the other client of that name only
  EXPECT_EQ(names(list.outputs), kSystemPorts);
}

TEST_F(AlsaLayer, BytesLeaveTheRawPortAsSent) {
  const std::string big = alsavm::sysexOfSize(70000, 7);
  // What goes in, one send each (a short message when `packed` is set), and
  // what the raw side gives for it.
  const struct {
    std::uint32_t packed;
    std::string bytes;
    std::string raw;
  } sends[] = {
      {0x403C90, {}, "90 3C 40"},
      {0x7705C0, {}, "C0 05"},
      {0, "F0 7E 7F 09 01 F7", "F0 7E 7F 09 01 F7"},
      {0, "F0 01 02", "F0 01 02"},  // one SysEx over two sends
      {0, "03 F7", "03 F7"},
      {0, "91 40 7F F0 10 F8 11 F7 B1 40 7F", "91 40 7F F0 10 F8 11 F7 B1 40 7F"},  // real time inside SysEx
      {0x0000FE, {}, "FE"},
      {0x2000E3, {}, "E3 00 20"},
      {0x000090, {}, "90 00 00"},  // velocity 0 stays a note-on
  };
  RawMidiReader raw(1);
  int index = -1;
  ASSERT_TRUE(midiio::findMidiOutput("virtual raw midi 0-1:VIRMIDI 0-1", index));  // ASCII case folded
  const vorn::Status opened = midiio::openMidiOutput(index);
  ASSERT_TRUE(opened) << opened.fault().text;
  std::string expected;
  for (const auto& s : sends) {
    EXPECT_TRUE(s.packed ? midiio::sendShortMessage(s.packed) : sendLong(zamotest::unhex(s.bytes))) << s.raw;
    expected += zamotest::unhex(s.raw);
  }
  EXPECT_TRUE(sendLong(big));
  midiio::closeMidiOutput();  // note 3C on channel 1, note 40 and the pedal on channel 2 are still on
  expected += big + zamotest::unhex("80 3C 00 81 40 00 B1 40 00");
  const std::string got = raw.awaitBytes(expected.size());
  EXPECT_EQ(raw.overruns(), 0u);
  EXPECT_TRUE(got == expected) << alsavm::describeDifference(got, expected);
}

TEST_F(AlsaLayer, PortThatVanishedIsReported) {
  // The whole client goes, or only its port; between the lookup and the open,
  // or while the port is open (then the next message fails).
  const struct {
    bool wholeClient;
    bool whileOpen;
  } cases[] = {{true, false}, {false, false}, {true, true}, {false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.wholeClient ? "client" : "port") + (c.whileOpen ? " gone while open" : " gone before open"));
    midiio::resetMidiLayer();
    auto gone = std::make_unique<SeqClient>("Leaving");
    const int port = gone->addPort("in", kWritable);
    int index = -1;
    ASSERT_TRUE(midiio::findMidiOutput("Leaving:in", index));
    if (c.whileOpen) {
      ASSERT_TRUE(midiio::openMidiOutput(index));
      EXPECT_TRUE(midiio::sendShortMessage(0x403C90));
    }
    if (c.wholeClient) gone.reset();
    else gone->deletePort(port);
    const vorn::Status failed = c.whileOpen ? midiio::sendShortMessage(0x0000F8) : midiio::openMidiOutput(index);
    EXPECT_FALSE(failed);
    if (!failed) {
      EXPECT_EQ(failed.fault().code, midiio::midiErrorCode(midiio::kMidiNoSuchPort));
    }
  }
}

}  // namespace
