#include "midiio/sysex_sender.h"

#include <span>
#include <vector>

#include "midiio/midi_layer.h"

namespace midiio {
namespace {

// Data bytes after a status on the way between SysEx messages; -1: the byte is not sent at all.
int dataBytesBetween(int status) {
  if (status < 0x80) return -1;
  if (status < 0xF0) return (status >> 4) == 0xC || (status >> 4) == 0xD ? 1 : 2;
  switch (status) {
    case 0xF1: case 0xF3: case 0xF4: case 0xF5: return 1;
    case 0xF2: return 2;
    case 0xF9: case 0xFD: return -1;
    default: return 0;  // F6 F7 F8 FA FB FC FE FF
  }
}

vorn::Status sendSysExData(std::span<const std::uint8_t> bytes, const SysExSendSettings& settings) {
  if (settings.pieces) {
    while (!bytes.empty()) {
      const std::size_t n = std::min<std::size_t>(settings.chunkSize, bytes.size());
      if (vorn::Status sent = sendLongMessage(bytes.first(n)); !sent) return sent;
      bytes = bytes.subspan(n);
      if (vorn::Status paused = pauseMs(settings.chunkPauseMs); !paused) return paused;
    }
  } else if (vorn::Status sent = sendLongMessage(bytes); !sent) {
    return sent;
  }
  return pauseMs(settings.messagePauseMs);
}

void sendMessageBetween(vorn::ByteInput& input, const SysExSendSettings& settings) {
  const int status = input.get();
  const int dataBytes = dataBytesBetween(status);
  if (dataBytes < 0) return;
  std::uint32_t packed = static_cast<std::uint32_t>(status);
  for (int i = 0; i < dataBytes; ++i) {
    const int b = input.get();
    if (b == vorn::kEndOfInput || b >= 0x80) {
      input.unget();  // read again as the start of what follows
      return;
    }
    packed |= static_cast<std::uint32_t>(b) << (8 * (i + 1));
  }
  (void)sendShortMessage(packed);  // a failed short send is not fatal
  (void)pauseMs(settings.messagePauseMs);  // nor its pause: the next long send tells
}

}  // namespace

vorn::Status sendSysExStream(vorn::ByteInput& input, const SysExSendSettings& settings) {
  std::vector<std::uint8_t> message;
  for (int next = input.peek(); next != vorn::kEndOfInput; next = input.peek()) {
    if (next != 0xF0 && settings.shortMessages) {
      sendMessageBetween(input, settings);
      continue;
    }
    int b;
    do b = input.get();
    while (b != vorn::kEndOfInput && b != 0xF0);
    if (b == vorn::kEndOfInput) return {};
    message.assign(1, 0xF0);
    while ((b = input.get()) != vorn::kEndOfInput && b < 0x80) message.push_back(static_cast<std::uint8_t>(b));
    message.push_back(0xF7);
    // A message cut short by another status byte is closed here; that byte starts what follows.
    if (b != 0xF7 && b != vorn::kEndOfInput) input.unget();
    if (vorn::Status sent = sendSysExData(message, settings); !sent) return sent;
  }
  return {};
}

}  // namespace midiio
