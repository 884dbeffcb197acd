#include "midiio/serial_port.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "midiio/serial_speed.h"
#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/midi_status.h"

namespace midiio {
namespace {

struct Speed {
  std::string_view text;
  std::uint32_t baud;
  speed_t constant;  // B0: termios has none, set through termios2
};

// Option B's speeds in the order they are searched; 31250 is the DIN MIDI rate.
constexpr Speed kSpeeds[] = {
    {"110", 110, B110},       {"300", 300, B300},         {"600", 600, B600},       {"1200", 1200, B1200},
    {"2400", 2400, B2400},    {"4800", 4800, B4800},      {"9600", 9600, B9600},    {"14400", 14400, B0},
    {"19200", 19200, B19200}, {"38400", 38400, B38400},   {"56000", 56000, B0},     {"57600", 57600, B57600},
    {"115200", 115200, B115200}, {"128000", 128000, B0}, {"256000", 256000, B0},   {"31250", 31250, B0},
};

const Speed* findSpeed(std::uint32_t baud) {
  for (const Speed& speed : kSpeeds) {
    if (speed.baud == baud) return &speed;
  }
  return nullptr;
}

// Raw 8N1, no flow control, no modem control: bytes go out exactly as written.
int configureLine(int fd, std::uint32_t baud) {
  termios line{};
  if (tcgetattr(fd, &line) != 0) return errno;
  cfmakeraw(&line);
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | PARMRK);
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  line.c_cc[VMIN] = 1;
  line.c_cc[VTIME] = 0;
  const Speed* speed = findSpeed(baud);
  if (speed && speed->constant != B0) {
    cfsetispeed(&line, speed->constant);
    cfsetospeed(&line, speed->constant);
  }
  if (tcsetattr(fd, TCSANOW, &line) != 0) return errno;
  if (!speed || speed->constant == B0) return setSerialSpeed(fd, baud);
  return 0;
}

void silenceAllChannels(std::span<std::uint8_t, 96> bytes) {
  for (std::size_t channel = 0; channel < 16; ++channel) {
    const std::uint8_t control = static_cast<std::uint8_t>(0xB0 | channel);
    const std::uint8_t both[6] = {control, 123, 0, control, 64, 0};  // All Notes Off, Sustain Off
    std::copy(both, both + 6, bytes.begin() + static_cast<std::ptrdiff_t>(channel * 6));
  }
}

}  // namespace

std::optional<std::uint32_t> serialSpeed(std::string_view text) {
  for (const Speed& speed : kSpeeds) {
    if (speed.text == text) return speed.baud;
  }
  return std::nullopt;
}

std::string serialDevicePath(int portNumber) {
  const std::string variable = "ZAMO_COM" + std::to_string(portNumber);
  const char* value = std::getenv(variable.c_str());
  if (value && *value) return value;  // set but empty counts as not set
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

int serialMessageLength(std::uint8_t status) {
  if (status < 0x80) return 0;
  if (vorn::isChannelStatus(status)) return 1 + vorn::channelDataBytes(status);
  switch (status) {
    case 0xF2: return 3;
    case 0xF3: return 2;
    case 0xF6: return 1;
    default: return 0;
  }
}

vorn::Fault SerialMidiOutput::failure(std::uint32_t code) const {
  return {.text = "serial port " + name_, .offset = std::nullopt, .code = code};
}

vorn::Status SerialMidiOutput::open(int portNumber, std::uint32_t baud) {
  close(false);
  const std::string path = serialDevicePath(portNumber);
  name_ = "COM" + std::to_string(portNumber) + " (" + path + ")";
  // Non-blocking only while opening, so that a port without carrier cannot hold the open.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return failure(static_cast<std::uint32_t>(errno));
  int error = 0;
  if (ioctl(fd, TIOCEXCL) != 0) error = errno;  // no second opener
  if (error == 0) error = configureLine(fd, baud);
  if (error == 0) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    (void)ioctl(fd, TIOCMBIC, &lines);  // a pseudo-terminal has no modem lines: nothing to lower
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
  }
  if (error != 0) {
    ::close(fd);
    return failure(static_cast<std::uint32_t>(error));
  }
  fd_ = fd;
  return {};
}

vorn::Status SerialMidiOutput::write(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) return failure(static_cast<std::uint32_t>(EBADF));
  if (bytes.empty()) return {};
  for (;;) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) {
      // Ctrl-C stops the write here; any other signal: write again.
      if (!closing_ && vorn::breakPending()) return failure(vorn::kErrInterrupted);
      continue;
    }
    if (n < 0) return failure(static_cast<std::uint32_t>(errno));
    if (static_cast<std::size_t>(n) < bytes.size()) {
      // A write cut short by Ctrl-C is the break, not a fault of the port.
      return failure(!closing_ && vorn::breakPending() ? vorn::kErrInterrupted : vorn::kErrShortWrite);
    }
    return {};
  }
}

vorn::Status SerialMidiOutput::sendShort(std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  const int length = serialMessageLength(status);
  if (length == 0) return {};
  const std::uint8_t message[3] = {status, first, second};
  const std::span<const std::uint8_t> bytes(message, static_cast<std::size_t>(length));
  sounding_.note(bytes);
  return write(bytes);
}

void SerialMidiOutput::close(bool interrupted) {
  if (fd_ < 0) return;
  const int fd = fd_;
  if (interrupted) {
    // Never block after a break: what is queued goes, the silence is written if the driver takes it.
    tcflush(fd, TCOFLUSH);
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    std::uint8_t silence[96];
    silenceAllChannels(silence);
    (void)!::write(fd, silence, sizeof silence);
  } else {
    closing_ = true;  // the silence goes out even when a break comes meanwhile
    sounding_.silence([this](std::span<const std::uint8_t> message) { (void)write(message); });
    tcdrain(fd);
  }
  fd_ = -1;
  closing_ = false;
  // The exclusive mode outlives this close while another process holds the
  // port open, and would keep every later opener but root out.
  (void)ioctl(fd, TIOCNXCL);
  ::close(fd);
}

}  // namespace midiio
