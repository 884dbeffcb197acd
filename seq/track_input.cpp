#include "seq/track_input.h"

namespace seq {

void TrackInput::copy(std::uint32_t count) {
  std::uint32_t inside = take(count);
  copyInputToOutput(inside);
  if (inside < count) failMalformed();
}

void TrackInput::skip(std::uint32_t count) {
  std::uint32_t inside = take(count);
  skipInput(inside);
  if (inside < count) failMalformed();
}

}  // namespace seq
