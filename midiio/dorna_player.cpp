#include "midiio/dorna_player.h"

#include <algorithm>

#include "midiio/midi_layer.h"
#include "midiio/realtime_priority.h"
#include "vornlib/numbers.h"
#include "vornlib/record_status.h"

namespace midiio {
namespace {

using vorn::kStatusEnd;
using vorn::kStatusEscape;
using vorn::kStatusFiller;
using vorn::kStatusSysEx;

vorn::Status sendSysExData(std::span<const std::uint8_t> bytes, const DornaPlaySettings& settings,
                           DornaTarget& target) {
  if (!settings.playSysEx) return {};
  if (settings.pieces) {
    while (!bytes.empty()) {
      const std::size_t n = std::min<std::size_t>(settings.chunkSize, bytes.size());
      if (vorn::Status sent = target.sendBytes(bytes.first(n)); !sent) return sent;
      bytes = bytes.subspan(n);
      if (settings.chunkPauseMs != 0) {
        if (vorn::Status paused = pauseMs(settings.chunkPauseMs); !paused) return paused;
      }
    }
  } else if (!bytes.empty()) {
    if (vorn::Status sent = target.sendBytes(bytes); !sent) return sent;
  }
  if (settings.messagePauseMs != 0) return pauseMs(settings.messagePauseMs);
  return {};
}

// Waits for `due` in slices that end on the whole seconds since `start`,
// telling `onProgress` how far the play has come before each.
// Fails when the wait was cut short (a break, the server gone).
vorn::Status waitTellingProgress(std::uint32_t due, std::uint32_t start, const DornaPlaySettings& settings) {
  for (std::uint32_t now = clockNow(); static_cast<std::int32_t>(now - due) < 0; now = clockNow()) {
    settings.onProgress(now - start);
    const std::uint32_t nextSecond = now + (1000 - (now - start) % 1000);
    if (vorn::Status waited = waitForClock(static_cast<std::int32_t>(nextSecond - due) < 0 ? nextSecond : due);
        !waited) {
      return waited;
    }
  }
  return {};
}

}  // namespace

void DornaBuffer::addTwoBytes(std::uint8_t delay, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
  bytes_.insert(bytes_.end(), {delay, status, first, second});
}

void DornaBuffer::addSysExHead(std::uint8_t delay, std::uint8_t status, std::uint32_t length) {
  const std::uint32_t sent = status == kStatusSysEx ? length + 1 : length;
  std::uint8_t head[6] = {delay, status};
  vorn::writeLE32(head + 2, sent);
  bytes_.insert(bytes_.end(), head, head + 6);
  if (status == kStatusSysEx) bytes_.push_back(vorn::kSysExStart);
}

vorn::Status playDorna(const DornaBuffer& stream, const DornaPlaySettings& settings, DornaTarget& target) {
  stopClock();
  // The thread that waits for each record and sends it; the loading before
  // ran at ordinary priority.
  const RealtimePriority whilePlaying;
  if (vorn::Status started = startClock(settings.stepLengthMs); !started) return started;
  const std::span<const std::uint8_t> entries = stream.bytes();
  const std::uint32_t start = clockNow();
  std::uint32_t due = start;
  for (std::size_t at = 0; at + 4 <= entries.size();) {
    const std::uint8_t delay = entries[at];
    const std::uint8_t status = entries[at + 1];
    due = nextDue(due, delay, settings.stepLengthMs);
    // One sleep to the tick that is due (never a polling loop); a late record goes at once.
    if (settings.onProgress) {
      if (vorn::Status waited = waitTellingProgress(due, start, settings); !waited) return waited;
    } else if (static_cast<std::int32_t>(clockNow() - due) < 0) {
      if (vorn::Status waited = waitForClock(due); !waited) return waited;
    }
    if (status == kStatusSysEx || status == kStatusEscape) {
      const std::uint32_t length = vorn::readLE32(&entries[at + 2]);
      if (vorn::Status sent = sendSysExData(entries.subspan(at + 6, length), settings, target); !sent) return sent;
      at += 6 + static_cast<std::size_t>(length);
      continue;
    }
    if (status == kStatusEnd) break;
    if (status != kStatusFiller) {
      if (vorn::Status sent = target.sendShort(status, entries[at + 2], entries[at + 3]); !sent) return sent;
    }
    at += 4;
  }
  stopClock();
  return {};
}

}  // namespace midiio
