#include "midiio/input_queue.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace midiio {

InputQueue::InputQueue(std::size_t nodeCount, std::size_t blockCount, std::uint32_t mode)
    : mode_(mode),
      nodes_(std::max(nodeCount, kFewestInputNodes)),
      blocks_(std::make_unique<std::uint8_t[]>(std::max(blockCount, kFewestInputBlocks) * kInputBlockBytes)),
      freeNodes_(nodes_.size()),
      freeBlocks_(std::max(blockCount, kFewestInputBlocks)),
      queued_(nodes_.size()) {
  held_.reserve(nodes_.size());
  for (std::uint32_t i = 0; i < nodes_.size(); ++i) freeNodes_.push(i);
  for (std::uint32_t i = 0; i < std::max(blockCount, kFewestInputBlocks); ++i) freeBlocks_.push(i);
  sem_init(&wake_, 0, 0);
}

InputQueue::~InputQueue() { sem_destroy(&wake_); }

void InputQueue::dropped() {
  overflow_.store(true, std::memory_order_release);
  gap_.store(true, std::memory_order_release);
}

void InputQueue::lost(std::uint64_t events) {
  if (events == 0) {
    lostUnknown_.fetch_add(1, std::memory_order_release);
  } else {
    lostMessages_.fetch_add(events, std::memory_order_release);
  }
  dropped();
}

InputLoss InputQueue::lostSoFar() const {
  return {lostMessages_.load(std::memory_order_relaxed), lostSysExBytes_.load(std::memory_order_relaxed),
          lostUnknown_.load(std::memory_order_relaxed)};
}

InputLoss InputQueue::loss() const {
  return {lostMessages_.load(std::memory_order_acquire), lostSysExBytes_.load(std::memory_order_acquire),
          lostUnknown_.load(std::memory_order_acquire)};
}

void InputQueue::enqueue(std::uint32_t index) {
  if (holding_) {
    held_.push_back(index);  // never grows: each node is held at most once
  } else {
    queued_.push(index);
  }
}

void InputQueue::publishBatch(bool holeInside) {
  for (std::uint32_t index : held_) {
    Node& node = nodes_[index];
    if (holeInside && node.isLong && node.suspect) node.afterGap = true;
    queued_.push(index);
  }
  held_.clear();
  holding_ = false;
  suspect_ = false;
}

void InputQueue::pushShort(std::uint32_t packed, std::uint32_t time) {
  if (!(mode_ & kInputShortMessages) || !recording()) return;
  const std::uint32_t status = packed & 0xFF;
  if ((status >= 0xF0 && (mode_ & kInputNoSystemMessages)) || (status == 0xFE && (mode_ & kInputNoActiveSensing)) ||
      (status == 0xF8 && (mode_ & kInputNoTimingClock))) {
    return;
  }
  std::uint32_t index;
  if (!freeNodes_.pop(index)) {
    // A lost short message breaks no SysEx message: no gap.
    lostMessages_.fetch_add(1, std::memory_order_release);
    overflow_.store(true, std::memory_order_release);
    return;
  }
  nodes_[index] = {time, packed, kNoBlock, false, false, suspect_, lostSoFar()};
  enqueue(index);
}

void InputQueue::pushLong(std::span<const std::uint8_t> chunk, std::uint32_t time) {
  if (chunk.empty() || !(mode_ & kInputLongData) || !recording()) return;
  std::uint32_t block = spareBlock_;
  if (block == kNoBlock && !freeBlocks_.pop(block)) {
    lostSysExBytes_.fetch_add(chunk.size(), std::memory_order_release);
    return dropped();
  }
  spareBlock_ = kNoBlock;
  std::uint32_t index;
  if (!freeNodes_.pop(index)) {
    // Only the reader pushes to the free-block ring: keep the block for the next chunk.
    spareBlock_ = block;
    lostSysExBytes_.fetch_add(chunk.size(), std::memory_order_release);
    return dropped();
  }
  const std::size_t length = std::min(chunk.size(), kInputBlockBytes);
  std::memcpy(blocks_.get() + std::size_t{block} * kInputBlockBytes, chunk.data(), length);
  nodes_[index] = {time, static_cast<std::uint32_t>(length), block, true, gap_.load(std::memory_order_relaxed), suspect_,
                   lostSoFar()};
  enqueue(index);
  gap_.store(false, std::memory_order_release);
}

void InputQueue::wake() {
  int value = 0;
  // One pending wake-up is enough; sem_post never blocks.
  if (sem_getvalue(&wake_, &value) == 0 && value > 0) return;
  sem_post(&wake_);
}

bool InputQueue::read(InputEvent& event) {
  std::uint32_t index;
  if (!queued_.pop(index)) return false;
  const Node& node = nodes_[index];
  event.time = node.time;
  event.isLong = node.isLong;
  event.afterGap = node.afterGap;
  event.lengthOrMessage = node.lengthOrMessage;
  event.lostBefore = node.lostBefore;
  if (node.isLong) {
    std::memcpy(event.data.data(), blocks_.get() + std::size_t{node.block} * kInputBlockBytes, node.lengthOrMessage);
    freeBlocks_.push(node.block);
  }
  freeNodes_.push(index);
  return true;
}

void InputQueue::flush() {
  InputEvent scratch;
  while (read(scratch)) {
  }
  overflow_.store(false, std::memory_order_release);
}

void InputQueue::await(Nanos deadline) {
  const timespec until{static_cast<time_t>(deadline / 1000000000), static_cast<long>(deadline % 1000000000)};
  while (sem_clockwait(&wake_, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR) {
  }
}

}  // namespace midiio
