// Drives holmir's receiving side on JACK for bench/receive.sh, and
// zamodump -I's for bench/live.sh (a tool named zamodump is judged by its
// lines; with ZAMO_PROBE_OUT=null its output goes to /dev/null and only its
// status tells). A SIZE of 3 sends note-ons instead of SysEx.
//
//   receive_probe latency HOLMIR COUNT SIZE
//     sends COUNT messages of SIZE bytes, one at a time, to a holmir that
//     records them into a pipe; prints the milliseconds from the cycle that
//     carried each message's last byte to the moment holmir's write of it
//     arrived: "median p99 max".
//   receive_probe rate HOLMIR|- BYTES_PER_S SECONDS SIZE
//     sends SIZE-byte messages at BYTES_PER_S (0: as fast as cycles take
//     them) for SECONDS, to holmir, or with "-" to a plain counting client;
//     prints "sent_bytes received_bytes whole_messages overflow achieved_bytes_per_s".
#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

double monotonicMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Sender {
  jack_client_t* client = nullptr;
  jack_port_t* out = nullptr;
  std::vector<char> message;
  std::atomic<std::uint64_t> toSend{0};    // messages the main thread allows
  std::atomic<std::uint64_t> sent{0};
  std::atomic<double> lastSentMs{0};
  double bytesPerCycle = 0;                // 0: as many as fit
  double allowance = 0;
};

struct Counter {
  jack_port_t* in = nullptr;
  std::atomic<std::uint64_t> bytes{0};
};

Sender sender;
Counter counter;

int process(jack_nframes_t frames, void*) {
  void* buffer = jack_port_get_buffer(sender.out, frames);
  jack_midi_clear_buffer(buffer);
  if (sender.bytesPerCycle > 0) sender.allowance += sender.bytesPerCycle;
  const std::size_t size = sender.message.size();
  while (sender.sent.load() < sender.toSend.load()) {
    if (sender.bytesPerCycle > 0 && sender.allowance < static_cast<double>(size)) break;
    if (size > jack_midi_max_event_size(buffer)) break;
    auto* data = jack_midi_event_reserve(buffer, 0, size);
    if (!data) break;
    std::memcpy(data, sender.message.data(), size);
    sender.allowance -= static_cast<double>(size);
    sender.sent.fetch_add(1);
    sender.lastSentMs.store(monotonicMs());
  }
  if (counter.in) {
    void* in = jack_port_get_buffer(counter.in, frames);
    for (std::uint32_t i = 0, n = jack_midi_get_event_count(in); i < n; ++i) {
      jack_midi_event_t e;
      if (jack_midi_event_get(&e, in, i) == 0) counter.bytes += e.size;
    }
  }
  return 0;
}

bool isZamodump(const char* tool) { return std::strstr(tool, "zamodump") != nullptr; }
bool outToNull() { return getenv("ZAMO_PROBE_OUT") && std::strcmp(getenv("ZAMO_PROBE_OUT"), "null") == 0; }

// `timeout` as holmir's -T; zamodump waits as long with -W.
pid_t startHolmir(const char* holmir, const std::string& port, const char* timeout, int& out) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  const std::string wait = isZamodump(holmir) ? "-W" + std::string(timeout + 2) : timeout;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outToNull() ? open("/dev/null", O_WRONLY) : fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execl(holmir, holmir, ("-I" + port).c_str(), wait.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  out = fds[0];
  return pid;
}

void openSender(bool withCounter) {
  sender.client = jack_client_open("probe", JackNoStartServer, nullptr);
  if (!sender.client) std::exit(1);
  sender.out = jack_port_register(sender.client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  if (withCounter) counter.in = jack_port_register(sender.client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  jack_set_process_callback(sender.client, process, nullptr);
  if (jack_activate(sender.client) != 0) std::exit(1);
  if (withCounter) jack_connect(sender.client, "probe:out", "probe:in");
}

void makeMessage(std::size_t size) {
  if (size == 3) {
    sender.message = {static_cast<char>(0x90), 0x3C, 0x40};
    return;
  }
  sender.message.assign(size, 0x11);
  sender.message.front() = static_cast<char>(0xF0);
  sender.message.back() = static_cast<char>(0xF7);
}

int latency(const char* holmir, int count, std::size_t size) {
  makeMessage(size);
  openSender(false);
  int out;
  const pid_t pid = startHolmir(holmir, "probe:out", "-T5", out);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::vector<double> ms;
  std::vector<char> buffer(size);
  for (int i = 0; i < count; ++i) {
    sender.toSend.fetch_add(1);
    std::size_t got = 0;
    while (got < size) {
      const ssize_t n = read(out, buffer.data(), size - got);
      if (n <= 0) return 1;
      got += static_cast<std::size_t>(n);
    }
    ms.push_back(monotonicMs() - sender.lastSentMs.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(7));  // off the cycle's phase
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  std::sort(ms.begin(), ms.end());
  std::printf("%.2f %.2f %.2f\n", ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
  return 0;
}

int rate(const char* holmir, double bytesPerSecond, double seconds, std::size_t size) {
  makeMessage(size);
  const bool plain = std::strcmp(holmir, "-") == 0;
  openSender(plain);
  const double cycleSeconds = static_cast<double>(jack_get_buffer_size(sender.client)) / jack_get_sample_rate(sender.client);
  sender.bytesPerCycle = bytesPerSecond * cycleSeconds;
  int out = -1;
  pid_t pid = -1;
  if (!plain) {
    pid = startHolmir(holmir, "probe:out", "-T1", out);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  std::string received;
  std::thread reader([&] {
    char b[1 << 16];
    for (ssize_t n; out >= 0 && (n = read(out, b, sizeof b)) > 0;) received.append(b, static_cast<std::size_t>(n));
  });
  const double start = monotonicMs();
  // Allow messages as time passes; "as fast as possible" allows them all at once.
  const auto total = static_cast<std::uint64_t>((bytesPerSecond > 0 ? bytesPerSecond * seconds : 64e6 * seconds) / size);
  sender.toSend.store(total);
  while (sender.sent.load() < total && monotonicMs() - start < seconds * 1000 * 4 + 2000) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (bytesPerSecond <= 0 && monotonicMs() - start > seconds * 1000) break;
  }
  const double spanMs = sender.lastSentMs.load() - start;
  const std::uint64_t sentBytes = sender.sent.load() * size;
  sender.toSend.store(sender.sent.load());
  int overflow = 0;
  if (!plain) {
    int status = 0;
    waitpid(pid, &status, 0);
    overflow = WIFEXITED(status) && WEXITSTATUS(status) == 1;
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  reader.join();
  const std::string whole = sender.message.data() ? std::string(sender.message.begin(), sender.message.end()) : "";
  std::uint64_t wholeCount = 0;
  std::uint64_t receivedBytes = plain ? counter.bytes.load() : received.size();
  if (!plain && isZamodump(holmir)) {
    // One line a message; into /dev/null only the status (1 after a hole) tells.
    const std::string line = size == 3 ? "Note On C4 64\n" : std::to_string(size) + " bytes: F0";
    for (std::size_t at = 0; (at = received.find(line, at)) != std::string::npos; at += line.size()) ++wholeCount;
    if (outToNull() && !overflow) wholeCount = sender.sent.load();
    receivedBytes = wholeCount * size;
  } else {
    for (std::size_t at = 0; (at = received.find(whole, at)) != std::string::npos; at += whole.size()) ++wholeCount;
  }
  std::printf("%llu %llu %llu %d %.0f\n", static_cast<unsigned long long>(sentBytes),
              static_cast<unsigned long long>(receivedBytes), static_cast<unsigned long long>(wholeCount), overflow,
              static_cast<double>(sentBytes) / (spanMs / 1000.0));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "latency") == 0) return latency(argv[2], std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 10));
  if (argc == 6 && std::strcmp(argv[1], "rate") == 0) {
    return rate(argv[2], std::atof(argv[3]), std::atof(argv[4]), std::strtoul(argv[5], nullptr, 10));
  }
  std::fprintf(stderr, "usage: receive_probe latency HOLMIR COUNT SIZE | rate HOLMIR|- BYTES_PER_S SECONDS SIZE\n");
  return 2;
}
