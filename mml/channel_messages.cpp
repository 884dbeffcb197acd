// Tempo, key pressure, pitch bend, control change, program change with bank
// select, channel pressure, and the ramps of the four continuous ones.
#include <algorithm>
#include <cmath>

#include "mml/compiler.h"

namespace mml {
namespace {

// The largest tempo whose BPM x 100 fits the 16-bit tempo record.
constexpr std::uint32_t kMaxTempo = 655;
constexpr std::int32_t kBendLow = -8192;
constexpr std::int32_t kBendHigh = 8191;

std::int32_t clampRange(std::int64_t value, std::int32_t low, std::int32_t high) {
  return static_cast<std::int32_t>(value < low ? low : value > high ? high : value);
}

std::uint8_t channelStatus(std::uint8_t kind, const VoiceContext& voice) {
  return static_cast<std::uint8_t>(kind | (voice.channel & 0x0F));
}

std::uint8_t dataByte(std::int32_t value) { return static_cast<std::uint8_t>(value); }

}  // namespace

void Compiler::commandTempo(VoiceContext& voice) {
  Number tempo = readNumber();
  auto bpm = static_cast<std::uint32_t>(tempo.value);
  if (bpm == 0 || bpm > kMaxTempo) reader_.syntaxErrorAt("値が不正です。", tempo.at);
  checkRoom();
  store_.addTempo(add32(voice.time, voice.offset), static_cast<std::uint16_t>(bpm));
}

void Compiler::commandKeyPressure(VoiceContext& voice) {
  reader_.skipBlanks();
  bool ramp = reader_.tryChar('#');
  std::int32_t note = readKeyNote();
  requireComma();
  auto status = channelStatus(0xA0, voice);
  if (!ramp) {
    std::int32_t value = clampUnsigned(readNumber().value, 127);
    addEvent(add32(voice.time, voice.offset), status, dataByte(note), dataByte(value));
    return;
  }
  std::int32_t from = std::min(readNumber().value, 127);
  requireComma();
  std::int32_t to = std::min(readNumber().value, 127);
  addRamp(voice, from, to, readRampTiming(), 0, 127, [&](std::int32_t time, std::int32_t value) {
    addEvent(time, status, dataByte(note), dataByte(value));
  });
}

void Compiler::commandPitchBend(VoiceContext& voice) {
  reader_.skipBlanks();
  if (!reader_.tryChar('#')) {
    addPitchBend(voice, add32(voice.time, voice.offset), clampRange(optionalSignedNumber(0), kBendLow, kBendHigh));
    return;
  }
  std::int32_t from = clampRange(readSignedNumber().value, kBendLow, kBendHigh);
  requireComma();
  std::int32_t to = clampRange(readSignedNumber().value, kBendLow, kBendHigh);
  addRamp(voice, from, to, readRampTiming(), kBendLow, kBendHigh,
          [&](std::int32_t time, std::int32_t value) { addPitchBend(voice, time, value); });
}

void Compiler::addPitchBend(const VoiceContext& voice, std::int32_t time, std::int32_t value) {
  std::int32_t raw = value + 8192;  // 0..16383, 14 bits, low 7 first
  addEvent(time, channelStatus(0xE0, voice), dataByte(raw & 0x7F), dataByte((raw >> 7) & 0x7F));
}

void Compiler::commandControl(VoiceContext& voice) {
  reader_.skipBlanks();
  auto status = channelStatus(0xB0, voice);
  if (!reader_.tryChar('#')) {
    std::int32_t value = readNumber().value;
    reader_.skipBlanks();
    if (reader_.tryChar(',')) {
      voice.controller = clampUnsigned(value, 127);
      value = readNumber().value;
    }
    addEvent(add32(voice.time, voice.offset), status, dataByte(voice.controller), dataByte(clampUnsigned(value, 127)));
    return;
  }
  voice.controller = clampUnsigned(readNumber().value, 127);
  requireComma();
  std::int32_t from = std::min(readNumber().value, 127);
  requireComma();
  std::int32_t to = std::min(readNumber().value, 127);
  std::uint8_t controller = dataByte(voice.controller);
  addRamp(voice, from, to, readRampTiming(), 0, 127, [&](std::int32_t time, std::int32_t value) {
    addEvent(time, status, controller, dataByte(value));
  });
}

void Compiler::commandProgram(VoiceContext& voice) {
  // S p, S bank,p or S bank,lsb,p; the commas must follow the numbers directly.
  std::int32_t values[3];
  int count = 0;
  do values[count++] = clampUnsigned(readNumber().value, 127);
  while (count < 3 && reader_.tryChar(','));

  std::int32_t time = add32(voice.time, voice.offset);
  auto delay = static_cast<std::int32_t>(settings_.bankDelay);
  auto control = channelStatus(0xB0, voice);
  if (count >= 2) addEvent(time, control, 0, dataByte(values[0]));
  if (count == 3) addEvent(add32(time, delay), control, 32, dataByte(values[1]));
  addEvent(add32(time, mul32(delay, count - 1)), channelStatus(0xC0, voice), dataByte(values[count - 1]), 0);
}

void Compiler::commandPressure(VoiceContext& voice) {
  reader_.skipBlanks();
  auto status = channelStatus(0xD0, voice);
  if (!reader_.tryChar('#')) {
    addEvent(add32(voice.time, voice.offset), status, dataByte(clampUnsigned(optionalNumber(0), 127)), 0);
    return;
  }
  std::int32_t from = std::min(readNumber().value, 127);
  requireComma();
  std::int32_t to = std::min(readNumber().value, 127);
  addRamp(voice, from, to, readRampTiming(), 0, 127,
          [&](std::int32_t time, std::int32_t value) { addEvent(time, status, dataByte(value), 0); });
}

std::int32_t Compiler::readKeyNote() {
  reader_.skipBlanks();
  if (!startsUnsigned(reader_.peekChar())) return readNoteLiteral();
  Number note = readNumber();
  if (static_cast<std::uint32_t>(note.value) > 127) reader_.syntaxErrorAt("値が不正です。", note.at);
  return note.value;
}

void Compiler::requireComma() {
  reader_.skipBlanks();
  reader_.expectChar(',');
}

Compiler::RampTiming Compiler::readRampTiming() {
  requireComma();
  RampTiming timing{readNumber().value, 1, 0};
  reader_.skipBlanks();
  if (reader_.tryChar(',')) {
    timing.steps = readNumber().value;
    reader_.skipBlanks();
    if (reader_.tryChar(',')) timing.start = readSignedNumber().value;
  }
  if (timing.duration < 1) timing.duration = 1;
  if (timing.steps < 1) timing.steps = 1;
  return timing;
}

template <typename Record>
void Compiler::addRamp(const VoiceContext& voice, std::int32_t from, std::int32_t to, const RampTiming& timing,
                       std::int32_t low, std::int32_t high, Record record) {
  // steps + 1 messages from `from` at the start to `to` after the duration;
  // the voice's time does not move.
  double base = static_cast<double>(voice.time) + timing.start;
  for (std::int64_t i = 0; i <= timing.steps; ++i) {
    if ((i & 0xFFFF) == 0xFFFF) stopOnBreak();
    double x = static_cast<double>(i) / timing.steps;
    auto time = wrap32(static_cast<std::int64_t>(std::trunc(base + x * timing.duration)));
    auto value = static_cast<std::int64_t>(std::trunc((1 - x) * from + x * to));
    record(add32(time, voice.offset), clampRange(value, low, high));
  }
}

}  // namespace mml
