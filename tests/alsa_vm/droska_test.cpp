// droska on a real ALSA sequencer (inside the test machine): SysEx, short,
// over 64 KiB and of 1 MiB, and short messages come out of the chosen virtual raw MIDI port
// byte for byte, and only there; with no port named the first one that is not
// the loopback is chosen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "raw_ports_check.h"
#include "sysex_of_size.h"
#include "run_tool.h"

namespace {

using alsavm::sysexOfSize;
using zamotest::unhex;

TEST(DroskaAlsa, BytesComeOutOfTheChosenPortOnly) {
  const std::string small = unhex("F0 7E 7F 09 01 F7");
  const std::string big = sysexOfSize((64 << 10) + 3, 1);
  const std::string shortMessages = unhex("90 3C 40") + small + unhex("B3 40 7F") + big + unhex("C5 10 80 3C 00");
  zamotest::TempDir dir;
  const std::string mixed = dir.write("mixed.syx", shortMessages);
  const std::string first = dir.write("first.syx", small);
  const std::string second = dir.write("second.syx", big);
  const std::string mebibyte = sysexOfSize(1 << 20, 2);
  const std::string whole = dir.write("whole.syx", mebibyte);
  const struct {
    std::vector<std::string> args;
    const char* outEnvironment;  // ZAMO_MIDI_OUT
    int device;                  // the raw device expected to give the bytes
    std::string expected;
  } cases[] = {
      // -X sends the channel messages too; the pedal still down is lifted at the end.
      {{"-EVirtual Raw MIDI 0-2:VirMIDI 0-2", "-X", mixed}, nullptr, 2, shortMessages + unhex("B3 40 00")},
      {{"-evirtual raw midi 0-1:virmidi 0-1", mixed}, nullptr, 1, small + big},
      {{"-EVirtual Raw MIDI 0-1:VirMIDI 0-1", whole}, nullptr, 1, mebibyte},
      {{first, second}, nullptr, 0, small + big},  // Midi Through comes first but is skipped
      {{second, first}, "Virtual Raw MIDI 0-3:VirMIDI 0-3", 3, big + small},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    if (c.outEnvironment) setenv("ZAMO_MIDI_OUT", c.outEnvironment, 1);
    else unsetenv("ZAMO_MIDI_OUT");
    alsavm::expectOnlyPortGets("droska", c.args, c.device, c.expected);
  }
  unsetenv("ZAMO_MIDI_OUT");
}

}  // namespace
