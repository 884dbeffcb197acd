#pragma once
// Runs a converter in-process on bytes in memory: the current input reads
// `input`, the current output collects what is written. A run ended by an
// input error is caught, with what was written before it; stderr shows the
// report.
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "vornlib/console.h"
#include "vornlib/streams.h"

namespace seqtest {

struct Outcome {
  std::string out;
  bool ended = false;   // the run was ended early, for whatever reason
  bool failed = false;  // it ended on an error it reported
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
  } catch (const vorn::RunEnded& ended) {
    outcome.ended = true;
    outcome.failed = ended.status == vorn::kExitError && vorn::errorReported();
  }
  outcome.stoppedAt = vorn::currentInputOffset();
  vorn::getouthandle().flush();
  outcome.out = vorn::getouthandle().memoryBytes();
  vorn::closein();
  return outcome;
}

}  // namespace seqtest
