#include "sysex/smf_reader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "seq/smf_events.h"
#include "sysex/smf_track_faults.h"
#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/shown_bytes.h"
#include "vornlib/smf_header.h"

namespace sysex {
namespace {

// A track is parsed through a buffer of this size.
constexpr std::size_t kParseBuffer = 1 << 16;

class ChunkReader {
 public:
  ChunkReader(vorn::ByteInput& in, std::uint64_t fileSize) : in_(in), fileSize_(fileSize) {}

  // Reads the head of a chunk of the given type and steps over its data,
  // which must all be there; the first bytes of it land in `keep`.
  SmfFileError read(const char (&type)[5], std::span<std::uint8_t> keep, std::uint64_t& dataOffset,
                    std::uint32_t& length) {
    std::string name = std::string("\"") + type + "\"";
    std::uint64_t at = in_.offset();
    std::uint8_t head[8];
    std::size_t got = in_.read(head);
    if (got < sizeof head) {
      return {vorn::kErrShortRead, at + got, "the file ends inside the head of chunk " + name};
    }
    if (std::memcmp(head, type, 4) != 0) {
      return {vorn::kErrMalformedInput, at, "chunk " + vorn::quotedBytes(std::span(head, 4)) + " where " + name + " belongs"};
    }
    length = vorn::readBE32(head + 4);
    if (length == 0) return {vorn::kErrMalformedInput, at + 4, "chunk " + name + " of length 0"};
    if (length > fileSize_) {
      return {vorn::kErrMalformedInput, at + 4,
              "chunk " + name + " claims " + std::to_string(length) + " bytes; the file has " +
                  std::to_string(fileSize_)};
    }
    dataOffset = in_.offset();
    keep = keep.first(std::min<std::size_t>(keep.size(), length));
    std::uint64_t there = in_.read(keep);
    if (there == keep.size()) there += in_.skip(length - keep.size());
    if (there < length) {
      return {vorn::kErrShortRead, in_.offset(),
              "chunk " + name + " claims " + std::to_string(length) + " bytes; the file ends after " +
                  std::to_string(there)};
    }
    return {};
  }

 private:
  vorn::ByteInput& in_;
  std::uint64_t fileSize_;
};

// Why a header is refused, with the offset of the field at fault; "" when accepted.
SmfFileError checkHeader(const SmfInfo& smf, std::uint64_t at) {
  auto refuse = [](std::uint64_t offset, std::string found) {
    return SmfFileError{vorn::kErrMalformedInput, offset, std::move(found)};
  };
  if (smf.format != 0 && smf.format != 1) {
    return refuse(at, "format " + std::to_string(smf.format) + "; only formats 0 and 1 are read");
  }
  if (smf.trackCount == 0) return refuse(at + 2, "no tracks");
  if (smf.format == 0 && smf.trackCount != 1) {
    return refuse(at + 2, "format 0 with " + std::to_string(smf.trackCount) + " tracks; it has exactly one");
  }
  if (smf.division == 0) return refuse(at + 4, "time division 0");
  return {};
}

}  // namespace

SmfFileError readSmfChunks(vorn::ByteInput& in, std::uint64_t fileSize, SmfInfo& smf) {
  smf = SmfInfo{};
  smf.source = &in;
  // The tracks are read again later, from where they lie.
  vorn::ByteInput probe;
  if (!in.reopenAt(probe, in.offset(), 0)) return {ESPIPE, in.offset(), ""};
  ChunkReader reader(in, fileSize);
  std::array<std::uint8_t, vorn::kSmfHeaderFieldsLength> fields;
  std::uint64_t headerOffset = 0;
  std::uint32_t headerLength = 0;
  if (SmfFileError e = reader.read("MThd", fields, headerOffset, headerLength)) return e;
  if (headerLength < vorn::kSmfHeaderFieldsLength) {
    return {vorn::kErrMalformedInput, headerOffset - 4,
            "header chunk of " + std::to_string(headerLength) + " bytes; it needs 6"};
  }
  vorn::SmfHeaderFields header = vorn::parseSmfHeaderFields(fields);
  smf.format = header.format;
  smf.trackCount = header.tracks;
  smf.division = header.division;
  if (SmfFileError e = checkHeader(smf, headerOffset)) return e;
  try {
    smf.tracks.resize(smf.trackCount);
  } catch (const std::bad_alloc&) {
    return {ENOMEM, headerOffset + 2, "out of memory for " + std::to_string(smf.trackCount) + " tracks"};
  }
  for (SmfTrack& track : smf.tracks) {
    if (SmfFileError e = reader.read("MTrk", {}, track.fileOffset, track.length)) return e;
  }
  return {};
}

namespace {

// Reads one track to the chunk's end; whether it holds a SysEx event.
// Raises seq::TrackFault.
bool parseTrack(vorn::ByteInput& in, std::uint32_t length) {
  seq::TrackEvents events(in, length, kMaxTrackTicks);
  seq::SmfEvent event;
  bool any = false;
  while (events.more()) {
    events.next(event);
    if (event.status == vorn::kSysExStart || event.status == vorn::kSysExEnd) {
      any = true;
      skipBody(events, event);
    } else if (event.status == vorn::kSmfMeta) {
      skipBody(events, event);
    }
  }
  return any;
}

}  // namespace

void parseTracks(SmfInfo& smf, const ProblemReporter& report) {
  vorn::ByteInput cursor;
  for (std::size_t i = 0; i < smf.tracks.size(); ++i) {
    SmfTrack& track = smf.tracks[i];
    track.keeps = false;
    if (!smf.openTrack(i, cursor, kParseBuffer)) {
      report({kTrackOverrun, i, track.fileOffset});
      continue;
    }
    try {
      track.keeps = parseTrack(cursor, track.length);
    } catch (const seq::TrackFault& fault) {
      // An abandoned track keeps nothing, not even the events before the fault.
      report({problemText(fault.kind), i, fault.offset.value_or(track.fileOffset)});
    }
  }
}

std::string trackProblemText(const SmfProblem& problem) {
  return "track " + std::to_string(problem.track + 1) + ": " + std::string(problem.text);
}

}  // namespace sysex
