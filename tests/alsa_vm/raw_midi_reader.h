#pragma once
// Reads the raw side of a virtual MIDI port (/dev/snd/midiC0Dn) on a thread of
// its own: what the sequencer delivers to the port comes out here as bytes.
// While the device is open the port passes its events on; closed, it drops them.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace alsavm {

class RawMidiReader {
 public:
  explicit RawMidiReader(int device);
  ~RawMidiReader();
  RawMidiReader(const RawMidiReader&) = delete;
  RawMidiReader& operator=(const RawMidiReader&) = delete;

  std::string bytes() const;
  // Waits until `size` bytes have come or nothing came for `quiet`.
  std::string awaitBytes(std::size_t size, std::chrono::milliseconds quiet = std::chrono::milliseconds(3000)) const;
  // Bytes the kernel dropped because its buffer was full.
  std::size_t overruns() const { return overruns_.load(); }
  const std::string& path() const { return path_; }

 private:
  void run();

  std::string path_;
  int fd_ = -1;
  mutable std::mutex mutex_;
  std::string received_;
  std::atomic<std::size_t> overruns_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// For a failure message: the sizes and the first byte that differs, with
// what surrounds it.
std::string describeDifference(const std::string& got, const std::string& expected);

}  // namespace alsavm
