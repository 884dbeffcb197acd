#pragma once
// A serial port carrying raw MIDI bytes: COMn is the device that ZAMO_COMn
// names, else /dev/ttyS(n-1); opened for this process alone, raw 8N1 with no
// flow control and the modem lines down.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "midiio/message.h"
#include "vornlib/status.h"

namespace midiio {

inline constexpr int kFirstSerialPort = 1;
inline constexpr int kLastSerialPort = 127;
inline constexpr std::uint32_t kDefaultBaudRate = 38400;

// The speed an option text names ("110" ... "256000", and "31250" for DIN
// MIDI interfaces), compared exactly; nothing for any other text.
std::optional<std::uint32_t> serialSpeed(std::string_view text);

// The device of port COMn: the value of ZAMO_COMn when set and not empty, else /dev/ttyS(n-1).
std::string serialDevicePath(int portNumber);

// MIDI over an open serial port. Writes block until the driver took every
// byte; a Ctrl-C while blocked stops the write with an interrupted fault.
class SerialMidiOutput {
 public:
  SerialMidiOutput() = default;
  ~SerialMidiOutput() { close(false); }
  SerialMidiOutput(const SerialMidiOutput&) = delete;
  SerialMidiOutput& operator=(const SerialMidiOutput&) = delete;

  // A fault carries an errno value or the suite's own code, and names the port.
  vorn::Status open(int portNumber, std::uint32_t baud);
  bool isOpen() const { return fd_ >= 0; }
  // The bytes the status carries on a serial link (8n-Bn, En, F2: 3; Cn, Dn,
  // F3: 2; F6: 1); every other system status writes nothing.
  vorn::Status sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second);
  vorn::Status write(std::span<const std::uint8_t> bytes);
  // A normal close silences the notes this run left sounding and waits until
  // every byte has left; after a break it drops what is queued and sends All
  // Notes Off and Sustain Off on all 16 channels instead. Safe to repeat.
  void close(bool interrupted);

 private:
  vorn::Fault failure(std::uint32_t code) const;

  int fd_ = -1;
  bool closing_ = false;
  std::string name_;  // "COM3 (/dev/ttyS2)"
  SoundingNotes sounding_;
};

// Bytes a status carries on the serial link (0: not written).
int serialMessageLength(std::uint8_t status);

}  // namespace midiio
