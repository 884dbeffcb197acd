// teskar: plays DORNA streams in real time to a MIDI output or, with -C, to a
// serial port carrying raw MIDI bytes. Each input is loaded whole, then
// played against the layer's clock, whose period is one step.
#include "frame/frame.h"
#include "frame/on_every_way_out.h"
#include "frame/progress_line.h"
#include "midiio/dorna_loader.h"
#include "senders/pause_argument.h"
#include "senders/play_output.h"
#include "senders/sender_options.h"
#include "vornlib/breaks.h"

namespace {

constexpr std::uint32_t kSmallestPiece = 64;

midiio::DornaPlaySettings settings;
midiio::PlayOutput output;
midiio::DornaBuffer playBuffer;
std::uint64_t playSteps = 0;  // the loaded stream's length, its delays added up
// On a terminal, the time played and the stream's length, redrawn each second.
frame::ProgressLine progress;

const vorn::OptionEntry options[] = {
    {'B', output.speedOption(), "-Bbaud  serial speed (default 38400; 110 ... 256000, or 31250 for DIN MIDI)",
     "one of the speeds 110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 256000 31250"},
    {'C', output.serialOption(), "-Cn     play to serial port COMn (ZAMO_COMn, else /dev/ttyS(n-1)) instead of MIDI",
     "a serial port number from 1 to 127"},
    {'D', midiio::piecesOption(kSmallestPiece, {settings.pieces, settings.chunkSize, settings.chunkPauseMs}),
     "-Dn,ms  play SysEx in pieces of n bytes (at least 64) with ms milliseconds after each",
     "a piece size of at least 64, a comma and a pause of at most 100000 ms"},
    {'E', output.midiOption(),
     "-Ename  the MIDI output to play to (default: ZAMO_MIDI_OUT, else the first port)", "the name of a MIDI output as navlin lists it"},
    {'S', midiio::pauseOption(settings.messagePauseMs), "-Sms    milliseconds after each SysEx record, at most 100000",
     midiio::kPauseWants},
    {'T', vorn::numberOption(settings.stepLengthMs, 1, 0xFFFFFFFF),
     "-Tms    milliseconds per step, a whole number (default 8)", "a whole number of milliseconds per step, not 0"},
    {'X', frame::flagOption([] { settings.playSysEx = true; }), "-X      play SysEx records (skipped without)",
     vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.dorna | ;ms]...",
                                        "Plays DORNA streams to a MIDI output or a serial port; \";ms\" pauses."};

int fileProc(const char* name) {
  if (const auto pause = midiio::pauseArgument(name)) {
    frame::orEnd(midiio::pauseMs(*pause));
    return 1;
  }
  // Nothing of a stream is played before all of it has loaded.
  frame::withInput(name, [] { frame::orFailInput(midiio::loadDorna(vorn::getinhandle(), playBuffer, playSteps)); });
  progress.begin(playSteps * settings.stepLengthMs);
  frame::orEnd(output.play(playBuffer, settings));
  progress.clear();
  return 1;
}

// The close routine: at the end of the run, on Ctrl-C or SIGTERM (as the
// break hook), and when an error ends the run. Safe to repeat.
void closeOutput() {
  progress.clear();
  output.close(vorn::breakPending());
}

int mainProc() {
  frame::conHook(closeOutput);
  const int files = frame::analoptionEx(descriptor);
  if (frame::ProgressLine::wanted()) settings.onProgress = [](std::uint32_t playedMs) { progress.show(playedMs); };
  frame::OnEveryWayOut closing(closeOutput);
  // Once the options are known, before the first input.
  frame::orEnd(output.open());
  if (auto note = output.defaultNote()) frame::reportNote(*note);
  frame::forEachInput(descriptor, files, fileProc);
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("TESKAR 1.01", argc, argv, mainProc); }
