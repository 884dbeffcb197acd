#include "sysex/smf_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "vornlib/errors.h"
#include "vornlib/midi_status.h"
#include "vornlib/numbers.h"
#include "vornlib/shown_bytes.h"
#include "vornlib/smf_header.h"
#include "vornlib/varlen.h"

namespace sysex {
namespace {

class ChunkReader {
 public:
  ChunkReader(vorn::ByteInput& in, std::uint64_t fileSize) : in_(in), fileSize_(fileSize) {}

  // Reads a chunk of the given type; its data lands in `data`.
  SmfFileError read(const char (&type)[5], ByteBlock& data, std::uint64_t& dataOffset) {
    std::string name = std::string("\"") + type + "\"";
    std::uint8_t head[8];
    std::size_t got = in_.read(head);
    if (got < sizeof head) {
      return {vorn::kErrShortRead, offset_ + got, "the file ends inside the head of chunk " + name};
    }
    if (std::memcmp(head, type, 4) != 0) {
      return {vorn::kErrMalformedInput, offset_, "chunk " + vorn::quotedBytes(std::span(head, 4)) + " where " + name + " belongs"};
    }
    std::uint32_t length = vorn::readBE32(head + 4);
    if (length == 0) return {vorn::kErrMalformedInput, offset_ + 4, "chunk " + name + " of length 0"};
    if (length > fileSize_) {
      return {vorn::kErrMalformedInput, offset_ + 4,
              "chunk " + name + " claims " + std::to_string(length) + " bytes; the file has " +
                  std::to_string(fileSize_)};
    }
    offset_ += sizeof head;
    dataOffset = offset_;
    std::uint64_t start = offset_;
    data.clear();
    try {
      // A length that the file's size vouches for is taken at once; any
      // other grows only with the bytes that arrive.
      if (fileSize_ != kUnknownFileSize) data.reserve(length);
      constexpr std::size_t kPiece = 1 << 20;
      while (data.size() < length) {
        std::size_t want = std::min<std::size_t>(length - data.size(), kPiece);
        std::size_t n = in_.read(data.room(want, length));
        data.added(n);
        offset_ += n;
        if (n < want) {
          return {vorn::kErrShortRead, offset_,
                  "chunk " + name + " claims " + std::to_string(length) + " bytes; the file ends after " +
                      std::to_string(offset_ - start)};
        }
      }
    } catch (const std::bad_alloc&) {
      return {ENOMEM, offset_, "out of memory reading chunk " + name + " of " + std::to_string(length) + " bytes"};
    }
    return {};
  }

 private:
  vorn::ByteInput& in_;
  std::uint64_t fileSize_;
  std::uint64_t offset_ = 0;
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
  ChunkReader reader(in, fileSize);
  ByteBlock header;
  std::uint64_t headerOffset = 0;
  if (SmfFileError e = reader.read("MThd", header, headerOffset)) return e;
  if (header.size() < vorn::kSmfHeaderFieldsLength) {
    return {vorn::kErrMalformedInput, headerOffset - 4,
            "header chunk of " + std::to_string(header.size()) + " bytes; it needs 6"};
  }
  vorn::SmfHeaderFields fields =
      vorn::parseSmfHeaderFields(std::span(header.data(), header.size()).first<vorn::kSmfHeaderFieldsLength>());
  smf.format = fields.format;
  smf.trackCount = fields.tracks;
  smf.division = fields.division;
  if (SmfFileError e = checkHeader(smf, headerOffset)) return e;
  try {
    smf.tracks.resize(smf.trackCount);
  } catch (const std::bad_alloc&) {
    return {ENOMEM, headerOffset + 2, "out of memory for " + std::to_string(smf.trackCount) + " tracks"};
  }
  for (SmfTrack& track : smf.tracks) {
    if (SmfFileError e = reader.read("MTrk", track.data, track.fileOffset)) return e;
  }
  return {};
}

namespace {

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
        systemEvent(status, time, delta, pos_ - 1);
      } else {
        if (runningStatus == 0) fail(kRunningStatusError, pos_ - 1);
        if (hasSecondDataByte(runningStatus)) dataByte();
      }
    }
  }

 private:
  [[noreturn]] void fail(std::string_view text) const { throw TrackFault{text, pos_}; }
  [[noreturn]] void fail(std::string_view text, std::size_t position) const { throw TrackFault{text, position}; }

  static bool hasSecondDataByte(std::uint8_t status) { return vorn::channelDataBytes(status) == 2; }

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

  void systemEvent(std::uint8_t status, std::uint32_t time, std::uint32_t delta, std::size_t statusAt) {
    if (status == 0xF0 || status == 0xF7) {
      std::uint32_t length = quantity();
      std::size_t start = take(length);
      keep({time, delta, status, static_cast<std::uint32_t>(statusAt), static_cast<std::uint32_t>(start), length});
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
  const ByteBlock& data_;
  std::size_t pos_ = 0;
};

}  // namespace

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
