#include "seq/live_lines.h"

#include <cstdio>
#include <string>

#include "seq/event_text.h"
#include "vornlib/midi_status.h"
#include "vornlib/shown_bytes.h"

namespace seq {

std::string liveSystemText(std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  switch (status) {
    case 0xF8: return "Timing Clock";
    case 0xFF: return "System Reset";
    // The undefined ones carry no data.
    case 0xF4:
    case 0xF5:
    case 0xF9:
    case 0xFD: return "System " + vorn::hexByte(status);
    default: return systemMessageText(status, first, second);
  }
}

void LiveLines::comment(std::string_view text) {
  out_.write("# ");
  out_.write(text);
  out_.put('\n');
  out_.flush();
}

void LiveLines::line(std::uint32_t ms, int channel, std::string_view text) {
  char columns[32];
  if (channel > 0) {
    std::snprintf(columns, sizeof columns, "%10u  %2d  ", ms, channel);
  } else {
    std::snprintf(columns, sizeof columns, "%10u   -  ", ms);
  }
  out_.write(columns);
  out_.write(text);
  out_.put('\n');
  out_.flush();
}

void LiveLines::shortMessage(std::uint32_t ms, std::uint32_t packed) {
  const auto status = static_cast<std::uint8_t>(packed);
  const auto first = static_cast<std::uint8_t>(packed >> 8), second = static_cast<std::uint8_t>(packed >> 16);
  if (vorn::isChannelStatus(status)) {
    line(ms, (status & 0x0F) + 1, channelMessageText(status, first, second));
  } else {
    line(ms, 0, liveSystemText(status, first, second));
  }
}

void LiveLines::sysExBegin(std::uint32_t ms) {
  sysExMs_ = ms;
  describer_.start();
}

void LiveLines::sysExEnd(std::string_view cut) {
  std::string text = describer_.text();
  if (!cut.empty()) text.append("; cut: ").append(cut);
  line(sysExMs_, 0, text);
}

void LiveLines::note(std::uint32_t ms, std::string_view text) { line(ms, 0, text); }

}  // namespace seq
