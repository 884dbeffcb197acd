#include "seq/event_text.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

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

// A literal at `at`; where it ends (a copy of a known size is a few stores).
template <std::size_t N>
char* put(char* at, const char (&text)[N]) {
  std::memcpy(at, text, N - 1);
  return at + N - 1;
}

// A number below 1000.
constexpr char* putSmall(char* at, unsigned n) {
  if (n >= 100) *at++ = static_cast<char>('0' + n / 100);
  if (n >= 10) *at++ = static_cast<char>('0' + n / 10 % 10);
  *at++ = static_cast<char>('0' + n % 10);
  return at;
}

constexpr char* spellNote(char* at, std::uint8_t key) {
  // Each name padded to two bytes, and its length.
  constexpr char kNames[] = "C C#D D#E F F#G G#A A#B ";
  constexpr std::uint8_t kLengths[] = {1, 2, 1, 2, 1, 1, 2, 1, 2, 1, 2, 1};
  for (int i = 0; i < kLengths[key % 12]; ++i) *at++ = kNames[2 * (key % 12) + i];
  int octave = key / 12 - 1;
  if (octave < 0) *at++ = '-';
  return putSmall(at, static_cast<unsigned>(octave < 0 ? -octave : octave));
}

// A text of at most four bytes for each byte value, copied whole: the
// bytes after the text are room the caller writes over.
struct ByteTexts {
  char text[256][4];
  std::uint8_t length[256];
};

template <typename Write>
constexpr ByteTexts byteTexts(Write write) {
  ByteTexts texts{};
  for (unsigned b = 0; b < 256; ++b) {
    char text[8] = {};
    const char* end = write(text, static_cast<std::uint8_t>(b));
    texts.length[b] = static_cast<std::uint8_t>(end - text);
    for (int i = 0; i < 4; ++i) texts.text[b][i] = text[i];
  }
  return texts;
}

char* put(char* at, const ByteTexts& texts, std::uint8_t b) {
  std::memcpy(at, texts.text[b], 4);
  return at + texts.length[b];
}

constexpr ByteTexts kNumbers = byteTexts([](char* at, std::uint8_t b) { return putSmall(at, b); });
constexpr ByteTexts kNotes = byteTexts(spellNote);

char* putNote(char* at, std::uint8_t key) { return put(at, kNotes, key); }

}  // namespace

std::string noteName(std::uint8_t key) {
  char text[8];
  return std::string(text, putNote(text, key));
}

char* writeChannelMessage(char* at, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  // A note and a value: "Note On C4 64".
  auto noteAndValue = [&](auto& name) {
    at = putNote(put(at, name), first);
    *at++ = ' ';
    return put(at, kNumbers, second);
  };
  switch (status & 0xF0) {
    case 0x80: return noteAndValue("Note Off ");
    case 0x90: return noteAndValue("Note On ");
    case 0xA0: return noteAndValue("Poly Pressure ");
    case 0xB0:
      at = put(put(at, "Control Change "), kNumbers, first);
      return put(put(at, " = "), kNumbers, second);
    case 0xC0: return put(put(at, "Program Change "), kNumbers, first);
    case 0xD0: return put(put(at, "Channel Pressure "), kNumbers, first);
    default: {
      int bend = (second << 7 | first) - kPitchBendCentre;
      at = put(at, "Pitch Bend ");
      if (bend > 0) *at++ = '+';
      return std::to_chars(at, at + 8, bend).ptr;
    }
  }
}

std::string channelMessageText(std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  char text[kChannelTextMost];
  return std::string(text, writeChannelMessage(text, status, first, second));
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
