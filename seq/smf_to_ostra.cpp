#include "seq/smf_to_ostra.h"

#include <array>
#include <string>

#include "seq/ostra.h"
#include "seq/record_writer.h"
#include "seq/strict_input.h"
#include "seq/tick_scale.h"
#include "seq/track_input.h"
#include "vornlib/numbers.h"
#include "vornlib/smf_header.h"

namespace seq {
namespace {

constexpr std::uint8_t kMetaEvent = 0xFF;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
constexpr std::uint8_t kMetaSetTempo = 0x51;
constexpr std::uint64_t kCentiMicrosecondsPerMinute = 6000000000ull;  // 60 s x 1e6 x 100

std::string count(unsigned n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// Reads a chunk's head (identifier and length) that must carry `id`.
std::uint32_t readChunkHead(vorn::ByteInput& in, const std::array<std::uint8_t, 4>& id, const char* what) {
  std::uint64_t start = in.offset();
  std::array<std::uint8_t, 8> head;
  needBytes(in, head, what);
  if (!std::equal(id.begin(), id.end(), head.begin())) {
    raiseAt("expected " + quotedBytes(id) + ", found " + quotedBytes(std::span(head.data(), 4)), start);
  }
  return vorn::readBE32(head.data() + 4);
}

// Why a division that gives no time base gives none; `at` is its offset.
[[noreturn]] void refuseDivision(std::uint16_t division, std::uint64_t at) {
  if (division == 0) raiseAt("division 0 gives no time base", at);
  std::uint8_t rate = static_cast<std::uint8_t>(division >> 8);
  if (!TickScale::isKnownFrameRate(rate)) {
    int fps = -static_cast<std::int8_t>(rate);
    raiseAt("SMPTE frame rate " + std::to_string(fps) + "; only 24, 25, 29 and 30 are known", at);
  }
  raiseAt("SMPTE division with 0 ticks per frame", at + 1);
}

// Reads the header chunk; returns the time base it sets.
TickScale readHeader(vorn::ByteInput& in) {
  const char* what = "the header chunk";
  std::uint64_t start = in.offset();
  std::uint32_t length = readChunkHead(in, vorn::kSmfHeaderId, what);
  if (length < vorn::kSmfHeaderFieldsLength) {
    raiseAt("header chunk length " + std::to_string(length) + "; at least 6 expected", start + 4);
  }

  std::array<std::uint8_t, vorn::kSmfHeaderFieldsLength> fields;
  needBytes(in, fields, what);
  auto [format, tracks, division] = vorn::parseSmfHeaderFields(fields);
  if (format != 0) {
    raiseAt("format " + std::to_string(format) + " (" + count(tracks, "track") + "); only format 0 is read",
            start + 8);
  }
  if (tracks != 1) raiseAt("format 0 with " + count(tracks, "track") + "; format 0 has exactly one track", start + 10);
  std::optional<TickScale> scale = TickScale::fromDivision(division);
  if (!scale) refuseDivision(division, start + 12);
  if (in.skip(length - 6) < length - 6) raise(endsInside(what, in.offset()));
  return *scale;
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
  TrackConverter(vorn::ByteInput& in, const TickScale& scale, std::uint32_t length, const ConvertOptions& options)
      : scale_(scale), in_(in, length), out_(vorn::getouthandle()), keepSysEx_(options.keepSysEx) {}

  void run() {
    for (;;) {
      fileTicks_ += in_.deltaTime();
      std::uint8_t b = in_.byte("an event");
      if (b >= 0xF0) {
        // System events cancel running status.
        runningStatus_ = 0;
        if (systemEvent(b)) return;
        continue;
      }
      std::uint8_t first;
      if (b & 0x80) {
        runningStatus_ = b;
        first = in_.dataByte(kChannelMessage);
      } else {
        if (runningStatus_ == 0) {
          raiseAt("data byte " + hexByte(b) + " but no running status in force", in_.offset() - 1);
        }
        first = b;
      }
      std::uint8_t second = hasOneDataByte(runningStatus_) ? 0 : in_.dataByte(kChannelMessage);
      records_.channel(now(), runningStatus_, first, second);
    }
  }

 private:
  static constexpr const char* kChannelMessage = "a channel message";
  static constexpr const char* kSysEx = "a SysEx";
  static constexpr const char* kMeta = "a meta event";
  static constexpr const char* kSetTempo = "a set-tempo event";

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
        std::uint32_t length = in_.varLength("a SysEx length");
        if (keepSysEx_) {
          records_.sysExHead(now(), status, length);
          in_.copy(length, out_, kSysEx);
        } else {
          in_.skip(length, kSysEx);
        }
        return false;
      }
      case kMetaEvent:
        return metaEvent();
      default:
        raiseAt("unknown status byte " + hexByte(status), in_.offset() - 1);
    }
  }

  bool metaEvent() {
    std::uint8_t type = in_.byte(kMeta);
    std::uint64_t lengthAt = in_.offset();
    std::uint32_t length = in_.varLength("a meta event length");
    if (type == kMetaEndOfTrack) {
      in_.skip(length, kMeta);
      records_.end(now());
      return true;
    }
    if (type == kMetaSetTempo && !scale_.isRealTime()) {
      setTempo(length, lengthAt);
    } else {
      in_.skip(length, kMeta);
    }
    return false;
  }

  void setTempo(std::uint32_t length, std::uint64_t lengthAt) {
    if (length < 3) raiseAt("set-tempo event of " + count(length, "byte") + "; 3 expected", lengthAt);
    std::uint64_t at = in_.offset();
    std::uint32_t micros = in_.byte(kSetTempo);
    micros = (micros << 8) | in_.byte(kSetTempo);
    micros = (micros << 8) | in_.byte(kSetTempo);
    in_.skip(length - 3, kSetTempo);
    std::optional<std::uint16_t> tempo = tempoFromMicroseconds(micros);
    if (!tempo) {
      std::string value = "set-tempo of " + count(micros, "microsecond") + " per quarter note";
      raiseAt(micros == 0 ? value : value + " is faster than 655.35 BPM", at);
    }
    records_.tempo(now(), *tempo);
  }

  TickScale scale_;
  TrackInput in_;
  vorn::ByteOutput& out_;
  RecordWriter records_;
  bool keepSysEx_;
  std::uint8_t runningStatus_ = 0;
  std::uint64_t fileTicks_ = 0;
  std::uint64_t scaledTicks_ = 0;
  std::int64_t scaledTime_ = 0;
};

}  // namespace

std::optional<InputFault> convertSmfToOstra(vorn::ByteInput& in, const ConvertOptions& options) {
  try {
    TickScale scale = readHeader(in);
    std::uint32_t length = readChunkHead(in, vorn::kSmfTrackId, "the track chunk's head");
    TrackConverter(in, scale, length, options).run();
  } catch (InputFault& fault) {
    return std::move(fault);
  }
  return std::nullopt;
}

}  // namespace seq
