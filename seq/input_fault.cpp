#include "seq/input_fault.h"

#include <cstdio>
#include <utility>

#include "vornlib/console.h"
#include "vornlib/errors.h"
#include "vornlib/streams.h"

namespace seq {

InputFault endsAt(std::string text, std::uint64_t offset) {
  // An empty input is most often a failed leader in a pipe: "no input" keeps
  // the blame where it belongs.
  if (offset == 0) return {"no input", std::nullopt};
  return {std::move(text), offset};
}

InputFault endsInside(std::string_view what, std::uint64_t offset) {
  return endsAt("input ends inside " + std::string(what), offset);
}

void endRunOn(const InputFault& fault) {
  if (fault.offset) vorn::failCurrentInput(vorn::kErrMalformedInput, fault.text, fault.offset);
  vorn::errBoxAt(vorn::getinhandle().name(), fault.text);
  vorn::conBreak();
}

}  // namespace seq
