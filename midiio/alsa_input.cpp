#include "midiio/alsa_input.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "midiio/system_clock.h"
#include "vornlib/breaks.h"

namespace midiio {
namespace {

constexpr long kShortMessageBytes = 16;

std::string alsaText(const std::string& what, int error) { return what + ": " + snd_strerror(error); }

// Has our input port stamp each event with a running queue's real time as it
// arrives. Returns the queue, or -1 when the system refuses (every event then
// counts as possibly after a hole).
int stampArrivals(snd_seq_t* seq, int port) {
  const int queue = snd_seq_alloc_named_queue(seq, "zamo input clock");
  if (queue < 0) return -1;
  snd_seq_port_info_t* info = nullptr;
  snd_seq_port_info_alloca(&info);
  bool stamped = snd_seq_get_port_info(seq, port, info) >= 0;
  if (stamped) {
    snd_seq_port_info_set_timestamping(info, 1);
    snd_seq_port_info_set_timestamp_real(info, 1);
    snd_seq_port_info_set_timestamp_queue(info, queue);
    stamped = snd_seq_set_port_info(seq, port, info) >= 0 && snd_seq_start_queue(seq, queue, nullptr) >= 0 &&
              snd_seq_drain_output(seq) >= 0;
  }
  if (!stamped) {
    snd_seq_free_queue(seq, queue);
    return -1;
  }
  return queue;
}

class AlsaInputPort final : public InputPort {
 public:
  AlsaInputPort(snd_seq_t* seq, int port, int clockQueue, const Device& device, InputQueue& queue)
      : seq_(seq), port_(port), source_(device.name), queue_(queue),
        reader_(queue, device.address.client, device.address.port), clock_(seq, clockQueue),
        stop_(eventfd(0, EFD_CLOEXEC)) {
    vorn::BreakSignalsBlocked blocked;  // the break belongs to the main thread
    thread_ = std::thread([this] { run(); });
  }
  ~AlsaInputPort() override {
    const std::uint64_t one = 1;
    (void)!write(stop_, &one, sizeof one);
    thread_.join();  // the producer has stopped before the queue goes
    close(stop_);
    snd_seq_delete_simple_port(seq_, port_);
    snd_seq_close(seq_);
  }
  MidiStatus start() override {
    if (MidiStatus failed = pollFault(); !failed) return failed;
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    startNs_.store(monotonicNow(), std::memory_order_release);
    return {};
  }
  void stop() override {}
  MidiStatus await(std::uint32_t ms) override {
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    queue_.await(monotonicNow() + static_cast<Nanos>(ms) * kNanosPerMs);
    if (MidiStatus failed = pollFault(); !failed) return failed;
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    return {};
  }

 private:
  // A reader that stopped because poll failed: the fault, not a time-out.
  MidiStatus pollFault() const {
    const int error = pollError_.load();
    if (error == 0) return {};
    return {kMidiAlsaError, "waiting for input from " + source_ + ": " + std::strerror(error)};
  }

  void run() {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds.back() = {stop_, POLLIN, 0};
    for (;;) {
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        pollError_.store(errno);
        queue_.wake();
        return;
      }
      if (fds.back().revents & POLLIN) return;
      if (readBatches()) queue_.wake();
      if (reader_.sourceGone()) {
        gone_.store(true);
        queue_.wake();
      }
    }
  }

  // Reads what the sequencer holds, one kernel read (a batch) at a time. The
  // kernel tells of a hole in its input pool only at the start of the read
  // after it, and a read takes in events that arrive while it runs, after a
  // hole too: so each batch is held back until the next read has said whether
  // a hole lies within it. Events stamped before a read began came before any
  // hole that read does not report. Returns whether anything was queued.
  bool readBatches() {
    bool any = false, holding = false;
    for (;;) {
      const std::optional<snd_seq_real_time_t> readStart = clock_.now();
      const int fetched = snd_seq_event_input_pending(seq_, 1);
      if (holding) {
        queue_.publishBatch(fetched == -ENOSPC);
        holding = false;
        any = true;
      }
      if (fetched == -ENOSPC) {
        reader_.error(fetched);  // the kernel dropped its whole backlog; read on
        any = true;
        continue;
      }
      if (fetched <= 0) return any;  // -EAGAIN: all read
      queue_.holdBatch();
      holding = true;
      while (snd_seq_event_input_pending(seq_, 0) > 0) {
        snd_seq_event_t* ev = nullptr;
        if (snd_seq_event_input(seq_, &ev) < 0 || !ev) break;
        queue_.markSuspect(!arrivedBefore(*ev, readStart));
        const Nanos since = monotonicNow() - startNs_.load(std::memory_order_acquire);
        reader_.event(*ev, static_cast<std::uint32_t>(since / kNanosPerMs));
      }
    }
  }

  snd_seq_t* seq_;
  int port_;
  std::string source_;
  InputQueue& queue_;
  AlsaInputReader reader_;  // the reader thread only
  QueueClock clock_;        // the reader thread only
  int stop_;
  std::atomic<Nanos> startNs_{0};
  std::atomic<bool> gone_{false};
  std::atomic<int> pollError_{0};  // errno of a failed poll, which stopped the reader
  std::thread thread_;
};

}  // namespace

AlsaInputReader::AlsaInputReader(InputQueue& queue, int sourceClient, int sourcePort)
    : queue_(queue), client_(sourceClient), port_(sourcePort) {
  snd_midi_event_new(kShortMessageBytes, &coder_);
  if (coder_) snd_midi_event_no_status(coder_, 1);
}

AlsaInputReader::~AlsaInputReader() {
  if (coder_) snd_midi_event_free(coder_);
}

void AlsaInputReader::error(int result) {
  // The kernel dropped events for want of room: a hole in whatever was arriving.
  if (result == -ENOSPC) queue_.lost();
}

void AlsaInputReader::event(const snd_seq_event_t& ev, std::uint32_t ms) {
  switch (ev.type) {
    case SND_SEQ_EVENT_PORT_EXIT:
      if (ev.data.addr.client == client_ && ev.data.addr.port == port_) gone_ = true;
      return;
    case SND_SEQ_EVENT_CLIENT_EXIT:
      if (ev.data.addr.client == client_) gone_ = true;
      return;
    default:
      break;
  }
  if (!queue_.recording()) {
    parser_.reset();
    return;
  }
  if (ev.type == SND_SEQ_EVENT_SYSEX) {
    parser_.feed({static_cast<const std::uint8_t*>(ev.data.ext.ptr), ev.data.ext.len}, ms, queue_);
    return;
  }
  if (!coder_) return;
  std::uint8_t bytes[kShortMessageBytes];
  snd_midi_event_reset_decode(coder_);
  const long n = snd_midi_event_decode(coder_, bytes, kShortMessageBytes, &ev);
  if (n > 0) parser_.feed({bytes, static_cast<std::size_t>(n)}, ms, queue_);
}

QueueClock::QueueClock(snd_seq_t* seq, int queue) : seq_(seq), queue_(queue) {
  if (queue_ >= 0 && snd_seq_queue_status_malloc(&status_) < 0) status_ = nullptr;
}

// The queue goes with the sequencer handle when it is closed.
QueueClock::~QueueClock() {
  if (status_) snd_seq_queue_status_free(status_);
}

std::optional<snd_seq_real_time_t> QueueClock::now() {
  if (!status_ || snd_seq_get_queue_status(seq_, queue_, status_) < 0) return std::nullopt;
  return *snd_seq_queue_status_get_real_time(status_);
}

bool arrivedBefore(const snd_seq_event_t& event, const std::optional<snd_seq_real_time_t>& readStart) {
  if (!readStart || (event.flags & SND_SEQ_TIME_STAMP_MASK) != SND_SEQ_TIME_STAMP_REAL) return false;
  const snd_seq_real_time_t& t = event.time.time;
  return t.tv_sec < readStart->tv_sec || (t.tv_sec == readStart->tv_sec && t.tv_nsec < readStart->tv_nsec);
}

MidiStatus openAlsaInput(std::string_view clientName, const Device& device, InputQueue& queue,
                         std::unique_ptr<InputPort>& port) {
  snd_seq_t* seq = nullptr;
  int error;
  {
    vorn::BreakSignalsBlocked blocked;
    // Duplex: starting the queue that stamps arrivals is an event sent.
    error = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
  }
  if (error < 0) return {kMidiAlsaError, alsaText("cannot open the sequencer for input", error)};
  snd_seq_set_client_name(seq, std::string(clientName).c_str());
  // Room for bursts while the reader thread is away: a dump may come as one run of events.
  snd_seq_set_input_buffer_size(seq, kAlsaInputBufferBytes);
  // A smaller pool than asked for only overflows sooner, and an overflow is reported.
  (void)snd_seq_set_client_pool_input(seq, kAlsaInputPoolCells);
  const int own = snd_seq_create_simple_port(seq, "in", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                             SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (own < 0) {
    snd_seq_close(seq);
    return {kMidiAlsaError, alsaText("cannot create our input port", own)};
  }
  if (int e = snd_seq_connect_from(seq, own, device.address.client, device.address.port); e < 0) {
    snd_seq_close(seq);
    return {kMidiBusy, alsaText("cannot connect from " + device.name, e)};
  }
  snd_seq_connect_from(seq, own, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  port = std::make_unique<AlsaInputPort>(seq, own, stampArrivals(seq, own), device, queue);
  return {};
}

}  // namespace midiio
