// Writes benchmark inputs for bench/sysex.sh to standard output:
//   sysex_gen syx BYTES   a SysEx file of about BYTES bytes: messages of 10 B
//                         to 64 KiB (sizes spread evenly on a log scale) with
//                         junk between them
//   sysex_gen smf BYTES   a format-1 Standard MIDI File of about BYTES bytes,
//                         16 tracks of notes with SysEx messages among them
// The messages look like synthesizer dumps: Roland-style with complement
// checksums, others with plain or keyed sums or length fields, and
// universal messages. The same arguments give the same bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Random {
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  std::uint32_t next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }
};

void put(std::string& out, std::uint32_t b) { out += static_cast<char>(b); }

// One message of exactly `size` bytes (at least 10), F0 to F7.
std::string message(Random& r, std::size_t size) {
  std::string m;
  std::uint32_t kind = r.below(6);
  std::size_t body = size - 2;  // between F0 and F7
  unsigned sum = 0;
  put(m, 0xF0);
  auto data = [&](std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      std::uint32_t b = r.below(128);
      sum += b;
      put(m, b);
    }
  };
  switch (kind) {
    case 0:
    case 1:  // Roland data set: 41 dev 42 12, address and data, complement sum
      m += std::string("\x41\x10\x42\x12", 4);
      sum = 0;
      data(body - 5);
      put(m, (128 - (sum & 0x7F)) & 0x7F);
      break;
    case 2: {  // Yamaha bulk dump: 43 0n 4C, a two-byte length, the block
      m += std::string("\x43\x10\x4C", 3);
      std::size_t block = body - 5;
      put(m, (block >> 7) & 0x7F);
      put(m, block & 0x7F);
      data(block);
      break;
    }
    case 3:  // plain seven-bit sum
      put(m, 0x44);
      sum = 0;
      data(body - 2);
      put(m, sum & 0x7F);
      break;
    case 4:  // keyed sum
      put(m, 0x45);
      sum = 0;
      data(body - 2);
      put(m, (sum + 0x25) & 0x7F);
      break;
    default:  // universal non-real-time
      m += std::string("\x7E\x7F\x06\x01", 4);
      data(body - 4);
      break;
  }
  put(m, 0xF7);
  return m;
}

std::size_t messageSize(Random& r) {
  double logSize = std::log(10.0) + (std::log(65536.0) - std::log(10.0)) * (r.below(1 << 20) / double(1 << 20));
  return static_cast<std::size_t>(std::exp(logSize));
}

void syx(std::uint64_t size) {
  Random r;
  std::string out;
  std::uint64_t written = 0;
  while (written < size) {
    std::uint32_t junk = r.below(17);
    for (std::uint32_t i = 0; i < junk; ++i) {
      std::uint32_t b = r.below(256);
      put(out, b == 0xF0 ? 0xF7 : b);
    }
    out += message(r, messageSize(r));
    if (out.size() >= 1 << 20) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      written += out.size();
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void quantity(std::string& out, std::uint32_t v) {
  char groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<char>(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n > 1) out += static_cast<char>(groups[--n] | 0x80);
  out += groups[0];
}

void be32(std::string& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) put(out, (v >> (8 * i)) & 0xFF);
}

void smf(std::uint64_t size) {
  constexpr int kTracks = 16;
  Random r;
  std::string file = "MThd";
  be32(file, 6);
  file += std::string("\x00\x01\x00\x10\x01\xE0", 6);  // format 1, 16 tracks, 480 ticks
  std::fwrite(file.data(), 1, file.size(), stdout);
  for (int t = 0; t < kTracks; ++t) {
    std::string track;
    int channel = t;
    while (track.size() < size / kTracks) {
      if (r.below(8) == 0) {
        std::string m = message(r, 10 + r.below(r.below(4) == 0 ? 8000 : 300));
        quantity(track, r.below(480));
        put(track, 0xF0);
        quantity(track, static_cast<std::uint32_t>(m.size() - 1));
        track.append(m, 1);
      } else {
        int note = 36 + static_cast<int>(r.below(48));
        quantity(track, r.below(240));
        put(track, 0x90 | (channel & 0x0F));
        put(track, note);
        put(track, 1 + r.below(127));
        quantity(track, r.below(240));
        put(track, note);  // running status: a note off as velocity 0
        put(track, 0);
      }
    }
    track += std::string("\x00\xFF\x2F\x00", 4);
    std::string head = "MTrk";
    be32(head, static_cast<std::uint32_t>(track.size()));
    std::fwrite(head.data(), 1, head.size(), stdout);
    std::fwrite(track.data(), 1, track.size(), stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sysex_gen syx|smf BYTES\n");
    return 2;
  }
  std::uint64_t size = std::strtoull(argv[2], nullptr, 10);
  if (std::strcmp(argv[1], "syx") == 0) {
    syx(size);
  } else if (std::strcmp(argv[1], "smf") == 0) {
    smf(size);
  } else {
    std::fprintf(stderr, "sysex_gen: unknown kind %s\n", argv[1]);
    return 2;
  }
  return 0;
}
