#include <gtest/gtest.h>

#include <string>

#include "run_tool.h"
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
