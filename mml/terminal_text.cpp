#include "mml/terminal_text.h"

#include <iconv.h>

#include <cstdio>
#include <cstring>

namespace mml {
namespace {

// Code points a terminal shows two cells wide (East Asian wide and full-width forms).
bool isWideCodePoint(std::uint32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) || (cp >= 0x3041 && cp <= 0x33FF) ||
         (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

// glibc's converter from code page 932 (plain Shift-JIS where it lacks it);
// none when neither is installed, and then every such character is escaped.
iconv_t openShiftJisConverter() {
  for (const char* from : {"CP932", "SHIFT_JIS"}) {
    iconv_t converter = ::iconv_open("UTF-8", from);
    if (converter != reinterpret_cast<iconv_t>(-1)) return converter;
  }
  return reinterpret_cast<iconv_t>(-1);
}

class TerminalWriter {
 public:
  TerminalWriter(TerminalLine& out, bool caretWanted) : out_(out), caretWanted_(caretWanted) {}

  void shown(std::string_view text, std::string_view cells) {
    out_.text += text;
    if (caretWanted_) out_.caretIndent += cells;
  }
  void escaped(std::string_view bytes) {
    for (unsigned char byte : bytes) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      shown(hex, "    ");
    }
  }
  void stopCaret() { caretWanted_ = false; }

 private:
  TerminalLine& out_;
  bool caretWanted_;
};

// One character (its code and the bytes it was read from) for the terminal.
void showCharacter(TerminalWriter& writer, std::uint32_t code, std::string_view bytes, vorn::TextEncoding encoding,
                   bool tabAsIs) {
  if (code == '\t' && tabAsIs) {
    writer.shown("\t", "\t");
  } else if (code < vorn::kJchrSingle) {
    writer.escaped(bytes);
  } else if (code < vorn::kJchrSingle + 0x100) {
    unsigned char byte = static_cast<unsigned char>(code - vorn::kJchrSingle);
    bool halfWidthKatakana = encoding == vorn::TextEncoding::ShiftJis && byte >= 0xA1 && byte <= 0xDF;
    if (byte < 0x7F) {
      writer.shown(bytes, " ");
    } else if (std::optional<std::string> converted = halfWidthKatakana ? shiftJisToUtf8(bytes) : std::nullopt) {
      writer.shown(*converted, " ");
    } else {
      writer.escaped(bytes);
    }
  } else if (code >= vorn::kJchrSjisBase) {
    if (std::optional<std::string> converted = shiftJisToUtf8(bytes)) {
      writer.shown(*converted, "  ");
    } else {
      writer.escaped(bytes);
    }
  } else {
    std::uint32_t codePoint = code - vorn::kJchrUtf8Base;
    if (codePoint < 0xA0) {
      writer.escaped(bytes);  // C1 control characters act like control bytes
    } else {
      writer.shown(bytes, isWideCodePoint(codePoint) ? "  " : " ");
    }
  }
}

void show(TerminalLine& out, std::string_view text, std::size_t caretAt, vorn::TextEncoding encoding, bool tabAsIs) {
  TerminalWriter writer(out, true);
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t at = text.size() - rest.size();
    if (at >= caretAt) writer.stopCaret();
    std::uint32_t code = vorn::VornJchr(rest, encoding);
    if (code == vorn::kJchrEnd) rest.remove_prefix(1);  // a zero byte
    showCharacter(writer, code, text.substr(at, text.size() - rest.size() - at), encoding, tabAsIs);
  }
}

}  // namespace

std::optional<std::string> shiftJisToUtf8(std::string_view character) {
  static const iconv_t converter = openShiftJisConverter();
  if (converter == reinterpret_cast<iconv_t>(-1) || character.empty() || character.size() > 2) return std::nullopt;
  char in[2];
  std::memcpy(in, character.data(), character.size());
  char out[8];
  char* inPos = in;
  char* outPos = out;
  std::size_t inLeft = character.size();
  std::size_t outLeft = sizeof out;
  ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
  if (::iconv(converter, &inPos, &inLeft, &outPos, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
    return std::nullopt;
  }
  return std::string(out, sizeof out - outLeft);
}

TerminalLine terminalLine(std::string_view line, std::size_t caretAt, vorn::TextEncoding encoding) {
  TerminalLine out;
  show(out, line, caretAt, encoding, true);
  return out;
}

std::string terminalText(std::string_view text, vorn::TextEncoding encoding) {
  TerminalLine out;
  show(out, text, 0, encoding, false);
  return std::move(out.text);
}

}  // namespace mml
