// System Exclusive data: ‹=41 10 42 12 / 40 00 7F 00 R;›, with the three
// checksum operators, "&" decimal bytes and "(" expression bytes.
#include "mml/compiler.h"
#include "vornlib/checksum7.h"
#include "vornlib/jchr.h"

namespace mml {

void Compiler::commandSysex(VoiceContext& voice) {
  // Plain data is 7-bit and gets its F7; "!" (F0) and "#" (F7) take bytes as written.
  std::uint8_t status = kStatusSysex;
  std::uint32_t mask = 0x7F;
  bool terminate = true;
  if (reader_.tryChar('!')) {
    mask = 0xFF;
    terminate = false;
  } else if (reader_.tryChar('#')) {
    status = kStatusSysexRaw;
    mask = 0xFF;
    terminate = false;
  }
  std::int32_t time = add32(voice.time, voice.offset);
  checkRoom();
  if (store_.eventHeap.size() + 4 > settings_.maxSysexBytes) reader_.syntaxError("SysExデータが多すぎます。");
  std::uint32_t data = store_.beginSysexData();
  std::uint8_t sum = 0;  // the running sum the checksums are made from
  do {
    reader_.skipBlanks();
    switch (vorn::_JchrUpper(reader_.readChar())) {
      case ch('&'): putSysexByte(static_cast<std::uint32_t>(readNumber().value) & mask, sum); break;
      case ch('('): sysexExpression(sum); break;
      case ch('R'):
        putSysexByte(vorn::csum7(sum), sum);
        sum = 0;
        break;
      case ch('Y'):
        putSysexByte(vorn::sum7(sum), sum);
        sum = 0;
        break;
      case ch('K'):
        // Seven bits like the other two, so that it is a data byte and
        // agrees with the selection language's KSUM7.
        putSysexByte(vorn::ksum7(sum), sum);
        sum = 0;
        break;
      case ch('/'):
        if (!skipComment()) sum = 0;  // the checksum starts over
        break;
      default:
        reader_.ungetChar();
        putSysexByte(static_cast<std::uint32_t>(readHex()) & mask, sum);
        break;
    }
  } while (!reader_.tryChar(';'));
  if (terminate) putSysexByte(0xF7, sum);
  store_.finishSysex(time, status, data);
}

void Compiler::putSysexByte(std::uint32_t byte, std::uint8_t& sum) {
  if (store_.eventHeap.size() >= settings_.maxSysexBytes) reader_.syntaxError("SysExデータが多すぎます。");
  store_.eventHeap.putByte(static_cast<std::uint8_t>(byte));
  sum = static_cast<std::uint8_t>(sum + byte);
}

}  // namespace mml
