// Chords and arpeggios: ‹[length,step notes]›.
#include "mml/compiler.h"

#include "vornlib/jchr.h"

namespace mml {

void Compiler::parseChord(VoiceContext& voice) {
  std::size_t opened = reader_.lastPosition();
  std::int32_t start = voice.time;
  std::int32_t chordLength = readNoteLength(voice);
  std::int32_t step = reader_.tryChar(',') ? readNumber().value : 0;
  flushTie(voice);
  for (;;) {
    reader_.skipBlanks();
    Code c = vorn::_JchrUpper(reader_.readChar());
    if (int semitone = semitoneOf(c); semitone >= 0) {
      chordNote(voice, semitone, chordLength, step);
    } else if (c == ch(']')) {
      voice.time = add32(start, chordLength);
      return;
    } else if (c == ch('/')) {
      std::size_t slash = reader_.lastPosition();
      if (!skipComment()) reader_.syntaxErrorAt("コメントが正しくない", slash);
    } else if (!settingCommand(c, voice)) {
      reader_.missingCloser(']', opened);
    }
  }
}

void Compiler::chordNote(VoiceContext& voice, std::int32_t semitone, std::int32_t chordLength, std::int32_t step) {
  std::int32_t note = readNoteNumber(voice, semitone);
  // The note's own length; it leaves the default length alone.
  reader_.skipBlanks();
  Code c = reader_.readChar();
  std::int32_t length;
  if (c == ch('%')) {
    length = readNumber().value;
  } else {
    reader_.ungetChar();
    length = startsUnsigned(c) ? noteValueLength(readNumber()) : chordLength;
  }
  reader_.skipBlanks();
  c = reader_.readChar();
  if (c == ch('.')) {
    length = add32(length, length / 2);
  } else if (c == ch('\'')) {
    length /= 2;
  } else {
    reader_.ungetChar();
  }
  reader_.skipBlanks();
  if (reader_.tryChar(',')) commandVelocity(voice);
  if (voice.velocity != 0) {
    recordNote(voice, add32(voice.time, voice.offset), note, voice.velocity,
               gateTime(length, voice.gateMode, voice.gateValue));
  }
  voice.time = add32(voice.time, step);
}

}  // namespace mml
