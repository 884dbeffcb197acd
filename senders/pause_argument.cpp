#include "senders/pause_argument.h"

#include <algorithm>
#include <string_view>

#include "vornlib/numbers.h"

namespace midiio {

std::optional<std::uint32_t> pauseArgument(const char* name) {
  if (!name || name[0] != ';') return std::nullopt;
  std::string_view rest(name + 1);
  const vorn::NumberResult number = vorn::Strz2Dword(rest);
  switch (number.status) {
    case vorn::NumberStatus::Ok: return std::min(number.value, kLongestPauseMs);
    case vorn::NumberStatus::Overflow: return kLongestPauseMs;
    case vorn::NumberStatus::NoDigits: return 0;
  }
  return 0;
}

}  // namespace midiio
