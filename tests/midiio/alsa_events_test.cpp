// The ALSA backend's pure parts: events through libasound's MIDI event coder
// and back, and which ports are listed under which names.
#include <gtest/gtest.h>

#include <string>

#include "midiio/alsa_events.h"
#include "run_tool.h"

namespace {

using midiio::EventKind;
using zamotest::hex;
using zamotest::unhex;

TEST(MidiioAlsa, EventsSurviveTheCoder) {
  const struct {
    EventKind kind;
    const char* bytes;
    int type;
  } cases[] = {
      {EventKind::shortMessage, "90 3C 40", SND_SEQ_EVENT_NOTEON},
      {EventKind::shortMessage, "90 3C 00", SND_SEQ_EVENT_NOTEON},  // kept as sent, not turned into a note-off
      {EventKind::shortMessage, "85 3C 12", SND_SEQ_EVENT_NOTEOFF},
      {EventKind::shortMessage, "A1 3C 12", SND_SEQ_EVENT_KEYPRESS},
      {EventKind::shortMessage, "B2 07 64", SND_SEQ_EVENT_CONTROLLER},
      {EventKind::shortMessage, "C3 05", SND_SEQ_EVENT_PGMCHANGE},
      {EventKind::shortMessage, "D4 40", SND_SEQ_EVENT_CHANPRESS},
      {EventKind::shortMessage, "E5 00 40", SND_SEQ_EVENT_PITCHBEND},
      {EventKind::shortMessage, "F1 12", SND_SEQ_EVENT_QFRAME},
      {EventKind::shortMessage, "F2 01 02", SND_SEQ_EVENT_SONGPOS},
      {EventKind::shortMessage, "F3 04", SND_SEQ_EVENT_SONGSEL},
      {EventKind::shortMessage, "F6", SND_SEQ_EVENT_TUNE_REQUEST},
      {EventKind::shortMessage, "F8", SND_SEQ_EVENT_CLOCK},
      {EventKind::shortMessage, "FA", SND_SEQ_EVENT_START},
      {EventKind::shortMessage, "FC", SND_SEQ_EVENT_STOP},
      {EventKind::shortMessage, "FE", SND_SEQ_EVENT_SENSING},
      {EventKind::shortMessage, "FF", SND_SEQ_EVENT_RESET},
      {EventKind::sysexData, "F0 7E 7F 09 01 F7", SND_SEQ_EVENT_SYSEX},
      {EventKind::sysexData, "F0 01 02", SND_SEQ_EVENT_SYSEX},  // a first piece
      {EventKind::sysexData, "03 04 F7", SND_SEQ_EVENT_SYSEX},  // a later piece, no F0
  };
  midiio::AlsaEventCoder coder;
  for (const auto& c : cases) {
    const std::string bytes = unhex(c.bytes);
    snd_seq_event_t event;
    ASSERT_TRUE(coder.encode({c.kind, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}}, event))
        << c.bytes;
    EXPECT_EQ(event.type, c.type) << c.bytes;
    const auto back = coder.decode(event);
    EXPECT_EQ(hex(std::string(back.begin(), back.end())), c.bytes);
  }
}

TEST(MidiioAlsa, ListedPortsAndTheirNames) {
  const unsigned w = SND_SEQ_PORT_CAP_WRITE, sw = SND_SEQ_PORT_CAP_SUBS_WRITE;
  const unsigned r = SND_SEQ_PORT_CAP_READ, sr = SND_SEQ_PORT_CAP_SUBS_READ;
  const struct {
    unsigned caps;
    bool output;
    bool input;
  } cases[] = {
      {w | sw, true, false},          {r | sr, false, true},  {w | sw | r | sr, true, true},
      {w, false, false},              {sw, false, false},     {r, false, false},
      {w | sw | r | sr | SND_SEQ_PORT_CAP_NO_EXPORT, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(midiio::alsaPortListed(c.caps, midiio::Direction::output), c.output) << c.caps;
    EXPECT_EQ(midiio::alsaPortListed(c.caps, midiio::Direction::input), c.input) << c.caps;
  }
  EXPECT_EQ(midiio::alsaDeviceName("Midi Through", "Midi Through Port-0"), "Midi Through:Midi Through Port-0");
}

}  // namespace
