#include "vornlib/kel/value.h"

#include "vornlib/shown_bytes.h"

namespace kel {

std::string_view kindName(Kind kind) { return kind == Kind::Integer ? "an integer" : "a byte string"; }

std::string toLiteral(const Value& value) {
  if (value.isInt()) return std::to_string(value.asInt());
  const std::string& bytes = value.asBytes();
  bool printable = true;
  for (char c : bytes) printable = printable && c >= 0x20 && c < 0x7F;
  if (printable) {
    std::string text = "\"";
    for (char c : bytes) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    return text + "\"";
  }
  std::string text = "x\"";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (i > 0) text += ' ';
    text += vorn::hexByte(b);
  }
  return text + "\"";
}

}  // namespace kel
