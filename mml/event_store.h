#pragma once
// The event store: every event the compiler makes, with its absolute time,
// in the order the commands make it. Events of a macro body being defined
// go to macroList (they reach the output only through their copies), all
// others to trackList. SysEx data bytes and names live in eventHeap and are
// addressed by offsets, which stay valid while it grows.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "vornlib/block.h"
#include "vornlib/record_status.h"

namespace mml {

// Statuses beyond the MIDI channel messages: those of the records written.
inline constexpr std::uint8_t kStatusSysex = vorn::kStatusSysEx;
inline constexpr std::uint8_t kStatusSysexRaw = vorn::kStatusEscape;
using vorn::kStatusTempo;
// The end of a voice block, kept for its time; an end record never written.
inline constexpr std::uint8_t kStatusBlockEnd = vorn::kStatusEnd;

struct EventRecord {
  std::int32_t time;      // absolute ticks
  std::uint8_t status;
  std::uint8_t first;     // channel messages: the data bytes
  std::uint8_t second;
  std::uint8_t reserved;
  std::uint32_t extra;    // tempo: beats per minute; SysEx: offset of its data in eventHeap

  bool isSysex() const { return status == kStatusSysex || status == kStatusSysexRaw; }
};
static_assert(sizeof(EventRecord) == 12, "records are packed for memory");

class EventStore {
 public:
  void addEvent(std::int32_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
    currentList().push_back(EventRecord{time, status, first, second, 0, 0});
  }
  void addTempo(std::int32_t time, std::uint16_t beatsPerMinute) {
    currentList().push_back(EventRecord{time, kStatusTempo, 0, 0, 0, beatsPerMinute});
  }
  // A copy of a whole record (SysEx events, macro copies).
  void addRecord(const EventRecord& record) { currentList().push_back(record); }

  // SysEx data: begin, append bytes (also straight into eventHeap), finish
  // with the record. The data is stored as a 32-bit count and the bytes.
  std::uint32_t beginSysexData();
  void finishSysex(std::int32_t time, std::uint8_t status, std::uint32_t dataOffset);
  std::span<const std::uint8_t> sysexData(const EventRecord& record) const;

  std::size_t eventCount() const { return trackList.size() + macroList.size(); }

  std::vector<EventRecord> trackList;
  std::vector<EventRecord> macroList;
  vorn::MemBlock eventHeap;
  bool definingMacro = false;

 private:
  std::vector<EventRecord>& currentList() { return definingMacro ? macroList : trackList; }
};

// Orders the events for writing: a negative time becomes 0, then a stable
// sort by time (events of equal time keep the order they were made in, so a
// note's note-off comes before the next note-on at the same tick). Linear
// time; the events are sorted in place.
void orderEvents(std::vector<EventRecord>& events);

}  // namespace mml
