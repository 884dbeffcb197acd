#pragma once
// The byte code that selection patterns compile to. A program is a run of
// pattern records back to back; each record is
//   u32 little-endian record length (the whole record, this word included)
//   items, in pattern order
//   kOpEnd
// An item byte below 0x80 is a literal data byte; the operations below
// follow, some with a u32 little-endian operand.
#include <cstdint>

namespace sysex {

enum PatternOp : std::uint8_t {
  kOpEnd = 0x81,       // end of the pattern: it matches
  kOpTail = 0x82,      // .TAIL: the message's 0xF7
  kOpAny = 0x83,       // ?: any data byte
  kOpResetSum = 0x84,  // /: the running sum starts again
  kOpBlock = 0x85,     // .BLK(n): skip n data bytes
  kOpSum7 = 0x86,      // .SUM7
  kOpCsum7 = 0x87,     // .CSUM7
  kOpKsum7 = 0x88,     // .KSUM7
  kOpXLen = 0x89,      // .XLEN(n): n bytes giving a later block's length
  kOpXBlock = 0x8A,    // .XBLK: skip that block
  kOpLength = 0x8B,    // .LEN(n): the whole message is n bytes long
  kOpLast = 0x8C,      // .LAST(n): move to n data bytes before the 0xF7
  kOpRepeat = 0x8D,    // .REP(n): start of a part run n times
  kOpRepeatEnd = 0x8E, // .REPE
  kOpRangeOpen = 0x8F, // {
  kOpRangeClose = 0x90,// }
};

// Operations followed by a u32 operand.
constexpr bool hasOperand(std::uint8_t op) {
  return op == kOpBlock || op == kOpXLen || op == kOpLength || op == kOpLast || op == kOpRepeat;
}

inline constexpr std::size_t kRecordHeaderSize = 4;
// Deepest nesting of .REP a pattern may have.
inline constexpr unsigned kMaxRepeatDepth = 128;

}  // namespace sysex
