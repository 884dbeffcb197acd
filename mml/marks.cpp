// Marks and the measure check: ‹^#name;› names the voice's time for any
// later block, "^" sets the voice's own unnamed mark, "?" writes into the
// listing how far the voice is into its measure.
#include "mml/compiler.h"

namespace mml {

void Compiler::commandMark(VoiceContext& voice) {
  if (!reader_.tryChar('#')) {
    voice.mark = voice.time;
    return;
  }
  reader_.skipBlanks();
  std::size_t at = reader_.readPos();
  std::string name = reader_.readName();
  if (!markTable_.emplace(std::move(name), voice.time).second) reader_.syntaxErrorAt("マーク名は登録済", at);
  reader_.skipBlanks();
  reader_.expectChar(';');
}

std::int32_t Compiler::readMarkReference() {
  reader_.skipBlanks();
  std::size_t at = reader_.readPos();
  auto found = markTable_.find(reader_.readName());
  if (found == markTable_.end()) reader_.syntaxErrorAt("指定のマークは存在しない", at);
  reader_.skipBlanks();
  reader_.expectChar(';');
  return found->second;
}

void Compiler::commandMeasureCheck(const VoiceContext& voice) {
  // Only a report: the measure top stays, so a listing never changes the music.
  if (!reader_.listingOn()) return;
  auto filled = static_cast<std::uint32_t>(sub32(voice.time, voice.measureTop));
  reader_.echo("/*== " + std::to_string(filled) + " ==*/");
}

}  // namespace mml
