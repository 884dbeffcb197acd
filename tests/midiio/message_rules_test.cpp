// The byte rules every backend shares: short-message lengths, how runs of
// bytes become events, which notes a close must silence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midiio/message.h"
#include "run_tool.h"

namespace {

using midiio::EventKind;
using midiio::LongMessageSplitter;
using midiio::MidiEvent;
using zamotest::hex;
using zamotest::unhex;

std::span<const std::uint8_t> span(const std::string& bytes) {
  return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

std::string asText(const MidiEvent& event) {
  std::string bytes(event.bytes.begin(), event.bytes.end());
  return (event.kind == EventKind::shortMessage ? "S:" : "X:") + hex(bytes);
}

TEST(MidiioMessage, ShortMessageLengthFollowsTheStatus) {
  const struct {
    int status;
    int length;
  } cases[] = {{0x00, -1}, {0x7F, -1}, {0xF0, -1}, {0x80, 3}, {0x9F, 3}, {0xA0, 3}, {0xB5, 3}, {0xE0, 3},
               {0xF2, 3},  {0xC0, 2},  {0xDF, 2},  {0xF1, 2}, {0xF3, 2}, {0xF6, 1}, {0xF8, 1}, {0xFA, 1},
               {0xFB, 1},  {0xFC, 1},  {0xFE, 1},  {0xFF, 1}, {0xF4, 0}, {0xF5, 0}, {0xF7, 0}, {0xF9, 0},
               {0xFD, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(midiio::shortMessageLength(static_cast<std::uint8_t>(c.status)), c.length) << std::hex << c.status;
  }
}

TEST(MidiioMessage, RunsBecomeEvents) {
  const struct {
    std::vector<std::string> runs;  // fed one after another to one splitter
    std::size_t maxPiece;
    std::vector<std::string> events;
  } cases[] = {
      {{"F0 7D 10 4C F7"}, 256, {"X:F0 7D 10 4C F7"}},
      {{"F0 01 02 F0 03 F7"}, 256, {"X:F0 01 02", "X:F0 03 F7"}},
      // Pieces of one message: the state carries over, later pieces have no F0.
      {{"F0 01 02", "03 04", "05 F7"}, 256, {"X:F0 01 02", "X:03 04", "X:05 F7"}},
      // A headless run outside a message is SysEx data too.
      {{"10 20 F7"}, 256, {"X:10 20 F7"}},
      {{"F0 01 02 03 04 05 06 F7"}, 3, {"X:F0 01 02", "X:03 04 05", "X:06 F7"}},
      // Short messages inside the run go as their own events.
      {{"90 3C 40 F0 7E F7 C0 05"}, 256, {"S:90 3C 40", "X:F0 7E F7", "S:C0 05"}},
      // A status ends an open SysEx as it stands.
      {{"F0 01 02 80 3C 00"}, 256, {"X:F0 01 02", "S:80 3C 00"}},
      // Real-time bytes interleave without ending the message.
      {{"F0 01 F8 02 F7"}, 256, {"X:F0 01", "S:F8", "X:02 F7"}},
      // Stray data bytes, an unfinished message, a lone F7 and undefined statuses go nowhere.
      {{"90 3C 90 3C 40 3C 3C F7 F4 F9 FD"}, 256, {"S:90 3C 40"}},
      {{"90 3C", "40"}, 256, {"X:40"}},
      {{"F6 F2 01 02 F1 03 F3 04"}, 256, {"S:F6", "S:F2 01 02", "S:F1 03", "S:F3 04"}},
  };
  for (const auto& c : cases) {
    LongMessageSplitter splitter(c.maxPiece);
    std::vector<std::string> got;
    for (const std::string& run : c.runs) {
      const std::string bytes = unhex(run);
      EXPECT_TRUE(splitter.feed(span(bytes), [&](const MidiEvent& e) {
        got.push_back(asText(e));
        return true;
      }));
    }
    EXPECT_EQ(got, c.events) << c.runs[0];
  }
}

TEST(MidiioMessage, SplitterStopsWhenTheSinkRefuses) {
  LongMessageSplitter splitter(2);
  const std::string bytes = unhex("F0 01 02 03 F7");
  int calls = 0;
  EXPECT_FALSE(splitter.feed(span(bytes), [&](const MidiEvent&) { return ++calls < 2; }));
  EXPECT_EQ(calls, 2);
}

TEST(MidiioMessage, SilencingCoversWhatIsStillOn) {
  const struct {
    std::vector<std::string> sent;
    std::vector<std::string> silence;
  } cases[] = {
      {{"90 3C 40", "91 40 7F"}, {"80 3C 00", "81 40 00"}},
      {{"90 3C 40", "80 3C 00", "91 40 7F", "91 40 00"}, {}},
      {{"B2 40 7F", "92 10 10"}, {"82 10 00", "B2 40 00"}},
      {{"B2 40 7F", "B2 40 00"}, {}},
      {{"93 3C 40", "93 3D 40", "B3 7B 00"}, {}},
      {{"C0 05", "E0 00 40"}, {}},
  };
  for (const auto& c : cases) {
    midiio::SoundingNotes notes;
    for (const std::string& message : c.sent) {
      const std::string bytes = unhex(message);
      notes.note(span(bytes));
    }
    std::vector<std::string> got;
    notes.silence([&](std::span<const std::uint8_t> m) { got.push_back(hex(std::string(m.begin(), m.end()))); });
    EXPECT_EQ(got, c.silence) << c.sent[0];
    EXPECT_TRUE(notes.empty());
  }
}

}  // namespace
