#pragma once
// A file argument ";ms" asks a sender for a pause instead of a file.
#include <cstdint>
#include <optional>

namespace midiio {

inline constexpr std::uint32_t kLongestPauseMs = 61440;

// The pause a file argument asks for, or nothing when it names a file. Digits
// after ";" give milliseconds, limited to 61440 (too many digits too); no
// digits give 0; whatever follows the digits is ignored.
std::optional<std::uint32_t> pauseArgument(const char* name);

}  // namespace midiio
