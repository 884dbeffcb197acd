#pragma once
// A growable byte block addressed by offsets: offsets stay valid as bytes are
// appended, addresses only until the next append.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "vornlib/jchr.h"

namespace vorn {

class MemBlock {
 public:
  explicit MemBlock(std::size_t initialCapacity = 0) { bytes_.reserve(initialCapacity); }

  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void clear() { bytes_.clear(); }

  void putByte(std::uint8_t b) { bytes_.push_back(b); }
  void putBytes(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  void putText(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  // The text followed by a zero byte.
  void putStrz(std::string_view text) {
    putText(text);
    putByte(0);
  }
  void putJchr(std::uint32_t code) {
    std::string bytes;
    appendJchr(bytes, code);
    putText(bytes);
  }

  std::uint8_t* at(std::size_t offset) { return bytes_.data() + offset; }
  const std::uint8_t* at(std::size_t offset) const { return bytes_.data() + offset; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::string_view text(std::size_t offset = 0) const {
    return std::string_view(reinterpret_cast<const char*>(bytes_.data()) + offset, bytes_.size() - offset);
  }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace vorn
