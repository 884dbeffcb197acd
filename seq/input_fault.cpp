#include "seq/input_fault.h"

#include <cstdio>
#include <utility>

#include "vornlib/console.h"
#include "vornlib/errors.h"
#include "vornlib/streams.h"

namespace seq {

InputFault endsAt(std::string text, std::uint64_t offset) {
  // An empty input is most often a failed leader in a pipe: "no input" keeps
  // the blame where it belongs.
  if (offset == 0) return {"no input", std::nullopt};
  return {std::move(text), offset};
}

InputFault endsInside(std::string_view what, std::uint64_t offset) {
  return endsAt("input ends inside " + std::string(what), offset);
}

std::string hexByte(std::uint8_t b) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", b);
  return text;
}

std::string quotedBytes(std::span<const std::uint8_t> bytes) {
  std::string text = "\"";
  for (std::uint8_t b : bytes) {
    if (b >= 0x20 && b < 0x7F && b != '"' && b != '\\') {
      text += static_cast<char>(b);
    } else {
      text += "\\x" + hexByte(b);
    }
  }
  return text + "\"";
}

void endRunOn(const InputFault& fault) {
  if (fault.offset) vorn::failCurrentInput(vorn::kErrMalformedInput, fault.text, fault.offset);
  vorn::errBoxAt(vorn::getinhandle().name(), fault.text);
  vorn::conBreak();
}

}  // namespace seq
