#include "seq/smf_dump.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "seq/event_text.h"
#include "seq/smf_chunk.h"
#include "seq/smf_events.h"
#include "seq/ostra.h"
#include "seq/strict_input.h"
#include "seq/tempo_map.h"
#include "seq/track_input.h"
#include "vornlib/numbers.h"
#include "vornlib/shown_bytes.h"
#include "vornlib/smf_header.h"

namespace seq {
namespace {

constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000;
// Of a meta event, this much is shown; the rest is skipped.
constexpr std::size_t kMetaShown = 128;
constexpr std::size_t kMetaHexShown = 16;

std::string counted(std::uint64_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The time base of a division: the heading's words and a tick's length (0
// for a division that gives none).
struct TimeBase {
  std::string text;
  bool smpte = false;
  double msPerTick = 0.0;
  std::uint16_t ticksPerQuarter = 0;
};

TimeBase timeBase(std::uint16_t division) {
  if ((division & 0x8000) == 0) {
    return {counted(division, "tick") + " per quarter note", false,
            division == 0 ? 0.0 : kDefaultMicrosPerQuarter / 1000.0 / division, division};
  }
  int rate = -static_cast<std::int8_t>(division >> 8);
  unsigned ticksPerFrame = division & 0xFF;
  // 29 stands for 30 drop-frame: 29.97 frames a second.
  double fps = rate == 29 ? 30000.0 / 1001.0 : rate;
  bool known = rate == 24 || rate == 25 || rate == 29 || rate == 30;
  std::string text = "SMPTE " + std::string(rate == 29 ? "29.97" : std::to_string(rate)) + " frames per second, " +
                     counted(ticksPerFrame, "tick") + " per frame";
  return {text, true, known && ticksPerFrame != 0 ? 1000.0 / (fps * ticksPerFrame) : 0.0, 0};
}

const char* textMetaName(std::uint8_t type) {
  static constexpr const char* kNames[] = {"Text",   "Copyright", "Track Name", "Instrument Name",
                                           "Lyric",  "Marker",    "Cue Point",  "Program Name",
                                           "Device Name"};
  return type >= 1 && type <= 9 ? kNames[type - 1] : nullptr;
}

std::string keyName(std::int8_t sharps, std::uint8_t minor) {
  static constexpr const char* kMajor[] = {"Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                           "G",  "D",  "A",  "E",  "B",  "F#", "C#"};
  static constexpr const char* kMinor[] = {"Ab", "Eb", "Bb", "F", "C",  "G",  "D", "A",
                                           "E",  "B",  "F#", "C#", "G#", "D#", "A#"};
  return std::string(minor ? kMinor[sharps + 7] : kMajor[sharps + 7]) + (minor ? " minor" : " major");
}

// A meta event's words from its type and the bytes kept of it (all of it
// when `length` is no longer).
std::string metaText(std::uint8_t type, std::uint32_t length, std::span<const std::uint8_t> kept) {
  const std::span<const std::uint8_t> d = kept;
  char text[96];
  if (const char* name = textMetaName(type)) {
    std::string shown = std::string(name) + " " + quotedText(d);
    return length > d.size() ? shown + " ... (" + counted(length, "byte") + ")" : shown;
  }
  switch (type) {
    case 0x00:
      if (length == 2) return "Sequence Number " + std::to_string(d[0] << 8 | d[1]);
      break;
    case 0x20:
      if (length == 1 && d[0] < 16) return "Channel Prefix " + std::to_string(d[0] + 1);
      break;
    case 0x21:
      if (length == 1) return "MIDI Port " + std::to_string(d[0]);
      break;
    case kSmfEndOfTrack:
      if (length == 0) return "End of Track";
      break;
    case kSmfSetTempo:
      if (length == 3) {
        std::uint32_t micros = std::uint32_t{d[0]} << 16 | d[1] << 8 | d[2];
        if (micros == 0) return "Tempo 0 us (ignored)";
        std::snprintf(text, sizeof text, "Tempo %.2f (%u us)", 60000000.0 / micros, micros);
        return text;
      }
      break;
    case 0x54:
      if (length == 5) {
        std::snprintf(text, sizeof text, "SMPTE Offset %02u:%02u:%02u:%02u.%02u", d[0] & 0x1Fu, d[1], d[2], d[3],
                      d[4]);
        return text;
      }
      break;
    case 0x58:
      if (length == 4 && d[1] <= 7) {
        std::snprintf(text, sizeof text, "Time Signature %u/%u, %u clocks per click, %u 32nds per quarter", d[0],
                      1u << d[1], d[2], d[3]);
        return text;
      }
      break;
    case 0x59:
      if (length == 2 && static_cast<std::int8_t>(d[0]) >= -7 && static_cast<std::int8_t>(d[0]) <= 7 && d[1] <= 1) {
        return "Key Signature " + keyName(static_cast<std::int8_t>(d[0]), d[1]);
      }
      break;
    default:
      break;
  }
  std::string name = type == kSmfEndOfTrack ? "End of Track"
                     : type == kSmfSetTempo ? "Tempo"
                     : type == 0x7F      ? "Sequencer Specific"
                                         : "Meta " + vorn::hexByte(type);
  std::string shown = name + ", " + counted(length, "byte");
  if (length == 0) return shown;
  shown += ": " + vorn::hexBytes(d.first(std::min(d.size(), kMetaHexShown)));
  return length > kMetaHexShown ? shown + " ..." : shown;
}

class TrackDump {
 public:
  TrackDump(vorn::ByteInput& in, std::uint32_t length, DumpLines& lines, SysExDescriber& sysex, TempoMap& tempo,
            const TimeBase& base)
      : in_(in), end_(in.offset() + length), events_(in, length), lines_(lines), sysex_(sysex), tempo_(tempo),
        base_(base) {}

  // Up to the end-of-track event; the rest of the chunk is skipped.
  void run() {
    for (SmfEvent event;;) {
      events_.channelRun([this](const SmfEvent& channel) {
        lines_.channelEvent(channel.ticks, tempo_.msAt(channel.ticks), channel.status, channel.first, channel.second);
      });
      events_.next(event);
      time_ = event.ticks;
      if (event.status == kStatusSysEx || event.status == kStatusEscape) {
        sysExEvent(event);
      } else if (event.status == kSmfMeta) {
        if (metaEvent(event)) break;
      } else {
        lines_.channelEvent(time_, tempo_.msAt(time_), event.status, event.first, event.second);
      }
    }
    std::uint64_t rest = end_ > at() ? end_ - at() : 0;
    if (rest > 0) {
      lines_.comment(counted(rest, "byte") + " after the end of the track, skipped");
      if (in_.skip(rest) < rest) raise(endsInside("the track chunk", at()));
    }
  }

 private:
  std::uint64_t at() const { return in_.offset(); }
  void line(int channel, const std::string& text) { lines_.event(time_, tempo_.msAt(time_), channel, text); }

  void sysExEvent(const SmfEvent& event) {
    TrackInput& body = events_.input();
    sysex_.start();
    if (event.status == kStatusSysEx) sysex_.add(std::span(&kStatusSysEx, 1));
    std::array<std::uint8_t, 256> piece;
    std::size_t filled = 0;
    try {
      for (std::uint32_t done = 0; done < event.length; ++done) {
        piece[filled++] = body.byte("a SysEx");
        if (filled == piece.size()) {
          sysex_.add(piece);
          filled = 0;
        }
      }
    } catch (const InputFault&) {
      // What arrived of it is shown before the fault.
      sysex_.add(std::span(piece.data(), filled));
      line(0, sysex_.text());
      throw;
    }
    sysex_.add(std::span(piece.data(), filled));
    line(0, sysex_.text());
  }

  bool metaEvent(const SmfEvent& event) {
    TrackInput& body = events_.input();
    const std::uint8_t type = event.first;
    const std::uint32_t length = event.length;
    std::array<std::uint8_t, kMetaShown> kept;
    std::size_t n = std::min<std::size_t>(length, kept.size());
    for (std::size_t i = 0; i < n; ++i) kept[i] = body.byte("a meta event");
    body.skip(static_cast<std::uint32_t>(length - n), "a meta event");
    if (type == kSmfSetTempo && length == 3 && !base_.smpte) {
      std::uint32_t micros = std::uint32_t{kept[0]} << 16 | kept[1] << 8 | kept[2];
      if (micros != 0) tempo_.change(time_, micros / 1000.0 / base_.ticksPerQuarter);
    }
    line(0, metaText(type, length, std::span(kept.data(), n)));
    return type == kSmfEndOfTrack;
  }

  vorn::ByteInput& in_;
  std::uint64_t end_;
  TrackEvents events_;
  DumpLines& lines_;
  SysExDescriber& sysex_;
  TempoMap& tempo_;
  const TimeBase& base_;
  std::uint64_t time_ = 0;
};

void dumpFile(vorn::ByteInput& in, std::string_view heading, DumpLines& lines, SysExDescriber& sysex) {
  ChunkHead head = readChunkHead(in, "the header chunk");
  if (head.id != vorn::kSmfHeaderId) {
    raiseAt("expected " + quotedBytes(vorn::kSmfHeaderId) + ", found " + quotedBytes(head.id), head.at);
  }
  if (head.length < vorn::kSmfHeaderFieldsLength) {
    raiseAt("header chunk length " + std::to_string(head.length) + "; at least 6 expected", head.at + 4);
  }
  std::array<std::uint8_t, vorn::kSmfHeaderFieldsLength> fields;
  needBytes(in, fields, "the header chunk");
  auto [format, tracks, division] = vorn::parseSmfHeaderFields(fields);
  TimeBase base = timeBase(division);
  lines.comment(std::string(heading) + ": SMF format " + std::to_string(format) + ", " + counted(tracks, "track") + ", " + base.text);
  if (base.msPerTick == 0.0) raiseAt("division " + base.text + " gives no time base", head.at + 12);
  std::uint32_t extra = head.length - vorn::kSmfHeaderFieldsLength;
  if (in.skip(extra) < extra) raise(endsInside("the header chunk", in.offset()));

  // Format 1: the first track's tempo changes are kept for the others.
  const bool shared = format == 1;
  TempoMap sharedTempo(base.msPerTick, true);
  for (unsigned track = 1; track <= tracks;) {
    if (in.peek() < 0) {
      raise(endsAt("input ends before track " + std::to_string(track) + " of " + std::to_string(tracks),
                   in.offset()));
    }
    ChunkHead chunk = readChunkHead(in, "a chunk's head");
    if (chunk.id != vorn::kSmfTrackId) {
      lines.comment("chunk " + quotedBytes(chunk.id) + " of " + counted(chunk.length, "byte") + ", skipped");
      if (in.skip(chunk.length) < chunk.length) raise(endsInside("a chunk", in.offset()));
      continue;
    }
    lines.comment("track " + std::to_string(track) + ", " + counted(chunk.length, "byte"));
    TempoMap ownTempo(base.msPerTick, false);
    if (shared && track > 1) {
      sharedTempo.freeze();
      sharedTempo.rewind();
    }
    TrackDump(in, chunk.length, lines, sysex, shared ? sharedTempo : ownTempo, base).run();
    ++track;
  }
}

}  // namespace

std::optional<InputFault> dumpSmf(vorn::ByteInput& in, std::string_view heading, DumpLines& lines,
                                  SysExDescriber& sysex) {
  try {
    dumpFile(in, heading, lines, sysex);
  } catch (InputFault& fault) {
    return std::move(fault);
  }
  return std::nullopt;
}

}  // namespace seq
