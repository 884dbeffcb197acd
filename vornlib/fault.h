#pragma once
// The one fault value the libraries return: what went wrong and where. A
// library hands it up; the tool reports it through the frame, which names
// the input and ends the run (or goes on, where the tool's rule says so).
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
  bool operator==(const Fault&) const = default;
};

}  // namespace vorn
