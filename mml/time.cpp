// Moving a voice: channel, offset, set time, measures, bar lines and
// parallel blocks.
#include "mml/compiler.h"

#include <string>

namespace mml {

void Compiler::commandChannel(VoiceContext& voice) {
  Number channel = readNumber();
  // Negative (from an expression) is as wrong as above 15.
  if (static_cast<std::uint32_t>(channel.value) > 15) reader_.syntaxErrorAt("値が不正です。", channel.at);
  flushTie(voice);  // the tied note belongs to the old channel
  voice.channel = channel.value;
}

void Compiler::commandOffset(VoiceContext& voice) { voice.offset = optionalSignedNumber(0); }

void Compiler::commandSetTime(VoiceContext& voice) {
  flushTie(voice);
  std::int32_t time;
  if (startsSigned(reader_.peekChar())) {
    time = readSignedNumber().value;
  } else if (reader_.tryChar('#')) {
    time = readMarkReference();
  } else {
    time = voice.mark;
  }
  moveTo(voice, time);
}

void Compiler::commandMeasure(VoiceContext& voice) {
  Number measure = readSignedNumber();
  std::int32_t time;
  if (reader_.tryChar(',')) {
    if (measure.value < 0) reader_.syntaxErrorAt("値が不正です。", measure.at);
    time = mul32(measure.value, readSignedNumber().value);
  } else {
    time = mul32(voice.measureLength, measure.value);
  }
  flushTie(voice);
  moveTo(voice, time);
}

void Compiler::commandBar(VoiceContext& voice) {
  const std::size_t bar = reader_.lastPosition();
  flushTie(voice);
  std::int32_t length = voice.measureLength;
  if (startsUnsigned(reader_.peekChar())) {
    Number n = readNumber();
    if (n.value <= 0) reader_.syntaxErrorAt("値が不正です。", n.at);
    length = n.value;
  }
  const std::int32_t next = add32(voice.measureTop, length);
  // Written lengths stick, so one long note overruns the bar unnoticed; the
  // bar line still wins, as it always has.
  if (voice.time > next) {
    const std::int64_t over = std::int64_t{voice.time} - next;
    const std::string ticks = std::to_string(over) + (over == 1 ? " tick" : " ticks");
    warn(reader_.sourcePosition(bar),
         "warning: overfull measure: the voice is " + ticks + " past this bar line and moves back to it");
  }
  moveTo(voice, next);
}

void Compiler::moveTo(VoiceContext& voice, std::int32_t time) {
  voice.time = time;
  voice.measureTop = time;
}

void Compiler::parseParallel(VoiceContext& voice) {
  std::size_t opened = reader_.lastPosition();
  parseBlock(voice.channel, add32(voice.time, voice.offset));
  reader_.skipBlanks();
  reader_.expectCloser(')', opened);
}

}  // namespace mml
