#pragma once
// The bytes the sending thread hands to a real-time callback.
#include <cstddef>

#include "midiio/spsc_ring.h"

namespace midiio {

class ByteRing : public SpscRing<unsigned char> {
 public:
  using SpscRing::SpscRing;
  using SpscRing::peek;
  using SpscRing::write;
  bool write(const void* bytes, std::size_t n) { return write(static_cast<const unsigned char*>(bytes), n); }
  bool peek(void* out, std::size_t n, std::size_t skip = 0) const {
    return peek(static_cast<unsigned char*>(out), n, skip);
  }
};

}  // namespace midiio
