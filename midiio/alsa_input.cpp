#include "midiio/alsa_input.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "midiio/system_clock.h"
#include "vornlib/console.h"

namespace midiio {
namespace {

constexpr long kShortMessageBytes = 16;

std::string alsaText(const std::string& what, int error) { return what + ": " + snd_strerror(error); }

class AlsaInputPort final : public InputPort {
 public:
  AlsaInputPort(snd_seq_t* seq, int port, const Device& device, InputQueue& queue)
      : seq_(seq), port_(port), source_(device.name), queue_(queue),
        reader_(queue, device.address.client, device.address.port), stop_(eventfd(0, EFD_CLOEXEC)) {
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
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    startNs_.store(monotonicNow(), std::memory_order_release);
    return {};
  }
  void stop() override {}
  MidiStatus await(std::uint32_t ms) override {
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    queue_.await(monotonicNow() + static_cast<Nanos>(ms) * kNanosPerMs);
    if (gone_.load()) return {kMidiNoSuchPort, source_ + " went away"};
    return {};
  }

 private:
  void run() {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds.back() = {stop_, POLLIN, 0};
    for (;;) {
      if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
      if (fds.back().revents & POLLIN) return;
      bool any = false;
      for (;;) {
        snd_seq_event_t* ev = nullptr;
        const int result = snd_seq_event_input(seq_, &ev);
        if (result == -EAGAIN) break;
        if (result < 0) {
          reader_.error(result);
          any = true;
          if (result != -ENOSPC) break;
          continue;
        }
        if (!ev) break;
        const Nanos since = monotonicNow() - startNs_.load(std::memory_order_acquire);
        reader_.event(*ev, static_cast<std::uint32_t>(since / kNanosPerMs));
        any = true;
      }
      if (reader_.sourceGone()) gone_.store(true);
      if (any) queue_.wake();
    }
  }

  snd_seq_t* seq_;
  int port_;
  std::string source_;
  InputQueue& queue_;
  AlsaInputReader reader_;  // the reader thread only
  int stop_;
  std::atomic<Nanos> startNs_{0};
  std::atomic<bool> gone_{false};
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

MidiStatus openAlsaInput(std::string_view clientName, const Device& device, InputQueue& queue,
                         std::unique_ptr<InputPort>& port) {
  snd_seq_t* seq = nullptr;
  int error;
  {
    vorn::BreakSignalsBlocked blocked;
    error = snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
  }
  if (error < 0) return {kMidiAlsaError, alsaText("cannot open the sequencer for input", error)};
  snd_seq_set_client_name(seq, std::string(clientName).c_str());
  // Room for bursts while the reader thread is away: a dump may come as one run of events.
  snd_seq_set_input_buffer_size(seq, kAlsaInputBufferBytes);
  snd_seq_set_client_pool_input(seq, kAlsaInputPoolCells);
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
  port = std::make_unique<AlsaInputPort>(seq, own, device, queue);
  return {};
}

}  // namespace midiio
