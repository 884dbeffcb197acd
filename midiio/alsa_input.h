#pragma once
// ALSA's side of an open input: a sequencer handle of its own (so the output's
// handle stays the main thread's), read by a thread that polls it together
// with an eventfd that stops it. The sequencer's events become bytes for the
// input parser; -ENOSPC (the client's input pool overflowed) is data lost.
#include <alsa/asoundlib.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "midiio/backend.h"
#include "midiio/input_parser.h"
#include "midiio/input_queue.h"

namespace midiio {

// Bytes for the library's input buffer and cells for the kernel's input pool.
inline constexpr std::size_t kAlsaInputBufferBytes = 256 * 1024;
inline constexpr int kAlsaInputPoolCells = 2000;

// What the reader thread does with each thing the sequencer gives it; apart
// from the thread so that it can be driven without a sequencer.
class AlsaInputReader {
 public:
  AlsaInputReader(InputQueue& queue, int sourceClient, int sourcePort);
  ~AlsaInputReader();
  AlsaInputReader(const AlsaInputReader&) = delete;
  AlsaInputReader& operator=(const AlsaInputReader&) = delete;

  // One event, received `ms` after the input started.
  void event(const snd_seq_event_t& event, std::uint32_t ms);
  // A negative result of snd_seq_event_input.
  void error(int result);
  bool sourceGone() const { return gone_; }

 private:
  InputQueue& queue_;
  InputParser parser_;
  snd_midi_event_t* coder_ = nullptr;
  int client_, port_;
  bool gone_ = false;
};

// The real time of the queue that stamps our input's arrivals.
class QueueClock {
 public:
  QueueClock(snd_seq_t* seq, int queue);  // queue -1: no clock
  ~QueueClock();
  QueueClock(const QueueClock&) = delete;
  QueueClock& operator=(const QueueClock&) = delete;
  std::optional<snd_seq_real_time_t> now();

 private:
  snd_seq_t* seq_;
  int queue_;
  snd_seq_queue_status_t* status_ = nullptr;
};

// Whether `event` carries a real-time arrival stamp earlier than `readStart`.
bool arrivedBefore(const snd_seq_event_t& event, const std::optional<snd_seq_real_time_t>& readStart);

MidiStatus openAlsaInput(std::string_view clientName, const Device& device, InputQueue& queue,
                         std::unique_ptr<InputPort>& port);

}  // namespace midiio
