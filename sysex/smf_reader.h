#pragma once
// Reads a Standard MIDI File (formats 0 and 1) far enough to keep its
// System Exclusive events, in constant memory: the chunks are walked
// without being held, then each track is parsed by itself with seq's track
// reader (channel messages and meta events are only stepped over), then
// the tracks are read again side by side and their messages merged in time
// order. The input is therefore read more than once: a file, a memory
// input, or an input made rereadable (vorn::ByteInput::makeRereadable).
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/streams.h"

namespace sysex {

struct SmfTrack {
  std::uint64_t fileOffset = 0;  // of the chunk data in the input
  std::uint32_t length = 0;      // of the chunk data
  bool keeps = false;            // parsed without a fault, and holds a SysEx event
};

struct SmfInfo {
  std::uint16_t format = 0;
  std::uint16_t trackCount = 0;
  std::uint16_t division = 0;
  std::vector<SmfTrack> tracks;
  // The input the chunks were read from; it must stay open while the tracks
  // are parsed and merged.
  const vorn::ByteInput* source = nullptr;

  // Opens `cursor` on track `index`'s chunk data, with a buffer of `buffer` bytes.
  bool openTrack(std::size_t index, vorn::ByteInput& cursor, std::size_t buffer) const {
    return source && source->reopenAt(cursor, tracks[index].fileOffset, buffer);
  }
};

inline constexpr std::uint64_t kUnknownFileSize = std::numeric_limits<std::uint64_t>::max();

struct SmfFileError {
  std::uint32_t code = 0;   // 0: none; else kErrMalformedInput, kErrShortRead or a system error
  std::uint64_t offset = 0; // the byte in the file that is wrong (or missing)
  std::string found;        // what was found there, in words
  explicit operator bool() const { return code != 0; }
};

// Reads the header chunk and walks every announced track chunk of `in`,
// whose file holds `fileSize` bytes (kUnknownFileSize when that cannot be
// known); a chunk must be there whole, whatever its length claims. Nothing
// of a track is held: `smf` records where each one is.
SmfFileError readSmfChunks(vorn::ByteInput& in, std::uint64_t fileSize, SmfInfo& smf);

// A track or merge problem: one of the fixed texts below, the track (from 0)
// and the file offset where it was found. The work goes on after it.
struct SmfProblem {
  std::string_view text;
  std::size_t track;
  std::uint64_t offset;
};
using ProblemReporter = std::function<void(const SmfProblem&)>;
// A problem as it is reported: "track N: text", the tracks counted from 1.
std::string trackProblemText(const SmfProblem& problem);

inline constexpr std::string_view kRunningStatusError = "running status error";
inline constexpr std::string_view kTrackOverrun = "track data overrun";
inline constexpr std::string_view kDeltaValueError = "delta value error";
inline constexpr std::string_view kDataHaveMsb = "data have msb";
inline constexpr std::string_view kIrregalSystemMsg = "irregal system msg";
inline constexpr std::string_view kTimeTooLong = "時間が長すぎる";
inline constexpr std::string_view kNoMemory = "メモリーが足りない";
inline constexpr std::string_view kIrregalF7Event = "irregal sysF7 Event";
inline constexpr std::string_view kIrregalFormat = "irregal format";

// Parses every track in order, to find which keep their SysEx events. A
// track with an error is reported once and keeps nothing; the other tracks
// go on.
void parseTracks(SmfInfo& smf, const ProblemReporter& report);

// Writes the SysEx messages of all tracks merged in time order (equal times
// in track order) as a SysEx file. A message is written only once it is
// whole and valid; a malformed one ends the file's output.
void writeMergedMessages(const SmfInfo& smf, vorn::ByteOutput& out, const ProblemReporter& report);

}  // namespace sysex
