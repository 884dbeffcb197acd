#include "raw_midi_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sound/asound.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "run_tool.h"

namespace alsavm {

RawMidiReader::RawMidiReader(int device) : path_("/dev/snd/midiC0D" + std::to_string(device)) {
  fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("cannot open " + path_ + ": " + std::strerror(errno));
  // Room for the largest message a test sends (1 MiB), so that what the test
  // checks is the sender, not how soon this thread gets the machine's one
  // CPU. The kernel grants at most 1 MiB (more: success, and 4 KiB kept).
  snd_rawmidi_params params{};
  params.stream = SNDRV_RAWMIDI_STREAM_INPUT;
  params.buffer_size = std::size_t{1} << 20;
  params.avail_min = 1;
  if (ioctl(fd_, SNDRV_RAWMIDI_IOCTL_PARAMS, &params) < 0) {
    throw std::runtime_error("cannot enlarge the buffer of " + path_ + ": " + std::strerror(errno));
  }
  // The port passes events on only once input is triggered, which a read or
  // poll does; the thread may get to its first poll only after the first send.
  pollfd fd{fd_, POLLIN, 0};
  poll(&fd, 1, 0);
  thread_ = std::thread([this] { run(); });
}

RawMidiReader::~RawMidiReader() {
  stop_ = true;
  thread_.join();
  close(fd_);
}

std::string RawMidiReader::bytes() const {
  std::lock_guard lock(mutex_);
  return received_;
}

std::string RawMidiReader::awaitBytes(std::size_t size, std::chrono::milliseconds quiet) const {
  std::size_t seen = 0;
  auto lastChange = std::chrono::steady_clock::now();
  for (;;) {
    const std::size_t now = bytes().size();
    if (now >= size) break;
    if (now != seen) {
      seen = now;
      lastChange = std::chrono::steady_clock::now();
    } else if (std::chrono::steady_clock::now() - lastChange > quiet) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return bytes();
}

void RawMidiReader::run() {
  char buffer[4096];
  while (!stop_) {
    pollfd fd{fd_, POLLIN, 0};
    if (poll(&fd, 1, 20) <= 0) continue;
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      std::lock_guard lock(mutex_);
      received_.append(buffer, static_cast<std::size_t>(n));
    }
    snd_rawmidi_status status{};
    status.stream = SNDRV_RAWMIDI_STREAM_INPUT;
    if (ioctl(fd_, SNDRV_RAWMIDI_IOCTL_STATUS, &status) == 0) overruns_ += status.xruns;
  }
}

std::string describeDifference(const std::string& got, const std::string& expected) {
  const auto mismatch = std::ranges::mismatch(got, expected);
  const auto at = static_cast<std::size_t>(mismatch.in1 - got.begin());
  const std::size_t from = at < 8 ? 0 : at - 8;
  return "got " + std::to_string(got.size()) + " of " + std::to_string(expected.size()) + " bytes; from offset " +
         std::to_string(from) + " got " + zamotest::hex(got.substr(std::min(from, got.size()), 16)) + ", expected " +
         zamotest::hex(expected.substr(std::min(from, expected.size()), 16));
}

}  // namespace alsavm
