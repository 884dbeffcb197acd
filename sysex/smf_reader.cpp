#include "sysex/smf_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "vornlib/errors.h"
#include "vornlib/numbers.h"
#include "vornlib/varlen.h"

namespace sysex {
namespace {

class ChunkReader {
 public:
  ChunkReader(vorn::ByteInput& in, std::uint64_t fileSize) : in_(in), fileSize_(fileSize) {}

  // Reads a chunk of the given type; its data lands in `data`.
  SmfFileError read(const char (&type)[5], std::vector<std::uint8_t>& data, std::uint64_t& dataOffset) {
    std::uint8_t head[8];
    std::size_t got = in_.read(head);
    if (got < sizeof head) return fail(vorn::kErrShortRead, offset_ + got);
    if (std::memcmp(head, type, 4) != 0) return fail(vorn::kErrMalformedInput, offset_);
    std::uint32_t length = vorn::readBE32(head + 4);
    if (length == 0 || length > fileSize_) return fail(vorn::kErrMalformedInput, offset_ + 4);
    offset_ += sizeof head;
    dataOffset = offset_;
    // A size that cannot be checked against the file is trusted only as far as data arrives.
    constexpr std::size_t kPiece = 1 << 20;
    data.clear();
    if (fileSize_ != kUnknownFileSize) data.reserve(length);
    while (data.size() < length) {
      std::size_t want = std::min<std::size_t>(length - data.size(), kPiece);
      std::size_t at = data.size();
      data.resize(at + want);
      std::size_t n = in_.read(std::span(data.data() + at, want));
      offset_ += n;
      if (n < want) return fail(vorn::kErrShortRead, offset_);
    }
    return {};
  }

 private:
  static SmfFileError fail(std::uint32_t code, std::uint64_t offset) { return {code, offset}; }

  vorn::ByteInput& in_;
  std::uint64_t fileSize_;
  std::uint64_t offset_ = 0;
};

// A fault that abandons the track: its text and the position in the chunk.
struct TrackFault {
  std::string_view text;
  std::size_t position;
};

class TrackParser {
 public:
  explicit TrackParser(SmfTrack& track) : track_(track), data_(track.data) {}

  // Throws TrackFault.
  void parse() {
    std::uint32_t time = 0;
    std::uint8_t runningStatus = 0;
    while (pos_ < data_.size()) {
      std::uint32_t delta = quantity();
      if (delta > 0xFFFFFFFFu - time) fail(kTimeTooLong);
      time += delta;
      std::uint8_t status = byte();
      if (status >= 0x80 && status <= 0xEF) {
        runningStatus = status;
        dataByte();
        if (hasSecondDataByte(status)) dataByte();
      } else if (status >= 0xF0) {
        runningStatus = 0;
        systemEvent(status, time, delta);
      } else {
        if (runningStatus == 0) fail(kRunningStatusError, pos_ - 1);
        if (hasSecondDataByte(runningStatus)) dataByte();
      }
    }
  }

 private:
  [[noreturn]] void fail(std::string_view text) const { throw TrackFault{text, pos_}; }
  [[noreturn]] void fail(std::string_view text, std::size_t position) const { throw TrackFault{text, position}; }

  static bool hasSecondDataByte(std::uint8_t status) {
    std::uint8_t kind = status & 0xF0;
    return kind != 0xC0 && kind != 0xD0;
  }

  std::uint8_t byte() {
    if (pos_ >= data_.size()) fail(kTrackOverrun);
    return data_[pos_++];
  }
  void dataByte() {
    if (byte() >= 0x80) fail(kDataHaveMsb, pos_ - 1);
  }
  // At most four bytes of seven bits, most significant first.
  std::uint32_t quantity() {
    if (auto value = vorn::readVarLength([this] { return byte(); })) return *value;
    fail(kDeltaValueError, pos_ - 1);
  }
  // Steps over `length` bytes, which must lie inside the chunk.
  std::size_t take(std::uint32_t length) {
    if (length > data_.size() - pos_) fail(kTrackOverrun);
    std::size_t start = pos_;
    pos_ += length;
    return start;
  }

  void systemEvent(std::uint8_t status, std::uint32_t time, std::uint32_t delta) {
    if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length = quantity();
      std::size_t start = take(length);
      keep({time, delta, status, static_cast<std::uint32_t>(start), length});
    } else if (status == 0xFF) {
      byte();  // the meta type does not matter here
      take(quantity());
    } else {
      fail(kIrregalSystemMsg, pos_ - 1);
    }
  }

  void keep(const SysExEvent& event) {
    try {
      track_.events.push_back(event);
    } catch (const std::bad_alloc&) {
      fail(kNoMemory);
    }
  }

  SmfTrack& track_;
  const std::vector<std::uint8_t>& data_;
  std::size_t pos_ = 0;
};

}  // namespace

SmfFileError readSmfChunks(vorn::ByteInput& in, std::uint64_t fileSize, SmfInfo& smf) {
  smf = SmfInfo{};
  ChunkReader reader(in, fileSize);
  std::vector<std::uint8_t> header;
  std::uint64_t headerOffset = 0;
  if (SmfFileError e = reader.read("MThd", header, headerOffset)) return e;
  if (header.size() < 6) return {vorn::kErrMalformedInput, headerOffset - 4};
  smf.format = vorn::readBE16(header.data());
  smf.trackCount = vorn::readBE16(header.data() + 2);
  smf.division = vorn::readBE16(header.data() + 4);
  bool accepted = (smf.format == 0 || smf.format == 1) && smf.division != 0 && smf.trackCount != 0 &&
                  (smf.format != 0 || smf.trackCount == 1);
  if (!accepted) return {vorn::kErrMalformedInput, headerOffset};
  smf.tracks.resize(smf.trackCount);
  for (SmfTrack& track : smf.tracks) {
    if (SmfFileError e = reader.read("MTrk", track.data, track.fileOffset)) return e;
  }
  return {};
}

void parseTracks(SmfInfo& smf, const ProblemReporter& report) {
  for (std::size_t i = 0; i < smf.tracks.size(); ++i) {
    SmfTrack& track = smf.tracks[i];
    try {
      TrackParser(track).parse();
      track.events.shrink_to_fit();
    } catch (const TrackFault& fault) {
      // An abandoned track keeps nothing, not even the events before the fault.
      track.events = {};
      report({fault.text, i, track.fileOffset + fault.position});
    } catch (const std::bad_alloc&) {
      track.events = {};
      report({kNoMemory, i, track.fileOffset});
    }
  }
}

}  // namespace sysex
