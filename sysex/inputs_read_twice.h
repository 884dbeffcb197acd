#pragma once
// The inputs of a run that reads them all twice, in order: a named regular
// file is opened again by its name for the second pass; standard input and
// a pipe, made rereadable in the first (a pipe's bytes in a temporary
// file), are kept from the first pass for the second.
#include <cstddef>
#include <memory>
#include <vector>

#include "vornlib/streams.h"

namespace sysex {

class InputsReadTwice {
 public:
  // Starts a pass over the inputs from the first.
  void startPass(bool second);
  bool secondPass() const { return second_; }
  // In the second pass, a fresh reading of the next input when the first
  // kept it; else nullptr: open it by name.
  std::unique_ptr<vorn::ByteInput> nextKept();
  // In the first pass, after `in` (the argument `name`, nullptr for
  // standard input) was read: kept unless it is a named regular file.
  void keep(const char* name, std::unique_ptr<vorn::ByteInput> in);
  void clear() { kept_.clear(); }

 private:
  std::vector<std::unique_ptr<vorn::ByteInput>> kept_;  // nullptr: a named file
  std::size_t next_ = 0;
  bool second_ = false;
};

}  // namespace sysex
