#pragma once
// The MIDI device layer as the real-time tools call it. A process has one
// connection to its MIDI system (made at the first device lookup), one device
// list snapshotted then, at most one open output and one clock.
//
// Calls that can fail give their fault: the code and "its text: the detail";
// the tool reports it and ends the run. No call reports or ends the run: a
// wait that Ctrl-C ended fails too, with the interrupted fault
// (vornlib/fault.h), and the tool ends the run as a break.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "midiio/backend.h"
#include "vornlib/status.h"

namespace midiio {

inline constexpr int kDefaultDevice = -1;

// Looks `name` up (whole name, ASCII case folded); on a match stores its
// index in `index`. Fails with kErrNoSuchDevice on a miss, with another
// fault when there is no MIDI system at all.
vorn::Status findMidiOutput(std::string_view name, int& index);
vorn::Status findMidiInput(std::string_view name, int& index);

// For a device not named by option: ZAMO_MIDI_OUT / ZAMO_MIDI_IN when set and
// not empty, else the default (-1). Fails for a value of 260 bytes or more,
// or one that names no device.
vorn::Status chooseMidiOutputFromEnvironment(int& index);
vorn::Status chooseMidiInputFromEnvironment(int& index);
// The variable that names the default device of `direction`, and its value
// in `name` (empty when not set or empty); a value of 260 bytes or more is a
// fault (kErrEnvTooLong).
const char* deviceVariable(Direction direction);
vorn::Status deviceNameFromEnvironment(Direction direction, std::string& name);

// The snapshot navlin lists, in `devices`; connects first (fails when there
// is no MIDI system).
vorn::Status midiDevices(const DeviceList*& devices);

vorn::Status openMidiOutput(int index);
vorn::Status sendShortMessage(std::uint32_t packed);
// Returns when every byte has left; the caller may reuse `bytes` at once.
vorn::Status sendLongMessage(std::span<const std::uint8_t> bytes);
// Drains, silences what this process left sounding, closes. Safe when closed.
void closeMidiOutput();

vorn::Status startClock(std::uint32_t periodMs);
void stopClock();
std::uint32_t clockNow();
// Blocks until clockNow() reaches `due` (wrap-safe), never spinning. Fails
// when the open output failed meanwhile (its server left): the wait ends at
// once then; and for a break.
vorn::Status waitForClock(std::uint32_t due);
// A pause between messages, on the layer's clock; ended early as waitForClock is.
vorn::Status pauseMs(std::uint32_t ms);

// The fault of layer code `code` (a MIDI code, an errno value or the
// suite's own): its text, then ": " and `detail` when there is one
// ("port no longer exists: synth:in"). kMidiInterrupted, a wait that Ctrl-C
// ended, gives the interrupted fault's code.
vorn::Fault midiFault(std::uint32_t code, const std::string& detail = {});

// For the input side: the connected backend; null when there is none
// (midiDevices gives the fault).
Backend* midiBackend();

// Tests: run the layer on this backend instead of connecting (closing what was open).
void useMidiBackend(std::unique_ptr<Backend> backend);
// Closes everything and forgets the connection and the snapshot.
void resetMidiLayer();

}  // namespace midiio
