#pragma once
// What holmir and praven share around a dialogue with an instrument: the -T
// time-out option, and the ports, opened and closed the same way.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "midiio/midi_layer.h"
#include "scripting/script_host.h"
#include "vornlib/options.h"
#include "vornlib/status.h"
#include "vornlib/streams.h"

namespace midiio {

// How a tool reads -T's whole seconds: the fewest it takes, and whether
// blanks may stand around the number.
struct TimeoutRule {
  std::uint32_t fewestSeconds;
  bool blanksAround;
};

// -Ts: s seconds, at most kLongestScriptTimeoutMs, into `timeoutMs`; -T
// alone sets the default (kDefaultScriptTimeoutMs).
vorn::OptionHandler timeoutOption(std::uint32_t& timeoutMs, TimeoutRule rule);

// The ports a dialogue wants. A wanted port that no option chose is the one
// the environment names (ZAMO_MIDI_OUT, ZAMO_MIDI_IN), else the default.
struct DialoguePorts {
  bool output = false;
  int outputIndex = kDefaultDevice;
  bool outputChosen = false;
  bool input = false;
  int inputIndex = kDefaultDevice;
  bool inputChosen = false;
};

// Starts the clock, then opens the output and the input that are wanted, in
// that order, each ready for SysEx; `note` gets the line that names a port
// the default chose (defaultPortNote) as soon as it is open.
vorn::Status openDialogue(DialoguePorts& ports, const std::function<void(const std::string&)>& note);
// Stops the clock and closes the input and the output. Safe when closed.
void closeDialogue();

// A request's bytes (holmir -R): after ":" a KEL expression's, else a
// file's, read to its end (so pipes and /dev/stdin work), at most `limit`.
vorn::Status requestBytes(const std::string& text, std::size_t limit, std::string& bytes);
// Sends a request's bytes to the output as one message; nothing when there are none.
vorn::Status sendRequest(const std::string& bytes);

// Runs `script` on `host` in one session, so that locals persist between
// expressions, recording from the input meanwhile when the host's settings
// enable it. Each value's bytes go to `out` at once (each answer as the
// dialogue goes on), unless `evaluateOnly`. Fails with the fault of an
// expression the evaluator could not use, or of the input.
vorn::Status runScript(std::string_view script, ScriptHost& host, bool evaluateOnly, vorn::ByteOutput& out);

}  // namespace midiio
