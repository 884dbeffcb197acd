#pragma once
// The output of one input, when each input has its own: refused when this
// run wrote that file already (two inputs of the same base name: the first
// is kept) or when it is one of the run's inputs.
#include <optional>
#include <string>
#include <string_view>

#include "sysex/written_files.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace sysex {

// oktile -E: one output per input, dir/<input base name>.syx.
class PerFileOutputs {
 public:
  // -Edir: turns them on; any text, an empty one for the current directory.
  bool dirOption(std::string_view dir);
  bool on() const { return on_; }
  // The path of the output of the input `name` ("stdin" for nullptr,
  // standard input); none when no path can be made of it.
  std::optional<std::string> pathFor(const char* name) const;
  // Opens `out` on `path` for the input `name` and records it among those
  // written. The fault says why the input is to be skipped.
  vorn::Status open(const std::string& path, const char* name, vorn::ByteOutput& out);

 private:
  bool on_ = false;
  std::string dir_;
  WrittenFiles written_;
};

}  // namespace sysex
