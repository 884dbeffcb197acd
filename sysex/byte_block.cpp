#include "sysex/byte_block.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace sysex {
namespace {

constexpr std::size_t kMinimumGrowth = 1 << 16;

}  // namespace

ByteBlock::~ByteBlock() { std::free(data_); }

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

void ByteBlock::resizeStorage(std::size_t capacity) {
  // realloc of a large block remaps its pages rather than copying them.
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) throw std::bad_alloc();
  data_ = static_cast<std::uint8_t*>(grown);
  capacity_ = capacity;
}

void ByteBlock::reserve(std::size_t capacity) {
  if (capacity > capacity_) resizeStorage(capacity);
}

std::span<std::uint8_t> ByteBlock::room(std::size_t count, std::size_t cap) {
  std::size_t needed = size_ + count;
  if (needed > capacity_) {
    std::size_t growth = std::max({count, size_ / 4, kMinimumGrowth});
    std::size_t target = std::max(needed, std::min(cap, size_ + growth));
    resizeStorage(target);
  }
  return {data_ + size_, count};
}

}  // namespace sysex
