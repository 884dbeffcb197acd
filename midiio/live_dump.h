#pragma once
// A dump of what arrives at a MIDI input, a line a message (seq::LiveLines):
// the input opened for it, the heading that names it, the reading until the
// input ends, and the count of what was cut or lost, told after the dump.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "midiio/live_dump_options.h"
#include "midiio/live_input.h"
#include "seq/dump_lines.h"
#include "seq/live_lines.h"
#include "vornlib/status.h"

namespace midiio {

// Starts the clock and opens the input the options name, with room for
// 1 MiB of SysEx, or 4096 short messages, behind the reader. When no option
// chose the input, the environment or the default does (`options.index`
// is set when the environment chose).
vorn::Status openLiveInput(LiveDumpOptions& options);
void closeLiveInput();

// "synth:out: MIDI input (ALSA); time in ms since the start", for the open
// input `index`.
vorn::Status liveInputHeading(int index, std::string& heading);

class LiveDump final : public LiveListener {
 public:
  LiveDump(seq::LiveLines& lines, std::uint32_t timeoutMs) : lines_(lines), timeoutMs_(timeoutMs) {}

  // Reads the started input until it ends, and says how it ended in a last
  // comment; the fault when it failed (a break or a fault).
  vorn::Status run();
  // A line each for the messages cut and the holes met; none when all came whole.
  std::vector<std::string> losses() const;

  void shortMessage(std::uint32_t ms, std::uint32_t packed) override { lines_.shortMessage(ms, packed); }
  void sysExBegin(std::uint32_t ms) override { lines_.sysExBegin(ms); }
  void sysExBytes(std::span<const std::uint8_t> bytes) override { lines_.sysExBytes(bytes); }
  void sysExEnd(const SysExCut& cut) override;
  void hole(std::uint32_t ms, const InputLoss& lost) override;

 private:
  seq::LiveLines& lines_;
  std::uint32_t timeoutMs_;
  int cuts_ = 0;
  int holes_ = 0;
};

// The whole dump, to the current output: opens the input as openLiveInput
// does and tells `note` the line that names a port the default chose; then
// opens the output (none is made for an input that cannot be opened),
// writes the heading and a line a message until the input ends, and closes
// the output and the input. `losses` gets LiveDump::losses(). Fails with the
// fault that stopped it, the interrupted fault after a break; the input is
// then left open, for the caller's break hook or end of run to close.
vorn::Status dumpLiveInput(LiveDumpOptions& options, seq::SysExDescriber& describer,
                           const std::function<void(const std::string&)>& note, std::vector<std::string>& losses);

}  // namespace midiio
