// praven: holds a dialogue with MIDI instruments under the control of a KEL
// script: each expression may send, wait for replies, and give bytes that
// are written to the output.
#include <cstdint>
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "scripting/device_option.h"
#include "scripting/dialogue.h"
#include "scripting/script_host.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/streams.h"

namespace {

midiio::ScriptSettings settings;
bool evaluateOnly = false;
// Each port is opened only when its option named it.
midiio::DialoguePorts ports{.outputChosen = true, .inputChosen = true};

bool optionD(std::string_view text) {
  std::uint32_t n;
  if (!vorn::parseBlankedDecimal(text, n)) return false;
  settings.deviceNumber = static_cast<std::int32_t>(n);
  return true;
}

const vorn::OptionEntry options[] = {
    {'D', optionD, "-Dn     the number the script reads as devno", "a decimal number"},
    {'E', midiio::deviceOption(midiio::Direction::output, ports.outputIndex, settings.outputEnabled),
     "-Ename  the MIDI output (-E alone: ZAMO_MIDI_OUT); without E nothing is sent"},
    {'I', midiio::deviceOption(midiio::Direction::input, ports.inputIndex, settings.inputEnabled),
     "-Iname  the MIDI input (-I alone: ZAMO_MIDI_IN); without I nothing is received"},
    {'N', vorn::option_n, ""},
    {'O', vorn::option_o, "-Ofile  write to file instead of standard output"},
    {'T', midiio::timeoutOption(settings.timeoutMs, {.fewestSeconds = 0, .blanksAround = true}),
     "-Ts     wait at most s seconds (0 to 120, default 10) for each piece of data",
     "nothing, or whole seconds from 0 to 120"},
    {'X', frame::flagOption([] { evaluateOnly = true; }), "-X      evaluate only: write nothing of the values"},
    {'Z', frame::flagOption([] { settings.emptyOnTimeout = true; }),
     "-Z      a receive that times out gives an empty byte string instead of 0"},
};
const vorn::OptionDescriptor descriptor{options, 1, "[options] script [file...]",
                                        "Runs a KEL script that sends to and receives from MIDI instruments."};

int mainProc() {
  frame::conHook(midiio::closeDialogue);
  (void)frame::analoptionEx(descriptor);
  const char* script = vorn::getparamDirect(1);
  if (!script || !*script) {
    frame::fail(vorn::Fault{vorn::errorText(vorn::kErrNoScript) + ": praven needs a script as its first word",
                            std::nullopt, vorn::kErrNoScript});
  }
  for (const char* name : vorn::fileArguments()) settings.fileArgs.emplace_back(name);
  ports.output = settings.outputEnabled;
  ports.input = settings.inputEnabled;
  frame::orEnd(midiio::openDialogue(ports, frame::reportNote));
  frame::openout();
  // A reply that came cut is an error of the run, which goes on.
  midiio::ScriptHost host(settings, [](const std::string& cut) { frame::reportError(cut); });
  frame::orEnd(midiio::runScript(script, host, evaluateOnly, vorn::getouthandle()));
  frame::closeout();
  midiio::closeDialogue();
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("PRAVEN 1.00", argc, argv, mainProc); }
