#pragma once
// An expression that holmir or praven could not use: the fault carries the
// evaluator's own code, the byte offset in the text it came from, and its
// message. A break that stopped the evaluator is the break.
#include <string>
#include <string_view>

#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/fault.h"
#include "vornlib/kel/result.h"

namespace midiio {

inline vorn::Fault expressionFault(std::string_view where, const kel::Error& error) {
  if (vorn::breakPending()) return vorn::interruptedFault();
  return vorn::Fault{vorn::errorText(error.code) + ": " + std::string(where) + ", byte offset " +
                         std::to_string(error.offset) + ": " + error.message,
                     std::nullopt, error.code};
}

}  // namespace midiio
