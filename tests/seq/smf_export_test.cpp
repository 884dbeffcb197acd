// SMF out and in, as a user chains the tools: every example piece and every
// MML example of the documents goes through `zembra -S | zutane -X` back to
// the bytes `zembra` writes, and midicsv and mido read each such file; the
// real format-1 files that Debian packages ship merge under `zutane -M` into
// the events midicsv lists, in the same order and at the same times.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "midicsv_fields.h"
#include "run_tool.h"
#include "seq/record_reader.h"
#include "seq/smf_tempo.h"
#include "vornlib/streams.h"

namespace {

namespace fs = std::filesystem;
using zamotest::hex;
using zamotest::runProgram;
using zamotest::runTool;
using zamotest::TempDir;

const char* const kMidicsv = "/usr/bin/midicsv";
const char* const kPython = "/usr/bin/python3";

struct Piece {
  std::string name;     // where it comes from: "examples/round.mml", "docs/mml.md:35"
  std::string source;   // MML text
  std::vector<std::string> options;
};

// The MML examples of a Markdown document: blocks fenced as ```mml, with the
// options written after the fence.
std::vector<Piece> documentExamples(const fs::path& path) {
  std::vector<Piece> pieces;
  std::ifstream in(path);
  std::string line;
  int number = 0;
  Piece* open = nullptr;
  while (std::getline(in, line)) {
    ++number;
    if (open) {
      if (line.rfind("```", 0) == 0) {
        open = nullptr;
      } else {
        open->source += line + "\n";
      }
      continue;
    }
    if (line.rfind("```mml", 0) != 0) continue;
    Piece piece{path.filename().string() + ":" + std::to_string(number), "", {}};
    std::istringstream words(line.substr(6));
    std::string word;
    while (words >> word) piece.options.push_back(word);
    pieces.push_back(piece);
    open = &pieces.back();
  }
  return pieces;
}

std::vector<Piece> allPieces() {
  fs::path root = ZAMO_SOURCE_DIR;
  std::vector<Piece> pieces;
  for (const auto& entry : fs::directory_iterator(root / "examples")) {
    if (entry.path().extension() != ".mml") continue;
    pieces.push_back({"examples/" + entry.path().filename().string(), zamotest::readFile(entry.path()), {}});
  }
  std::vector<fs::path> documents = {root / "README.md"};
  for (const auto& entry : fs::directory_iterator(root / "docs")) {
    if (entry.path().extension() == ".md") documents.push_back(entry.path());
  }
  for (const fs::path& document : documents) {
    std::vector<Piece> found = documentExamples(document);
    pieces.insert(pieces.end(), found.begin(), found.end());
  }
  return pieces;
}

std::vector<std::string> withOptions(std::vector<std::string> options, std::initializer_list<std::string> more) {
  options.insert(options.begin(), more);
  return options;
}

TEST(SmfExport, ZembraSmfReadByZutaneIsZembrasOstraAndOtherReadersReadIt) {
  std::vector<Piece> pieces = allPieces();
  ASSERT_GE(pieces.size(), 40u) << "the examples and docs/mml.md were not found";
  TempDir dir;
  std::vector<std::string> written;
  int compiled = 0;
  for (const Piece& piece : pieces) {
    SCOPED_TRACE(piece.name);
    std::string file = dir.write("piece.mml", piece.source);
    auto ostra = runTool("zembra", withOptions(piece.options, {file}));
    auto smf = runTool("zembra", withOptions(piece.options, {"-S", file}));
    if (ostra.status != 0) {
      // An example of a compile error fails alike, with nothing written.
      EXPECT_EQ(smf.status, ostra.status);
      EXPECT_EQ(smf.out, "");
      EXPECT_EQ(smf.err, ostra.err);
      continue;
    }
    ++compiled;
    ASSERT_EQ(smf.status, 0) << smf.err;
    auto back = runTool("zutane", {"-X"}, smf.out);
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(hex(back.out), hex(ostra.out));
    written.push_back(dir.write("piece" + std::to_string(written.size()) + ".mid", smf.out));
  }
  EXPECT_GE(compiled, 30);

  for (const std::string& file : written) {
    auto csv = runProgram(kMidicsv, {file});
    EXPECT_EQ(csv.status, 0) << file << ": " << csv.err;
    EXPECT_EQ(csv.err, "") << file;
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), "0, 0, Header, 0, 1, 480") << file;
  }
  // mido is strict about data bytes, lengths and the end of track.
  std::vector<std::string> args = {"-c",
                                   "import sys, mido\n"
                                   "for name in sys.argv[1:]:\n"
                                   "    f = mido.MidiFile(name)\n"
                                   "    assert f.tracks[0][-1].type == 'end_of_track'\n"
                                   "    print(f.type, len(f.tracks), f.ticks_per_beat)\n"};
  args.insert(args.end(), written.begin(), written.end());
  auto mido = runProgram(kPython, args);
  EXPECT_EQ(mido.status, 0) << mido.err;
  std::string expected;
  for (std::size_t i = 0; i < written.size(); ++i) expected += "0 1 480\n";
  EXPECT_EQ(mido.out, expected);
}

// One event as both sides give it: OSTRA time, status and data bytes.
struct Event {
  std::int64_t time;
  int status;
  int first;
  int second;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << e.time << ":" << std::hex << e.status << " " << e.first << " " << e.second << std::dec;
}

using seqtest::fields;

// midicsv's listing (track by track, absolute ticks) merged stably by time,
// so that the earlier track comes first at equal times; times rescaled to
// 480 a quarter note, half up, as zutane does. Tempo is BPM x 100; "end"
// (status 0xFF) is at the latest end of track.
std::vector<Event> mergedListing(const std::string& csv) {
  struct Timed {
    long tick;
    Event event;
  };
  std::vector<Timed> all;
  long division = 0;
  long end = 0;
  std::stringstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = fields(line);
    if (f.size() < 3) continue;
    long tick = std::stol(f[1]);
    auto n = [&](std::size_t i) { return std::stoi(f.at(i)); };
    const std::string& type = f[2];
    if (type == "Header") division = n(5);
    if (type == "End_track") end = std::max(end, tick);
    static const std::pair<const char*, int> kChannel[] = {
        {"Note_off_c", 0x80}, {"Note_on_c", 0x90},  {"Poly_aftertouch_c", 0xA0},   {"Control_c", 0xB0},
        {"Program_c", 0xC0},  {"Channel_aftertouch_c", 0xD0}, {"Pitch_bend_c", 0xE0}};
    for (auto [name, status] : kChannel) {
      if (type != name) continue;
      Event e{0, status | n(3), n(4), 0};
      if (status == 0xE0) e = {0, status | n(3), n(4) & 0x7F, n(4) >> 7};
      if (status == 0x80 || status == 0x90 || status == 0xA0 || status == 0xB0) e.second = n(5);
      all.push_back({tick, e});
    }
    if (type == "Tempo") all.push_back({tick, {0, 0xF1, *seq::tempoFromMicroseconds(n(3)), 0}});
  }
  std::stable_sort(all.begin(), all.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
  auto scaled = [&](long tick) { return (2 * tick * 480 + division) / (2 * division); };
  std::vector<Event> events;
  for (Timed& t : all) {
    t.event.time = scaled(t.tick);
    events.push_back(t.event);
  }
  events.push_back({scaled(end), 0xFF, 0, 0});
  return events;
}

std::vector<Event> ostraEvents(const std::string& ostra) {
  vorn::ByteInput in;
  in.openMemory(ostra);
  seq::RecordReader reader(in);
  seq::Record r;
  std::vector<Event> events;
  std::int64_t time = 0;
  for (;;) {
    seq::RecordKind kind = reader.next(r);
    time += r.delta;
    switch (kind) {
      case seq::RecordKind::Channel: events.push_back({time, r.status, r.first, r.second}); break;
      case seq::RecordKind::Tempo: events.push_back({time, 0xF1, r.tempo, 0}); break;
      case seq::RecordKind::End: events.push_back({time, 0xFF, 0, 0}); return events;
      case seq::RecordKind::Filler: break;
      case seq::RecordKind::SysEx: reader.skipBody(); break;
      case seq::RecordKind::Fault: ADD_FAILURE() << reader.fault().text; return events;
    }
  }
}

TEST(SmfExport, ZutaneMergesRealFormatOneFilesAsMidicsvListsThem) {
  std::vector<fs::path> files;
  for (const char* folder : {"/usr/share/games/openttd/baseset/openmsx", "/usr/share/planetblupi/music"}) {
    if (!fs::is_directory(folder)) continue;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".mid") files.push_back(entry.path());
    }
  }
  if (files.empty()) GTEST_SKIP() << "no real format-1 files installed (openttd-openmsx, planetblupi-music-midi)";
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    auto csv = runProgram(kMidicsv, {file.string()});
    ASSERT_EQ(csv.status, 0) << csv.err;
    ASSERT_NE(csv.out.find(", Header, 1, "), std::string::npos) << "not a format-1 file";
    auto merged = runTool("zutane", {"-M", file.string()});
    ASSERT_EQ(merged.status, 0) << merged.err;
    std::vector<Event> expected = mergedListing(csv.out);
    std::vector<Event> got = ostraEvents(merged.out);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << "event " << i;
    // Read from a pipe, which cannot seek, the file merges alike.
    auto piped = runTool("zutane", {"-M"}, zamotest::readFile(file));
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_TRUE(piped.out == merged.out);
    // Without -M the file is refused, saying why.
    auto refused = runTool("zutane", {file.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(": format 1 with "), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("option -M merges the tracks into one (at byte offset 8)"), std::string::npos);
  }
}

}  // namespace
