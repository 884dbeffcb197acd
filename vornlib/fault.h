#pragma once
// The one fault value the libraries return: what went wrong and where. A
// library hands it up; the tool reports it through the frame, which names
// the input and ends the run (or goes on, where the tool's rule says so).
// A fault about a file names it: its code is then often an errno value.
#include <cstdint>
#include <optional>
#include <string>

#include "vornlib/errors.h"

namespace vorn {

struct Fault {
  // What was found ("input ends inside a tempo record"); empty: the code's own text.
  std::string text;
  // The offset of the byte that is wrong (for an early end, where the input
  // ended); none where no byte is to blame ("no input").
  std::optional<std::uint64_t> offset;
  // The suite's own code, an errno value or a MIDI layer code (errors.h).
  std::uint32_t code = kErrMalformedInput;
  // The input or output it is about as messages name it ("song.mid",
  // "<stdin>"); empty: the current input, or none for a fault of no file.
  std::string input = {};
  bool operator==(const Fault&) const = default;
};

// What a library gives back when it stopped for a break (Ctrl-C): the tool
// then ends the run as a break does.
inline Fault interruptedFault() { return Fault{"interrupted", std::nullopt, kErrInterrupted}; }
inline bool isInterruption(const Fault& fault) { return fault.code == kErrInterrupted; }

}  // namespace vorn
