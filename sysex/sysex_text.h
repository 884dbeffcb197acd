#pragma once
// A System Exclusive message in words, for dumps: its manufacturer, its
// length, its first bytes and, for a Roland data set or request, the model,
// the address and whether the checksum holds.
//
//   sysex::MessageSummary summary;
//   summary.add(0xF0);
//   summary.add(body);             // as the message arrives, in pieces
//   line += summary.text();        // "SysEx Roland (41), 11 bytes: F0 41 ..."
//
// The summary keeps only the message's head and a running sum, so a message
// of any length is described in constant memory.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vornlib/midi_status.h"

namespace sysex {

// The manufacturer a message's ID names: one byte, or three when the first
// is 00 (00 20 29). Empty when the ID is not one of the known ones.
std::string_view manufacturerName(std::span<const std::uint8_t> id);

// A Roland data set (DT1, 12) or data request (RQ1, 11) taken apart:
//   F0 41 dev model... cmd address... data... sum F7
// The model ID is any run of 00 bytes and the byte after them (42, 00 00 64).
struct RolandMessage {
  std::uint8_t device = 0;
  std::uint8_t command = 0;           // 0x12 or 0x11
  std::span<const std::uint8_t> model;
  std::span<const std::uint8_t> address;
  std::span<const std::uint8_t> size;  // RQ1 only
  std::uint64_t dataBytes = 0;         // DT1 only
  std::uint8_t checksum = 0;
  std::uint8_t expected = 0;  // the complement sum the covered bytes ask for
};

class MessageSummary {
 public:
  // Bytes shown of a message; the head kept is longer, for the Roland fields.
  static constexpr std::size_t kShownBytes = 16;
  static constexpr std::size_t kKeptBytes = 32;

  void reset() { *this = MessageSummary(); }
  void add(std::uint8_t b);
  void add(std::span<const std::uint8_t> bytes);

  std::uint64_t length() const { return length_; }
  // "SysEx Roland (41), 11 bytes: F0 41 10 42 12 40 00 7F 00 41 F7; DT1 ..."
  // for a message that starts with F0; "Escape, 3 bytes: F3 01 02" for any
  // other run of bytes (an SMF F7 event).
  std::string text() const;
  // The message as a Roland data set or request, when it is one.
  std::optional<RolandMessage> roland() const;

 private:
  std::span<const std::uint8_t> head() const { return {head_.data(), kept_}; }
  bool endsWithF7() const { return length_ >= 2 && last_ == vorn::kSysExEnd; }
  std::string shownBytes() const;
  std::string sender() const;
  std::string details() const;

  std::array<std::uint8_t, kKeptBytes> head_{};
  std::size_t kept_ = 0;
  std::uint64_t length_ = 0;
  std::uint8_t sum_ = 0;  // of every byte, modulo 256
  std::uint8_t last_ = 0;
  std::uint8_t beforeLast_ = 0;
};

// "Roland DT1 device 10 model 42 address 40 00 7F, 1 data byte, checksum 41 ok".
std::string rolandText(const RolandMessage& message);

}  // namespace sysex
