#pragma once
// Runs a converter in-process on bytes in memory: the current input reads
// `input`, the current output collects what is written. A run ended by an
// input error is caught, with what was written before it.
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "vornlib/console.h"
#include "vornlib/streams.h"

namespace seqtest {

struct Outcome {
  std::string out;
  bool failed = false;
  std::uint64_t stoppedAt = 0;  // input offset where reading ended
};

template <typename Convert>
Outcome runInMemory(std::string_view input, Convert&& convert) {
  vorn::resetRunState();
  frame::curInputName = nullptr;
  vorn::getinhandle().openMemory(input);
  vorn::getouthandle().openMemory();
  Outcome outcome;
  try {
    convert();
  } catch (const vorn::RunEnded&) {
    outcome.failed = true;
  }
  outcome.stoppedAt = vorn::currentInputOffset();
  vorn::getouthandle().flush();
  outcome.out = vorn::getouthandle().memoryBytes();
  vorn::closein();
  return outcome;
}

}  // namespace seqtest
