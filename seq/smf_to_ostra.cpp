#include "seq/smf_to_ostra.h"

#include <array>
#include <string>

#include "seq/ostra_from_smf.h"
#include "seq/smf_chunk.h"
#include "seq/smf_events.h"
#include "seq/smf_merge.h"
#include "seq/strict_input.h"
#include "seq/tick_scale.h"
#include "vornlib/smf_header.h"

namespace seq {
namespace {

std::string count(unsigned n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
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

constexpr const char* kWhatIsRead = "only format 0 is read, and format 1 with -M";

// Refuses a format and track count the converter does not read; `at` is
// the offset of the format field.
void checkLayout(std::uint16_t format, std::uint16_t tracks, const ConvertOptions& options, std::uint64_t at) {
  std::string layout = "format " + std::to_string(format) + " with " + count(tracks, "track");
  switch (format) {
    case 0:
      if (tracks != 1) raiseAt(layout + "; format 0 has exactly one track", at + 2);
      return;
    case 1:
      if (!options.mergeTracks) raiseAt(layout + "; option -M merges the tracks into one", at);
      if (tracks == 0) raiseAt(layout + "; there is nothing to merge", at + 2);
      return;
    case 2:
      raiseAt(layout + ": independent sequences are not merged; " + kWhatIsRead, at);
    default:
      raiseAt(layout + ": no such format; " + kWhatIsRead, at);
  }
}

struct Header {
  std::uint16_t format;
  std::uint16_t tracks;
  TickScale scale;
};

Header readHeader(vorn::ByteInput& in, const ConvertOptions& options) {
  const char* what = "the header chunk";
  std::uint64_t start = in.offset();
  std::uint32_t length = readChunkHead(in, vorn::kSmfHeaderId, what);
  if (length < vorn::kSmfHeaderFieldsLength) {
    raiseAt("header chunk length " + std::to_string(length) + "; at least 6 expected", start + 4);
  }

  std::array<std::uint8_t, vorn::kSmfHeaderFieldsLength> fields;
  needBytes(in, fields, what);
  auto [format, tracks, division] = vorn::parseSmfHeaderFields(fields);
  checkLayout(format, tracks, options, start + 8);
  std::optional<TickScale> scale = TickScale::fromDivision(division);
  if (!scale) refuseDivision(division, start + 12);
  if (in.skip(length - 6) < length - 6) raise(endsInside(what, in.offset()));
  return {format, tracks, *scale};
}

// The one track of a format-0 file, streamed event by event.
void convertTrack(vorn::ByteInput& in, OstraFromSmf& out) {
  std::uint32_t length = readChunkHead(in, vorn::kSmfTrackId, "the track chunk's head");
  TrackEvents events(in, length);
  SmfEvent event;
  for (;;) {
    out.channelRun(events);
    events.next(event);
    out.event(event, events.input());
    if (event.isEndOfTrack()) break;
  }
  out.end(event.ticks);
}

}  // namespace

std::optional<InputFault> convertSmfToOstra(vorn::ByteInput& in, const ConvertOptions& options) {
  try {
    Header header = readHeader(in, options);
    OstraFromSmf out(header.scale, options.keepSysEx);
    if (header.format == 0) {
      convertTrack(in, out);
    } else {
      mergeTracks(in, header.tracks, out);
    }
  } catch (InputFault& fault) {
    return std::move(fault);
  }
  return std::nullopt;
}

}  // namespace seq
