#include "midiio/alsa_backend.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "midiio/alsa_events.h"
#include "midiio/alsa_input.h"
#include "midiio/break_check.h"
#include "midiio/device_names.h"
#include "midiio/system_clock.h"
#include "midiio/system_port.h"
#include "vornlib/breaks.h"

namespace midiio {
namespace {

constexpr int kWaitSliceMs = 50;
constexpr Nanos kNoProgressLimit = 10000 * kNanosPerMs;
// After each SysEx piece the sender sleeps this long, so the receiver runs and
// takes the piece before the next arrives: a virtual raw port holds 4 KiB, a
// client's input pool about 20 pieces. A yield is not enough: the scheduler
// passes over a receiver that has had more CPU time than the sender, and on
// one busy CPU up to 57 KiB of a 64 KiB message were lost (with 100 us, one
// piece of a MiB under heavy load). 4,096 pieces (1 MiB) take about a second.
constexpr timespec kPieceGap{0, 200000};

std::string alsaText(const char* what, int error) { return std::string(what) + ": " + snd_strerror(error); }

void quiet(const char*, int, const char*, int, const char*, ...) {}

class AlsaSystem final : public Backend {
 public:
  AlsaSystem(snd_seq_t* seq, std::string clientName)
      : seq_(seq), self_(snd_seq_client_id(seq)), clientName_(std::move(clientName)) {}
  ~AlsaSystem() override { snd_seq_close(seq_); }

  const char* systemName() const override { return "ALSA"; }
  Clock& clock() override { return systemClock(); }

  MidiStatus listDevices(DeviceList& list) override {
    struct Found {
      int client, port;
      Device device;
    };
    std::vector<Found> outputs, inputs;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(seq_, client) >= 0) {
      const int id = snd_seq_client_info_get_client(client);
      if (id == self_ || id == SND_SEQ_CLIENT_SYSTEM) continue;
      const std::string clientName = snd_seq_client_info_get_name(client);
      snd_seq_port_info_set_client(port, id);
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(seq_, port) >= 0) {
        const unsigned caps = snd_seq_port_info_get_capability(port);
        const int portId = snd_seq_port_info_get_port(port);
        Device device{alsaDeviceName(clientName, snd_seq_port_info_get_name(port)), {id, portId, {}},
                      clientName == "Midi Through"};
        if (alsaPortListed(caps, Direction::output)) outputs.push_back({id, portId, device});
        if (alsaPortListed(caps, Direction::input)) inputs.push_back({id, portId, device});
      }
    }
    auto finish = [](std::vector<Found>& found, std::vector<Device>& out) {
      std::ranges::sort(found, [](const Found& a, const Found& b) { return std::tie(a.client, a.port) < std::tie(b.client, b.port); });
      out.clear();
      for (Found& f : found) out.push_back(std::move(f.device));
      numberDuplicateNames(out);
    };
    finish(outputs, list.outputs);
    finish(inputs, list.inputs);
    return {};
  }

  MidiStatus openOutput(const Device& device, std::unique_ptr<OutputPort>& out) override {
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(seq_, device.address.client, device.address.port, info) < 0) {
      return {kMidiNoSuchPort, device.name};
    }
    // WRITE lets the system's announcements reach us (a port that goes away);
    // without SUBS_WRITE no one else can connect to it.
    const int port = snd_seq_create_simple_port(seq_, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ | SND_SEQ_PORT_CAP_WRITE,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) return {kMidiAlsaError, alsaText("cannot create our port", port)};
    if (int error = snd_seq_connect_to(seq_, port, device.address.client, device.address.port); error < 0) {
      snd_seq_delete_simple_port(seq_, port);
      return {kMidiBusy, alsaText(("cannot connect to " + device.name).c_str(), error)};
    }
    snd_seq_connect_from(seq_, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    port_ = port;
    target_ = device;
    gone_ = false;
    out = std::make_unique<SystemPort<AlsaSystem>>(*this, kAlsaLargestEvent);
    return {};
  }

  // The input reads on a sequencer handle of its own, from its own thread.
  MidiStatus openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) override {
    return openAlsaInput(clientName_, device, queue, port);
  }

  void closeOutput() {
    if (port_ < 0) return;
    snd_seq_drop_output(seq_);
    snd_seq_disconnect_to(seq_, port_, target_.address.client, target_.address.port);
    snd_seq_delete_simple_port(seq_, port_);
    port_ = -1;
  }

  MidiStatus submit(const MidiEvent& event, Nanos) {
    snd_seq_event_t ev;
    if (!coder_.encode(event, ev)) return {kMidiInvalidMessage, "the sequencer has no event for these bytes"};
    snd_seq_ev_set_source(&ev, port_);
    snd_seq_ev_set_subs(&ev);
    snd_seq_ev_set_direct(&ev);
    Nanos lastProgress = monotonicNow();
    for (;;) {
      readAnnouncements();
      if (gone_) return {kMidiNoSuchPort, target_.name};
      const int result = snd_seq_event_output_direct(seq_, &ev);
      if (result >= 0) break;
      if (result != -EAGAIN && result != -ENOMEM) return {kMidiAlsaError, alsaText(("sending to " + target_.name).c_str(), result)};
      if (breakRequested()) return {kMidiInterrupted, {}};
      if (monotonicNow() - lastProgress > kNoProgressLimit) {
        return {kMidiNotReady, target_.name + " takes no data (the sequencer stays full)"};
      }
      waitForRoom();
    }
    if (event.kind == EventKind::sysexData) nanosleep(&kPieceGap, nullptr);
    return {};
  }

  MidiStatus drain(Nanos) {
    // Direct output writes each event into the sequencer as it is sent; nothing waits here.
    readAnnouncements();
    if (gone_) return {kMidiNoSuchPort, target_.name};
    return {};
  }

  void discardPending() { snd_seq_drop_output(seq_); }
  MidiStatus health() const { return gone_ ? MidiStatus{kMidiNoSuchPort, target_.name} : MidiStatus{}; }
  bool stalled() const { return false; }  // the sequencer is the kernel's: it always runs

 private:
  void waitForRoom() {
    const int count = snd_seq_poll_descriptors_count(seq_, POLLOUT);
    std::vector<pollfd> fds(static_cast<std::size_t>(std::max(count, 1)));
    const int n = snd_seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(fds.size()), POLLOUT);
    poll(fds.data(), static_cast<nfds_t>(n), kWaitSliceMs);
  }

  void readAnnouncements() {
    while (snd_seq_event_input_pending(seq_, 1) > 0) {
      snd_seq_event_t* ev = nullptr;
      if (snd_seq_event_input(seq_, &ev) < 0 || !ev) break;
      const bool ourTarget =
          (ev->type == SND_SEQ_EVENT_PORT_EXIT && ev->data.addr.client == target_.address.client &&
           ev->data.addr.port == target_.address.port) ||
          (ev->type == SND_SEQ_EVENT_CLIENT_EXIT && ev->data.addr.client == target_.address.client);
      if (ourTarget) gone_ = true;
    }
  }

  snd_seq_t* seq_;
  int self_;
  std::string clientName_;
  int port_ = -1;
  Device target_;
  bool gone_ = false;
  AlsaEventCoder coder_;
};

}  // namespace

bool alsaSequencerPresent() {
  const int fd = open("/dev/snd/seq", O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  close(fd);
  return true;
}

MidiStatus connectAlsa(std::string_view clientName, std::unique_ptr<Backend>& backend) {
  snd_lib_error_set_handler(quiet);
  snd_seq_t* seq = nullptr;
  int error;
  {
    vorn::BreakSignalsBlocked blocked;
    error = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
  }
  if (error < 0) return {kMidiAlsaError, alsaText("cannot open the sequencer", error) + "; load it with modprobe snd-seq"};
  snd_seq_set_client_name(seq, std::string(clientName).c_str());
  backend = std::make_unique<AlsaSystem>(seq, std::string(clientName));
  return {};
}

}  // namespace midiio
