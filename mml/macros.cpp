// Macros: ‹@name={...}› at the top level compiles a body once, from time 0
// on channel 0; ‹@name;›, ‹@name,n;› and ‹@#name;› copy its events into the
// calling voice.
#include "mml/compiler.h"

namespace mml {

void Compiler::defineMacro() {
  reader_.skipBlanks();
  std::size_t at = reader_.readPos();
  std::string name = reader_.readName();
  if (macroTable_.contains(name)) reader_.syntaxErrorAt("マクロ名は登録済", at);
  std::size_t opened = openBlockAfterEquals();

  bool outer = store_.definingMacro;
  store_.definingMacro = true;
  std::size_t first = store_.macroList.size();
  std::int32_t length = parseBlock(0, 0);
  store_.definingMacro = outer;

  reader_.skipBlanks();
  reader_.expectCloser('}', opened);
  openBlock_.reset();
  // Registered only now, so a body cannot call itself.
  macroTable_.emplace(std::move(name), MacroEntry{first, store_.macroList.size() - first, length});
}

void Compiler::callMacro(VoiceContext& voice) {
  bool rechannel = !reader_.tryChar('#');
  reader_.skipBlanks();
  std::size_t nameAt = reader_.readPos();
  auto found = macroTable_.find(reader_.readName());
  if (found == macroTable_.end()) reader_.syntaxErrorAt("指定のマクロ名は存在しない", nameAt);
  const MacroEntry macro = found->second;
  reader_.skipBlanks();
  std::int32_t times = reader_.tryChar(',') ? readNumber().value : 1;
  reader_.expectChar(';');
  for (std::int32_t i = 0; i < times; ++i) {
    expandMacro(macro.firstEvent, macro.eventCount, voice.time, voice.channel, rechannel);
    voice.time = add32(voice.time, macro.length);
  }
}

void Compiler::expandMacro(std::size_t first, std::size_t count, std::int32_t time, std::int32_t channel,
                           bool rechannel) {
  stopOnBreak();
  for (std::size_t i = first; i < first + count; ++i) {
    // A copy by value: a macro body that calls another macro appends to
    // the very list it copies from.
    EventRecord copy = store_.macroList[i];
    copy.time = add32(copy.time, time);
    if (rechannel && copy.status < 0xF0) {
      copy.status = static_cast<std::uint8_t>((copy.status & 0xF0) | (channel & 0x0F));
    }
    addRecord(copy);
  }
}

}  // namespace mml
