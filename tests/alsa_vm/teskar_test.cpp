// teskar on a real ALSA sequencer (inside the test machine): a DORNA stream's
// messages come out of the chosen virtual raw MIDI port byte for byte, with a
// program change as its two bytes and SysEx whole. No timing is judged here:
// the machine has one emulated CPU.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "raw_ports_check.h"
#include "run_tool.h"
#include "sysex_of_size.h"

namespace {

using zamotest::unhex;

// A DORNA SysEx record with delay 0: the message's bytes after its F0.
std::string sysexRecord(const std::string& message) {
  std::uint32_t n = static_cast<std::uint32_t>(message.size() - 1);
  std::string record = unhex("00 F0");
  for (int i = 0; i < 4; ++i) record += static_cast<char>((n >> (8 * i)) & 0xFF);
  return record + message.substr(1);
}

TEST(TeskarAlsa, AStreamComesOutOfTheChosenPort) {
  const std::string identity = unhex("F0 7E 7F 09 01 F7");
  const std::string dump = alsavm::sysexOfSize(5000, 3);
  const std::string stream = unhex("00 90 3C 40  02 C3 05 00") + sysexRecord(identity) + sysexRecord(dump) +
                             unhex("03 80 3C 00  00 FF 00 00");
  zamotest::TempDir dir;
  const std::string file = dir.write("piece.dorna", stream);
  const struct {
    std::vector<std::string> args;
    int device;
    std::string expected;
  } cases[] = {
      {{"-EVirtual Raw MIDI 0-1:VirMIDI 0-1", "-X", "-T2", file}, 1,
       unhex("90 3C 40 C3 05") + identity + dump + unhex("80 3C 00")},
      // Without -X the SysEx records are skipped; with no port named the loopback is passed over.
      {{"-T2", file}, 0, unhex("90 3C 40 C3 05 80 3C 00")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    alsavm::expectOnlyPortGets("teskar", c.args, c.device, c.expected);
  }
}

}  // namespace
