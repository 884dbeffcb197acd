#include "seq/smf_to_ostra.h"

#include <array>

#include "seq/ostra.h"
#include "seq/record_writer.h"
#include "seq/strict_input.h"
#include "seq/tick_scale.h"
#include "seq/track_input.h"
#include "vornlib/numbers.h"

namespace seq {
namespace {

constexpr std::uint32_t kHeaderId = 0x4D546864;  // "MThd"
constexpr std::uint32_t kTrackId = 0x4D54726B;   // "MTrk"
constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaSetTempo = 0x51;
constexpr std::uint64_t kCentiMicrosecondsPerMinute = 6000000000ull;  // 60 s x 1e6 x 100

// Reads the header chunk; returns the time base it sets.
TickScale readHeader() {
  std::array<std::uint8_t, 8> chunk;
  needBytes(chunk);
  if (vorn::readBE32(chunk.data()) != kHeaderId) failMalformed();
  std::uint32_t length = vorn::readBE32(chunk.data() + 4);
  if (length < 6) failMalformed();

  std::array<std::uint8_t, 6> fields;
  needBytes(fields);
  std::uint16_t format = vorn::readBE16(fields.data());
  std::uint16_t tracks = vorn::readBE16(fields.data() + 2);
  std::uint16_t division = vorn::readBE16(fields.data() + 4);
  if (format != 0 || tracks != 1) failMalformed();
  std::optional<TickScale> scale = TickScale::fromDivision(division);
  if (!scale) failMalformed();
  skipInput(length - 6);
  return *scale;
}

// Reads a track chunk's head; returns its declared length.
std::uint32_t readTrackHeader() {
  std::array<std::uint8_t, 8> chunk;
  needBytes(chunk);
  if (vorn::readBE32(chunk.data()) != kTrackId) failMalformed();
  return vorn::readBE32(chunk.data() + 4);
}

// Tempo as BPM x 100 from microseconds per quarter note, rounded half up.
// Empty when 0 or when it does not fit 16 bits.
std::optional<std::uint16_t> tempoFromMicroseconds(std::uint32_t micros) {
  if (micros == 0) return std::nullopt;
  std::uint64_t tempo = (2 * kCentiMicrosecondsPerMinute + micros) / (2 * std::uint64_t{micros});
  if (tempo > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(tempo);
}

class TrackConverter {
 public:
  TrackConverter(const TickScale& scale, std::uint32_t length, const ConvertOptions& options)
      : scale_(scale), in_(length), keepSysEx_(options.keepSysEx) {}

  void run() {
    for (;;) {
      fileTicks_ += in_.varLength();
      std::uint8_t b = in_.byte();
      if (b >= 0xF0) {
        // System events cancel running status.
        runningStatus_ = 0;
        if (systemEvent(b)) return;
        continue;
      }
      std::uint8_t first;
      if (b & 0x80) {
        runningStatus_ = b;
        first = in_.dataByte();
      } else {
        if (runningStatus_ == 0) failMalformed();
        first = b;
      }
      std::uint8_t second = hasOneDataByte(runningStatus_) ? 0 : in_.dataByte();
      out_.channel(now(), runningStatus_, first, second);
    }
  }

 private:
  // OSTRA time of the event just read.
  std::int64_t now() {
    if (fileTicks_ != scaledTicks_) {
      scaledTicks_ = fileTicks_;
      scaledTime_ = scale_.ostraTicks(fileTicks_);
    }
    return scaledTime_;
  }

  // Handles an event with status 0xF0 and above; true at the end of the track.
  bool systemEvent(std::uint8_t status) {
    switch (status) {
      case kStatusSysEx:
      case kStatusEscape: {
        std::uint32_t length = in_.varLength();
        if (keepSysEx_) {
          out_.sysExHead(now(), status, length);
          in_.copy(length);
        } else {
          in_.skip(length);
        }
        return false;
      }
      case kMetaEvent:
        return metaEvent();
      default:
        failMalformed();
    }
  }

  bool metaEvent() {
    std::uint8_t type = in_.byte();
    std::uint32_t length = in_.varLength();
    if (type == kMetaEndOfTrack) {
      in_.skip(length);
      out_.end(now());
      return true;
    }
    if (type == kMetaSetTempo && !scale_.isRealTime()) {
      setTempo(length);
    } else {
      in_.skip(length);
    }
    return false;
  }

  void setTempo(std::uint32_t length) {
    if (length < 3) failMalformed();
    std::uint32_t micros = in_.byte();
    micros = (micros << 8) | in_.byte();
    micros = (micros << 8) | in_.byte();
    in_.skip(length - 3);
    std::optional<std::uint16_t> tempo = tempoFromMicroseconds(micros);
    if (!tempo) failMalformed();
    out_.tempo(now(), *tempo);
  }

  TickScale scale_;
  TrackInput in_;
  RecordWriter out_;
  bool keepSysEx_;
  std::uint8_t runningStatus_ = 0;
  std::uint64_t fileTicks_ = 0;
  std::uint64_t scaledTicks_ = 0;
  std::int64_t scaledTime_ = 0;
};

}  // namespace

void convertSmfToOstra(const ConvertOptions& options) {
  TickScale scale = readHeader();
  std::uint32_t length = readTrackHeader();
  TrackConverter(scale, length, options).run();
}

}  // namespace seq
