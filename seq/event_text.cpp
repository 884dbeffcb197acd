#include "seq/event_text.h"

#include <cstdio>

#include "vornlib/shown_bytes.h"

namespace seq {
namespace {

constexpr int kPitchBendCentre = 8192;

// The length of the UTF-8 sequence at the head of `bytes` when it is well
// formed and more than one byte long (no overlong form, no surrogate), else 0.
std::size_t utf8SequenceLength(std::span<const std::uint8_t> bytes) {
  std::uint8_t lead = bytes[0];
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  if (lead >= 0xE0 && lead <= 0xEF) length = 3;
  if (lead >= 0xF0 && lead <= 0xF4) length = 4;
  if (length == 0 || bytes.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  std::uint8_t second = bytes[1];
  if (lead == 0xE0 && second < 0xA0) return 0;   // overlong
  if (lead == 0xED && second >= 0xA0) return 0;  // a surrogate
  if (lead == 0xF0 && second < 0x90) return 0;   // overlong
  if (lead == 0xF4 && second >= 0x90) return 0;  // beyond U+10FFFF
  return length;
}

}  // namespace

std::string noteName(std::uint8_t key) {
  static constexpr const char* kNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(kNames[key % 12]) + std::to_string(key / 12 - 1);
}

std::string channelMessageText(std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  std::string value = std::to_string(second);
  switch (status & 0xF0) {
    case 0x80: return "Note Off " + noteName(first) + " " + value;
    case 0x90: return "Note On " + noteName(first) + " " + value;
    case 0xA0: return "Poly Pressure " + noteName(first) + " " + value;
    case 0xB0: return "Control Change " + std::to_string(first) + " = " + value;
    case 0xC0: return "Program Change " + std::to_string(first);
    case 0xD0: return "Channel Pressure " + std::to_string(first);
    default: {
      int bend = (second << 7 | first) - kPitchBendCentre;
      return "Pitch Bend " + std::string(bend > 0 ? "+" : "") + std::to_string(bend);
    }
  }
}

std::string systemMessageText(std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  switch (status) {
    case 0xF1: return "MTC Quarter Frame " + vorn::hexByte(first);
    case 0xF2: return "Song Position " + std::to_string(second << 7 | first);
    case 0xF3: return "Song Select " + std::to_string(first);
    case 0xF6: return "Tune Request";
    case 0xFA: return "Start";
    case 0xFB: return "Continue";
    case 0xFC: return "Stop";
    case 0xFE: return "Active Sensing";
    default: return "System " + vorn::hexByte(status) + " " + vorn::hexByte(first) + " " + vorn::hexByte(second);
  }
}

std::string tempoText(std::uint16_t centiBeatsPerMinute) {
  char text[32];
  std::snprintf(text, sizeof text, "Tempo %u.%02u", centiBeatsPerMinute / 100u, centiBeatsPerMinute % 100u);
  return text;
}

std::string quotedText(std::span<const std::uint8_t> bytes) {
  std::string text = "\"";
  while (!bytes.empty()) {
    std::uint8_t b = bytes[0];
    std::size_t length = b >= 0x80 ? utf8SequenceLength(bytes) : 1;
    if (length > 1) {
      text.append(reinterpret_cast<const char*>(bytes.data()), length);
    } else if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      text += static_cast<char>(b);
      length = 1;
    } else {
      text += "\\x" + vorn::hexByte(b);
      length = 1;
    }
    bytes = bytes.subspan(length);
  }
  return text + "\"";
}

}  // namespace seq
