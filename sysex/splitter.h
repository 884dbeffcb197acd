#pragma once
// Splits SysEx files into one file per message, numbered across all inputs
// of a run.
#include <cstdint>
#include <string>
#include <string_view>

#include "vornlib/streams.h"

namespace sysex {

struct SplitFault {
  enum Kind { None, Naming, MalformedMessage } kind = None;
  int error = 0;  // errno of a naming failure
};

class Splitter {
 public:
  // `base` and `pattern` go to ArgFileName for each message's name.
  Splitter(std::string_view base, std::string_view pattern) : base_(base), pattern_(pattern) {}

  // Writes each message of `in` (read from `inputName`, nullptr = standard
  // input) to a new file, opened as the current output. A malformed message
  // leaves its file with the bytes before the fault.
  SplitFault splitFile(vorn::ByteInput& in, const char* inputName);

  std::uint32_t messagesWritten() const { return number_; }

 private:
  std::string base_;
  std::string pattern_;
  std::uint32_t number_ = 0;
};

}  // namespace sysex
