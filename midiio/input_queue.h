#pragma once
// The queue between the thread that receives MIDI input (JACK's process
// callback, the ALSA reader thread, the fake) and the one reader. The
// producer never waits: nodes and 256-byte blocks come from pools made at
// construction, handed between the two sides through lock-free rings; when
// a pool is empty the data is dropped and the overflow flag set.
#include <semaphore.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "midiio/backend.h"
#include "midiio/index_ring.h"

namespace midiio {

inline constexpr std::size_t kInputBlockBytes = 256;
inline constexpr std::size_t kFewestInputNodes = 100;
inline constexpr std::size_t kFewestInputBlocks = 16;

// Bits of the input mode.
enum InputMode : std::uint32_t {
  kInputLongData = 1,         // queue SysEx chunks
  kInputShortMessages = 2,    // queue short messages
  kInputNoSystemMessages = 4, // with 2: drop status 0xF0 and above
  kInputNoActiveSensing = 8,  // with 2: drop 0xFE
  kInputNoTimingClock = 16,   // with 2: drop 0xF8
};

// What the producer dropped since the input started: counted, or (when the
// system only says that something went) unknown.
struct InputLoss {
  std::uint64_t messages = 0;    // short messages, and events the system counted
  std::uint64_t sysExBytes = 0;  // bytes of SysEx chunks
  std::uint64_t unknown = 0;     // losses the system told of without a size
  bool operator==(const InputLoss&) const = default;
  InputLoss since(const InputLoss& before) const {
    return {messages - before.messages, sysExBytes - before.sysExBytes, unknown - before.unknown};
  }
};

struct InputEvent {
  std::uint32_t time = 0;  // ms since the input started
  bool isLong = false;
  // A chunk queued after the producer dropped one: it does not continue
  // what came before it.
  bool afterGap = false;
  std::uint32_t lengthOrMessage = 0;  // chunk length, or the packed short message
  InputLoss lostBefore;  // everything dropped before this event was queued
  std::array<std::uint8_t, kInputBlockBytes> data{};

  std::span<const std::uint8_t> bytes() const { return {data.data(), isLong ? lengthOrMessage : 0}; }
};

class InputQueue {
 public:
  // Pools of max(nodeCount, 100) nodes and max(blockCount, 16) blocks.
  InputQueue(std::size_t nodeCount, std::size_t blockCount, std::uint32_t mode);
  ~InputQueue();
  InputQueue(const InputQueue&) = delete;
  InputQueue& operator=(const InputQueue&) = delete;

  std::uint32_t mode() const { return mode_; }
  std::size_t freeNodes() const { return freeNodes_.size(); }
  // Blocks not holding queued data (while the producer is idle).
  std::size_t freeBlocks() const { return freeBlocks_.size() + (spareBlock_ == kNoBlock ? 0 : 1); }

  // Producer side: no lock, no allocation, no blocking call.
  bool recording() const { return recording_.load(std::memory_order_acquire); }
  // A short message that the mode wants (the mode's filters apply here).
  void pushShort(std::uint32_t packed, std::uint32_t time);
  // A SysEx chunk of 1 to 256 bytes.
  void pushLong(std::span<const std::uint8_t> chunk, std::uint32_t time);
  // Something was lost before it reached the queue (the system's own
  // overflow): `events` of them, or 0 when the system does not say.
  void lost(std::uint64_t events = 0);
  // Wakes the reader (after a cycle's pushes).
  void wake();

  // Batches, for a system that tells of a hole only after handing over data
  // that came in after it (ALSA). What is pushed between holdBatch and
  // publishBatch reaches the reader only at publishBatch. Pushes after
  // markSuspect(true) came in while the system was being read, so a hole may
  // lie before them: when publishBatch learns of a hole, each such long chunk
  // is marked as after a gap. That may cut a message that was whole; it never
  // joins two.
  void holdBatch() { holding_ = true; }
  void markSuspect(bool suspect) { suspect_ = suspect; }
  void publishBatch(bool holeInside);

  // Reader side.
  void setRecording(bool on) { recording_.store(on, std::memory_order_release); }
  bool read(InputEvent& event);
  // Reads everything queued and clears the overflow flag.
  void flush();
  bool overflow() const { return overflow_.load(std::memory_order_acquire); }
  // Data was dropped after the last chunk queued: a hole that no chunk marks yet.
  bool lostAfterLastChunk() const { return gap_.load(std::memory_order_acquire); }
  // Everything dropped so far.
  InputLoss loss() const;
  // Waits until the producer wakes us or `deadline` (CLOCK_MONOTONIC) passes.
  void await(Nanos deadline);
  // Unblocks a waiting reader (the device went away).
  void interruptWait() { wake(); }

 private:
  struct Node {
    std::uint32_t time;
    std::uint32_t lengthOrMessage;
    std::uint32_t block;  // kNoBlock for a short message
    bool isLong;
    bool afterGap;
    bool suspect;  // pushed during a batch after markSuspect(true)
    InputLoss lostBefore;
  };
  static constexpr std::uint32_t kNoBlock = 0xFFFFFFFF;

  void dropped();
  InputLoss lostSoFar() const;  // producer side
  void enqueue(std::uint32_t index);

  std::uint32_t mode_;
  std::vector<Node> nodes_;
  std::unique_ptr<std::uint8_t[]> blocks_;
  IndexRing freeNodes_;   // reader -> producer
  IndexRing freeBlocks_;  // reader -> producer
  IndexRing queued_;      // producer -> reader
  std::atomic<bool> recording_{false};
  std::atomic<bool> overflow_{false};
  std::uint32_t spareBlock_ = kNoBlock;  // producer only: taken, then no node was free
  // Producer writes, reader reads at the end: what was dropped.
  std::atomic<std::uint64_t> lostMessages_{0}, lostSysExBytes_{0}, lostUnknown_{0};
  std::atomic<bool> gap_{false};  // a chunk was dropped since the last one queued (the producer writes it)
  bool holding_ = false;  // producer only: pushes wait in held_ for publishBatch
  bool suspect_ = false;  // producer only
  std::vector<std::uint32_t> held_;  // producer only; room for every node, made at construction
  sem_t wake_;
};

}  // namespace midiio
