#include "seq/foreign_input.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "vornlib/numbers.h"

namespace seq {
namespace {

// Enough for "RIFF", its length and its form, or an SMF header up to its format.
constexpr std::size_t kSniffed = 12;

enum class Found : std::uint8_t { none, smf, sysEx, wav, riff, records };

bool startsWith(std::span<const std::uint8_t> head, std::string_view text) {
  return std::string_view(reinterpret_cast<const char*>(head.data()), head.size()).starts_with(text);
}

// A status an OSTRA sequence or a DORNA stream may carry.
bool isRecordStatus(std::uint8_t status) {
  return isChannelStatus(status) || isSysExStatus(status) || status == kStatusTempo || status == kStatusFiller ||
         status == kStatusEnd;
}

Found kindOf(std::span<const std::uint8_t> head) {
  if (startsWith(head, "MThd")) return Found::smf;
  if (startsWith(head, "RIFF")) return head.size() >= 12 && startsWith(head.subspan(8), "WAVE") ? Found::wav
                                                                                               : Found::riff;
  if (head.size() >= 2 && head[0] == 0xF0 && head[1] < 0x80) return Found::sysEx;
  if (head.size() >= 2 && isRecordStatus(head[1])) return Found::records;
  return Found::none;
}

std::string_view noun(Expected expected) {
  switch (expected) {
    case Expected::ostra: return "an OSTRA sequence";
    case Expected::dorna: return "a DORNA stream";
    case Expected::smf: break;
  }
  return "a Standard MIDI File";
}

// The input's name as a shell command line takes it; nothing for standard input.
std::string shellWord(const char* name) {
  if (!name) return {};
  std::string_view word(name);
  if (word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._/+-:@%,=") ==
      std::string_view::npos) {
    return " " + std::string(word);
  }
  std::string quoted = " '";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// What to do with a Standard MIDI File of `format` instead.
std::string smfAdvice(Expected expected, std::uint16_t format, const std::string& file) {
  if (format > 1) return "; zutane converts formats 0 and 1 only";
  const std::string zutane = format == 1 ? "zutane -M" : "zutane";
  if (expected == Expected::ostra) return ": convert it with " + zutane + " first (" + zutane + file + " | fendix)";
  return ": convert it with " + zutane + " and render it with fendix first (" + zutane + file + " | fendix | teskar)";
}

std::string words(Found found, Expected expected, std::span<const std::uint8_t> head, const char* name) {
  const std::string file = shellWord(name);
  const std::string notWanted = ", not " + std::string(noun(expected));
  switch (found) {
    case Found::smf: {
      // The format field follows the chunk's length; a header cut short counts as format 0.
      const std::uint16_t format = head.size() >= 10 ? vorn::readBE16(head.data() + 8) : 0;
      const std::string which = format == 0 ? "" : " of format " + std::to_string(format);
      return "this is a Standard MIDI File" + which + notWanted + smfAdvice(expected, format, file);
    }
    case Found::sysEx:
      return "this is a SysEx file" + notWanted + ": send it to a MIDI output with droska (droska" + file +
             "), or wrap it into a Standard MIDI File with gorbel";
    case Found::wav:
      return "this is a WAV file (audio)" + notWanted + "; no zamo tool reads audio";
    case Found::riff: {
      const std::string form = head.size() >= 12 ? " of form " + quotedBytes(head.subspan(8, 4)) : "";
      return "this is a RIFF file" + form + notWanted;
    }
    case Found::records:
      return "this looks like an OSTRA sequence or a DORNA stream" + notWanted +
             ": render an OSTRA sequence with fendix (fendix" + file + " | teskar), play a DORNA stream with teskar";
    case Found::none: break;
  }
  return {};
}

}  // namespace

std::optional<InputFault> foreignInput(vorn::ByteInput& in, Expected expected) {
  std::array<std::uint8_t, kSniffed> buffer;
  const std::span<const std::uint8_t> head(buffer.data(), in.peekBytes(buffer));
  // A second byte from 80 up is a status to an OSTRA or DORNA reader, which
  // then says itself what is wrong; every kind told here has a data byte there.
  if (expected != Expected::smf && (head.size() < 2 || head[1] >= 0x80)) return std::nullopt;
  if (expected == Expected::smf && (head.size() < 4 || startsWith(head, "MThd"))) return std::nullopt;
  const Found found = kindOf(head);
  if (found == Found::none || (found == Found::records && expected != Expected::smf)) return std::nullopt;
  return InputFault{words(found, expected, head, in.name()), std::nullopt};
}

InputFault ostraInsteadOfDorna() {
  return {"this looks like an OSTRA sequence (it has tempo records): render it with fendix, or compile with zembra -P",
          std::nullopt};
}

}  // namespace seq
