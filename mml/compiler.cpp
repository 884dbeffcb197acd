#include "mml/compiler.h"

#include "vornlib/console.h"
#include "vornlib/jchr.h"

namespace mml {
namespace {

// The voice that expressions and note literals see, for the life of a block.
class CurrentVoice {
 public:
  CurrentVoice(VoiceContext*& slot, VoiceContext& voice) : slot_(slot), outer_(slot) { slot_ = &voice; }
  ~CurrentVoice() { slot_ = outer_; }
  CurrentVoice(const CurrentVoice&) = delete;
  CurrentVoice& operator=(const CurrentVoice&) = delete;

 private:
  VoiceContext*& slot_;
  VoiceContext* outer_;
};

// Ctrl-C is honoured every so many commands of a long source.
constexpr unsigned kBreakInterval = 1 << 12;

}  // namespace

DepthGuard::DepthGuard(Compiler& compiler) : compiler_(compiler) {
  if (++compiler_.depth_ > compiler_.settings_.maxDepth) {
    --compiler_.depth_;
    compiler_.reader_.syntaxError("ネストが深すぎます。");
  }
}

Compiler::Compiler(const SourceText& srcBlock, CompileSettings settings, vorn::ByteOutput* listingFile)
    : reader_(srcBlock, listingFile), settings_(settings) {}

bool Compiler::compileSource() {
  try {
    compileTopLevel();
    return true;
  } catch (const SyntaxError& error) {
    failure_ = CompileFailure{error.message, error.position};
    if (vorn::ByteOutput* listing = reader_.listingFile()) {
      listing->write("←");
      listing->write(error.message);
      listing->put('\n');
    }
    return false;
  }
}

void Compiler::compileTopLevel() {
  for (;;) {
    reader_.skipBlanks();
    Code c = reader_.readChar();
    if (c == 0) return;
    if (c == ch('$')) {
      parseTrack();
    } else if (c == ch('@')) {
      notAvailableYet(c);  // macro definitions come with macros
    } else if (c == ch('/')) {
      std::size_t slash = reader_.lastPosition();
      Code next = reader_.readChar();
      if (next == ch('*')) {
        reader_.skipBlockComment();
      } else if (next == ch('/')) {
        reader_.skipLineComment();
      } else {
        reader_.syntaxErrorAt("不正なトラック指定", slash);
      }
    } else {
      reader_.syntaxError("不正なトラック指定");
    }
  }
}

void Compiler::parseTrack() {
  Number channel = readNumber();
  if (static_cast<std::uint32_t>(channel.value) > 15) reader_.syntaxErrorAt("値が不正です。", channel.at);
  reader_.skipBlanks();
  reader_.expectChar('=');
  reader_.skipBlanks();
  reader_.expectChar('{');
  parseBlock(channel.value, 0);
  reader_.skipBlanks();
  reader_.expectChar('}');
}

std::int32_t Compiler::parseBlock(std::int32_t channel, std::int32_t start) {
  DepthGuard nesting(*this);
  VoiceContext voice = VoiceContext::fresh(channel, start);
  CurrentVoice current(voice_, voice);
  parseCommands(voice);
  addEvent(voice.time, kStatusBlockEnd, 0, 0);
  flushTie(voice);
  return voice.time;
}

void Compiler::parseCommands(VoiceContext& voice) {
  for (unsigned count = 1;; ++count) {
    if (count % kBreakInterval == 0) vorn::pollBreak();
    reader_.skipBlanks();
    Code c = vorn::_JchrUpper(reader_.readChar());
    if (int semitone = semitoneOf(c); semitone >= 0) {
      commandNote(voice, semitone);
      continue;
    }
    switch (c) {
      case ch('R'): commandRest(voice); break;
      case ch('L'): commandLength(voice); break;
      case ch('W'): commandTicks(voice); break;
      case ch('['): parseChord(voice); break;
      case ch('/'): {
        std::size_t slash = reader_.lastPosition();
        Code next = reader_.readChar();
        if (next == ch('*')) {
          reader_.skipBlockComment();
        } else if (next == ch('/')) {
          reader_.skipLineComment();
        } else {
          notAvailableYet(c, slash);  // set time by measure
        }
        break;
      }
      // Time, SysEx, parallel blocks, marks, macros and the measure check
      // come with the next part of the compiler.
      case ch('='):
      case ch('('):
      case ch('*'):
      case ch('|'):
      case ch('?'):
      case ch('^'):
      case ch('@'):
        notAvailableYet(c);
      default:
        if (settingCommand(c, voice)) break;
        reader_.ungetChar();
        return;
    }
  }
}

bool Compiler::settingCommand(Code code, VoiceContext& voice) {
  switch (code) {
    case ch('<'):
      if (voice.octaveBase + 12 < 128) voice.octaveBase += 12;
      return true;
    case ch('>'):
      if (voice.octaveBase - 12 >= 0) voice.octaveBase -= 12;
      return true;
    case ch('N'): commandTranspose(voice); return true;
    case ch('O'): commandOctave(voice); return true;
    case ch('V'): commandVelocity(voice); return true;
    case ch('X'): commandGate(voice, kGateTicks, 0); return true;
    case ch('Y'): commandGate(voice, kGateCut, 96); return true;
    case ch('Z'): commandGate(voice, kGatePercent, 80); return true;
    // Channel, offset and the channel messages come with the next part of the compiler.
    case ch('H'):
    case ch('J'):
    case ch('K'):
    case ch('M'):
    case ch('P'):
    case ch('Q'):
    case ch('S'):
    case ch('T'):
      notAvailableYet(code);
    default:
      return false;
  }
}

void Compiler::notAvailableYet(Code code) { notAvailableYet(code, reader_.lastPosition()); }

void Compiler::notAvailableYet(Code code, std::size_t at) {
  std::string message = "<";
  vorn::appendJchr(message, code);
  message += ">はまだ実装されていません。";
  reader_.syntaxErrorAt(message, at);
}

void Compiler::addEvent(std::int32_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  if (store_.eventCount() >= settings_.maxEvents) reader_.syntaxError("イベントが多すぎます。");
  store_.addEvent(time, status, first, second);
}

}  // namespace mml
