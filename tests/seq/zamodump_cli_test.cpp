// zamodump as a program: the format told by the first bytes or by option,
// a heading for each file, a fault that costs only its file, and every
// bundled example shown without error and in agreement with its other forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run_tool.h"

namespace {

namespace fs = std::filesystem;
using zamotest::runProgram;
using zamotest::runTool;
using zamotest::TempDir;
using zamotest::ToolRun;
using zamotest::unhex;

std::string line(unsigned long long time, const char* ms, const char* channel, const std::string& text) {
  char columns[64];
  std::snprintf(columns, sizeof columns, "%10llu %12s  %2s  ", time, ms, channel);
  return columns + text + "\n";
}

const std::string kOstra = unhex("00 F1 70 17 00 90 3C 40 78 80 3C 00 00 FF 00 00");  // 60 BPM, an eighth
const std::string kOstraText = line(0, "0.000", "-", "Tempo 60.00") + line(0, "0.000", "1", "Note On C4 64") +
                               line(120, "250.000", "1", "Note Off C4 0") + line(120, "250.000", "-", "End");
const std::string kSmf =
    "MThd" + unhex("00 00 00 06 00 00 00 01 00 60") + "MTrk" + unhex("00 00 00 07 60 C9 05 00 FF 2F 00");
const std::string kSmfText = "# s.mid: SMF format 0, 1 track, 96 ticks per quarter note\n# track 1, 7 bytes\n" +
                             line(96, "500.000", "10", "Program Change 5") + line(96, "500.000", "-", "End of Track");
const std::string kSyx = unhex("F0 41 10 42 12 40 00 7F 00 41 F7");
const std::string kSyxText =
    "# d.syx: SysEx file; byte offset of each message\n"
    "         0  SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 41 F7; DT1 device 10 model 42 address 40 00 "
    "7F, 1 data byte, checksum 41 ok\n";

TEST(ZamodumpCli, TellsTheFormatAndNamesEachFile) {
  TempDir dir;
  dir.write("a.ostra", kOstra);
  dir.write("s.mid", kSmf);
  dir.write("d.syx", kSyx);
  // Deltas of F0 and 4D ('M') before a status byte: still OSTRA.
  dir.write("f0.ostra", unhex("F0 90 3C 40 4D FF 00 00"));
  dir.write("b.dorna", unhex("00 90 3C 40 19 80 3C 00 00 FF 00 00"));
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string out;
  };
  const std::string kOstraHeading = ": OSTRA sequence; time in ticks (480 per quarter note) and ms\n";
  const Case cases[] = {
      {{"a.ostra", "s.mid", "d.syx"}, "", "# a.ostra" + kOstraHeading + kOstraText + kSmfText + kSyxText},
      {{}, kOstra, "# <stdin>" + kOstraHeading + kOstraText},
      {{"f0.ostra"}, "",
       "# f0.ostra" + kOstraHeading + line(240, "250.000", "1", "Note On C4 64") + line(317, "330.208", "-", "End")},
      {{"-T4", "b.dorna"}, "",  // without -P or -Q the extension chooses
       "# b.dorna: DORNA stream; time in steps and ms at 4 ms a step\n" + line(0, "0.000", "1", "Note On C4 64") +
           line(25, "100.000", "1", "Note Off C4 0") + line(25, "100.000", "-", "End")},
      {{"-P"}, unhex("0A FF 00 00"),
       "# <stdin>: DORNA stream; time in steps and ms at 8 ms a step\n" + line(10, "80.000", "-", "End")},
      // The last of -P and -Q counts; SMF and SysEx files are known whatever they say.
      {{"-P", "-Q", "a.ostra", "s.mid"}, "", "# a.ostra" + kOstraHeading + kOstraText + kSmfText},
      {{"-P", "s.mid", "d.syx"}, "", kSmfText + kSyxText},
      {{"-Q", "b.dorna"}, "",
       "# b.dorna" + kOstraHeading + line(0, "0.000", "1", "Note On C4 64") +
           line(25, "26.042", "1", "Note Off C4 0") + line(25, "26.042", "-", "End")},
      {{"-Q", "-P", "a.ostra"}, "", "# a.ostra: DORNA stream; time in steps and ms at 8 ms a step\n" +
           line(0, "0.000", "-", "MTC Quarter Frame 70") + line(0, "0.000", "1", "Note On C4 64") +
           line(120, "960.000", "1", "Note Off C4 0") + line(120, "960.000", "-", "End")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(stdin)" : c.args.back());
    ToolRun run = runProgram(zamotest::toolPath("zamodump"), c.args, c.input, dir.path());
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
  }
}

TEST(ZamodumpCli, AFaultCostsOnlyItsFile) {
  TempDir dir;
  dir.write("a.ostra", kOstra);
  dir.write("bad.ostra", unhex("00 90 3C 40 10 F5 00 00"));
  dir.write("a.wav", "RIFF" + unhex("24 00 00 00") + "WAVEfmt ");
  dir.write("s.mid", kSmf);
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string err;
    int status;
  };
  const Case cases[] = {
      {{"a.ostra", "bad.ostra", "s.mid"},
       "# a.ostra: OSTRA sequence; time in ticks (480 per quarter note) and ms\n" + kOstraText +
           "# bad.ostra: OSTRA sequence; time in ticks (480 per quarter note) and ms\n" +
           line(0, "0.000", "1", "Note On C4 64") + kSmfText,
       "zamodump: bad.ostra: unknown status byte F5 (at byte offset 5)\n", 1},
      {{"nope.mid", "s.mid"}, kSmfText, "zamodump: nope.mid: No such file or directory\n", 1},
      {{"-P", "a.wav", "s.mid"}, kSmfText,
       "zamodump: a.wav: this is a WAV file (audio), not a DORNA stream; no zamo tool reads audio\n", 1},
      {{"-X", "s.mid"}, "", "zamodump: unknown option -X; the options are -P -Q -T -O -I -W -S (see --help)\n", 2},
      {{"-T0", "s.mid"}, "",
       "zamodump: invalid option -T0: -T wants a step length from 0.1 up to (not including) 1000 (see --help)\n", 2},
      {{"-Pz"}, "", "zamodump: invalid option -Pz: -P takes no text after the letter (see --help)\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    ToolRun run = runProgram(zamotest::toolPath("zamodump"), c.args, {}, dir.path());
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.status, c.status);
  }
}

// The event lines of a dump: the columns after the time, split into the
// time, the milliseconds and the rest.
struct Event {
  unsigned long long time;
  double ms;
  std::string rest;  // channel and text
};

std::vector<Event> events(const std::string& dump) {
  std::vector<Event> out;
  std::istringstream lines(dump);
  for (std::string text; std::getline(lines, text);) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream fields(text);
    Event event;
    fields >> event.time >> event.ms;
    std::getline(fields >> std::ws, event.rest);
    out.push_back(event);
  }
  return out;
}

std::string shell(const std::string& command, const fs::path& where) {
  ToolRun run = runProgram("/bin/bash", {"-o", "pipefail", "-c", "PATH='" ZAMO_BIN_DIR "':\"$PATH\"\n" + command}, {},
                           where);
  EXPECT_EQ(run.status, 0) << command << ": " << run.err;
  EXPECT_EQ(run.err, "") << command;
  return run.out;
}

// Every bundled piece, compiled to OSTRA and rendered to DORNA at 8 ms
// steps, shows the same events in the same order, each within half a step
// of where the tempo map puts it.
TEST(ZamodumpExamples, EveryPieceShowsAlikeAsOstraAndAsDorna) {
  const fs::path examples = fs::path(ZAMO_SOURCE_DIR) / "examples";
  int pieces = 0;
  for (const auto& entry : fs::directory_iterator(examples)) {
    if (entry.path().extension() != ".mml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++pieces;
    std::string source = "'" + entry.path().string() + "'";
    std::vector<Event> ostra = events(shell("zembra " + source + " | zamodump", examples));
    std::vector<Event> dorna = events(shell("zembra " + source + " | fendix -X -T8.192 | zamodump -P -T8", examples));
    ASSERT_GT(ostra.size(), 1u);
    EXPECT_EQ(ostra.back().rest, "-  End");
    // DORNA has no tempo records.
    std::erase_if(ostra, [](const Event& e) { return e.rest.rfind("-  Tempo ", 0) == 0; });
    ASSERT_EQ(ostra.size(), dorna.size());
    for (std::size_t i = 0; i < ostra.size(); ++i) {
      EXPECT_EQ(dorna[i].rest, ostra[i].rest) << "event " << i;
      EXPECT_NEAR(dorna[i].ms, ostra[i].ms, 4.0) << "event " << i << ": " << ostra[i].rest;
    }
  }
  EXPECT_GE(pieces, 3);
}

std::string noteName(int key) {
  static const char* const kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return kNames[key % 12] + std::to_string(key / 12 - 1);
}

// The bundled Standard MIDI File: its notes as midicsv reads them, and its
// DORNA rendering through zutane and fendix shown without error.
TEST(ZamodumpExamples, TheBundledSmfAgreesWithMidicsv) {
  const fs::path examples = fs::path(ZAMO_SOURCE_DIR) / "examples";
  if (!fs::exists("/usr/bin/midicsv")) GTEST_SKIP() << "midicsv is not installed";
  std::vector<Event> dumped = events(shell("zamodump coleraine.mid", examples));
  std::vector<std::string> ours;
  for (const Event& e : dumped) {
    if (e.rest.find("Note O") != std::string::npos) ours.push_back(std::to_string(e.time) + " " + e.rest);
  }
  std::vector<std::string> theirs;
  std::istringstream csv(shell("midicsv coleraine.mid", examples));
  for (std::string text; std::getline(csv, text);) {
    char kind[32];
    unsigned long long time;
    int track, channel, key, velocity;
    if (std::sscanf(text.c_str(), "%d, %llu, %31[A-Za-z_], %d, %d, %d", &track, &time, kind, &channel, &key,
                    &velocity) != 6) {
      continue;
    }
    std::string name = kind;
    if (name != "Note_on_c" && name != "Note_off_c") continue;
    char columns[16];
    std::snprintf(columns, sizeof columns, "%d  ", channel + 1);
    theirs.push_back(std::to_string(time) + " " + columns + (name == "Note_on_c" ? "Note On " : "Note Off ") +
                     noteName(key) + " " + std::to_string(velocity));
  }
  EXPECT_GT(theirs.size(), 100u);
  EXPECT_EQ(ours, theirs);
  // 142 BPM: a tick lasts 422535 / 480 us; the last event is the end of the track.
  ASSERT_FALSE(dumped.empty());
  EXPECT_EQ(dumped.back().rest, "-  End of Track");
  EXPECT_NEAR(dumped.back().ms, dumped.back().time * 422535.0 / 480.0 / 1000.0, 0.001);
  std::vector<Event> dorna = events(shell("zutane coleraine.mid | fendix -T8.192 | zamodump -P", examples));
  ASSERT_FALSE(dorna.empty());
  EXPECT_EQ(dorna.back().rest, "-  End");
  EXPECT_NEAR(dorna.back().ms, dumped.back().ms, 4.0);
}

}  // namespace
