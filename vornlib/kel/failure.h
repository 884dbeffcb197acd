#pragma once
// Inside the library an error unwinds to the Session entry point as a
// Failure; Session turns it into the Error of a Result. Never seen by callers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vornlib/kel/result.h"

namespace kel::detail {

struct Failure {
  Error error;
};

[[noreturn]] inline void fail(std::uint32_t code, std::size_t offset, std::string message) {
  throw Failure{Error{code, offset, std::move(message)}};
}

}  // namespace kel::detail
