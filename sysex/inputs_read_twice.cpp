#include "sysex/inputs_read_twice.h"

#include <utility>

namespace sysex {
namespace {
constexpr std::size_t kRereadBuffer = 1 << 16;
}

void InputsReadTwice::startPass(bool second) {
  second_ = second;
  next_ = 0;
}

std::unique_ptr<vorn::ByteInput> InputsReadTwice::nextKept() {
  const std::size_t index = next_++;
  if (!second_ || !kept_[index]) return nullptr;
  auto in = std::make_unique<vorn::ByteInput>();
  kept_[index]->reopenAt(*in, 0, kRereadBuffer);
  return in;
}

void InputsReadTwice::keep(const char* name, std::unique_ptr<vorn::ByteInput> in) {
  if (second_) return;
  kept_.push_back(name && in->isRegularFile() ? nullptr : std::move(in));
}

}  // namespace sysex
