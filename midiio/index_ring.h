#pragma once
// Pool indices passed between the input's producer and its reader.
#include <cstdint>

#include "midiio/spsc_ring.h"

namespace midiio {

using IndexRing = SpscRing<std::uint32_t>;

}  // namespace midiio
