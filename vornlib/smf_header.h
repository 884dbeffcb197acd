#pragma once
// The header chunk of a Standard MIDI File, as every reader of the suite
// takes it: "MThd", a length of at least 6, then format, track count and
// division, big-endian. What each reader accepts of them is its own rule.
#include <array>
#include <cstdint>
#include <span>

#include "vornlib/numbers.h"

namespace vorn {

inline constexpr std::array<std::uint8_t, 4> kSmfHeaderId = {'M', 'T', 'h', 'd'};
inline constexpr std::array<std::uint8_t, 4> kSmfTrackId = {'M', 'T', 'r', 'k'};
// The header's own fields; a longer header carries more, which readers skip.
inline constexpr std::uint32_t kSmfHeaderFieldsLength = 6;

struct SmfHeaderFields {
  std::uint16_t format;
  std::uint16_t tracks;
  std::uint16_t division;
};

inline SmfHeaderFields parseSmfHeaderFields(std::span<const std::uint8_t, kSmfHeaderFieldsLength> fields) {
  return {readBE16(fields.data()), readBE16(fields.data() + 2), readBE16(fields.data() + 4)};
}

}  // namespace vorn
