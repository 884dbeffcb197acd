#include "senders/play_output.h"

#include <span>

#include "midiio/port_words.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"

namespace midiio {
namespace {

// Sends to the MIDI output; the layer sends as many bytes as the status carries.
class MidiTarget final : public DornaTarget {
 public:
  vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) override {
    return sendShortMessage(status | static_cast<std::uint32_t>(first) << 8 | static_cast<std::uint32_t>(second) << 16);
  }
  vorn::Status sendBytes(std::span<const std::uint8_t> bytes) override { return sendLongMessage(bytes); }
};

// A serial port's fault as it is reported: the code's text, then the port
// ("Input/output error: serial port COM1 (/dev/ttyS0)"). Ctrl-C's stays the break.
vorn::Status serialFault(vorn::Status status) {
  if (status) return status;
  const vorn::Fault& fault = status.fault();
  return vorn::Fault{vorn::errorText(fault.code) + ": " + fault.text, std::nullopt, fault.code};
}

class SerialTarget final : public DornaTarget {
 public:
  explicit SerialTarget(SerialMidiOutput& serial) : serial_(serial) {}
  vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) override {
    return serialFault(serial_.sendShort(status, first, second));
  }
  vorn::Status sendBytes(std::span<const std::uint8_t> bytes) override { return serialFault(serial_.write(bytes)); }

 private:
  SerialMidiOutput& serial_;
};

}  // namespace

vorn::OptionHandler PlayOutput::speedOption() {
  return [this](std::string_view text) {
    const auto speed = serialSpeed(text);
    if (speed) baudRate_ = *speed;
    return speed.has_value();
  };
}

vorn::OptionHandler PlayOutput::serialOption() {
  return [this](std::string_view text) {
    std::uint32_t number;
    if (!vorn::parseDecimalIn(text, kFirstSerialPort, kLastSerialPort, number)) return false;
    serialPort_ = static_cast<int>(number);
    toSerial_ = true;
    return true;
  };
}

vorn::OptionHandler PlayOutput::midiOption() { return portOption(Direction::output, outputIndex_, outputChosen_); }

vorn::Status PlayOutput::open() {
  if (toSerial_) return serialFault(serial_.open(serialPort_, baudRate_));
  if (!outputChosen_) {
    if (vorn::Status status = chooseMidiOutputFromEnvironment(outputIndex_); !status) return status;
  }
  return openMidiOutput(outputIndex_);
}

std::optional<std::string> PlayOutput::defaultNote() const {
  if (toSerial_) return std::nullopt;
  return defaultPortNote(Direction::output, outputIndex_);
}

vorn::Status PlayOutput::play(const DornaBuffer& stream, const DornaPlaySettings& settings) {
  if (toSerial_) {
    SerialTarget target(serial_);
    return playDorna(stream, settings, target);
  }
  MidiTarget target;
  return playDorna(stream, settings, target);
}

void PlayOutput::close(bool interrupted) {
  stopClock();
  closeMidiOutput();
  serial_.close(interrupted);
}

}  // namespace midiio
