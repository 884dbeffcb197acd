#include "mml/compiler.h"

#include <utility>

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

vorn::DepthGuard Compiler::enterNesting() {
  vorn::DepthGuard nesting(depth_, settings_.maxDepth);
  if (!nesting.entered()) reader_.syntaxError("ネストが深すぎます。");
  return nesting;
}

Compiler::Compiler(const SourceText& srcBlock, CompileSettings settings, vorn::ByteOutput* listingFile)
    : srcBlock_(srcBlock),
      reader_(srcBlock, listingFile),
      settings_(settings),
      session_(&host_, settings.expressionLimits) {}

bool Compiler::compileSource() {
  try {
    compileTopLevel();
    return true;
  } catch (const SyntaxError& error) {
    failure_ = CompileFailure{error.message, error.position, error.detail, error.expandedText,
                              error.expandedPosition, error.gloss, std::nullopt};
    if (openBlock_ && !srcBlock_.sameInput(*openBlock_, error.position)) failure_.openBlock = openBlock_;
    // Also when an expansion had kept its text out of the listing.
    if (vorn::ByteOutput* listing = reader_.listingFile()) {
      listing->write("←");
      listing->write(error.message);
      listing->put('\n');
    }
    return false;
  } catch (const BreakSeen&) {
    interrupted_ = true;
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
      defineMacro();
    } else if (c == ch('/')) {
      std::size_t slash = reader_.lastPosition();
      if (!skipComment()) reader_.syntaxErrorAt("不正なトラック指定", slash);
    } else {
      reader_.syntaxError("不正なトラック指定");
    }
  }
}

void Compiler::parseTrack() {
  Number channel = readNumber();
  if (static_cast<std::uint32_t>(channel.value) > 15) reader_.syntaxErrorAt("値が不正です。", channel.at);
  std::size_t opened = openBlockAfterEquals();
  parseBlock(channel.value, 0);
  reader_.skipBlanks();
  reader_.expectCloser('}', opened);
  openBlock_.reset();
}

std::size_t Compiler::openBlockAfterEquals() {
  reader_.skipBlanks();
  reader_.expectChar('=');
  reader_.skipBlanks();
  reader_.expectChar('{');
  openBlock_ = reader_.lastPosition();
  return *openBlock_;
}

std::int32_t Compiler::parseBlock(std::int32_t channel, std::int32_t start) {
  vorn::DepthGuard nesting = enterNesting();
  VoiceContext voice = VoiceContext::fresh(channel, start);
  CurrentVoice current(voice_, voice);
  parseCommands(voice);
  addEvent(voice.time, kStatusBlockEnd, 0, 0);
  flushTie(voice);
  return voice.time;
}

void Compiler::parseCommands(VoiceContext& voice) {
  for (unsigned count = 1;; ++count) {
    if (count % kBreakInterval == 0) stopOnBreak();
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
      case ch('/'):
        if (!skipComment()) commandMeasure(voice);
        break;
      case ch('='): commandSysex(voice); break;
      case ch('('): parseParallel(voice); break;
      case ch('*'): commandSetTime(voice); break;
      case ch('|'): commandBar(voice); break;
      case ch('?'): commandMeasureCheck(voice); break;
      case ch('^'): commandMark(voice); break;
      case ch('@'): {
        std::size_t at = reader_.lastPosition();
        if (reader_.tryChar('(')) {
          expandText(voice, Expression::SubBlock, at);
        } else if (reader_.tryChar('[')) {
          expandText(voice, Expression::InPlace, at);
        } else {
          callMacro(voice);
        }
        break;
      }
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
    case ch('H'): commandChannel(voice); return true;
    case ch('J'): commandOffset(voice); return true;
    case ch('K'): commandKeyPressure(voice); return true;
    case ch('M'): commandTempo(voice); return true;
    case ch('P'): commandPitchBend(voice); return true;
    case ch('Q'): commandControl(voice); return true;
    case ch('S'): commandProgram(voice); return true;
    case ch('T'): commandPressure(voice); return true;
    default: return false;
  }
}

bool Compiler::skipComment() {
  Code next = reader_.readChar();
  if (next == ch('*')) {
    reader_.skipBlockComment();
  } else if (next == ch('/')) {
    reader_.skipLineComment();
  } else {
    reader_.ungetChar();
    return false;
  }
  return true;
}

void Compiler::warn(std::size_t position, std::string text) {
  CompileWarning warning{position, std::move(text)};
  // An expansion run again and again warns once for its place.
  if (!warnings_.empty() && warnings_.back() == warning) return;
  warnings_.push_back(std::move(warning));
}

void Compiler::checkRoom() {
  if (store_.eventCount() >= settings_.maxEvents) reader_.syntaxError("イベントが多すぎます。");
}

void Compiler::addEvent(std::int32_t time, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  checkRoom();
  store_.addEvent(time, status, first, second);
}

void Compiler::addRecord(const EventRecord& record) {
  checkRoom();
  store_.addRecord(record);
}

}  // namespace mml
