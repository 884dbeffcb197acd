#include "seq/smf_merge.h"

#include <algorithm>
#include <array>
#include <memory>
#include <queue>
#include <string>
#include <utility>
#include <vector>

#include "seq/smf_chunk.h"
#include "seq/smf_events.h"
#include "seq/strict_input.h"
#include "vornlib/smf_header.h"

namespace seq {
namespace {

// One track chunk held in memory, and where its next event stands.
struct Track {
  std::uint64_t base = 0;  // offset of the chunk's body in the input
  std::unique_ptr<vorn::ByteInput> bytes;
  std::unique_ptr<TrackEvents> events;
  SmfEvent next;
};

std::string trackName(std::size_t index, std::uint16_t tracks) {
  return "track chunk " + std::to_string(index + 1) + " of " + std::to_string(tracks);
}

std::vector<Track> readTracks(vorn::ByteInput& in, std::uint16_t tracks) {
  std::vector<Track> all(tracks);
  std::size_t held = 0;
  std::string body;
  std::array<std::uint8_t, 1 << 16> piece;
  for (std::size_t i = 0; i < all.size(); ++i) {
    std::string name = trackName(i, tracks);
    std::uint64_t headAt = in.offset();
    std::uint32_t length = readChunkHead(in, vorn::kSmfTrackId, (name + "'s head").c_str());
    if (length > kMaxMergedBytes - held) {
      raiseAt(name + " of " + std::to_string(length) + " bytes would take the tracks past " +
                  std::to_string(kMaxMergedBytes >> 20) + " MiB, the most that is merged",
              headAt + 4);
    }
    held += length;
    all[i].base = in.offset();
    // Read piece by piece: a declared length is not trusted with an allocation.
    body.clear();
    while (body.size() < length) {
      std::size_t want = std::min<std::size_t>(piece.size(), length - body.size());
      std::size_t got = in.read(std::span(piece.data(), want));
      body.append(reinterpret_cast<const char*>(piece.data()), got);
      if (got < want) raise(endsInside(name + " of " + std::to_string(length) + " bytes", in.offset()));
    }
    all[i].bytes = std::make_unique<vorn::ByteInput>();
    all[i].bytes->openMemory(body);
    all[i].events = std::make_unique<TrackEvents>(*all[i].bytes, length);
  }
  return all;
}

// Runs `step` on `track`, giving a fault the track's place in the input.
template <typename Step>
void inTrack(Track& track, Step&& step) {
  try {
    step();
  } catch (InputFault& fault) {
    fault.offset = track.base + fault.offset.value_or(0);
    throw;
  }
}

}  // namespace

void mergeTracks(vorn::ByteInput& in, std::uint16_t tracks, OstraFromSmf& out) {
  std::vector<Track> all = readTracks(in, tracks);

  // The tracks whose next event waits, earliest first, then by track number.
  using Key = std::pair<std::uint64_t, std::size_t>;
  std::priority_queue<Key, std::vector<Key>, std::greater<>> waiting;
  std::uint64_t end = 0;
  // Reads a track's next event; false when the track has ended.
  auto advance = [&](Track& track) {
    inTrack(track, [&] {
      track.events->next(track.next);
      if (track.next.isEndOfTrack()) track.events->input().skip(track.next.length, "a meta event");
    });
    if (!track.next.isEndOfTrack()) return true;
    end = std::max(end, track.next.ticks);
    return false;
  };

  for (std::size_t i = 0; i < all.size(); ++i) {
    if (advance(all[i])) waiting.emplace(all[i].next.ticks, i);
  }
  while (!waiting.empty()) {
    std::size_t i = waiting.top().second;
    waiting.pop();
    Track& track = all[i];
    // A track stays in front, out of the queue, while its events come first.
    for (;;) {
      inTrack(track, [&] { out.event(track.next, track.events->input()); });
      if (!advance(track)) break;
      Key next{track.next.ticks, i};
      if (!waiting.empty() && waiting.top() < next) {
        waiting.push(next);
        break;
      }
    }
  }
  out.end(end);
}

}  // namespace seq
