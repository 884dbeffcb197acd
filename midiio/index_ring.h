#pragma once
// A single-producer single-consumer ring of pool indices with no lock: one
// side pushes, the other pops, release/acquire ordering carries the data
// written before a push to the side that pops it.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace midiio {

class IndexRing {
 public:
  // Holds at least `count` indices.
  explicit IndexRing(std::size_t count) {
    size_ = 1;
    while (size_ < count) size_ <<= 1;
    slots_ = std::make_unique<std::uint32_t[]>(size_);
  }

  // Producer side; false when full.
  bool push(std::uint32_t index) {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) == size_) return false;
    slots_[head & (size_ - 1)] = index;
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  // Consumer side; false when empty.
  bool pop(std::uint32_t& index) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) == tail) return false;
    index = slots_[tail & (size_ - 1)];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  // Either side: a snapshot.
  std::size_t size() const { return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_acquire); }

 private:
  std::unique_ptr<std::uint32_t[]> slots_;
  std::size_t size_;
  std::atomic<std::size_t> head_{0};
  std::atomic<std::size_t> tail_{0};
};

}  // namespace midiio
