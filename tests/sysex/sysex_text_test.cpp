// SysEx messages in words and SysEx files as text: manufacturers, universal
// messages, Roland data sets and requests with their checksums, messages of
// any length in constant memory, and what a cut file leaves written.
#include <gtest/gtest.h>

#include <string>

#include "run_tool.h"
#include "sysex/sysex_file_dump.h"
#include "sysex/sysex_text.h"
#include "vornlib/checksum7.h"

namespace {

using zamotest::unhex;

std::string summaryOf(const std::string& bytes) {
  sysex::MessageSummary summary;
  summary.add(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  return summary.text();
}

TEST(MessageSummary, MessagesInWords) {
  struct Case {
    const char* hex;
    const char* text;
  };
  const Case cases[] = {
      {"F0 41 10 42 12 40 00 7F 00 41 F7",
       "SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 41 F7; "
       "DT1 device 10 model 42 address 40 00 7F, 1 data byte, checksum 41 ok"},
      {"F0 41 10 42 12 40 00 7F 00 40 F7",
       "SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 40 F7; "
       "DT1 device 10 model 42 address 40 00 7F, 1 data byte, checksum 40 wrong (41 expected)"},
      // Model 00 00 64 (an extended model ID): four address bytes.
      {"F0 41 10 00 00 64 12 19 00 00 00 01 02 64 F7",
       "SysEx Roland (41), 15 bytes: F0 41 10 00 00 64 12 19 00 00 00 01 02 64 F7; "
       "DT1 device 10 model 00 00 64 address 19 00 00 00, 2 data bytes, checksum 64 ok"},
      // JV-1080 (6A): four address bytes with a one-byte model.
      {"F0 41 10 6A 12 01 00 00 00 05 7A F7",
       "SysEx Roland (41), 12 bytes: F0 41 10 6A 12 01 00 00 00 05 7A F7; "
       "DT1 device 10 model 6A address 01 00 00 00, 1 data byte, checksum 7A ok"},
      // A request tells its address length by its own size.
      {"F0 41 10 42 11 48 00 00 00 1D 10 0B F7",
       "SysEx Roland (41), 13 bytes: F0 41 10 42 11 48 00 00 00 1D 10 0B F7; "
       "RQ1 device 10 model 42 address 48 00 00 size 00 1D 10, checksum 0B ok"},
      // Not a data set: another command, or too short for an address and data.
      {"F0 41 10 42 13 01 02 F7", "SysEx Roland (41), 8 bytes: F0 41 10 42 13 01 02 F7"},
      {"F0 41 10 42 12 40 00 41 F7", "SysEx Roland (41), 9 bytes: F0 41 10 42 12 40 00 41 F7"},
      {"F0 7E 7F 09 01 F7",
       "SysEx Universal Non-Real Time (7E), 6 bytes: F0 7E 7F 09 01 F7; device 7F, GM System On"},
      {"F0 7E 10 06 01 F7",
       "SysEx Universal Non-Real Time (7E), 6 bytes: F0 7E 10 06 01 F7; device 10, Identity Request"},
      {"F0 7F 7F 04 01 00 70 F7",
       "SysEx Universal Real Time (7F), 8 bytes: F0 7F 7F 04 01 00 70 F7; device 7F, Master Volume"},
      {"F0 7F 00 03 05 F7", "SysEx Universal Real Time (7F), 6 bytes: F0 7F 00 03 05 F7; device 00, sub-IDs 03 05"},
      {"F0 43 10 4C 00 00 7E 00 F7", "SysEx Yamaha (43), 9 bytes: F0 43 10 4C 00 00 7E 00 F7"},
      {"F0 00 20 29 02 F7", "SysEx Novation (00 20 29), 6 bytes: F0 00 20 29 02 F7"},
      {"F0 00 20 7A 02 F7", "SysEx manufacturer 00 20 7A, 6 bytes: F0 00 20 7A 02 F7"},
      {"F0 5F 01 F7", "SysEx manufacturer 5F, 4 bytes: F0 5F 01 F7"},
      {"F0 00 20", "SysEx, 3 bytes: F0 00 20; no F7 at the end"},
      {"F0 F7", "SysEx, 2 bytes: F0 F7"},
      {"F0 41 10 42", "SysEx Roland (41), 4 bytes: F0 41 10 42; no F7 at the end"},
      {"F0 41 10 42 12 40 00 7F 00 41 00 F7 00 F7",
       "SysEx Roland (41), 14 bytes: F0 41 10 42 12 40 00 7F 00 41 00 F7 00 F7; "
       "DT1 device 10 model 42 address 40 00 7F, 4 data bytes, checksum 00 wrong (09 expected)"},
      {"F0 43 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E F7",
       "SysEx Yamaha (43), 18 bytes: F0 43 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D ..."},
      {"F3 01", "Escape, 2 bytes: F3 01"},
      {"", "Escape, 0 bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(summaryOf(unhex(c.hex)), c.text) << c.hex;
}

// A data set far longer than the head the summary keeps: the checksum still
// covers every byte, and only the head is held.
TEST(MessageSummary, LongDataSetsAreCheckedWhole) {
  for (std::size_t dataBytes : {std::size_t{20}, std::size_t{100000}}) {
    std::string message = unhex("F0 41 10 42 12 40 00 00");
    std::string covered = unhex("40 00 00");
    for (std::size_t i = 0; i < dataBytes; ++i) {
      char b = static_cast<char>((i * 37) & 0x7F);
      message += b;
      covered += b;
    }
    std::uint8_t good =
        vorn::csum7(std::span(reinterpret_cast<const std::uint8_t*>(covered.data()), covered.size()));
    for (std::uint8_t checksum : {good, static_cast<std::uint8_t>((good + 1) & 0x7F)}) {
      SCOPED_TRACE(std::to_string(dataBytes) + " data bytes, checksum " + std::to_string(checksum));
      sysex::MessageSummary summary;
      std::string whole = message + static_cast<char>(checksum) + "\xF7";
      // In pieces, as a reader hands them over.
      for (std::size_t at = 0; at < whole.size(); at += 4096) {
        std::string piece = whole.substr(at, 4096);
        summary.add(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
      }
      std::optional<sysex::RolandMessage> roland = summary.roland();
      ASSERT_TRUE(roland);
      EXPECT_EQ(roland->dataBytes, dataBytes);
      EXPECT_EQ(roland->expected, good);
      EXPECT_EQ(roland->checksum, checksum);
      std::string text = summary.text();
      EXPECT_NE(text.find(std::to_string(whole.size()) + " bytes: F0 41 10 42 12 40 00 00"), std::string::npos);
      EXPECT_NE(text.find(checksum == good ? " ok" : " wrong"), std::string::npos) << text;
    }
  }
}

TEST(SysExFileDump, FilesAsText) {
  struct Case {
    const char* name;
    std::string input;
    std::string text;
    std::optional<sysex::DumpFault> fault;
  };
  const Case cases[] = {
      {"two messages and stray bytes before, between and after them",
       "ab" + unhex("F0 7E 7F 09 01 F7 80 F0 41 10 42 12 40 00 7F 00 40 F7") + "\n",
       "         0  2 bytes outside messages\n"
       "         2  SysEx Universal Non-Real Time (7E), 6 bytes: F0 7E 7F 09 01 F7; device 7F, GM System On\n"
       "         8  1 byte outside messages\n"
       "         9  SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 40 F7; DT1 device 10 model 42 address "
       "40 00 7F, 1 data byte, checksum 40 wrong (41 expected)\n"
       "        20  1 byte outside messages\n",
       std::nullopt},
      {"a status byte inside a message", unhex("F0 43 10 F0 43 F7"),
       "         0  SysEx Yamaha (43), 3 bytes: F0 43 10; no F7 at the end\n",
       sysex::DumpFault{"status byte F0 inside the message that starts at byte offset 0", 3}},
      {"the input ends inside a message", unhex("F0 7E 7F F7 F0 41"),
       "         0  SysEx Universal Non-Real Time (7E), 4 bytes: F0 7E 7F F7\n"
       "         4  SysEx Roland (41), 2 bytes: F0 41; no F7 at the end\n",
       sysex::DumpFault{"the input ends inside the message that starts at byte offset 4, before its F7", 6}},
      {"nothing", "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vorn::ByteInput in;
    in.openMemory(c.input);
    vorn::ByteOutput out;
    out.openMemory();
    std::optional<sysex::DumpFault> fault = sysex::dumpSysExFile(in, out);
    out.flush();
    EXPECT_EQ(out.memoryBytes(), c.text);
    ASSERT_EQ(fault.has_value(), c.fault.has_value());
    if (fault) {
      EXPECT_EQ(fault->text, c.fault->text);
      EXPECT_EQ(fault->offset, c.fault->offset);
    }
  }
}

}  // namespace
