// What the ALSA reader thread makes of sequencer events, driven without a
// sequencer: SysEx events cut into chunks, short messages decoded, an
// overflowed input pool marking a hole, and the source's exit noticed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midiio/alsa_input.h"
#include "run_tool.h"

namespace {

using midiio::InputEvent;
using midiio::InputQueue;

snd_seq_event_t sysexEvent(std::vector<std::uint8_t>& bytes) {
  snd_seq_event_t ev;
  snd_seq_ev_clear(&ev);
  snd_seq_ev_set_sysex(&ev, static_cast<unsigned>(bytes.size()), bytes.data());
  return ev;
}

snd_seq_event_t noteOn() {
  snd_seq_event_t ev;
  snd_seq_ev_clear(&ev);
  snd_seq_ev_set_noteon(&ev, 2, 60, 100);
  return ev;
}

snd_seq_event_t exitOf(int type, int client, int port) {
  snd_seq_event_t ev;
  snd_seq_ev_clear(&ev);
  ev.type = static_cast<snd_seq_event_type_t>(type);
  ev.data.addr.client = static_cast<unsigned char>(client);
  ev.data.addr.port = static_cast<unsigned char>(port);
  return ev;
}

std::vector<std::string> drain(InputQueue& queue) {
  std::vector<std::string> out;
  InputEvent e;
  while (queue.read(e)) {
    out.push_back(e.isLong ? std::string(e.afterGap ? "!" : "") + "L" + std::to_string(e.lengthOrMessage)
                           : "S" + std::to_string(e.lengthOrMessage));
  }
  return out;
}

TEST(MidiioAlsaInput, EventsBecomeChunksAndShortMessages) {
  std::vector<std::uint8_t> first(256, 0x11), rest(44, 0x22);
  first[0] = 0xF0;
  rest.back() = 0xF7;
  InputQueue queue(1024, 1024, 3);
  midiio::AlsaInputReader reader(queue, 20, 0);
  reader.event(noteOn(), 0);
  EXPECT_TRUE(drain(queue).empty()) << "nothing before recording";
  queue.setRecording(true);
  reader.event(sysexEvent(first), 1);  // the sequencer delivers a VirMIDI dump as 256-byte events
  reader.event(noteOn(), 2);           // a status inside the dump ends it
  reader.event(sysexEvent(rest), 3);   // stray data: no open message
  reader.error(-ENOSPC);
  EXPECT_TRUE(queue.overflow());
  reader.event(sysexEvent(first), 4);
  reader.error(-ENOSPC);
  reader.event(sysexEvent(rest), 5);
  // Note on, channel 3, key 60, velocity 100, packed first byte lowest.
  const std::string note = "S" + std::to_string(0x643C92);
  EXPECT_EQ(drain(queue), (std::vector<std::string>{"L256", note, "!L256", "!L44"}));
  reader.error(-EAGAIN);
  EXPECT_FALSE(reader.sourceGone());
  reader.event(exitOf(SND_SEQ_EVENT_PORT_EXIT, 20, 1), 6);
  reader.event(exitOf(SND_SEQ_EVENT_CLIENT_EXIT, 21, 0), 6);
  EXPECT_FALSE(reader.sourceGone()) << "another port's exit";
  reader.event(exitOf(SND_SEQ_EVENT_PORT_EXIT, 20, 0), 7);
  EXPECT_TRUE(reader.sourceGone());
  midiio::AlsaInputReader other(queue, 30, 2);
  other.event(exitOf(SND_SEQ_EVENT_CLIENT_EXIT, 30, 0), 8);
  EXPECT_TRUE(other.sourceGone());
}

// Only an event stamped in real time before a read began is known to have
// come before a hole that read did not report.
TEST(MidiioAlsaInput, OnlyEventsStampedBeforeTheReadCountAsBeforeAHole) {
  const snd_seq_real_time_t start{5, 500};
  const struct {
    const char* what;
    unsigned char flags;
    snd_seq_real_time_t stamp;
    std::optional<snd_seq_real_time_t> readStart;
    bool before;
  } cases[] = {
      {"earlier second", SND_SEQ_TIME_STAMP_REAL, {4, 900}, start, true},
      {"same second, earlier", SND_SEQ_TIME_STAMP_REAL, {5, 499}, start, true},
      {"the same instant", SND_SEQ_TIME_STAMP_REAL, {5, 500}, start, false},
      {"later", SND_SEQ_TIME_STAMP_REAL, {6, 0}, start, false},
      {"stamped in ticks", SND_SEQ_TIME_STAMP_TICK, {0, 0}, start, false},
      {"no clock", SND_SEQ_TIME_STAMP_REAL, {1, 0}, std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    snd_seq_event_t ev = noteOn();
    ev.flags = static_cast<unsigned char>((ev.flags & ~SND_SEQ_TIME_STAMP_MASK) | c.flags);
    if (c.flags == SND_SEQ_TIME_STAMP_REAL) {
      ev.time.time = c.stamp;
    } else {
      ev.time.tick = 0;
    }
    EXPECT_EQ(midiio::arrivedBefore(ev, c.readStart), c.before);
  }
}

}  // namespace
