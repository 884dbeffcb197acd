// A tune made with abc2midi (tests/seq/data/roundtrip.abc, merged to format 0
// by examples/make-example.sh) goes through zutane and fendix; the DORNA
// stream is checked against the file's own listing by midicsv
// (roundtrip.csv), timed here in seconds from its tempo map.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "midicsv_fields.h"
#include "run_tool.h"

namespace {

struct Event {
  long step;  // absolute, in steps of 8/1024 s
  int status;
  int first;
  int second;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << "{" << e.step << ", " << std::hex << e.status << " " << e.first << " " << e.second << std::dec << "}";
}

using seqtest::fields;

// The events a player should see, from the listing: channel messages and
// the end, each at its time in seconds rounded to the nearest step.
std::vector<Event> expectedFromListing(const std::string& csv) {
  const double stepSeconds = 8.0 / 1024.0;
  double secondsPerTick = 0.5 / 480;  // 120 BPM until a tempo event
  long lastTick = 0;
  double seconds = 0;
  std::vector<Event> events;
  std::stringstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = fields(line);
    if (f.size() < 3 || f[0] != "1") continue;
    long tick = std::stol(f[1]);
    seconds += (tick - lastTick) * secondsPerTick;
    lastTick = tick;
    long step = std::lround(std::floor(seconds / stepSeconds + 0.5));
    auto number = [&](std::size_t i) { return std::stoi(f.at(i)); };
    const std::string& type = f[2];
    if (type == "Tempo") {
      // OSTRA holds beats per minute x 100, rounded half up.
      double bpm = std::floor(6e9 / number(3) + 0.5) / 100;
      secondsPerTick = 60.0 / bpm / 480;
    } else if (type == "Note_on_c") {
      events.push_back({step, 0x90 | number(3), number(4), number(5)});
    } else if (type == "Note_off_c") {
      events.push_back({step, 0x80 | number(3), number(4), number(5)});
    } else if (type == "Control_c") {
      events.push_back({step, 0xB0 | number(3), number(4), number(5)});
    } else if (type == "Program_c") {
      events.push_back({step, 0xC0 | number(3), number(4), 0});
    } else if (type == "End_track") {
      events.push_back({step, 0xFF, 0, 0});
    }
  }
  return events;
}

// Decodes a DORNA stream of channel messages, fillers and the end record.
std::vector<Event> decodeDorna(const std::string& dorna) {
  std::vector<Event> events;
  long step = 0;
  for (std::size_t i = 0; i + 4 <= dorna.size(); i += 4) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(dorna[i + k]); };
    step += byte(0);
    if (byte(1) == 0xF8) continue;
    events.push_back({step, byte(1), byte(2), byte(3)});
    if (byte(1) == 0xFF) break;
  }
  return events;
}

TEST(SeqRoundTrip, AbcTuneThroughZutaneAndFendixMatchesItsListing) {
  std::string dir = std::string(ZAMO_SOURCE_DIR) + "/tests/seq/data/";
  auto ostra = zamotest::runTool("zutane", {dir + "roundtrip.mid"});
  ASSERT_EQ(ostra.status, 0) << ostra.err;
  auto dorna = zamotest::runTool("fendix", {}, ostra.out);
  ASSERT_EQ(dorna.status, 0) << dorna.err;
  ASSERT_EQ(dorna.out.size() % 4, 0u);

  std::vector<Event> expected = expectedFromListing(zamotest::readFile(dir + "roundtrip.csv"));
  ASSERT_GT(expected.size(), 100u);  // the listing was read
  EXPECT_EQ(decodeDorna(dorna.out), expected);
}

TEST(SeqRoundTrip, BundledExampleConvertsCleanly) {
  std::string mid = std::string(ZAMO_SOURCE_DIR) + "/examples/coleraine.mid";
  auto ostra = zamotest::runTool("zutane", {mid});
  ASSERT_EQ(ostra.status, 0) << ostra.err;
  auto dorna = zamotest::runTool("fendix", {}, ostra.out);
  ASSERT_EQ(dorna.status, 0) << dorna.err;
  // Channel messages only, so whole records of four bytes up to one end record.
  ASSERT_EQ(dorna.out.size() % 4, 0u);
  std::vector<Event> events = decodeDorna(dorna.out);
  ASSERT_GT(events.size(), 1000u);
  EXPECT_EQ(events.back().status, 0xFF);
  EXPECT_EQ(zamotest::hex(dorna.out.substr(dorna.out.size() - 3)), "FF 00 00");
  for (std::size_t i = 0; i + 4 < dorna.out.size(); i += 4) EXPECT_NE(dorna.out[i + 1], '\xFF') << i;
}

}  // namespace
