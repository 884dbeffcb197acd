#include "midiio/jack_backend.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <semaphore.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "midiio/break_check.h"
#include "midiio/byte_ring.h"
#include "midiio/jack_input.h"
#include "midiio/system_clock.h"
#include "midiio/system_port.h"
#include "vornlib/breaks.h"

namespace midiio {
namespace {

constexpr std::size_t kRingBytes = 256 * 1024;
constexpr Nanos kWaitSlice = 50 * kNanosPerMs;
constexpr Nanos kNoProgressLimit = 10000 * kNanosPerMs;
// A server that ran no cycle for this long is stopped (SIGSTOP, a debugger):
// closing waits for nothing to leave and asks it nothing more.
constexpr jack_time_t kStalledUs = 250000;
// How long a request to a running server may take before it counts as one
// that answers nothing.
constexpr Nanos kAnswerLimit = 1000 * kNanosPerMs;

timespec monotonicTimespec(Nanos t) { return {static_cast<time_t>(t / 1000000000), static_cast<long>(t % 1000000000)}; }

enum class Answer { given, none, broken };  // returned; not within the limit; the user broke first

// Runs `request` (a call that waits for the server) on a thread of its own
// and waits until it returns, `limit` passes or, when `breakable`, the user
// breaks (looked at every 50 ms). The thread of a request left waiting is
// left to it, so what it writes must be shared with it.
Answer awaitAnswer(std::function<void()> request, Nanos limit, bool breakable) {
  struct Pending {
    std::function<void()> request;
    sem_t done;
    explicit Pending(std::function<void()> r) : request(std::move(r)) { sem_init(&done, 0, 0); }
    ~Pending() { sem_destroy(&done); }
  };
  auto pending = std::make_shared<Pending>(std::move(request));
  std::thread helper;
  {
    vorn::BreakSignalsBlocked blocked;  // the threads JACK starts inherit the mask
    helper = std::thread([pending] {
      pending->request();
      sem_post(&pending->done);
    });
  }
  const Nanos end = monotonicNow() + limit;
  for (;;) {
    const timespec until = monotonicTimespec(breakable ? std::min(end, monotonicNow() + kWaitSlice) : end);
    if (sem_clockwait(&pending->done, CLOCK_MONOTONIC, &until) == 0) break;
    const bool broken = breakable && breakRequested();
    if (broken || monotonicNow() >= end) {
      helper.detach();
      return broken ? Answer::broken : Answer::none;
    }
  }
  helper.join();  // what the request did is ours now
  return Answer::given;
}

MidiStatus notAnswering() { return {kMidiNoJackServer, "the JACK server answers nothing (is it stopped?)"}; }

// Ahead of each event in the ring.
struct EventHeader {
  std::uint64_t seq;
  jack_time_t due;  // JACK microseconds at which the event should sound
  std::uint32_t length;
  std::uint32_t unused;
};

void quiet(const char*) {}

std::string statusText(jack_status_t status) {
  char text[64];
  std::snprintf(text, sizeof text, "JACK status 0x%X", static_cast<unsigned>(status));
  std::string result = text;
  if (status & JackServerFailed) result += ", cannot connect to the server";
  if (status & JackVersionError) result += ", client and server versions differ";
  if (status & JackShmFailure) result += ", shared memory failed";
  return result;
}

class JackSystem final : public Backend {
 public:
  JackSystem(jack_client_t* client) : client_(client), ring_(kRingBytes) {
    sem_init(&progress_, 0, 0);
    jack_set_process_callback(client_, &JackSystem::process, this);
    jack_on_shutdown(client_, &JackSystem::onShutdown, this);
    jack_set_port_registration_callback(client_, &JackSystem::onPortRegistration, this);
    ownPrefix_ = std::string(jack_get_client_name(client_)) + ":";
  }
  ~JackSystem() override {
    close();  // the layer never destroys an abandoned system
    retiredInputs_.clear();
    sem_destroy(&progress_);
  }

  void close() override {
    if (!closed_) ask([client = client_] { jack_client_close(client); });
    closed_ = true;
  }

  const char* systemName() const override { return "JACK"; }
  Clock& clock() override { return systemClock(); }
  bool abandoned() const override { return abandoned_.load(); }

  MidiStatus listDevices(DeviceList& list) override {
    list = {};
    collect(JackPortIsInput, list.outputs);
    collect(JackPortIsOutput, list.inputs);
    return {};
  }

  MidiStatus openOutput(const Device& device, std::unique_ptr<OutputPort>& port) override {
    if (shutdown_.load()) return {kMidiJackShutdown, "the server is gone"};
    if (!jack_port_by_name(client_, device.address.fullName.c_str())) return {kMidiNoSuchPort, device.name};
    std::snprintf(target_, sizeof target_, "%s", device.address.fullName.c_str());
    targetGone_.store(false);
    jack_port_t* own = nullptr;
    if (MidiStatus status = registerPort("out", JackPortIsOutput, own); !status) return status;
    port_.store(own);
    if (MidiStatus status = activate(); !status) {
      port_.store(nullptr);
      ask([client = client_, own] { jack_port_unregister(client, own); });
      return status;
    }
    active_.store(true);
    if (MidiStatus status = connect(jack_port_name(own), target_, "to " + device.name); !status) {
      closeOutput();
      return status;
    }
    port = std::make_unique<SystemPort<JackSystem>>(*this, kJackLargestEvent);
    return {};
  }

  void closeOutput() {
    // JACK may hand a client's last buffer on again in the cycle that takes
    // the client out of the graph: let a cycle clear it, and cut the
    // connections while we still run, before deactivating.
    const std::uint64_t cycle = cycles_.load();
    const Nanos giveUp = monotonicNow() + 200 * kNanosPerMs;
    while (!shutdown_.load() && !stalled() && cycles_.load() < cycle + 2 && monotonicNow() < giveUp) {
      awaitProgress(monotonicNow() + 5 * kNanosPerMs);
    }
    jack_port_t* const port = port_.load();
    if (port && !shutdown_.load()) ask([client = client_, port] { jack_port_disconnect(client, port); });
    active_.store(false);
    stopUsing();  // the process callback does not touch the port after this
    port_.store(nullptr);
    if (port) ask([client = client_, port] { jack_port_unregister(client, port); });
    // Whatever was left in the ring belongs to no one now.
    ring_.consume(ring_.readSpace());
    completed_.store(submitted_);
  }

  MidiStatus submit(const MidiEvent& event, Nanos stamp) {
    if (MidiStatus status = alive(); !status) return status;
    EventHeader header{submitted_ + 1, toJackTime(stamp), static_cast<std::uint32_t>(event.bytes.size()), 0};
    const std::size_t need = sizeof header + event.bytes.size();
    MidiStatus status = waitFor([&] { return ring_.writeSpace() >= need; }, kNoProgressLimit);
    if (!status) return status;
    ring_.write(&header, sizeof header);
    ring_.write(event.bytes.data(), event.bytes.size());
    submitted_ = header.seq;
    return {};
  }

  MidiStatus drain(Nanos limit) {
    return waitFor([&] { return completed_.load(std::memory_order_acquire) >= submitted_; }, limit);
  }

  void discardPending() { discardUpTo_.store(submitted_); }

  MidiStatus health() const { return alive(); }

  // The client is active and the server ran no cycle for a while, nor one
  // in a while more (a stopped server); once seen, until the next cycle.
  bool stalled() const {
    if (!activated_) return false;
    const std::uint64_t call = calls_.load();
    if (call == stalledAt_.load()) return true;
    if (jack_get_time() - lastCallUs_.load(std::memory_order_relaxed) <= kStalledUs) return false;
    const Nanos giveUp = monotonicNow() + static_cast<Nanos>(kStalledUs) * 1000;
    while (calls_.load() == call && monotonicNow() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (calls_.load() != call) return false;
    stalledAt_.store(call);
    return true;
  }

  MidiStatus openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) override;
  void closeInput();
  MidiStatus inputAlive() const {
    if (shutdown_.load()) return {kMidiJackShutdown, "the server stopped while receiving"};
    if (const JackInput* in = input_.load(); in && in->gone()) return {kMidiNoSuchPort, in->source() + " went away"};
    return {};
  }
  JackInput* input() const { return input_.load(); }

 private:
  void collect(unsigned long flags, std::vector<Device>& out) {
    const char** names = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    for (const char** name = names; name && *name; ++name) {
      if (std::string_view(*name).starts_with(ownPrefix_)) continue;
      out.push_back({*name, {-1, -1, *name}, false});
    }
    jack_free(names);
    std::ranges::sort(out, {}, &Device::name);
  }

  // JACK time of a monotonic stamp, measured against both clocks now.
  jack_time_t toJackTime(Nanos stamp) const {
    const jack_time_t jackNow = jack_get_time();
    const Nanos ago = std::max<Nanos>(0, monotonicNow() - stamp) / 1000;
    return jackNow > static_cast<jack_time_t>(ago) ? jackNow - static_cast<jack_time_t>(ago) : 0;
  }

  MidiStatus alive() const {
    if (shutdown_.load()) return {kMidiJackShutdown, "the server stopped while sending to " + std::string(target_)};
    if (targetGone_.load()) return {kMidiNoSuchPort, target_};
    return {};
  }

  // Waits until `done`, waking on each cycle that moved something and at
  // least every 50 ms; fails after `limit` without progress.
  template <typename Done>
  MidiStatus waitFor(Done done, Nanos limit) {
    std::uint64_t seen = completed_.load();
    Nanos lastProgress = monotonicNow();
    while (!done()) {
      if (MidiStatus status = alive(); !status) return status;
      if (breakRequested()) return {kMidiInterrupted, {}};
      const Nanos now = monotonicNow();
      if (const std::uint64_t c = completed_.load(); c != seen) {
        seen = c;
        lastProgress = now;
      } else if (now - lastProgress > limit) {
        return {kMidiNotReady, "no JACK cycle took data for " + std::to_string(limit / kNanosPerMs) +
                                   " ms (is the server stopped?) while sending to " + std::string(target_)};
      }
      awaitProgress(now + kWaitSlice);
    }
    return {};
  }

  // Sleeps until the process callback moved something, or until `deadline`.
  void awaitProgress(Nanos deadline) {
    const timespec until = monotonicTimespec(deadline);
    sem_clockwait(&progress_, CLOCK_MONOTONIC, &until);
  }

  // A request that waits for the server, bounded: once one goes unanswered
  // (or the server has stopped running), the client is given up and the
  // server is asked nothing more.
  void ask(std::function<void()> request) {
    if (abandoned_.load()) return;
    if (stalled() || awaitAnswer(std::move(request), kAnswerLimit, false) != Answer::given) abandoned_.store(true);
  }

  // A request while opening: it may wait as long as a send for the server;
  // Ctrl-C gives it up at once.
  MidiStatus askOpening(std::function<void()> request) {
    if (abandoned_.load()) return notAnswering();
    const Answer answer = awaitAnswer(std::move(request), kNoProgressLimit, true);
    if (answer == Answer::given) return {};
    abandoned_.store(true);
    return answer == Answer::broken ? MidiStatus{kMidiInterrupted, {}} : notAnswering();
  }

  MidiStatus activate() {
    if (activated_) return {};
    lastCallUs_.store(jack_get_time());
    auto result = std::make_shared<int>(0);
    if (MidiStatus status = askOpening([client = client_, result] { *result = jack_activate(client); }); !status) {
      return status;
    }
    activated_ = *result == 0;
    return activated_ ? MidiStatus{} : MidiStatus{kMidiBusy, "JACK refused to activate the client"};
  }

  // jack_connect, bounded; an existing connection is no fault.
  MidiStatus connect(const char* from, const char* to, const std::string& device) {
    auto error = std::make_shared<int>(0);
    const std::string a = from, b = to;
    if (MidiStatus status = askOpening([client = client_, a, b, error] { *error = jack_connect(client, a.c_str(), b.c_str()); });
        !status) {
      return status;
    }
    if (*error != 0 && *error != EEXIST) return {kMidiBusy, "could not connect " + device};
    return {};
  }

  // jack_port_register, bounded.
  MidiStatus registerPort(const char* name, unsigned long flags, jack_port_t*& port) {
    auto made = std::make_shared<jack_port_t*>(nullptr);
    if (MidiStatus status = askOpening([client = client_, name, flags, made] {
          *made = jack_port_register(client, name, JACK_DEFAULT_MIDI_TYPE, flags, 0);
        });
        !status) {
      return status;
    }
    port = *made;
    return port ? MidiStatus{} : MidiStatus{kMidiBusy, std::string("JACK refused to register our MIDI port ") + name};
  }

  // After the output or the input stopped being used: deactivate when
  // neither is, else let two process calls pass so that none still holds
  // what was dropped.
  void stopUsing() {
    if (!active_.load() && !input_.load()) {
      if (activated_) ask([client = client_] { jack_deactivate(client); });
      activated_ = false;
      return;
    }
    const std::uint64_t call = calls_.load();
    const Nanos giveUp = monotonicNow() + 200 * kNanosPerMs;
    while (!shutdown_.load() && !stalled() && calls_.load() < call + 2 && monotonicNow() < giveUp) {
      awaitProgress(monotonicNow() + 5 * kNanosPerMs);
    }
  }

  // The real-time thread: no lock, no allocation, no blocking call.
  static int process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<JackSystem*>(arg);
    if (self->abandoned_.load(std::memory_order_acquire)) return 0;
    self->lastCallUs_.store(jack_get_time(), std::memory_order_relaxed);
    if (JackInput* in = self->input_.load(std::memory_order_acquire)) in->process(frames);
    processOutput(self, frames);
    self->calls_.fetch_add(1, std::memory_order_release);
    return 0;
  }

  static int processOutput(JackSystem* self, jack_nframes_t frames) {
    jack_port_t* const port = self->port_.load(std::memory_order_acquire);
    if (!self->active_.load(std::memory_order_acquire) || !port) return 0;
    void* buffer = jack_port_get_buffer(port, frames);
    jack_midi_clear_buffer(buffer);
    self->cycles_.fetch_add(1, std::memory_order_relaxed);
    jack_nframes_t cycleStart;
    jack_time_t startUs, nextUs;
    float periodUs;
    if (jack_get_cycle_times(self->client_, &cycleStart, &startUs, &nextUs, &periodUs) != 0 || nextUs <= startUs) {
      return 0;
    }
    const jack_time_t latency = nextUs - startUs;  // one period
    const std::uint64_t discardUpTo = self->discardUpTo_.load(std::memory_order_relaxed);
    std::uint64_t done = 0;
    jack_nframes_t lastOffset = 0;
    EventHeader header;
    ByteRing& ring = self->ring_;
    while (ring.peek(&header, sizeof header) && ring.readSpace() >= sizeof header + header.length) {
      if (header.seq > discardUpTo) {
        const jack_time_t target = header.due + latency;
        if (target >= nextUs) break;  // a later cycle's
        jack_nframes_t offset = 0;
        if (target > startUs) offset = static_cast<jack_nframes_t>((target - startUs) * frames / (nextUs - startUs));
        offset = std::min(std::max(offset, lastOffset), frames - 1);
        // JACK counts a refused reservation as a lost event, which every
        // receiver then sees: ask for room first.
        if (header.length > jack_midi_max_event_size(buffer)) break;  // the rest goes in the next cycle
        auto* data = jack_midi_event_reserve(buffer, offset, header.length);
        if (!data) break;
        ring.peek(data, header.length, sizeof header);
        lastOffset = offset;
      }
      ring.consume(sizeof header + header.length);
      done = header.seq;
    }
    if (done != 0) {
      self->completed_.store(done, std::memory_order_release);
      sem_post(&self->progress_);
    }
    return 0;
  }

  static void onShutdown(void* arg) {
    auto* self = static_cast<JackSystem*>(arg);
    if (self->abandoned_.load()) return;
    self->shutdown_.store(true);
    sem_post(&self->progress_);
    if (JackInput* in = self->input_.load()) in->markGone();
    vorn::wakeSleeper();  // a player waiting for its next note
  }

  static void onPortRegistration(jack_port_id_t id, int registered, void* arg) {
    auto* self = static_cast<JackSystem*>(arg);
    if (self->abandoned_.load()) return;
    if (JackInput* in = self->input_.load(); in && !registered) {
      if (jack_port_t* gone = jack_port_by_id(self->client_, id); gone && in->source() == jack_port_name(gone)) in->markGone();
    }
    if (registered || !self->active_.load()) return;
    if (jack_port_t* gone = jack_port_by_id(self->client_, id); gone && std::strcmp(jack_port_name(gone), self->target_) == 0) {
      self->targetGone_.store(true);
      sem_post(&self->progress_);
      vorn::wakeSleeper();
    }
  }

  jack_client_t* client_;
  std::string ownPrefix_;
  std::atomic<jack_port_t*> port_{nullptr};  // the process callback reads it
  char target_[512] = {};
  ByteRing ring_;
  sem_t progress_;
  std::uint64_t submitted_ = 0;  // main thread only
  std::atomic<std::uint64_t> completed_{0};
  std::atomic<std::uint64_t> discardUpTo_{0};
  std::atomic<std::uint64_t> cycles_{0};  // cycles the process callback ran while active
  std::atomic<bool> active_{false};
  std::atomic<bool> shutdown_{false};
  std::atomic<bool> targetGone_{false};
  bool activated_ = false;                 // main thread only
  bool closed_ = false;                    // main thread only
  std::unique_ptr<JackInput> inputOwned_;  // main thread only
  std::vector<std::unique_ptr<JackInput>> retiredInputs_;
  std::atomic<JackInput*> input_{nullptr};
  std::atomic<std::uint64_t> calls_{0};    // process calls, for waits until one has passed
  std::atomic<jack_time_t> lastCallUs_{0}; // when the last process call began
  std::atomic<bool> abandoned_{false};     // the server went unanswered: leave it alone
  mutable std::atomic<std::uint64_t> stalledAt_{~std::uint64_t{0}};  // calls_ when seen stalled

};

class JackInputPort final : public InputPort {
 public:
  explicit JackInputPort(JackSystem& system) : system_(system) {}
  ~JackInputPort() override { system_.closeInput(); }
  MidiStatus start() override {
    if (MidiStatus status = system_.inputAlive(); !status) return status;
    system_.input()->start();
    return {};
  }
  void stop() override {}
  MidiStatus await(std::uint32_t ms) override {
    if (MidiStatus status = system_.inputAlive(); !status) return status;
    system_.input()->queue().await(monotonicNow() + static_cast<Nanos>(ms) * kNanosPerMs);
    return system_.inputAlive();
  }

 private:
  JackSystem& system_;
};

MidiStatus JackSystem::openInput(const Device& device, InputQueue& queue, std::unique_ptr<InputPort>& port) {
  if (shutdown_.load()) return {kMidiJackShutdown, "the server is gone"};
  if (!jack_port_by_name(client_, device.address.fullName.c_str())) return {kMidiNoSuchPort, device.name};
  jack_port_t* own = nullptr;
  if (MidiStatus status = registerPort("in", JackPortIsInput, own); !status) return status;
  inputOwned_ = std::make_unique<JackInput>(client_, own, device.address.fullName, queue);
  input_.store(inputOwned_.get(), std::memory_order_release);
  MidiStatus status = activate();
  if (status) status = connect(device.address.fullName.c_str(), jack_port_name(own), "from " + device.name);
  if (!status) {
    closeInput();
    return status;
  }
  port = std::make_unique<JackInputPort>(*this);
  return {};
}

void JackSystem::closeInput() {
  if (!inputOwned_) return;
  inputOwned_->detach();
  input_.store(nullptr, std::memory_order_release);
  stopUsing();  // the process callback no longer sees the input after this
  if (!shutdown_.load()) ask([client = client_, port = inputOwned_->port()] { jack_port_disconnect(client, port); });
  ask([client = client_, port = inputOwned_->port()] { jack_port_unregister(client, port); });
  // JACK's notification thread may still hold the pointer it loaded: keep
  // the object until the client closes.
  retiredInputs_.push_back(std::move(inputOwned_));
}

}  // namespace

MidiStatus connectJack(std::string_view clientName, std::unique_ptr<Backend>& backend) {
  jack_set_error_function(quiet);
  jack_set_info_function(quiet);
  struct Opened {
    jack_client_t* client = nullptr;
    jack_status_t status{};
  };
  auto opened = std::make_shared<Opened>();
  const Answer answer = awaitAnswer([name = std::string(clientName), opened] {
    opened->client = jack_client_open(name.c_str(), JackNoStartServer, &opened->status);
  }, kNoProgressLimit, true);
  if (answer == Answer::broken) return {kMidiInterrupted, {}};
  if (answer == Answer::none) return notAnswering();
  jack_client_t* client = opened->client;
  const jack_status_t status = opened->status;
  if (!client) return {kMidiNoJackServer, statusText(status) + "; start one (for a try without hardware: jackd -d dummy)"};
  backend = std::make_unique<JackSystem>(client);
  return {};
}

}  // namespace midiio
