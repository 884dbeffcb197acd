#include "seq/dump_lines.h"

#include <charconv>
#include <cstring>

namespace seq {

void DumpLines::comment(std::string_view text) {
  out_.write("# ");
  out_.write(text);
  out_.put('\n');
}

namespace {

// `text` right-aligned in `width` columns, then `gap` spaces.
char* column(char* at, std::string_view text, std::size_t width, std::size_t gap) {
  for (std::size_t i = text.size(); i < width; ++i) *at++ = ' ';
  std::memcpy(at, text.data(), text.size());
  at += text.size();
  for (std::size_t i = 0; i < gap; ++i) *at++ = ' ';
  return at;
}

}  // namespace

// Formatted by hand: printf's floating point took half of a dump's time.
void DumpLines::event(std::uint64_t time, double ms, int channel, std::string_view text) {
  char number[64];
  char columns[160];
  char* at = columns;
  char* end = std::to_chars(number, number + sizeof number, time).ptr;
  at = column(at, {number, static_cast<std::size_t>(end - number)}, 10, 1);
  end = std::to_chars(number, number + sizeof number, ms, std::chars_format::fixed, 3).ptr;
  at = column(at, {number, static_cast<std::size_t>(end - number)}, 12, 2);
  end = channel > 0 ? std::to_chars(number, number + sizeof number, channel).ptr : std::strcpy(number, "-") + 1;
  at = column(at, {number, static_cast<std::size_t>(end - number)}, 2, 2);
  out_.write(std::string_view(columns, static_cast<std::size_t>(at - columns)));
  out_.write(text);
  out_.put('\n');
}

}  // namespace seq
