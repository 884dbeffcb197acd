// Writes benchmark inputs for bench/stream.sh to standard output:
//   stream_gen ostra BYTES   an OSTRA sequence of about BYTES bytes
//   stream_gen smf BYTES     a format-0 Standard MIDI File of about BYTES bytes
// The music is made up but shaped like real sequences: mostly note on/off
// pairs with small deltas, now and then a controller, a tempo change, a
// long rest or a SysEx message. The same arguments give the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Random {
  std::uint64_t state = 0x2545F4914F6CDD1Dull;
  std::uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }
};

class Out {
 public:
  void byte(int b) { data_.push_back(static_cast<char>(b)); if (data_.size() >= 1 << 20) flush(); }
  void bytes(const std::string& s) { for (char c : s) byte(static_cast<unsigned char>(c)); }
  void le32(std::uint32_t v) { for (int i = 0; i < 4; ++i) byte((v >> (8 * i)) & 0xFF); }
  void be32(std::uint32_t v) { for (int i = 3; i >= 0; --i) byte((v >> (8 * i)) & 0xFF); }
  void flush() { std::fwrite(data_.data(), 1, data_.size(), stdout); data_.clear(); }

 private:
  std::string data_;
};

const std::string kSysEx = std::string("\x41\x10\x42\x12\x40\x00\x7F\x00\x41", 9) + std::string(16, '\x10') + "\xF7";

void ostra(std::uint64_t size) {
  Out out;
  Random r;
  std::uint64_t written = 0;
  while (written + 4 < size) {
    std::uint32_t kind = r.below(1000);
    int delta = r.below(4) == 0 ? 0 : static_cast<int>(r.below(120));
    if (kind < 2) {  // a long rest: a filler
      out.bytes("\xFF\xF8");
      out.byte(0);
      out.byte(0);
      written += 4;
    } else if (kind < 4) {  // a tempo change
      std::uint32_t tempo = 6000 + r.below(18000);
      out.byte(delta);
      out.byte(0xF1);
      out.byte(tempo & 0xFF);
      out.byte(tempo >> 8);
      written += 4;
    } else if (kind < 6) {  // SysEx
      out.byte(delta);
      out.byte(0xF0);
      out.le32(static_cast<std::uint32_t>(kSysEx.size()));
      out.bytes(kSysEx);
      written += 6 + kSysEx.size();
    } else {
      int channel = static_cast<int>(r.below(4));
      int status = (kind < 30 ? 0xB0 : (kind & 1) ? 0x90 : 0x80) | channel;
      out.byte(delta);
      out.byte(status);
      out.byte(static_cast<int>(r.below(128)));
      out.byte(static_cast<int>(r.below(128)));
      written += 4;
    }
  }
  out.bytes(std::string("\x00\xFF\x00\x00", 4));
  out.flush();
}

void smf(std::uint64_t size) {
  Out out;
  Random r;
  // The track is built first: its length goes into its header.
  std::string track;
  std::uint64_t budget = size > 64 ? size - 64 : 0;
  auto put = [&](int b) { track.push_back(static_cast<char>(b)); };
  auto vlq = [&](std::uint32_t v) {
    int shift = 21;
    while (shift > 0 && (v >> shift) == 0) shift -= 7;
    for (; shift > 0; shift -= 7) put(((v >> shift) & 0x7F) | 0x80);
    put(v & 0x7F);
  };
  int running = 0;
  while (track.size() < budget) {
    std::uint32_t kind = r.below(1000);
    vlq(r.below(4) == 0 ? 0 : r.below(kind < 2 ? 20000 : 200));
    if (kind < 2) {  // set tempo
      std::uint32_t micros = 300000 + r.below(400000);
      put(0xFF); put(0x51); put(3);
      put(micros >> 16); put((micros >> 8) & 0xFF); put(micros & 0xFF);
      running = 0;
    } else if (kind < 4) {  // a text meta event
      put(0xFF); put(0x01); vlq(8);
      for (int i = 0; i < 8; ++i) put('a' + i);
      running = 0;
    } else if (kind < 6) {  // SysEx
      put(0xF0);
      vlq(static_cast<std::uint32_t>(kSysEx.size()));
      for (char c : kSysEx) put(static_cast<unsigned char>(c));
      running = 0;
    } else {
      int channel = static_cast<int>(r.below(4));
      int status = (kind < 20 ? 0xC0 : kind < 40 ? 0xB0 : 0x90) | channel;
      // Running status most of the time, as sequencers write it.
      if (status != running || r.below(8) == 0) put(status);
      running = status;
      put(static_cast<int>(r.below(128)));
      if ((status & 0xF0) != 0xC0) put(static_cast<int>(r.below(128)));
    }
  }
  put(0); put(0xFF); put(0x2F); put(0);
  out.bytes("MThd");
  out.be32(6);
  out.bytes(std::string("\x00\x00\x00\x01\x01\xE0", 6));  // format 0, one track, 480 per quarter
  out.bytes("MTrk");
  out.be32(static_cast<std::uint32_t>(track.size()));
  out.flush();
  std::fwrite(track.data(), 1, track.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "ostra") != 0 && std::strcmp(argv[1], "smf") != 0)) {
    std::fprintf(stderr, "usage: stream_gen ostra|smf BYTES\n");
    return 2;
  }
  std::uint64_t size = std::strtoull(argv[2], nullptr, 10);
  if (std::strcmp(argv[1], "ostra") == 0) ostra(size);
  else smf(size);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
