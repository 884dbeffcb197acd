// droska: sends the SysEx messages of its input files to a MIDI output, one
// complete message at a time, whole or in pieces, with pauses between them.
#include <cstdint>
#include <string_view>

#include "frame/frame.h"
#include "midiio/midi_layer.h"
#include "senders/pause_argument.h"
#include "midiio/port_words.h"
#include "senders/sender_options.h"
#include "midiio/sysex_sender.h"

namespace {

midiio::SysExSendSettings settings;
int outputIndex = midiio::kDefaultDevice;
bool outputChosen = false;

bool optionX(std::string_view text) {
  if (!text.empty()) return false;
  settings.shortMessages = true;
  return true;
}

const vorn::OptionEntry options[] = {
    {'D', midiio::piecesOption(1, {settings.pieces, settings.chunkSize, settings.chunkPauseMs}),
     "-Dn,ms  send SysEx in pieces of n bytes with ms milliseconds after each"},
    {'E', midiio::portOption(midiio::Direction::output, outputIndex, outputChosen),
     "-Ename  the MIDI output to send to (default: ZAMO_MIDI_OUT, else the first port)"},
    {'S', midiio::pauseOption(settings.messagePauseMs), "-Sms    milliseconds after each message, at most 100000"},
    {'X', optionX, "-X      also send the channel and system messages between SysEx messages"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx | ;ms]...",
                                        "Sends the SysEx messages of files to a MIDI output; \";ms\" pauses."};

int fileProc(const char* name) {
  if (const auto pause = midiio::pauseArgument(name)) {
    frame::orEnd(midiio::pauseMs(*pause));
    return 1;
  }
  return frame::withInput(name, [] {
    frame::orEnd(midiio::sendSysExStream(vorn::getinhandle(), settings));
  });
}

// Once the options are known, before the first input.
void openOutput() {
  if (!outputChosen) frame::orEnd(midiio::chooseMidiOutputFromEnvironment(outputIndex));
  frame::orEnd(midiio::openMidiOutput(outputIndex));
  if (auto note = midiio::defaultPortNote(midiio::Direction::output, outputIndex)) frame::reportNote(*note);
}

int mainProc() {
  frame::conHook(midiio::closeMidiOutput);
  const int files = frame::analoptionEx(descriptor);
  openOutput();
  frame::forEachInput(descriptor, files, fileProc);
  midiio::closeMidiOutput();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("DROSKA 1.00", argc, argv, mainProc); }
