// droska: sends the SysEx messages of its input files to a MIDI output, one
// complete message at a time, whole or in pieces, with pauses between them.
#include <cstdint>
#include <string_view>

#include "frame/frame.h"
#include "midiio/midi_layer.h"
#include "midiio/pause_argument.h"
#include "midiio/sysex_sender.h"
#include "vornlib/numbers.h"

namespace {

constexpr std::uint32_t kLongestOptionPauseMs = 100000;

midiio::SysExSendSettings settings;
int outputIndex = midiio::kDefaultDevice;
bool outputChosen = false;

// -Dn,ms: pieces of n bytes (not 0) with ms after each.
bool optionD(std::string_view text) {
  const vorn::NumberResult size = vorn::Strz2Dword(text);
  if (!size.ok() || size.value == 0 || text.empty() || text[0] != ',') return false;
  text.remove_prefix(1);
  const vorn::NumberResult pause = vorn::Strz2Dword(text);
  if (!pause.ok() || pause.value > kLongestOptionPauseMs || !text.empty()) return false;
  settings.pieces = true;
  settings.chunkSize = size.value;
  settings.chunkPauseMs = pause.value;
  return true;
}

bool optionE(std::string_view text) {
  outputChosen = midiio::findMidiOutput(text, outputIndex);
  return outputChosen;
}

bool optionS(std::string_view text) {
  std::uint32_t ms;
  if (!vorn::parseWholeDecimal(text, ms) || ms > kLongestOptionPauseMs) return false;
  settings.messagePauseMs = ms;
  return true;
}

bool optionX(std::string_view text) {
  if (!text.empty()) return false;
  settings.shortMessages = true;
  return true;
}

const vorn::OptionEntry options[] = {
    {'D', optionD, "-Dn,ms  send SysEx in pieces of n bytes with ms milliseconds after each"},
    {'E', optionE, "-Ename  the MIDI output to send to (default: ZAMO_MIDI_OUT, else the first port)"},
    {'S', optionS, "-Sms    milliseconds after each message, at most 100000"},
    {'X', optionX, "-X      also send the channel and system messages between SysEx messages"},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.syx | ;ms]...",
                                        "Sends the SysEx messages of files to a MIDI output; \";ms\" pauses."};

int fileProc(const char* name) {
  if (const auto pause = midiio::pauseArgument(name)) {
    midiio::pauseMs(*pause);
    return 1;
  }
  return frame::withInput(name, [] {
    if (!midiio::sendSysExStream(vorn::getinhandle(), settings)) midiio::reportMidiError(midiio::lastMidiError());
  });
}

// Once the options are known, before the first input.
void openOutput() {
  if (!outputChosen) midiio::chooseMidiOutputFromEnvironment(outputIndex);
  if (!midiio::openMidiOutput(outputIndex)) midiio::reportMidiError(midiio::lastMidiError());
}

int mainProc() {
  vorn::conHook(midiio::closeMidiOutput);
  const int files = vorn::analoptionEx(descriptor);
  openOutput();
  frame::forEachInput(descriptor, files, fileProc);
  midiio::closeMidiOutput();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("DROSKA 1.00", argc, argv, mainProc); }
