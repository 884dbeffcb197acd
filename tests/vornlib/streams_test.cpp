#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>

#include "run_tool.h"
#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/streams.h"

using namespace vorn;
using zamotest::TempDir;

namespace {
// Bigger than one buffer, so reads cross refills.
std::string patternBytes(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}
}  // namespace

TEST(ByteInput, PeekUngetAndEndOfInput) {
  ByteInput in;
  in.openMemory("ab");
  EXPECT_EQ(in.peek(), 'a');
  EXPECT_EQ(in.get(), 'a');
  in.unget();
  EXPECT_EQ(in.get(), 'a');
  EXPECT_EQ(in.get(), 'b');
  EXPECT_EQ(in.offset(), 2u);
  EXPECT_EQ(in.get(), kEndOfInput);
  in.unget();  // giving back the end does not bring back 'b'
  EXPECT_EQ(in.get(), kEndOfInput);
  EXPECT_EQ(in.peek(), kEndOfInput);
}

TEST(ByteInput, FileReadsCrossBufferBoundariesExactly) {
  TempDir dir;
  std::string content = patternBytes(200000);
  std::string path = dir.write("data.bin", content);
  ByteInput in;
  ASSERT_TRUE(in.open(path.c_str()));
  std::string got;
  // Mixed single bytes, peeks and spans.
  for (int i = 0; i < 70000; ++i) {
    ASSERT_EQ(in.peek(), static_cast<unsigned char>(content[got.size()]));
    got += static_cast<char>(in.get());
  }
  std::uint8_t chunk[9999];
  std::size_t n;
  while ((n = in.read(chunk)) > 0) got.append(reinterpret_cast<char*>(chunk), n);
  EXPECT_EQ(got, content);
  EXPECT_EQ(in.offset(), content.size());
}

// A format is told by its first two bytes: get, peek, unget must give the
// first byte back even when the peek had to fetch the second.
TEST(ByteInput, UngetAfterAPeekThatRefilled) {
  TempDir dir;
  std::string content = patternBytes(70000);
  std::string path = dir.write("data.bin", content);
  ByteInput in;
  ASSERT_TRUE(in.open(path.c_str()));
  ASSERT_EQ(in.skip(65535), 65535u);
  EXPECT_EQ(in.get(), static_cast<unsigned char>(content[65535]));
  EXPECT_EQ(in.peek(), static_cast<unsigned char>(content[65536]));  // the buffer ran dry: refilled
  in.unget();
  EXPECT_EQ(in.offset(), 65535u);
  EXPECT_EQ(in.get(), static_cast<unsigned char>(content[65535]));
  EXPECT_EQ(in.get(), static_cast<unsigned char>(content[65536]));
  EXPECT_EQ(in.offset(), 65537u);
}

TEST(ByteInput, ShortReadAndSkipReportWhatTheyGot) {
  ByteInput in;
  in.openMemory("abcdef");
  EXPECT_EQ(in.skip(2), 2u);
  std::uint8_t four[4];
  EXPECT_EQ(in.read(four), 4u);
  EXPECT_EQ(four[0], 'c');
  std::uint8_t more[4];
  EXPECT_EQ(in.read(more), 0u);
  EXPECT_EQ(in.skip(10), 0u);
}

TEST(ByteInput, CursorsReadTheSameBytesAgain) {
  TempDir dir;
  std::string content = patternBytes(300000);
  std::string path = dir.write("data.bin", content);
  // A file, a memory input, and a pipe (kept in a temporary file as it is read).
  for (const char* kind : {"file", "memory", "pipe"}) {
    ByteInput in;
    std::string command = "cat " + path;
    FILE* pipe = nullptr;
    if (std::string_view(kind) == "memory") {
      in.openMemory(content);
    } else if (std::string_view(kind) == "file") {
      ASSERT_TRUE(in.open(path.c_str()));
    } else {
      pipe = ::popen(command.c_str(), "r");
      ASSERT_TRUE(in.open(("/dev/fd/" + std::to_string(::fileno(pipe))).c_str()));
      ByteInput plain;
      EXPECT_FALSE(in.reopenAt(plain, 0, 64)) << "a pipe not made rereadable";
    }
    ASSERT_TRUE(in.makeRereadable());
    // A long skip (a seek in a file), then cursors over what was passed.
    ASSERT_EQ(in.skip(250000), 250000u) << kind;
    for (std::uint64_t at : {0u, 70001u, 210000u}) {
      ByteInput cursor;
      ASSERT_TRUE(in.reopenAt(cursor, at, 1000)) << kind;
      std::string got(40000, '\0');
      got.resize(cursor.read(std::span(reinterpret_cast<std::uint8_t*>(got.data()), got.size())));
      EXPECT_EQ(got, content.substr(at, 40000)) << kind << " at " << at;
      EXPECT_EQ(cursor.offset(), at + got.size()) << kind;
    }
    EXPECT_EQ(in.skip(100000), 50000u) << kind;
    EXPECT_EQ(in.offset(), content.size()) << kind;
    in.close();
    if (pipe) ::pclose(pipe);
  }
}

TEST(ByteInput, LinesWithEitherLineEnd) {
  ByteInput in;
  in.openMemory("one\r\ntwo\n\nlast");
  std::string line;
  std::vector<std::string> lines;
  while (in.getline(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "last"}));
}

TEST(ByteInput, MissingFileReportsErrno) {
  ByteInput in;
  EXPECT_FALSE(in.open("/nonexistent/dir/file"));
  EXPECT_EQ(errno, ENOENT);
}

TEST(ByteOutput, LargeAndSmallWritesKeepTheirOrder) {
  TempDir dir;
  std::string path = dir.file("out.bin").string();
  std::string big = patternBytes(150000);
  {
    ByteOutput out;
    ASSERT_TRUE(out.open(path.c_str()));
    out.put('<');
    out.write(big);
    out.write(std::string_view("mid"));
    for (int i = 0; i < 70000; ++i) out.put(static_cast<std::uint8_t>(i));
    out.close();
  }
  std::string expected = "<" + big + "mid";
  for (int i = 0; i < 70000; ++i) expected += static_cast<char>(static_cast<std::uint8_t>(i));
  EXPECT_EQ(zamotest::readFile(path), expected);
}

TEST(ByteOutput, MemoryOutputCollects) {
  ByteOutput out;
  out.openMemory();
  out.write(std::string_view("abc"));
  out.put(0);
  out.flush();
  EXPECT_EQ(out.memoryBytes(), std::string("abc\0", 4));
}

// A stream's fault comes back as a value naming the file; a break met while
// writing is the interrupted fault, and what was buffered stays.
TEST(Streams, FaultsComeBackNamingTheFile) {
  TempDir dir;
  const std::string tenBytes = dir.write("ten", "0123456789");
  const std::string folder = dir.path().string();
  ByteOutput full;
  ByteInput folderInput;
  std::string bytes;
  const struct {
    const char* what;
    std::function<Status()> call;
    std::uint32_t code;
    std::string input;
  } cases[] = {
      {"open", [] { return openin("/nonexistent/dir/file"); }, ENOENT, "/nonexistent/dir/file"},
      {"limit", [&] { return readWholeFile(tenBytes.c_str(), 4, bytes); }, kErrMalformedInput, tenBytes},
      {"read", [&] {
         if (!folderInput.open(folder.c_str()) || folderInput.get() != kEndOfInput) return Status();
         return folderInput.status();
       }, EISDIR, folder},
      {"write", [&] {
         if (!full.open("/dev/full")) return Status();
         full.put('x');
         full.close();
         return full.status();
       }, ENOSPC, "/dev/full"},
  };
  for (const auto& c : cases) {
    const Status status = c.call();
    ASSERT_FALSE(status) << c.what;
    EXPECT_EQ(status.fault().code, c.code) << c.what;
    EXPECT_EQ(status.fault().input, c.input) << c.what;
  }

  installBreakHandlers();
  std::raise(SIGINT);
  ByteOutput out;
  out.openMemory();
  out.put('a');
  EXPECT_FALSE(out.breakPoint());
  clearBreak();
  std::signal(SIGINT, SIG_DFL);
  out.flush();
  EXPECT_EQ(out.memoryBytes(), "a");
  ASSERT_FALSE(out.status());
  EXPECT_TRUE(isInterruption(out.status().fault()));
}
