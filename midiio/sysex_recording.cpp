#include "midiio/sysex_recording.h"

#include <span>
#include <vector>

#include "midiio/midi_input.h"
#include "vornlib/breaks.h"

namespace midiio {
namespace {

std::string messagesWritten(std::uint32_t count) {
  return std::to_string(count) + (count == 1 ? " message written" : " messages written");
}

}  // namespace

vorn::Status recordSysEx(std::uint32_t timeoutMs, std::uint32_t limit, vorn::ByteOutput& out, const RecordingNews& news) {
  std::vector<std::uint8_t> message;
  const SysExSink sink = [&](std::span<const std::uint8_t> bytes) {
    message.insert(message.end(), bytes.begin(), bytes.end());
  };
  for (std::uint32_t count = 0; count < limit;) {
    message.clear();
    const Reception received = receiveSysEx(timeoutMs, sink);
    if (received.how == Received::failed && vorn::breakSignal() != 0) return vorn::interruptedFault();
    if (!message.empty()) {
      ++count;
      out.write(std::span<const std::uint8_t>(message));
      out.flush();
    }
    const SysExCut& cut = lastSysExCut();
    if (cut.cause != CutCause::none) news.cut(describeCut(count, cut, timeoutMs) + "; written closed by F7");
    if (received.how == Received::failed) return received.fault;
    if (received.how == Received::sourceLeft && cut.cause == CutCause::none) {
      news.ended("recording ended: " + received.detail + "; " + messagesWritten(count));
    }
    if (received.how != Received::message) break;
  }
  return {};
}

}  // namespace midiio
