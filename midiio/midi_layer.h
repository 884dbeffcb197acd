#pragma once
// The MIDI device layer as the real-time tools call it. A process has one
// connection to its MIDI system (made at the first device lookup), one device
// list snapshotted then, at most one open output and one clock.
//
// Calls that can fail give false and keep the fault (code and detail); the
// tool reports it (lastMidiFault) and ends the run. No call reports or ends
// the run: a wait that Ctrl-C ended fails too, with a fault that is the break.
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
// index in `index`. False, the fault kept, also when there is no MIDI system
// at all (a fault other than kErrNoSuchDevice).
bool findMidiOutput(std::string_view name, int& index);
bool findMidiInput(std::string_view name, int& index);

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

// The snapshot navlin lists; connects first (null, the fault kept, when there is no MIDI system).
const DeviceList* midiDevices();

bool openMidiOutput(int index);
bool sendShortMessage(std::uint32_t packed);
// Returns when every byte has left; the caller may reuse `bytes` at once.
bool sendLongMessage(std::span<const std::uint8_t> bytes);
// Drains, silences what this process left sounding, closes. Safe when closed.
void closeMidiOutput();

bool startClock(std::uint32_t periodMs);
void stopClock();
std::uint32_t clockNow();
// Blocks until clockNow() reaches `due` (wrap-safe), never spinning. Gives
// false, with the fault kept, when the open output failed meanwhile (its
// server left): the wait ends at once then.
bool waitForClock(std::uint32_t due);
// A pause between messages, on the layer's clock; ended early as waitForClock is.
bool pauseMs(std::uint32_t ms);

// The code of the last failure (0 when none), and its detail ("synth:out went away").
std::uint32_t lastMidiError();
const std::string& lastMidiDetail();
// The fault to report for `code`: its text, with the detail of the last
// failure when it is that code. A wait that Ctrl-C ended gives the
// interrupted fault (vornlib/fault.h).
vorn::Fault midiFault(std::uint32_t code);
// The last failure's fault.
vorn::Fault lastMidiFault();

// For the input side: the connected backend (null, the fault kept, when
// there is none), and a fault kept as the last failure (gives false).
Backend* midiBackend();
bool keepMidiFault(std::uint32_t code, std::string detail);

// Tests: run the layer on this backend instead of connecting (closing what was open).
void useMidiBackend(std::unique_ptr<Backend> backend);
// Closes everything and forgets the connection and the snapshot.
void resetMidiLayer();

}  // namespace midiio
