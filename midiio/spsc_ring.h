#pragma once
// A single-producer single-consumer ring with no lock: one thread writes,
// the other reads (a real-time callback on either side); neither allocates
// or blocks. Release/acquire ordering carries what was written before a
// push to the side that pops it.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace midiio {

template <typename T>
class SpscRing {
 public:
  // Holds at least `capacity` items (rounded up to a power of two).
  explicit SpscRing(std::size_t capacity) {
    size_ = 1;
    while (size_ < capacity) size_ <<= 1;
    items_ = std::make_unique<T[]>(size_);
  }

  std::size_t capacity() const { return size_; }

  // Producer side.
  std::size_t writeSpace() const {
    return size_ - (head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire));
  }
  // Writes all `n` items or nothing.
  bool write(const T* items, std::size_t n) {
    if (n > writeSpace()) return false;
    const std::size_t head = head_.load(std::memory_order_relaxed);
    const std::size_t start = head & (size_ - 1);
    const std::size_t first = std::min(n, size_ - start);
    std::copy_n(items, first, items_.get() + start);
    std::copy_n(items + first, n - first, items_.get());
    head_.store(head + n, std::memory_order_release);
    return true;
  }
  bool push(const T& item) { return write(&item, 1); }

  // Consumer side.
  std::size_t readSpace() const {
    return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_relaxed);
  }
  // Copies `n` items starting `skip` items in, without consuming them.
  bool peek(T* out, std::size_t n, std::size_t skip = 0) const {
    if (skip + n > readSpace()) return false;
    const std::size_t start = (tail_.load(std::memory_order_relaxed) + skip) & (size_ - 1);
    const std::size_t first = std::min(n, size_ - start);
    std::copy_n(items_.get() + start, first, out);
    std::copy_n(items_.get(), n - first, out + first);
    return true;
  }
  void consume(std::size_t n) { tail_.store(tail_.load(std::memory_order_relaxed) + n, std::memory_order_release); }
  bool pop(T& item) {
    if (!peek(&item, 1)) return false;
    consume(1);
    return true;
  }

  // Either side: a snapshot of how many items wait.
  std::size_t size() const { return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_acquire); }

 private:
  std::unique_ptr<T[]> items_;
  std::size_t size_;
  std::atomic<std::size_t> head_{0};  // items ever written
  std::atomic<std::size_t> tail_{0};  // items ever consumed
};

}  // namespace midiio
