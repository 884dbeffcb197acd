#include "sysex/sysex_text.h"

#include <algorithm>

#include "vornlib/checksum7.h"
#include "vornlib/midi_status.h"
#include "vornlib/shown_bytes.h"

namespace sysex {
namespace {

using vorn::kSysExEnd;
using vorn::kSysExStart;
constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kDataSet = 0x12;
constexpr std::uint8_t kDataRequest = 0x11;
constexpr std::uint8_t kNonRealTime = 0x7E;
constexpr std::uint8_t kRealTime = 0x7F;

struct Maker {
  std::uint32_t id;  // one byte, or 00 xx xx as three
  std::string_view name;
};

// The IDs most often met in SysEx files, from the published ID list.
constexpr Maker kMakers[] = {
    {0x01, "Sequential"},      {0x04, "Moog"},
    {0x06, "Lexicon"},         {0x07, "Kurzweil"},
    {0x0F, "Ensoniq"},         {0x10, "Oberheim"},
    {0x18, "E-mu"},            {0x1C, "Eventide"},
    {0x33, "Clavia"},          {0x3E, "Waldorf"},
    {0x40, "Kawai"},           {0x41, "Roland"},
    {0x42, "Korg"},            {0x43, "Yamaha"},
    {0x44, "Casio"},           {0x47, "Akai"},
    {0x7D, "Non-Commercial"},  {0x7E, "Universal Non-Real Time"},
    {0x7F, "Universal Real Time"},
    {0x00000E, "Alesis"},      {0x002029, "Novation"},
    {0x002032, "Behringer"},   {0x002033, "Access"},
    {0x00203C, "Elektron"},    {0x00206B, "Arturia"},
    {0x002109, "Native Instruments"},
};

struct UniversalKind {
  std::uint8_t universal;  // 7E or 7F
  std::uint8_t sub1;
  std::uint8_t sub2;
  std::string_view name;
};

constexpr UniversalKind kUniversalKinds[] = {
    {kNonRealTime, 0x06, 0x01, "Identity Request"}, {kNonRealTime, 0x06, 0x02, "Identity Reply"},
    {kNonRealTime, 0x09, 0x01, "GM System On"},     {kNonRealTime, 0x09, 0x02, "GM System Off"},
    {kNonRealTime, 0x09, 0x03, "GM2 System On"},    {kRealTime, 0x04, 0x01, "Master Volume"},
    {kRealTime, 0x04, 0x02, "Master Balance"},
};

// Single-byte models whose data sets carry four address bytes (the JV-880,
// JD-990 and JV-1080 families); the other single-byte models (GS, MT-32,
// the sound modules of their time) carry three.
constexpr std::uint8_t kFourByteAddressModels[] = {0x46, 0x57, 0x6A};

std::string counted(std::uint64_t n, std::string_view what) {
  return std::to_string(n) + " " + std::string(what) + (n == 1 ? "" : "s");
}

std::size_t addressLength(std::span<const std::uint8_t> model) {
  if (model.size() > 1) return 4;
  return std::find(std::begin(kFourByteAddressModels), std::end(kFourByteAddressModels), model[0]) !=
                 std::end(kFourByteAddressModels)
             ? 4
             : 3;
}

}  // namespace

std::string_view manufacturerName(std::span<const std::uint8_t> id) {
  if (id.empty() || (id[0] == 0 && id.size() != 3) || (id[0] != 0 && id.size() != 1)) return {};
  std::uint32_t key = id[0] == 0 ? (std::uint32_t{id[1]} << 8 | id[2]) : id[0];
  for (const Maker& maker : kMakers) {
    if (maker.id == key) return maker.name;
  }
  return {};
}

void MessageSummary::add(std::uint8_t b) {
  if (kept_ < head_.size()) head_[kept_++] = b;
  ++length_;
  sum_ = static_cast<std::uint8_t>(sum_ + b);
  beforeLast_ = last_;
  last_ = b;
}

void MessageSummary::add(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2) {
    for (std::uint8_t b : bytes) add(b);
    return;
  }
  std::size_t kept = std::min(bytes.size(), head_.size() - kept_);
  std::copy_n(bytes.begin(), kept, head_.begin() + static_cast<std::ptrdiff_t>(kept_));
  kept_ += kept;
  length_ += bytes.size();
  sum_ = vorn::runningSum(bytes, sum_);
  beforeLast_ = bytes[bytes.size() - 2];
  last_ = bytes.back();
}

std::optional<RolandMessage> MessageSummary::roland() const {
  std::span<const std::uint8_t> bytes = head();
  if (!endsWithF7() || bytes.size() < 4 || bytes[0] != kSysExStart || bytes[1] != kRoland) return std::nullopt;
  RolandMessage message;
  message.device = bytes[2];
  // The model: 00 bytes run on to the first other byte.
  std::size_t at = 3;
  while (at < bytes.size() && bytes[at] == 0) ++at;
  if (at + 1 >= bytes.size()) return std::nullopt;
  message.model = bytes.subspan(3, at + 1 - 3);
  std::size_t command = at + 1;
  message.command = bytes[command];
  if (message.command != kDataSet && message.command != kDataRequest) return std::nullopt;

  // What lies between the command and the checksum.
  std::uint64_t body = length_ - command - 1;
  if (length_ < command + 3) return std::nullopt;
  body -= 2;
  std::size_t address = addressLength(message.model);
  if (message.command == kDataRequest) {
    // A request holds an address and a size of the same length.
    if (body == 6 || body == 8) address = static_cast<std::size_t>(body / 2);
    if (body != 2 * address) return std::nullopt;
  } else if (body < address + 1) {
    return std::nullopt;
  }
  std::size_t fieldsEnd = command + 1 + (message.command == kDataRequest ? 2 * address : address);
  if (fieldsEnd > bytes.size()) return std::nullopt;
  message.address = bytes.subspan(command + 1, address);
  if (message.command == kDataRequest) {
    message.size = bytes.subspan(command + 1 + address, address);
  } else {
    message.dataBytes = body - address;
  }
  // The checksum covers everything after the command up to itself.
  message.checksum = beforeLast_;
  std::uint8_t before = vorn::runningSum(bytes.first(command + 1));
  std::uint8_t covered = static_cast<std::uint8_t>(sum_ - before - message.checksum - kSysExEnd);
  message.expected = vorn::csum7(covered);
  return message;
}

std::string rolandText(const RolandMessage& message) {
  std::string text = message.command == kDataSet ? "DT1" : "RQ1";
  text += " device " + vorn::hexByte(message.device) + " model " + vorn::hexBytes(message.model) + " address " +
          vorn::hexBytes(message.address);
  if (message.command == kDataSet) {
    text += ", " + counted(message.dataBytes, "data byte");
  } else {
    text += " size " + vorn::hexBytes(message.size);
  }
  text += ", checksum " + vorn::hexByte(message.checksum);
  if (message.checksum == message.expected) return text + " ok";
  return text + " wrong (" + vorn::hexByte(message.expected) + " expected)";
}

std::string MessageSummary::shownBytes() const {
  std::string text = vorn::hexBytes(head().first(std::min(kept_, kShownBytes)));
  if (length_ > kShownBytes) text += " ...";
  return text;
}

std::string MessageSummary::sender() const {
  std::span<const std::uint8_t> bytes = head();
  // F0 F7, or a message cut before its ID: no one to name.
  if (bytes.size() < 2 || bytes[1] >= 0x80) return "";
  std::span<const std::uint8_t> id = bytes.subspan(1, 1);
  if (bytes[1] == 0) {
    if (bytes.size() < 4) return "";
    id = bytes.subspan(1, 3);
  }
  std::string_view name = manufacturerName(id);
  if (name.empty()) return " manufacturer " + vorn::hexBytes(id);
  return " " + std::string(name) + " (" + vorn::hexBytes(id) + ")";
}

std::string MessageSummary::details() const {
  if (!endsWithF7()) return "; no F7 at the end";
  if (std::optional<RolandMessage> message = roland()) return "; " + rolandText(*message);
  std::span<const std::uint8_t> bytes = head();
  if (bytes.size() >= 6 && (bytes[1] == kNonRealTime || bytes[1] == kRealTime)) {
    std::string text = "; device " + vorn::hexByte(bytes[2]) + ", ";
    for (const UniversalKind& kind : kUniversalKinds) {
      if (kind.universal == bytes[1] && kind.sub1 == bytes[3] && kind.sub2 == bytes[4]) {
        return text + std::string(kind.name);
      }
    }
    return text + "sub-IDs " + vorn::hexBytes(bytes.subspan(3, 2));
  }
  return "";
}

std::string MessageSummary::text() const {
  std::string size = counted(length_, "byte");
  if (length_ == 0) return "Escape, " + size;
  if (head_[0] != kSysExStart) return "Escape, " + size + ": " + shownBytes();
  return "SysEx" + sender() + ", " + size + ": " + shownBytes() + details();
}

}  // namespace sysex
