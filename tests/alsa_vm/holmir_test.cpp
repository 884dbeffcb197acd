// holmir on a real ALSA sequencer (inside the test machine): what is written
// to the raw side of a virtual MIDI port (/dev/snd/midiC0D0) comes out of its
// sequencer port "Virtual Raw MIDI 0-0:VirMIDI 0-0" as events of at most 256
// bytes, which holmir joins back into the messages, byte for byte. holmir's
// request goes to VirMIDI 0-1, so its arrival there tells that holmir records.
// No timing is judged: the machine has one emulated CPU.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "raw_midi_reader.h"
#include "seq_client.h"
#include "run_tool.h"

namespace {

using zamotest::unhex;

const std::string kInput = "Virtual Raw MIDI 0-0:VirMIDI 0-0";
const std::string kRequestPort = "Virtual Raw MIDI 0-1:VirMIDI 0-1";
const std::string kRequest = unhex("F0 7E 7F 06 01 F7");

// A SysEx message that names itself (F0 7D, its number in two data bytes)
// and whose data never repeats in a short cycle, so that a piece from
// elsewhere joined to it shows as a difference.
std::string taggedSysEx(std::size_t size, unsigned number) {
  std::string message(size, '\0');
  std::uint32_t state = 0x9E3779B9u ^ (number * 2654435761u);
  for (char& byte : message) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state & 0x7F);
  }
  message[0] = static_cast<char>(0xF0);
  message[1] = 0x7D;
  message[2] = static_cast<char>((number >> 7) & 0x7F);
  message[3] = static_cast<char>(number & 0x7F);
  message.back() = static_cast<char>(0xF7);
  return message;
}

unsigned numberOf(const std::string& message) {
  return (static_cast<unsigned>(message[2]) << 7) | static_cast<unsigned>(message[3]);
}

// The cells that the sequencer holds for its clients' input, still unread
// (holmir's, as no other client reads here).
long inputCellsInUse() {
  const std::string clients = zamotest::readFile("/proc/asound/seq/clients");
  long cells = 0;
  for (std::size_t at = 0; (at = clients.find("Input pool", at)) != std::string::npos;) {
    at = clients.find("Cells in use", at);
    if (at == std::string::npos) break;
    at = clients.find(':', at) + 1;
    cells += std::strtol(clients.c_str() + at, nullptr, 10);
  }
  return cells;
}

// Like an instrument, which sends no faster than its cable carries, the
// writer waits for holmir to take each piece before the next.
void awaitTaken() {
  for (int round = 0; round < 1000 && inputCellsInUse() > 0; ++round) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Writes `bytes` to the raw side in pieces of `piece` bytes, each once the
// one before was taken unless `unpaced`; gives up when the device takes
// nothing for `patience` tenths of a second. Returns the bytes written.
std::size_t writeRaw(const std::string& bytes, std::size_t piece, bool unpaced = false, int patience = 100) {
  const int fd = open("/dev/snd/midiC0D0", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return 0;
  std::size_t done = 0;
  int stuck = 0;
  while (done < bytes.size() && stuck < patience) {
    const ssize_t n = write(fd, bytes.data() + done, std::min(piece, bytes.size() - done));
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      stuck = 0;
      if (!unpaced) awaitTaken();
      continue;
    }
    if (n < 0 && errno != EAGAIN) break;
    pollfd out{fd, POLLOUT, 0};
    if (poll(&out, 1, 100) == 0) ++stuck;
  }
  close(fd);
  return done;
}

// holmir recording from the input, started in the background; `ready`
// returns once its request came out, that is once it records.
class HolmirRun {
 public:
  HolmirRun(const zamotest::TempDir& dir, std::vector<std::string> extra, const std::string& input = kInput) {
    const std::string request = dir.write("request.syx", kRequest);
    std::vector<std::string> args{"-I" + input, "-E" + kRequestPort, "-R" + request};
    args.insert(args.end(), extra.begin(), extra.end());
    run_ = std::async(std::launch::async, [args] { return zamotest::runTool("holmir", args); });
  }
  bool ready() { return requestSeen_.awaitBytes(kRequest.size(), std::chrono::milliseconds(60000)) == kRequest; }
  zamotest::ToolRun finish() { return run_.get(); }

 private:
  alsavm::RawMidiReader requestSeen_{1};
  std::future<zamotest::ToolRun> run_;
};

// The messages of a SysEx file, each up to its F7.
std::vector<std::string> messagesOf(const std::string& bytes) {
  std::vector<std::string> messages;
  std::size_t from = 0;
  while (from < bytes.size()) {
    const std::size_t end = bytes.find(static_cast<char>(0xF7), from);
    const std::size_t to = end == std::string::npos ? bytes.size() : end + 1;
    messages.push_back(bytes.substr(from, to - from));
    from = to;
  }
  return messages;
}

TEST(HolmirAlsa, InputIsListedUnderTheRawPortsName) {
  const auto list = zamotest::runTool("navlin", {"-I"});
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_NE(list.out.find(kInput + "\n"), std::string::npos) << list.out;
}

TEST(HolmirAlsa, RecordsWhatTheRawPortIsGivenByteForByte) {
  const std::string dump = unhex("F0 43 10 4C 00 00 7E 00 F7") + taggedSysEx(700, 1) + taggedSysEx(64 << 10, 2);
  const struct {
    const char* name;
    std::string sent;
    std::size_t piece;  // bytes per write to the raw side
  } cases[] = {
      {"short messages around them are left out", unhex("90 3C 40") + dump + unhex("80 3C 00"), 4096},
      {"offered whole", dump, dump.size()},
      {"odd pieces", dump, 97},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    zamotest::TempDir dir;
    const auto output = dir.file("dump.syx");
    HolmirRun holmir(dir, {"-T2", "-O" + output.string()});
    ASSERT_TRUE(holmir.ready());
    EXPECT_EQ(writeRaw(c.sent, c.piece), c.sent.size());
    const auto run = holmir.finish();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string got = zamotest::readFile(output);
    EXPECT_TRUE(got == dump) << alsavm::describeDifference(got, dump);
  }
}

// Where a flood comes from:
// - the raw side of a virtual port, each 4 KiB piece written once holmir took
//   the one before, so that only holmir's own queue overflows;
// - the raw side unpaced: the port's kernel worker hands events on while
//   holmir's reader is inside a read, so the sequencer's pool overflows
//   in the middle of a batch. When the sequencer refuses the port an event
//   while the port's buffer is full, the port passes nothing on any more, so
//   this flood may end early and is followed by no last message;
// - a sequencer client of the test's own, sending 256-byte events as fast as
//   it can: the sequencer's pool overflows between reads, every time.
enum class Flood { rawPaced, rawUnpaced, client };

class FloodSource {
 public:
  explicit FloodSource(Flood kind) : kind_(kind) {
    if (kind_ == Flood::client) {
      client_ = std::make_unique<alsavm::SeqClient>("Flooder");
      port_ = client_->addPort("out", alsavm::kReadable);
    }
  }
  std::string input() const { return kind_ == Flood::client ? "Flooder:out" : kInput; }
  // Sends `bytes` (whole messages); returns the events the sequencer refused
  // the client (-1 when that is not known).
  long send(const std::string& bytes, bool retry = false) {
    if (kind_ == Flood::rawPaced) {
      EXPECT_EQ(writeRaw(bytes, 4096), bytes.size());
      return -1;
    }
    if (kind_ == Flood::rawUnpaced) {
      writeRaw(bytes, 4096, true, 10);
      return -1;
    }
    long refused = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 256) {
      while (client_->sendSysEx(port_, bytes.substr(at, 256)) < 0) {
        ++refused;
        if (!retry) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
    return refused;
  }

 private:
  Flood kind_;
  std::unique_ptr<alsavm::SeqClient> client_;
  int port_ = -1;
};

// holmir's output is a FIFO that nobody reads during the flood, so holmir
// stalls on its first full pipe and its input queue fills up behind it. When
// the sequencer's own pool overflows as well, the kernel reports that hole
// only at the start of the read after it, when events that came after the
// hole may already have been read: nothing may join those to the message the
// hole cut.
void floodAndCheck(Flood kind) {
  std::vector<std::string> flood;
  std::string floodBytes;
  const std::size_t sizes[] = {300, 1000, 4100, 20000};
  for (unsigned number = 0; floodBytes.size() < (1u << 20); ++number) {
    flood.push_back(taggedSysEx(sizes[number % 4], number));
    floodBytes += flood.back();
  }
  // Sent once the output is read again: it comes after every hole.
  const unsigned lastNumber = static_cast<unsigned>(flood.size());
  flood.push_back(taggedSysEx(500, lastNumber));

  zamotest::TempDir dir;
  // The staged folder is a 9p share when it lies under /tmp, and 9p refuses
  // special files: the FIFO goes on the machine's own /dev, in memory.
  const std::string fifo = "/dev/zamo-holmir-out.fifo";
  unlink(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  struct FifoRemover {
    const std::string& path;
    ~FifoRemover() { unlink(path.c_str()); }
  } removeFifo{fifo};
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // holmir's open does not wait
  ASSERT_GE(reader, 0) << std::strerror(errno);
  FloodSource source(kind);
  HolmirRun holmir(dir, {"-T5", "-O" + fifo}, source.input());
  ASSERT_TRUE(holmir.ready());
  const long refused = source.send(floodBytes);
  if (kind == Flood::client) {
    std::cout << "the sequencer refused holmir " << refused << " events\n";
    EXPECT_GT(refused, 0) << "the flood never overflowed the sequencer's pool: the case tests nothing";
  }

  fcntl(reader, F_SETFL, 0);
  std::mutex mutex;
  std::string got;
  std::thread drain([&] {
    char buffer[65536];
    ssize_t n;
    while ((n = read(reader, buffer, sizeof buffer)) > 0) {
      std::lock_guard lock(mutex);
      got.append(buffer, static_cast<std::size_t>(n));
    }
  });
  // The last message goes once holmir has caught up (its output stood still a while).
  for (std::size_t seen = ~std::size_t{0};;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    std::lock_guard lock(mutex);
    if (got.size() == seen) break;
    seen = got.size();
  }
  if (kind != Flood::rawUnpaced) source.send(flood.back(), true);
  const auto run = holmir.finish();
  drain.join();
  close(reader);

  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("MIDIオーバーフローが発生しました"), std::string::npos) << run.err;
  const std::vector<std::string> messages = messagesOf(got);
  ASSERT_FALSE(messages.empty());
  if (kind != Flood::rawUnpaced) {
    EXPECT_TRUE(messages.back() == flood.back()) << alsavm::describeDifference(messages.back(), flood.back());
  }
  // Each message is a sent one, whole, or the start of one closed by an added
  // F7 where a hole began; never pieces of two. They come in the order sent.
  std::size_t whole = 0, cut = 0;
  unsigned previous = 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    const std::string& m = messages[i];
    SCOPED_TRACE("message " + std::to_string(i) + " of " + std::to_string(m.size()) + " bytes");
    ASSERT_GE(m.size(), 5u);
    ASSERT_EQ(static_cast<unsigned char>(m.back()), 0xF7);
    const unsigned number = numberOf(m);
    ASSERT_LT(number, flood.size());
    if (i > 0) {
      EXPECT_GT(number, previous);
    }
    previous = number;
    const std::string& sent = flood[number];
    if (m == sent) {
      ++whole;
      continue;
    }
    ++cut;
    EXPECT_LT(m.size(), sent.size());
    const std::string start = m.substr(0, m.size() - 1);
    EXPECT_TRUE(sent.compare(0, start.size(), start) == 0) << alsavm::describeDifference(start, sent.substr(0, start.size()));
  }
  static const char* const kFloods[] = {"raw side, paced", "raw side, unpaced", "a client"};
  std::cout << kFloods[static_cast<int>(kind)] << ": holmir kept " << whole << " whole and " << cut << " cut of " << flood.size() << " messages\n";
}

TEST(HolmirAlsa, AnOverflowIsReportedAndNoMessageIsJoinedAcrossTheHole) {
  const struct {
    const char* what;
    Flood kind;
  } cases[] = {
      {"the raw side, paced: holmir's own queue overflows", Flood::rawPaced},
      {"a client floods: the sequencer's pool overflows between reads", Flood::client},
      // Last: the virtual port may be left stuck.
      {"the raw side, unpaced: the sequencer's pool overflows within a read", Flood::rawUnpaced},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    floodAndCheck(c.kind);
  }
}

}  // namespace
