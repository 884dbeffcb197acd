// Properties across the tools: gorbel then oktile gives back a SysEx file's
// messages, and wental's files joined in order are those messages; on
// generated files and on real SMFs made by abc2midi and csvmidi.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "run_tool.h"
#include "sysex_test_util.h"

namespace {

using sysextest::randomSysexFile;
using zamotest::hex;
using zamotest::runProgram;
using zamotest::runTool;
using zamotest::TempDir;

std::string wentalJoined(const std::string& file) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("parts"));
  auto run = runTool("wental", {"-Sparts/", dir.write("in.syx", file)}, {}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<std::filesystem::path> parts;
  for (const auto& e : std::filesystem::directory_iterator(dir.file("parts"))) parts.push_back(e.path());
  std::sort(parts.begin(), parts.end());
  std::string joined;
  for (const auto& p : parts) joined += zamotest::readFile(p);
  return joined;
}

TEST(SysexRoundTrip, GeneratedFiles) {
  std::mt19937 rng(20240607);
  for (int round = 0; round < 12; ++round) {
    int count = std::uniform_int_distribution<int>(0, 40)(rng);
    std::size_t maxData = round % 3 == 0 ? 3000 : 40;
    auto sample = randomSysexFile(rng, count, maxData, round % 2 == 0);
    std::string tempo = "-T" + std::to_string(std::uniform_int_distribution<int>(40, 249)(rng));
    std::string gap = "-D" + std::to_string(std::uniform_int_distribution<int>(0, 19999)(rng));
    TempDir dir;
    std::string x = dir.write("x.syx", sample.file);
    auto smf = runTool("gorbel", {tempo, gap, x, ";123456", x, "-O" + dir.file("x.mid").string()});
    ASSERT_EQ(smf.status, 0) << smf.err;
    auto back = runTool("oktile", {dir.file("x.mid").string()});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out, sample.joined() + sample.joined()) << "round " << round;
    EXPECT_EQ(wentalJoined(sample.file), sample.joined()) << "round " << round;
    // mirvok with -V and no pattern writes every message unchanged.
    EXPECT_EQ(runTool("mirvok", {"-V", x}).out, sample.joined());
  }
}

// Inserts SysEx events into the CSV form of an SMF: a line per event,
// each track kept in time order, End_track last.
std::string withSysex(const std::string& csv, const std::vector<std::tuple<int, long, std::string>>& events) {
  std::map<int, std::vector<std::pair<long, std::string>>> tracks;
  std::vector<std::string> head, tail;
  std::istringstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    int track = std::stoi(line);
    long time = std::stol(line.substr(line.find(',') + 1));
    if (track == 0) {
      (line.find("End_of_file") != std::string::npos ? tail : head).push_back(line);
    } else {
      tracks[track].push_back({time, line});
    }
  }
  for (const auto& [track, time, text] : events) {
    auto& lines = tracks[track];
    // Before End_track, whose time must stay the latest.
    lines.insert(lines.end() - 1, {time, std::to_string(track) + ", " + std::to_string(time) + ", " + text});
  }
  std::string out;
  for (const auto& l : head) out += l + "\n";
  for (auto& [track, lines] : tracks) {
    std::stable_sort(lines.begin() + 1, lines.end() - 1, [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& l : lines) out += l.second + "\n";
  }
  for (const auto& l : tail) out += l + "\n";
  return out;
}

std::string csvBytes(const std::string& message) {  // the data after F0, as decimal CSV fields
  std::string out;
  for (std::size_t i = 1; i < message.size(); ++i) out += ", " + std::to_string(static_cast<unsigned char>(message[i]));
  return out;
}

TEST(SysexRoundTrip, RealSmfFromAbc2midi) {
  const std::filesystem::path examples = "/usr/share/doc/abcmidi/examples";
  if (!std::filesystem::exists("/usr/bin/abc2midi") || !std::filesystem::exists("/usr/bin/csvmidi") ||
      !std::filesystem::exists(examples)) {
    GTEST_SKIP() << "abc2midi, midicsv and csvmidi are needed";
  }
  std::mt19937 rng(77);
  int tunes = 0;
  for (const char* tune : {"coleraine.abc", "araber.abc", "boys.abc", "drums.abc", "demo.abc", "temperament.abc"}) {
    TempDir dir;
    std::string mid = dir.file("tune.mid").string();
    runProgram("/usr/bin/abc2midi", {(examples / tune).string(), "-o", mid});
    if (!std::filesystem::exists(mid)) continue;
    ++tunes;
    // A real SMF without SysEx gives an empty SysEx file and no complaint.
    auto plain = runTool("oktile", {mid});
    EXPECT_EQ(plain.status, 0) << tune << plain.err;
    EXPECT_EQ(plain.out, "") << tune;

    std::string csv = runProgram("/usr/bin/midicsv", {mid}).out;
    int trackCount = 0;
    long end = 0;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
      if (line.find("End_track") != std::string::npos) {
        ++trackCount;
        long t = std::stol(line.substr(line.find(',') + 1));
        end = end == 0 ? t : std::min(end, t);
      }
    }
    ASSERT_GT(trackCount, 0);
    // Messages at distinct times across the tracks; one split into two packets.
    std::vector<std::tuple<int, long, std::string>> events;
    std::vector<std::pair<long, std::string>> expected;
    auto sample = randomSysexFile(rng, 24, 60, false);
    for (std::size_t i = 0; i < sample.messages.size(); ++i) {
      int track = 1 + static_cast<int>(i) % trackCount;
      long time = static_cast<long>(i) * (end / 25);
      const std::string& m = sample.messages[i];
      if (i == 5 && m.size() > 3) {
        std::string first = m.substr(0, 2), rest = m.substr(2);
        events.push_back({track, time, "System_exclusive, 1" + csvBytes(first)});
        events.push_back({track, time + 1, "System_exclusive_packet, " + std::to_string(rest.size()) +
                                               csvBytes("\xF0" + rest)});
      } else {
        events.push_back({track, time, "System_exclusive, " + std::to_string(m.size() - 1) + csvBytes(m)});
      }
      expected.push_back({time, m});
    }
    std::string joinedExpected;
    for (const auto& e : expected) joinedExpected += e.second;

    std::string withSysexMid = dir.file("sysex.mid").string();
    runProgram("/usr/bin/csvmidi", {dir.write("sysex.csv", withSysex(csv, events)), withSysexMid});
    auto extracted = runTool("oktile", {withSysexMid});
    EXPECT_EQ(extracted.status, 0) << tune << extracted.err;
    EXPECT_EQ(hex(extracted.out), hex(joinedExpected)) << tune;

    // And back through gorbel: oktile of gorbel of x gives x.
    std::string syx = dir.write("x.syx", extracted.out);
    auto wrapped = runTool("gorbel", {syx, "-O" + dir.file("again.mid").string()});
    EXPECT_EQ(wrapped.status, 0);
    EXPECT_EQ(runTool("oktile", {dir.file("again.mid").string()}).out, extracted.out) << tune;
    EXPECT_EQ(wentalJoined(extracted.out), extracted.out) << tune;
    // midicsv reads gorbel's SMF as a valid file with every message.
    auto csvAgain = runProgram("/usr/bin/midicsv", {dir.file("again.mid").string()});
    EXPECT_EQ(csvAgain.status, 0) << csvAgain.err;
    EXPECT_EQ(static_cast<std::size_t>(std::count(csvAgain.out.begin(), csvAgain.out.end(), '\n')),
              sample.messages.size() + 5);  // header, start, tempo, messages, end, end of file
  }
  EXPECT_GT(tunes, 0);
}

}  // namespace
