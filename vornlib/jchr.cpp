#include "vornlib/jchr.h"

namespace vorn {
namespace {

// Length of the UTF-8 sequence at the start of `text` and its code point;
// 0 when it is not a valid sequence (overlong forms and surrogates included).
std::size_t utf8Sequence(std::string_view text, std::uint32_t& codePoint) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(0);
  std::size_t length;
  std::uint32_t cp;
  if (b0 < 0x80) {
    codePoint = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1Fu;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0Fu;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i) & 0x3Fu);
  }
  if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  codePoint = cp;
  return length;
}

bool isSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isSjisTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace

bool isValidUtf8(std::string_view text) {
  while (!text.empty()) {
    std::uint32_t cp;
    std::size_t n = utf8Sequence(text, cp);
    if (n == 0) return false;
    text.remove_prefix(n);
  }
  return true;
}

std::uint32_t VornJchr(std::string_view& text, TextEncoding encoding) {
  if (text.empty()) return kJchrEnd;
  unsigned char b0 = static_cast<unsigned char>(text[0]);
  if (b0 == 0) return kJchrEnd;
  if (b0 < 0x20) {
    text.remove_prefix(1);
    return b0;
  }
  if (b0 >= 0x80) {
    if (encoding == TextEncoding::Utf8) {
      std::uint32_t cp;
      std::size_t n = utf8Sequence(text, cp);
      if (n > 1) {
        text.remove_prefix(n);
        return kJchrUtf8Base + cp;
      }
    } else if (isSjisLead(b0) && text.size() >= 2 && isSjisTrail(static_cast<unsigned char>(text[1]))) {
      std::uint32_t word = (static_cast<std::uint32_t>(b0) << 8) | static_cast<unsigned char>(text[1]);
      text.remove_prefix(2);
      return kJchrSjisBase + word;
    }
  }
  text.remove_prefix(1);
  return kJchrSingle + b0;
}

void appendJchr(std::string& out, std::uint32_t code) {
  if (code < kJchrSingle) {
    out += static_cast<char>(code);
  } else if (code < kJchrSingle + 0x100) {
    out += static_cast<char>(code - kJchrSingle);
  } else if (code >= kJchrSjisBase) {
    std::uint32_t word = code - kJchrSjisBase;
    out += static_cast<char>(word >> 8);
    out += static_cast<char>(word & 0xFF);
  } else if (code >= kJchrUtf8Base) {
    std::uint32_t cp = code - kJchrUtf8Base;
    if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int JstrzCmpi(std::string_view a, std::string_view b) {
  auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    int d = lower(static_cast<unsigned char>(a[i])) - lower(static_cast<unsigned char>(b[i]));
    if (d != 0) return d < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace vorn
