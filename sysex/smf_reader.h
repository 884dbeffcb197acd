#pragma once
// Reads a Standard MIDI File (formats 0 and 1) far enough to keep its
// System Exclusive events: the chunks are read whole into memory, then each
// track is parsed by itself; channel messages and meta events are only
// stepped over.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "sysex/byte_block.h"
#include "vornlib/streams.h"

namespace sysex {

// One 0xF0 or 0xF7 event of a track.
struct SysExEvent {
  std::uint32_t absoluteTime;  // the track's running time at this event, in ticks
  std::uint32_t delta;         // its own delta time
  std::uint8_t kind;           // 0xF0 or 0xF7
  std::uint32_t statusAt;      // where its status byte lies in the track's chunk data
  std::uint32_t offset;        // where its data starts in the track's chunk data
  std::uint32_t length;        // number of data bytes (for 0xF0: the message without its 0xF0)
};

struct SmfTrack {
  std::uint64_t fileOffset = 0;     // of the chunk data in the file
  ByteBlock data;                   // the whole chunk data
  std::vector<SysExEvent> events;   // kept SysEx events; none when the track failed
};

struct SmfInfo {
  std::uint16_t format = 0;
  std::uint16_t trackCount = 0;
  std::uint16_t division = 0;
  std::vector<SmfTrack> tracks;
};

inline constexpr std::uint64_t kUnknownFileSize = std::numeric_limits<std::uint64_t>::max();

struct SmfFileError {
  std::uint32_t code = 0;   // 0: none; else kErrMalformedInput, kErrShortRead or ENOMEM
  std::uint64_t offset = 0; // the byte in the file that is wrong (or missing)
  std::string found;        // what was found there, in words
  explicit operator bool() const { return code != 0; }
};

// Reads the header chunk and every announced track chunk from `in`, whose
// file holds `fileSize` bytes (kUnknownFileSize when that cannot be known).
// A chunk's data is held only as far as it arrives, whatever its length
// claims; memory running out is a file error like the others.
SmfFileError readSmfChunks(vorn::ByteInput& in, std::uint64_t fileSize, SmfInfo& smf);

// A track or merge problem: one of the fixed texts below, the track (from 0)
// and the file offset where it was found. The work goes on after it.
struct SmfProblem {
  std::string_view text;
  std::size_t track;
  std::uint64_t offset;
};
using ProblemReporter = std::function<void(const SmfProblem&)>;

inline constexpr std::string_view kRunningStatusError = "running status error";
inline constexpr std::string_view kTrackOverrun = "track data overrun";
inline constexpr std::string_view kDeltaValueError = "delta value error";
inline constexpr std::string_view kDataHaveMsb = "data have msb";
inline constexpr std::string_view kIrregalSystemMsg = "irregal system msg";
inline constexpr std::string_view kTimeTooLong = "時間が長すぎる";
inline constexpr std::string_view kNoMemory = "メモリーが足りない";
inline constexpr std::string_view kIrregalF7Event = "irregal sysF7 Event";
inline constexpr std::string_view kIrregalFormat = "irregal format";

// Parses every track in order, keeping its SysEx events. A track with an
// error is reported once and keeps nothing; the other tracks go on.
void parseTracks(SmfInfo& smf, const ProblemReporter& report);

// Writes the SysEx messages of all tracks merged in time order (equal times
// in track order) as a SysEx file. A message is written only once it is
// whole and valid; a malformed one ends the file's output.
void writeMergedMessages(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report);

}  // namespace sysex
