// teskar: plays DORNA streams in real time to a MIDI output or, with -C, to a
// serial port carrying raw MIDI bytes. Each input is loaded whole, then
// played against the layer's clock, whose period is one step.
#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frame/frame.h"
#include "frame/progress_line.h"
#include "midiio/dorna_loader.h"
#include "midiio/dorna_player.h"
#include "midiio/midi_layer.h"
#include "senders/pause_argument.h"
#include "midiio/port_words.h"
#include "senders/sender_options.h"
#include "midiio/serial_port.h"
#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"

namespace {

constexpr std::uint32_t kSmallestPiece = 64;

midiio::DornaPlaySettings settings;
bool toSerial = false;
int serialPort = 1;
std::uint32_t baudRate = midiio::kDefaultBaudRate;
int outputIndex = midiio::kDefaultDevice;
bool outputChosen = false;

midiio::DornaBuffer playBuffer;
std::uint64_t playSteps = 0;  // the loaded stream's length, its delays added up
midiio::SerialMidiOutput serial;
// On a terminal, the time played and the stream's length, redrawn each second.
frame::ProgressLine progress;

// -B: one of the speeds, as written.
bool optionB(std::string_view text) {
  const auto speed = midiio::serialSpeed(text);
  if (speed) baudRate = *speed;
  return speed.has_value();
}

// -Cn: serial port COMn instead of a MIDI output.
bool optionC(std::string_view text) {
  std::uint32_t number;
  if (!vorn::parseWholeDecimal(text, number) || number < midiio::kFirstSerialPort ||
      number > midiio::kLastSerialPort) {
    return false;
  }
  serialPort = static_cast<int>(number);
  toSerial = true;
  return true;
}

// -Tms: whole milliseconds per step, not 0.
bool optionT(std::string_view text) {
  std::uint32_t ms;
  if (!vorn::parseWholeDecimal(text, ms) || ms == 0) return false;
  settings.stepLengthMs = ms;
  return true;
}

const vorn::OptionEntry options[] = {
    {'B', optionB, "-Bbaud  serial speed (default 38400; 110 ... 256000, or 31250 for DIN MIDI)",
     "one of the speeds 110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 57600 115200 128000 256000 31250"},
    {'C', optionC, "-Cn     play to serial port COMn (ZAMO_COMn, else /dev/ttyS(n-1)) instead of MIDI",
     "a serial port number from 1 to 127"},
    {'D', midiio::piecesOption(kSmallestPiece, {settings.pieces, settings.chunkSize, settings.chunkPauseMs}),
     "-Dn,ms  play SysEx in pieces of n bytes (at least 64) with ms milliseconds after each",
     "a piece size of at least 64, a comma and a pause of at most 100000 ms"},
    {'E', midiio::outputOption(outputIndex, outputChosen),
     "-Ename  the MIDI output to play to (default: ZAMO_MIDI_OUT, else the first port)", "the name of a MIDI output as navlin lists it"},
    {'S', midiio::pauseOption(settings.messagePauseMs), "-Sms    milliseconds after each SysEx record, at most 100000",
     midiio::kPauseWants},
    {'T', optionT, "-Tms    milliseconds per step, a whole number (default 8)",
     "a whole number of milliseconds per step, not 0"},
    {'X', frame::flagOption([] { settings.playSysEx = true; }), "-X      play SysEx records (skipped without)",
     vorn::kWantsNoText},
};
const vorn::OptionDescriptor descriptor{options, 0, "[options] [file.dorna | ;ms]...",
                                        "Plays DORNA streams to a MIDI output or a serial port; \";ms\" pauses."};

// Sends to the MIDI output; the layer sends as many bytes as the status carries.
class MidiTarget final : public midiio::DornaTarget {
 public:
  vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) override {
    return midiio::sendShortMessage(status | static_cast<std::uint32_t>(first) << 8 |
                                    static_cast<std::uint32_t>(second) << 16);
  }
  vorn::Status sendBytes(std::span<const std::uint8_t> bytes) override { return midiio::sendLongMessage(bytes); }
};

// A serial port's fault as it is reported: the code's text, then the port
// ("Input/output error: serial port COM1 (/dev/ttyS0)"). Ctrl-C's stays the break.
vorn::Status serialFault(vorn::Status status) {
  if (status) return status;
  const vorn::Fault& fault = status.fault();
  return vorn::Fault{vorn::errorText(fault.code) + ": " + fault.text, std::nullopt, fault.code};
}

class SerialTarget final : public midiio::DornaTarget {
 public:
  vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) override {
    return serialFault(serial.sendShort(status, first, second));
  }
  vorn::Status sendBytes(std::span<const std::uint8_t> bytes) override { return serialFault(serial.write(bytes)); }
};

// Plays playBuffer to `target`; a failure ends the run with its report.
void playTo(midiio::DornaTarget& target) { frame::orEnd(midiio::playDorna(playBuffer, settings, target)); }

void play() {
  progress.begin(playSteps * settings.stepLengthMs);
  if (toSerial) {
    SerialTarget target;
    playTo(target);
  } else {
    MidiTarget target;
    playTo(target);
  }
  progress.clear();
}

int fileProc(const char* name) {
  if (const auto pause = midiio::pauseArgument(name)) {
    frame::orEnd(midiio::pauseMs(*pause));
    return 1;
  }
  // Nothing of a stream is played before all of it has loaded.
  frame::withInput(name, [] {
    if (vorn::Status loaded = midiio::loadDorna(vorn::getinhandle(), playBuffer, playSteps); !loaded) {
      frame::failInput(loaded.fault());
    }
  });
  play();
  return 1;
}

// Once the options are known, before the first input. With -C the serial
// port is used even when -E named a MIDI output.
void openOutput() {
  if (toSerial) {
    frame::orEnd(serialFault(serial.open(serialPort, baudRate)));
    return;
  }
  if (!outputChosen) frame::orEnd(midiio::chooseMidiOutputFromEnvironment(outputIndex));
  frame::orEnd(midiio::openMidiOutput(outputIndex));
  if (auto note = midiio::defaultPortNote(midiio::Direction::output, outputIndex)) frame::reportNote(*note);
}

// The close routine: at the end of the run, on Ctrl-C or SIGTERM (as the
// break hook), and when an error ends the run. Safe to repeat.
void closeOutput() {
  progress.clear();
  midiio::stopClock();
  midiio::closeMidiOutput();
  serial.close(vorn::breakPending());
}

struct ClosedOnEveryWayOut {
  ~ClosedOnEveryWayOut() { closeOutput(); }
};

int mainProc() {
  frame::conHook(closeOutput);
  const int files = frame::analoptionEx(descriptor);
  if (frame::ProgressLine::wanted()) settings.onProgress = [](std::uint32_t playedMs) { progress.show(playedMs); };
  ClosedOnEveryWayOut closing;
  openOutput();
  frame::forEachInput(descriptor, files, fileProc);
  return 1;
}

}  // namespace

int main(int argc, char** argv) { return frame::runTool("TESKAR 1.01", argc, argv, mainProc); }
