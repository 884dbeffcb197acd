#include "seq/input_fault.h"

#include <utility>

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

}  // namespace seq
