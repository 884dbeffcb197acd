#pragma once
// Where a DORNA stream plays: a MIDI output, or a serial port carrying raw
// MIDI bytes. A serial port, once chosen, is used even when a MIDI output
// was named too.
#include <cstdint>
#include <optional>
#include <string>

#include "midiio/dorna_player.h"
#include "midiio/midi_layer.h"
#include "midiio/serial_port.h"
#include "vornlib/options.h"
#include "vornlib/status.h"

namespace midiio {

class PlayOutput {
 public:
  // -Bbaud: one of the serial speeds, as written.
  vorn::OptionHandler speedOption();
  // -Cn: serial port COMn instead of a MIDI output.
  vorn::OptionHandler serialOption();
  // -Ename: the MIDI output, as findMidiOutput finds it.
  vorn::OptionHandler midiOption();

  // Opens the serial port, or the MIDI output named (else the environment's,
  // else the first). A serial port's fault reads "the code's text: the port".
  vorn::Status open();
  // After the default MIDI output was opened: the line that names it, as
  // defaultPortNote gives it; none for a serial port.
  std::optional<std::string> defaultNote() const;
  vorn::Status play(const DornaBuffer& stream, const DornaPlaySettings& settings);
  // Stops the clock and closes what is open; after a break the serial port
  // drops what is queued. Safe to repeat.
  void close(bool interrupted);

 private:
  bool toSerial_ = false;
  int serialPort_ = 1;
  std::uint32_t baudRate_ = kDefaultBaudRate;
  int outputIndex_ = kDefaultDevice;
  bool outputChosen_ = false;
  SerialMidiOutput serial_;
};

}  // namespace midiio
