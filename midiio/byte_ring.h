#pragma once
// A single-producer single-consumer ring of bytes with no lock: the sending
// thread writes, a real-time callback reads. Neither side allocates or blocks.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>

namespace midiio {

class ByteRing {
 public:
  // `capacity` is rounded up to a power of two.
  explicit ByteRing(std::size_t capacity) {
    size_ = 1;
    while (size_ < capacity) size_ <<= 1;
    data_ = std::make_unique<unsigned char[]>(size_);
  }

  std::size_t capacity() const { return size_; }
  // Producer side.
  std::size_t writeSpace() const { return size_ - (head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire)); }
  // Writes all `n` bytes or nothing.
  bool write(const void* bytes, std::size_t n) {
    if (n > writeSpace()) return false;
    const std::size_t head = head_.load(std::memory_order_relaxed);
    copyIn(head, static_cast<const unsigned char*>(bytes), n);
    head_.store(head + n, std::memory_order_release);
    return true;
  }
  // Consumer side.
  std::size_t readSpace() const { return head_.load(std::memory_order_acquire) - tail_.load(std::memory_order_relaxed); }
  // Copies `n` bytes starting `skip` bytes in, without consuming them.
  bool peek(void* out, std::size_t n, std::size_t skip = 0) const {
    if (skip + n > readSpace()) return false;
    copyOut(tail_.load(std::memory_order_relaxed) + skip, static_cast<unsigned char*>(out), n);
    return true;
  }
  void consume(std::size_t n) { tail_.store(tail_.load(std::memory_order_relaxed) + n, std::memory_order_release); }

 private:
  void copyIn(std::size_t at, const unsigned char* from, std::size_t n) {
    const std::size_t start = at & (size_ - 1);
    const std::size_t first = std::min(n, size_ - start);
    std::memcpy(data_.get() + start, from, first);
    std::memcpy(data_.get(), from + first, n - first);
  }
  void copyOut(std::size_t at, unsigned char* to, std::size_t n) const {
    const std::size_t start = at & (size_ - 1);
    const std::size_t first = std::min(n, size_ - start);
    std::memcpy(to, data_.get() + start, first);
    std::memcpy(to + first, data_.get(), n - first);
  }

  std::unique_ptr<unsigned char[]> data_;
  std::size_t size_;
  std::atomic<std::size_t> head_{0};  // bytes ever written
  std::atomic<std::size_t> tail_{0};  // bytes ever consumed
};

}  // namespace midiio
