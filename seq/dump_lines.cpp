#include "seq/dump_lines.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "seq/event_text.h"

namespace seq {

void DumpLines::comment(std::string_view text) {
  out_.write("# ");
  out_.write(text);
  out_.put('\n');
}

namespace {

// What the columns of a line may take: the time (20 digits at most), the
// milliseconds (under 30) and the channel, with their gaps; and what the
// spaces' stores may write beyond the end.
constexpr std::size_t kColumnsMost = 96;
constexpr std::size_t kFieldCopy = 16;
constexpr char kSpaces[] = "                ";

// The digits of `value` written backwards, ending at `end`; where they start.
template <typename Unsigned>
char* digitsBefore(char* end, Unsigned value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // Four digits a step: two independent pairs, and half the long divisions.
  while (value >= 10000) {
    unsigned four = static_cast<unsigned>(value % 10000);
    value /= 10000;
    end -= 4;
    std::memcpy(end, kPairs + 2 * (four / 100), 2);
    std::memcpy(end + 2, kPairs + 2 * (four % 100), 2);
  }
  while (value >= 100) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * value, 2);
  } else {
    *--end = static_cast<char>('0' + value);
  }
  return end;
}

// Most numbers fit 32 bits, whose division by 100 is the cheaper.
char* digitsBefore(char* end, std::uint64_t value) {
  if (value <= UINT32_MAX) return digitsBefore<std::uint32_t>(end, static_cast<std::uint32_t>(value));
  return digitsBefore<std::uint64_t>(end, value);
}

unsigned digitCount(std::uint64_t value) {
  static constexpr std::uint64_t kPowers[] = {0ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull,
                                              10000000ull, 100000000ull, 1000000000ull, 10000000000ull,
                                              100000000000ull, 1000000000000ull, 10000000000000ull,
                                              100000000000000ull, 1000000000000000ull, 10000000000000000ull,
                                              100000000000000000ull, 1000000000000000000ull,
                                              10000000000000000000ull};
  // 1233 / 4096 is just above log10(2): from the bit count, the digits
  // less one, or one more than that (the first power is 0, so that 0 has
  // one digit).
  unsigned guess = static_cast<unsigned>(std::bit_width(value | 1)) * 1233 >> 12;
  return guess + 1 - (value < kPowers[guess] ? 1 : 0);
}

// Where a field of `n` bytes starts when right-aligned in `width` columns
// (at most 16) from `at`: the spaces before it are written.
char* alignedStart(char* at, std::size_t n, std::size_t width) {
  if (n >= width) return at;
  std::memcpy(at, kSpaces, 16);
  return at + width - n;
}

// `gap` spaces (at most 16) after the field ending at `at`.
char* gapAfter(char* at, std::size_t gap) {
  std::memcpy(at, kSpaces, 16);
  return at + gap;
}

// `value` right-aligned in `width` columns, then `gap` spaces. The digits
// go straight to their place: written to a scratch buffer and copied, they
// would be read back before their stores are done.
char* numberColumn(char* at, std::uint64_t value, std::size_t width, std::size_t gap) {
  unsigned n = digitCount(value);
  at = alignedStart(at, n, width) + n;
  digitsBefore(at, value);
  return gapAfter(at, gap);
}

// How far ms x 1000 lies from `whole`, exact but for the last rounding:
// ms is cut into a head of 43 significant bits and a tail of at most 10,
// whose products with 1000 (10 significant bits) are exact, and the head's
// product is near enough to `whole` for their difference to be exact.
double offThousandths(double ms, double whole) {
  std::uint64_t bits;
  std::memcpy(&bits, &ms, sizeof bits);
  bits &= ~std::uint64_t{0x3FF};
  double head;
  std::memcpy(&head, &bits, sizeof head);
  return (head * 1000.0 - whole) + (ms - head) * 1000.0;
}

// Milliseconds with three decimals, the value's exact decimal expansion
// rounded to the nearest thousandth, as printf's "%.3f" gives them, right-
// aligned in `width` columns, then `gap` spaces: the slow, exact way.
char* exactMsColumn(char* at, double ms, std::size_t width, std::size_t gap) {
  // Times are below 3e23 ms (64-bit ticks of at most 16.8 s); a value too
  // long to show in full is shown in exponent form.
  char text[64];
  std::to_chars_result shown = std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, 3);
  if (shown.ec != std::errc()) shown = std::to_chars(text, text + sizeof text, ms, std::chars_format::scientific, 3);
  std::size_t n = static_cast<std::size_t>(shown.ptr - text);
  at = alignedStart(at, n, width);
  std::memcpy(at, text, n);
  return gapAfter(at + n, gap);
}

// The columns below are built in 64-bit registers whose bytes are stored
// in memory low byte first.
static_assert(std::endian::native == std::endian::little, "the columns are built for little-endian machines");

// Eight decimal digits of `value` (below 10^8), one a byte with the first
// in the lowest byte, as they lie in memory; each a number from 0 to 9.
// Worked out in one register: the groups of digits are halved three times,
// each group's quotient and remainder by a multiplication and a shift
// (5243 / 2^19 stands for 1/100 below 43699, 103 / 2^10 for 1/10 below 179).
[[gnu::always_inline]] inline std::uint64_t eightDigits(std::uint32_t value) {
  std::uint64_t v = value / 10000 | std::uint64_t{value % 10000} << 32;
  std::uint64_t q = (v * 5243) >> 19 & 0x0000007F0000007Full;
  v = q | (v - q * 100) << 16;
  q = (v * 103) >> 10 & 0x000F000F000F000Full;
  return q | (v - q * 10) << 8;
}

constexpr std::uint64_t kZeros = 0x3030303030303030ull;
constexpr std::uint64_t kEightSpaces = 0x2020202020202020ull;

// eightDigits' digits as text, right-aligned: the zeros before the first
// other digit are spaces (the last digit stays, whatever it is).
[[gnu::always_inline]] inline std::uint64_t alignedDigits(std::uint64_t digits) {
  const unsigned leading = static_cast<unsigned>(std::countr_zero(digits | std::uint64_t{1} << 56)) & ~7u;
  const std::uint64_t spaces = (std::uint64_t{1} << leading) - 1;
  return (digits | kZeros) - (spaces & 0x1010101010101010ull);
}

// The time column and its gap: a time below 10^10 right-aligned in ten
// columns and a space, stored without a division loop or a table.
char* writeTime(char* at, std::uint64_t time) {
  if (time >= 10000000000ull) return numberColumn(at, time, 10, 1);
  std::uint64_t head = kEightSpaces;  // its last two bytes are the first two columns
  std::uint64_t tail;
  if (time < 100000000) {
    tail = alignedDigits(eightDigits(static_cast<std::uint32_t>(time)));
  } else {
    head = alignedDigits(eightDigits(static_cast<std::uint32_t>(time / 100000000)));
    tail = eightDigits(static_cast<std::uint32_t>(time % 100000000)) | kZeros;
  }
  const auto first = static_cast<std::uint16_t>(head >> 48);
  std::memcpy(at, &first, 2);
  std::memcpy(at + 2, &tail, 8);
  at[10] = ' ';
  return at + 11;
}

// ".000" to ".999" as they lie in memory, four bytes each.
constexpr auto kDecimals = [] {
  std::array<std::uint32_t, 1000> texts{};
  for (std::uint32_t n = 0; n < 1000; ++n) {
    texts[n] = '.' | ('0' + n / 100) << 8 | ('0' + n / 10 % 10) << 16 | ('0' + n % 10) << 24;
  }
  return texts;
}();

// The whole milliseconds of the column, right-aligned in its first eight
// columns; from 10^8 on they take more, with no space before them.
char* writeWholeMs(char* at, std::uint64_t whole) {
  if (whole < 100000000) {
    const std::uint64_t text = alignedDigits(eightDigits(static_cast<std::uint32_t>(whole)));
    std::memcpy(at, &text, 8);
    return at + 8;
  }
  // The digits before the last eight, without their leading zeros.
  const std::uint64_t high = eightDigits(static_cast<std::uint32_t>(whole / 100000000));
  const unsigned zeros = static_cast<unsigned>(std::countr_zero(high)) & ~7u;
  const std::uint64_t head = (high | kZeros) >> zeros;
  const std::uint64_t low = eightDigits(static_cast<std::uint32_t>(whole % 100000000)) | kZeros;
  std::memcpy(at, &head, 8);
  at += 8 - zeros / 8;
  std::memcpy(at, &low, 8);
  return at + 8;
}

// The milliseconds column and its gap, as exactMsColumn writes them for 12
// columns and 2 spaces. The fast way takes a whole number of thousandths
// near ms x 1000 and checks that it lies less than half a thousandth away
// (from 1 ms up a double's last bit is no finer than 2^-52, so the check is
// exact enough); a value too close to the half-way mark to be sure of, or
// out of range, goes the slow, exact way.
char* writeMs(char* at, double ms) {
  if (ms >= 1.0 && ms < 1e15) {
    auto thousandths = static_cast<std::uint64_t>(ms * 1000.0 + 0.5);
    if (std::fabs(offThousandths(ms, static_cast<double>(thousandths))) < 0.4999) {
      at = writeWholeMs(at, thousandths / 1000);
      // The point and the three decimals, then the gap.
      const std::uint64_t tail = kDecimals[thousandths % 1000] | std::uint64_t{0x2020} << 32;
      std::memcpy(at, &tail, 8);
      return at + 6;
    }
  }
  return exactMsColumn(at, ms, 12, 2);
}

// The channel column between the gaps before and after it, six bytes of
// eight-byte entries: "-" for none (0), then 1 to 16.
constexpr char kChannelColumns[] =
    "   -    "
    "   1    "
    "   2    "
    "   3    "
    "   4    "
    "   5    "
    "   6    "
    "   7    "
    "   8    "
    "   9    "
    "  10    "
    "  11    "
    "  12    "
    "  13    "
    "  14    "
    "  15    "
    "  16    ";

}  // namespace

// Formatted by hand into the output's buffer: printf's floating point took
// half of a dump's time, and building a string for each line most of the rest.
char* DumpLines::timeColumns(char* at, std::uint64_t time, double ms) {
  std::uint64_t msBits;
  std::memcpy(&msBits, &ms, sizeof msBits);
  if (lastLength_ != 0 && time == lastTime_ && msBits == lastMsBits_) {
    std::memcpy(at, lastColumns_, sizeof lastColumns_);
    return at + lastLength_;
  }
  char* const start = at;
  at = writeMs(writeTime(at, time), ms);
  const auto length = static_cast<std::size_t>(at - start);
  lastLength_ = length <= sizeof lastColumns_ ? length : 0;
  if (lastLength_ != 0) {
    std::memcpy(lastColumns_, start, sizeof lastColumns_);
    lastTime_ = time;
    lastMsBits_ = msBits;
  }
  return at;
}

char* DumpLines::columns(char* at, std::uint64_t time, double ms, int channel) {
  at = timeColumns(at, time, ms);
  if (channel <= 16) {
    // The gap after the milliseconds is written again with the channel.
    std::memcpy(at - 2, kChannelColumns + 8 * (channel < 0 ? 0 : channel), 8);
    return at + 4;
  }
  return numberColumn(at, static_cast<std::uint64_t>(channel), 2, 2);
}

void DumpLines::event(std::uint64_t time, double ms, int channel, std::string_view text) {
  out_.commit(columns(out_.reserve(kColumnsMost + kFieldCopy), time, ms, channel));
  out_.write(text);
  out_.put('\n');
}

void DumpLines::channelEvent(std::uint64_t time, double ms, std::uint8_t status, std::uint8_t first,
                             std::uint8_t second) {
  char* at = columns(out_.reserve(kColumnsMost + kFieldCopy + kChannelTextMost), time, ms, (status & 0x0F) + 1);
  at = writeChannelMessage(at, status, first, second);
  *at++ = '\n';
  out_.commit(at);
}

}  // namespace seq
