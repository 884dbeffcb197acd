// Notes, rests, ties, note lengths and the voice settings.
#include "mml/compiler.h"

namespace mml {

void Compiler::commandNote(VoiceContext& voice, std::int32_t semitone) {
  std::int32_t note = readNoteNumber(voice, semitone);
  std::int32_t length = readNoteLength(voice);
  reader_.skipBlanks();
  bool tied = reader_.tryChar('&');
  reader_.skipBlanks();
  if (reader_.tryChar(',')) commandVelocity(voice);

  if (voice.tiePending && voice.tieNote == note) {
    // The tied note goes on; without a further tie it ends with this one.
    if (!tied) {
      if (voice.tieVelocity != 0) {
        std::int32_t sounding = sub32(add32(voice.time, length), voice.tieStart);
        recordNote(voice, add32(voice.tieStart, voice.tieOffset), voice.tieNote, voice.tieVelocity,
                   gateTime(sounding, voice.tieGateMode, voice.tieGateValue));
      }
      voice.tiePending = 0;
    }
    voice.time = add32(voice.time, length);
    return;
  }

  flushTie(voice);
  if (tied) {
    voice.tiePending = 1;
    voice.tieStart = voice.time;
    voice.tieNote = note;
    voice.tieVelocity = voice.velocity;
    voice.tieGateMode = voice.gateMode;
    voice.tieGateValue = voice.gateValue;
    voice.tieOffset = voice.offset;
  } else if (voice.velocity != 0) {
    recordNote(voice, add32(voice.time, voice.offset), note, voice.velocity,
               gateTime(length, voice.gateMode, voice.gateValue));
  }
  voice.time = add32(voice.time, length);
}

void Compiler::commandRest(VoiceContext& voice) {
  std::int32_t length = readNoteLength(voice);
  flushTie(voice);
  voice.time = add32(voice.time, length);
}

std::int32_t Compiler::readNoteNumber(const VoiceContext& voice, std::int32_t semitone) {
  reader_.skipBlanks();
  Code c = reader_.readChar();
  std::int32_t accidental = 0;
  if (c == ch('#') || c == ch('+')) {
    accidental = 1;
  } else if (c == ch('-')) {
    accidental = -1;
  } else {
    reader_.ungetChar();
  }
  std::int64_t note = static_cast<std::int64_t>(semitone) + accidental + voice.octaveBase;
  if (note > 127) note -= 12;
  return foldNote(note + voice.transposition);
}

std::int32_t Compiler::readNoteLength(VoiceContext& voice) {
  reader_.skipBlanks();
  Code c = reader_.readChar();
  if (c == ch('%')) {
    // A length in ticks: it becomes the default, and takes no dots.
    voice.defaultLength = readNumber().value;
    return voice.defaultLength;
  }
  reader_.ungetChar();
  if (startsUnsigned(c)) voice.defaultLength = noteValueLength(readNumber());
  return applyDots(voice.defaultLength);
}

std::int32_t Compiler::applyDots(std::int32_t length) {
  reader_.skipBlanks();
  Code c = reader_.readChar();
  if (c == ch('.')) {
    if (reader_.tryChar('.')) return add32(add32(length, length / 4), length / 2);
    return add32(length, length / 2);
  }
  if (c == ch('\'')) return reader_.tryChar('\'') ? length / 4 : length / 2;
  reader_.ungetChar();
  return length;
}

void Compiler::commandLength(VoiceContext& voice) {
  reader_.skipBlanks();
  voice.defaultLength = startsUnsigned(reader_.peekChar()) ? noteValueLength(readNumber()) : 480;
}

void Compiler::commandTicks(VoiceContext& voice) { voice.defaultLength = optionalNumber(480); }

void Compiler::commandOctave(VoiceContext& voice) {
  reader_.skipBlanks();
  if (!startsSigned(reader_.peekChar())) {
    voice.octaveBase = 60;
    return;
  }
  std::int32_t octave = readSignedNumber().value;
  if (octave < -2) octave = -2;
  if (octave > 8) octave = 8;
  voice.octaveBase = 12 * (octave + 2);
}

void Compiler::commandTranspose(VoiceContext& voice) { voice.transposition = optionalSignedNumber(0); }

void Compiler::commandVelocity(VoiceContext& voice) { voice.velocity = clampUnsigned(optionalNumber(64), 127); }

void Compiler::commandGate(VoiceContext& voice, std::int32_t mode, std::int32_t standard) {
  voice.gateMode = mode;
  voice.gateValue = optionalNumber(standard);
}

void Compiler::flushTie(VoiceContext& voice) {
  if (voice.tiePending && voice.tieVelocity != 0) {
    recordNote(voice, add32(voice.tieStart, voice.tieOffset), voice.tieNote, voice.tieVelocity,
               gateTime(sub32(voice.time, voice.tieStart), voice.tieGateMode, voice.tieGateValue));
  }
  voice.tiePending = 0;
}

void Compiler::recordNote(const VoiceContext& voice, std::int32_t start, std::int32_t note, std::int32_t velocity,
                          std::int32_t gate) {
  auto status = static_cast<std::uint8_t>(0x90 | (voice.channel & 0x0F));
  addEvent(start, status, static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity));
  addEvent(add32(start, gate), status, static_cast<std::uint8_t>(note), 0);
}

}  // namespace mml
