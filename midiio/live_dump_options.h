#pragma once
// What chooses the MIDI input a dump reads and how: the input by name, the
// time-out after which nothing arriving ends the dump, and the messages
// skipped. Each setter is an option handler's body.
#include <cstdint>
#include <string_view>

#include "midiio/input_queue.h"
#include "midiio/live_input.h"
#include "midiio/midi_layer.h"
#include "vornlib/status.h"

namespace midiio {

struct LiveDumpOptions {
  bool live = false;    // an input was asked for
  bool chosen = false;  // by name; else the environment or the default chooses
  int index = kDefaultDevice;
  std::uint32_t timeoutMs = kNoTimeout;
  std::uint32_t mode = kInputLongData | kInputShortMessages;

  // A port name, or nothing for the default input; false when no port has the name.
  bool input(std::string_view name);
  // Whole seconds from 1 to 120, or nothing for no time-out.
  bool timeout(std::string_view seconds);
  // Timing clock and active sensing are not shown.
  void skipClocks() { mode |= kInputNoTimingClock | kInputNoActiveSensing; }
  // Whether a time-out or skipping was asked for, which only an input takes.
  bool shapesInput() const { return timeoutMs != kNoTimeout || (mode & kInputNoTimingClock) != 0; }
  // Whether the options go with `files` file arguments: -W and -S only with
  // an input, and an input with no file. The fault says which does not.
  vorn::Status fitFiles(int files) const;
};

}  // namespace midiio
