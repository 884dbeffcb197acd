#include "sysex/pattern_matcher.h"

#include "vornlib/checksum7.h"
#include "sysex/pattern_code.h"
#include "sysex/scan.h"

namespace sysex {
namespace {

// What a repetition needs to go round again, and the state when the current
// round began: a round that left all of it unchanged would be repeated
// identically, so the remaining rounds can be skipped (only empty ranges
// could come of them). That keeps huge counts and deep nesting from hanging
// the match.
struct RepeatEntry {
  std::size_t resume;
  std::uint32_t remaining;
  std::uint32_t p;
  std::uint8_t sum;
  std::uint32_t x;
  bool rangeOpen;
  std::uint32_t rangeStart;
};

class PatternRun {
 public:
  PatternRun(std::span<const std::uint8_t> items, std::span<const std::uint8_t> message,
             std::vector<ExtractRange>& ranges)
      : items_(items), msg_(message), length_(static_cast<std::uint32_t>(message.size())), ranges_(ranges) {
    ranges_.clear();
  }

  MatchResult run() {
    std::size_t ip = 0;
    for (;;) {
      if (ip >= items_.size()) return MatchResult::BadPattern;
      std::uint8_t op = items_[ip++];
      std::uint32_t operand = 0;
      if (op >= 0x80 && hasOperand(op)) {
        if (items_.size() - ip < 4) return MatchResult::BadPattern;
        for (int i = 0; i < 4; ++i) operand |= static_cast<std::uint32_t>(items_[ip + i]) << (8 * i);
        ip += 4;
      }
      if (op < 0x80) {
        if (!atData() || msg_[p_] != op) return MatchResult::NoMatch;
        take();
        continue;
      }
      switch (op) {
        case kOpEnd:
          if (rangeOpen_) ranges_.push_back({rangeStart_, length_ - 1});
          return MatchResult::Match;
        case kOpTail:
          if (p_ >= length_ || msg_[p_] != kSysExEnd) return MatchResult::NoMatch;
          ++p_;
          break;
        case kOpAny:
          if (!atData()) return MatchResult::NoMatch;
          take();
          break;
        case kOpResetSum:
          sum_ = 0;
          break;
        case kOpBlock:
          if (!skip(operand)) return MatchResult::NoMatch;
          break;
        case kOpSum7:
          if (!checksumByte(vorn::sum7(sum_))) return MatchResult::NoMatch;
          break;
        case kOpCsum7:
          if (!checksumByte(vorn::csum7(sum_))) return MatchResult::NoMatch;
          break;
        case kOpKsum7:
          if (!checksumByte(vorn::ksum7(sum_))) return MatchResult::NoMatch;
          break;
        case kOpXLen: {
          std::uint32_t from = p_;
          if (!skip(operand)) return MatchResult::NoMatch;
          x_ = 0;
          for (std::uint32_t i = from; i < p_; ++i) x_ = x_ * 128 + msg_[i];
          break;
        }
        case kOpXBlock:
          if (!skip(x_)) return MatchResult::NoMatch;
          break;
        case kOpLength:
          if (length_ != operand) return MatchResult::NoMatch;
          break;
        case kOpLast:
          if (operand > length_ - 2 || p_ > length_ - 1 - operand) return MatchResult::NoMatch;
          skip(length_ - 1 - operand - p_);
          break;
        case kOpRepeat:
          if (repeats_.size() >= kMaxRepeatDepth) return MatchResult::BadPattern;
          if (operand == 0) return MatchResult::BadPattern;
          repeats_.push_back({ip, operand, p_, sum_, x_, rangeOpen_, rangeStart_});
          break;
        case kOpRepeatEnd: {
          if (repeats_.empty()) return MatchResult::BadPattern;
          RepeatEntry& top = repeats_.back();
          if (--top.remaining == 0 || unchangedSince(top)) {
            repeats_.pop_back();
          } else {
            top.p = p_;
            top.sum = sum_;
            top.x = x_;
            top.rangeOpen = rangeOpen_;
            top.rangeStart = rangeStart_;
            ip = top.resume;
          }
          break;
        }
        case kOpRangeOpen:
          if (rangeOpen_) return MatchResult::BadPattern;
          rangeOpen_ = true;
          rangeStart_ = p_;
          break;
        case kOpRangeClose:
          if (!rangeOpen_) return MatchResult::BadPattern;
          ranges_.push_back({rangeStart_, p_});
          rangeOpen_ = false;
          break;
        default:
          return MatchResult::BadPattern;
      }
    }
  }

 private:
  // A data byte stands at p (the 0xF7 is at length - 1 and nothing follows it).
  bool atData() const { return p_ + 1 < length_; }
  void take() { sum_ = static_cast<std::uint8_t>(sum_ + msg_[p_++]); }

  // Skips n data bytes into the sum; reaching the 0xF7 is no match.
  bool skip(std::uint32_t n) {
    if (n == 0) return true;
    if (std::uint64_t{p_} + n > length_ - 1) return false;
    sum_ = vorn::runningSum(msg_.subspan(p_, n), sum_);
    p_ += n;
    return true;
  }

  // The checksum byte must be a data byte equal to `expected`; it is taken without being summed.
  bool checksumByte(std::uint8_t expected) {
    if (!atData() || msg_[p_] != expected) return false;
    ++p_;
    return true;
  }

  bool unchangedSince(const RepeatEntry& e) const {
    return e.p == p_ && e.sum == sum_ && e.x == x_ && e.rangeOpen == rangeOpen_ &&
           (!rangeOpen_ || e.rangeStart == rangeStart_);
  }

  std::span<const std::uint8_t> items_;
  std::span<const std::uint8_t> msg_;
  std::uint32_t length_;
  std::vector<ExtractRange>& ranges_;
  std::uint32_t p_ = 1;
  std::uint8_t sum_ = 0;
  std::uint32_t x_ = 0;
  bool rangeOpen_ = false;
  std::uint32_t rangeStart_ = 0;
  std::vector<RepeatEntry> repeats_;
};

}  // namespace

MatchResult runPattern(std::span<const std::uint8_t> items, std::span<const std::uint8_t> message,
                       std::vector<ExtractRange>& ranges) {
  return PatternRun(items, message, ranges).run();
}

}  // namespace sysex
