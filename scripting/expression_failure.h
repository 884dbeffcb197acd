#pragma once
// An expression that holmir or praven could not use ends the run with the
// evaluator's own code, the byte offset in the text it came from, and its
// message. A break that stopped the evaluator ends the run as a break.
#include <string>
#include <string_view>

#include "midiio/midi_layer.h"
#include "vornlib/console.h"
#include "vornlib/kel/result.h"

namespace midiio {

[[noreturn]] inline void reportExpressionFailure(std::string_view where, const kel::Error& error) {
  vorn::pollBreak();
  keepMidiFault(error.code, std::string(where) + ", byte offset " + std::to_string(error.offset) + ": " + error.message);
  reportMidiError(error.code);
}

}  // namespace midiio
