#pragma once
// Splits SysEx files into one file per message, numbered across all inputs
// of a run.
#include <cstdint>
#include <string>
#include <string_view>

#include "sysex/written_files.h"
#include "vornlib/streams.h"

namespace sysex {

struct SplitFault {
  enum Kind { None, Naming, Collision, MalformedMessage, Output } kind = None;
  int error = 0;          // errno of a naming failure
  std::uint32_t number = 0;    // the message (Naming, Collision)
  std::uint64_t offset = 0;    // where that message starts in its input (all but None)
  std::string name;            // the file it was to go to (Collision)
  std::string firstSource;     // what that file was written for (Collision)
  vorn::Fault output = {};     // the file could not be made or written (Output)
};

class Splitter {
 public:
  // `base` and `pattern` go to ArgFileName for each message's name.
  Splitter(std::string_view base, std::string_view pattern) : base_(base), pattern_(pattern) {}

  // Writes each message of `in` (read from `inputName`, nullptr = standard
  // input) to a new file, opened as the current output. A malformed message
  // leaves its file with the bytes before the fault. A name this run has
  // written already is a fault: that file is kept and nothing more written.
  // So is a file that cannot be made or written (one of the run's inputs).
  SplitFault splitFile(vorn::ByteInput& in, const char* inputName);

  // Removes the file of a message still being written (after a break), so
  // that a piece without its 0xF7 never looks like a saved message.
  void discardUnfinished();

  std::uint32_t messagesWritten() const { return number_; }

 private:
  std::string base_;
  std::string pattern_;
  std::uint32_t number_ = 0;
  WrittenFiles written_;
  std::string unfinished_;  // the file being written, "" between messages
};

// What a message is in reports: "message 3 of song.syx (at byte offset 12)".
std::string messageSource(std::uint32_t number, const char* inputName, std::uint64_t offset);

}  // namespace sysex
