// Device names: matching as users type them, numbering of twins, the default
// device, and the lock-free ring that carries events to JACK.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midiio/byte_ring.h"
#include "midiio/device_names.h"

namespace {

using midiio::Device;

std::vector<Device> devices(const std::vector<std::string>& names, int loopbacks = 0) {
  std::vector<Device> list;
  for (const std::string& name : names) list.push_back({name, {}, static_cast<int>(list.size()) < loopbacks});
  return list;
}

TEST(MidiioNames, WholeNamesMatchWithAsciiFolding) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"Synth A:Port 1", "synth a:PORT 1", true},
      {"Synth A:Port 1", "Synth A:Port", false},  // no prefixes
      {"Synth", "Synth ", false},
      {"0", "Synth", false},                      // no numbers
      {"\xC3\x84rger", "\xC3\x84RGER", true},     // UTF-8 bytes exact, ASCII folded
      {"\xC3\x84rger", "\xC3\xA4rger", false},    // no folding beyond ASCII
      {"[@`{", "[@`{", true},
      {"[", "{", false},                          // only letters fold
      {"", "", true},
  };
  for (const auto& c : cases) EXPECT_EQ(midiio::sameDeviceName(c.a, c.b), c.same) << c.a << " / " << c.b;
  const auto list = devices({"A:1", "B:1", "b:1"});
  EXPECT_EQ(midiio::findDevice(list, "B:1"), 1);  // the first match wins
  EXPECT_EQ(midiio::findDevice(list, "c:1"), -1);
}

TEST(MidiioNames, TwinsAreNumberedInListOrder) {
  auto list = devices({"USB MIDI:Port 1", "Synth:In", "USB MIDI:Port 1", "usb midi:port 1", "USB MIDI:Port 1"});
  midiio::numberDuplicateNames(list);
  std::vector<std::string> names;
  for (const Device& d : list) names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"USB MIDI:Port 1", "Synth:In", "USB MIDI:Port 1 #2", "usb midi:port 1",
                                             "USB MIDI:Port 1 #3"}));
}

TEST(MidiioNames, DefaultSkipsALoopbackUnlessItIsAll) {
  EXPECT_EQ(midiio::defaultDevice(devices({"Midi Through:Port-0", "Synth:In"}, 1)), 1);
  EXPECT_EQ(midiio::defaultDevice(devices({"Midi Through:Port-0"}, 1)), 0);
  EXPECT_EQ(midiio::defaultDevice(devices({"Synth:In", "Other:In"})), 0);
  EXPECT_EQ(midiio::defaultDevice(devices({})), -1);
}

TEST(MidiioRing, CarriesBytesAcrossTheWrap) {
  midiio::ByteRing ring(10);
  EXPECT_EQ(ring.capacity(), 16u);
  std::string got;
  int next = 0;
  for (int round = 0; round < 20; ++round) {
    unsigned char chunk[7];
    for (unsigned char& b : chunk) b = static_cast<unsigned char>(next++);
    ASSERT_TRUE(ring.write(chunk, sizeof chunk));
    EXPECT_FALSE(ring.write(chunk, 10));  // all or nothing
    unsigned char out[7];
    ASSERT_TRUE(ring.peek(out, 4, 3));
    EXPECT_EQ(out[0], chunk[3]);
    ASSERT_TRUE(ring.peek(out, 7));
    EXPECT_EQ(std::string(out, out + 7), std::string(chunk, chunk + 7));
    EXPECT_FALSE(ring.peek(out, 8));
    ring.consume(7);
    EXPECT_EQ(ring.readSpace(), 0u);
  }
}

}  // namespace
