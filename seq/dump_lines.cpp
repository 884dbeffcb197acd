#include "seq/dump_lines.h"

#include <cstdio>
#include <string>

namespace seq {

void DumpLines::comment(std::string_view text) {
  out_.write("# ");
  out_.write(text);
  out_.put('\n');
}

void DumpLines::event(std::uint64_t time, double ms, int channel, std::string_view text) {
  char columns[96];
  std::string channelText = channel > 0 ? std::to_string(channel) : "-";
  std::snprintf(columns, sizeof columns, "%10llu %12.3f  %2s  ", static_cast<unsigned long long>(time), ms,
                channelText.c_str());
  out_.write(columns);
  out_.write(text);
  out_.put('\n');
}

}  // namespace seq
