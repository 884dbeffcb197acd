#pragma once
// Runs a converter in-process on bytes in memory: it reads `input`, the
// current output collects what is written, and the fault it returns (if
// any) is kept with what was written before it. A callable that takes no
// input (a writer alone) is run the same way.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "seq/input_fault.h"
#include "vornlib/breaks.h"
#include "vornlib/streams.h"

namespace seq {
// Readable test failures.
inline void PrintTo(const InputFault& fault, std::ostream* os) {
  *os << '"' << fault.text << "\" at " << (fault.offset ? std::to_string(*fault.offset) : "(none)");
}
}  // namespace seq

namespace seqtest {

struct Outcome {
  std::string out;
  std::optional<seq::InputFault> fault;
  bool failed() const { return fault.has_value(); }
  std::uint64_t stoppedAt = 0;  // input offset where reading ended
};

template <typename Convert>
Outcome runInMemory(std::string_view input, Convert&& convert) {
  vorn::clearBreak();
  vorn::ByteInput in;
  in.openMemory(input);
  vorn::getouthandle().openMemory();
  Outcome outcome;
  if constexpr (std::is_invocable_v<Convert, vorn::ByteInput&>) {
    outcome.fault = convert(in);
  } else {
    convert();  // a writer alone
  }
  outcome.stoppedAt = in.offset();
  vorn::getouthandle().flush();
  outcome.out = vorn::getouthandle().memoryBytes();
  return outcome;
}

}  // namespace seqtest
