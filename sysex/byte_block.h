#pragma once
// A byte block that grows as bytes arrive. It lives in malloc'd memory so
// that growing a large block moves its pages instead of copying them: what a
// block holds follows the bytes stored, not what a header claimed or what a
// doubling left over.
#include <cstddef>
#include <cstdint>
#include <span>

namespace sysex {

class ByteBlock {
 public:
  ByteBlock() = default;
  ~ByteBlock();
  ByteBlock(ByteBlock&& other) noexcept;
  ByteBlock& operator=(ByteBlock&& other) noexcept;
  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;

  // Room for `count` more bytes after the stored ones; the block grows by a
  // quarter of what it holds (at least `count`), never beyond `cap` bytes in
  // all. Throws std::bad_alloc. The bytes count once added() says so.
  std::span<std::uint8_t> room(std::size_t count, std::size_t cap);
  void added(std::size_t count) { size_ += count; }
  // Makes room for `capacity` bytes in all at once (a size known in advance).
  void reserve(std::size_t capacity);
  void clear() { size_ = 0; }

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::uint8_t operator[](std::size_t i) const { return data_[i]; }

 private:
  void resizeStorage(std::size_t capacity);

  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace sysex
