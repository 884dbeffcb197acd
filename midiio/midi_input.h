#pragma once
// The input side of the MIDI device layer: one open input at a time, its
// queue, and SysEx assembly for holmir and praven. Calls give their faults
// as the output side's do (midi_layer.h); a receive gives how it ended
// together with the fault of one that failed (Reception).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "midiio/input_queue.h"
#include "midiio/sysex_assembly.h"
#include "vornlib/status.h"

namespace midiio {

// Opens and connects input `index` (kDefaultDevice: the first that is not a
// loopback) with pools of the given sizes; nothing is queued before start.
vorn::Status openMidiInput(int index, std::size_t nodeCount, std::size_t blockCount, std::uint32_t mode);
// Clears the overflow flag and starts recording; time stamps count from here.
vorn::Status startMidiInput();
// Stops recording and flushes the queue.
void stopMidiInput();
// Stops the producer for good, then frees the pools. Safe when closed.
void closeMidiInput();

bool readInputEvent(InputEvent& event);
// Drops everything queued and any held-back chunk; clears the overflow flag.
void flushInputQueue();
bool inputOverflow();

// How a receive ended. On Received::failed and sourceLeft, why: the fault
// to report (the interrupted fault after Ctrl-C: the caller ends the run as
// a break does), and the layer's detail alone ("synth:out went away").
struct Reception {
  Received how = Received::message;
  vorn::Fault fault = {};
  std::string detail = {};
};

// One chunk (as waitSysExChunk / nextSysExChunk of SysExAssembly).
Reception waitSysExChunk(std::uint32_t timeoutMs);
Reception nextSysExChunk(std::uint32_t timeoutMs);
const InputEvent& lastSysExChunk();
// One whole message to `sink`.
Reception receiveSysEx(std::uint32_t timeoutMs, const SysExSink& sink);
// The same, handing `watch` every event taken off the queue (short messages
// too, which the assembly passes over) before the assembly sees it.
using InputWatch = std::function<void(const InputEvent&)>;
Reception receiveSysEx(std::uint32_t timeoutMs, const SysExSink& sink, const InputWatch& watch);
// Everything the input dropped so far.
InputLoss inputLoss();
// How the last receiveSysEx ended its message: whole, or cut and closed by F7.
const SysExCut& lastSysExCut();

}  // namespace midiio
