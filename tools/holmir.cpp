// holmir: records the SysEx messages that arrive at a MIDI input into a SysEx
// file, after an optional request sent to a MIDI output.
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "midiio/port_words.h"
#include "midiio/sysex_recording.h"
#include "scripting/dialogue.h"
#include "vornlib/errors.h"
#include "vornlib/streams.h"

namespace {

constexpr std::uint32_t kNoLimit = 0xFFFFFFFF;
constexpr std::size_t kLargestRequest = 4 * 1024 * 1024;

std::uint32_t messageLimit = kNoLimit;
midiio::DialoguePorts ports{.input = true};  // the output only for a request
std::string requestText;
std::uint32_t timeoutMs = midiio::kDefaultScriptTimeoutMs;

bool optionR(std::string_view text) {
  if (text.empty()) return false;
  requestText = text;
  ports.output = true;
  return true;
}

const vorn::OptionEntry options[] = {
    {'C', vorn::numberOption(messageLimit, 0, kNoLimit, kNoLimit), "-Cn     stop after n messages (-C alone: no limit)",
     "nothing, or a decimal count"},
    {'E', midiio::portOption(midiio::Direction::output, ports.outputIndex, ports.outputChosen),
     "-Ename  the MIDI output for the request (default: ZAMO_MIDI_OUT, else the first port)"},
    {'I', midiio::portOption(midiio::Direction::input, ports.inputIndex, ports.inputChosen),
     "-Iname  the MIDI input to record from (default: ZAMO_MIDI_IN, else the first port)"},
    {'O', vorn::option_o, "-Ofile  write the messages to file instead of standard output"},
    {'R', optionR, "-Rfile  send the bytes of file first; -R:expr sends the bytes of a KEL expression",
     "a file name, or \":\" and an expression"},
    {'M', [](std::string_view) { return false; }, ""},
    {'T', midiio::timeoutOption(timeoutMs, {.fewestSeconds = 1, .blanksAround = false}),
     "-Ts     give up when no data arrives for s seconds, 1 to 120 (default 10)",
     "nothing, or whole seconds from 1 to 120"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options]",
                                        "Records the SysEx messages arriving at a MIDI input, after an optional request."};

int mainProc() {
  frame::conHook(midiio::closeDialogue);
  (void)frame::analoptionEx(descriptor);
  frame::orEnd(midiio::openDialogue(ports, frame::reportNote));
  frame::openout();
  std::string request;
  if (ports.output) frame::orEnd(midiio::requestBytes(requestText, kLargestRequest, request));
  // Nothing from before the start is kept; the reply to the request is.
  frame::orEnd(midiio::startMidiInput());
  midiio::flushInputQueue();
  frame::orEnd(midiio::sendRequest(request));
  frame::orEnd(midiio::recordSysEx(timeoutMs, messageLimit, vorn::getouthandle(),
                                   {.cut = [](const std::string& text) { frame::reportError(text); },
                                    .ended = [](const std::string& text) { frame::reportNote(text); }}));
  const bool lost = midiio::inputOverflow();
  midiio::stopMidiInput();
  if (lost) frame::reportError("MIDIオーバーフローが発生しました");
  frame::closeout();
  midiio::closeDialogue();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("HOLMIR 1.00", argc, argv, mainProc); }
