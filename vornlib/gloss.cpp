#include "vornlib/gloss.h"

#include <array>

namespace vorn {
namespace {

constexpr std::string_view kMissingTail = ">がない。";

constexpr std::array kGlosses{
    // The MML compiler.
    Gloss{"16進数がない", "hexadecimal number expected"},
    Gloss{"数字がない", "number expected"},
    Gloss{"音名がない", "note name expected"},
    Gloss{"数値が大きすぎます。", "number too large"},
    Gloss{"値が不正です。", "value out of range"},
    Gloss{"コメントが正しくない", "malformed comment"},
    Gloss{"不正なトラック指定", "malformed track selection"},
    Gloss{"不正なマクロ名。", "malformed macro name"},
    Gloss{"マクロ名は登録済", "macro already defined"},
    Gloss{"指定のマクロ名は存在しない", "no macro of that name"},
    Gloss{"マーク名は登録済", "mark already defined"},
    Gloss{"指定のマークは存在しない", "no mark of that name"},
    Gloss{"KELEXPR式の誤り", "error in expression"},
    Gloss{"式がエラー", "expression failed"},
    Gloss{"式展開の誤り", "malformed expansion"},
    Gloss{"式が多すぎます。", "too many expressions"},
    Gloss{"展開が多すぎます。", "expansion too large"},
    Gloss{"ネストが深すぎます。", "nested too deeply"},
    Gloss{"イベントが多すぎます。", "too many events"},
    Gloss{"SysExデータが多すぎます。", "too much SysEx data"},
    // The SysEx file tools and the receiver.
    Gloss{"パス解析エラー", "cannot make an output name from this path"},
    Gloss{"時間が長すぎる", "time too long for a Standard MIDI File"},
    Gloss{"メモリーが足りない", "out of memory"},
    Gloss{"メモリが足りません", "out of memory"},
    Gloss{"入力データの形式が違います", "input is not in the expected format"},
    Gloss{"MIDIオーバーフローが発生しました", "MIDI input overflow: data was lost"},
};

bool hasNonAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// The missing character of "<c>がない。" ending at `tail` in `message`, or "".
std::string_view missingCharacter(std::string_view message, std::size_t tail) {
  std::size_t open = message.rfind('<', tail);
  if (open == std::string_view::npos) return {};
  return message.substr(open + 1, tail - open - 1);
}

}  // namespace

std::span<const Gloss> glossTable() { return kGlosses; }

std::string englishGloss(std::string_view japanese) {
  for (const Gloss& gloss : kGlosses) {
    if (gloss.japanese == japanese) return std::string(gloss.english);
  }
  if (japanese.size() > kMissingTail.size() + 1 && japanese.front() == '<' && japanese.ends_with(kMissingTail)) {
    return "missing \"" + std::string(japanese.substr(1, japanese.size() - kMissingTail.size() - 1)) + "\"";
  }
  return {};
}

std::string withGloss(std::string_view message) {
  std::string result(message);
  if (!hasNonAscii(message)) return result;
  // The meaning goes right behind the first Japanese message found.
  std::size_t first = std::string_view::npos;
  std::size_t end = 0;
  std::string meaning;
  for (const Gloss& gloss : kGlosses) {
    std::size_t at = message.find(gloss.japanese);
    if (at < first) {
      first = at;
      end = at + gloss.japanese.size();
      meaning = gloss.english;
    }
  }
  std::size_t tail = message.find(kMissingTail);
  if (tail < first) {
    std::string_view missing = missingCharacter(message, tail);
    if (!missing.empty()) {
      end = tail + kMissingTail.size();
      meaning = "missing \"" + std::string(missing) + "\"";
    }
  }
  if (meaning.empty()) return result;
  std::string note = " (" + meaning + ")";
  // A message glossed once already keeps its one gloss.
  if (message.substr(end).starts_with(note)) return result;
  result.insert(end, note);
  return result;
}

}  // namespace vorn
