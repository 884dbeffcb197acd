#include "seq/ostra_to_dorna.h"

#include <array>

#include "seq/ostra.h"
#include "seq/record_writer.h"
#include "seq/strict_input.h"
#include "vornlib/numbers.h"

namespace seq {
namespace {

// Far beyond any real sequence; keeps the conversion to an integer defined
// whatever the input adds up to.
constexpr double kStepsCeiling = 4.0e18;

// Steps for an elapsed time, rounded half up.
std::int64_t stepsAt(double elapsed, double stepLength) {
  double steps = elapsed / stepLength + 0.5;
  if (!(steps < kStepsCeiling)) steps = kStepsCeiling;
  return static_cast<std::int64_t>(steps);
}

}  // namespace

double tickLengthAt(std::uint16_t tempo) {
  return kUnitsPerMinute / ((tempo * 0.01) * kTicksPerQuarter);
}

void renderOstraToDorna(const RenderOptions& options) {
  RecordWriter out;
  const double stepLength = options.stepLength;
  double elapsed = 0.0;
  double tickLength = tickLengthAt(kDefaultTempo);

  for (;;) {
    std::uint8_t delta = needByte();
    if (delta != 0) elapsed += delta * tickLength;
    std::uint8_t status = needByte();

    if (isChannelStatus(status)) {
      std::uint8_t first = needByte();
      std::uint8_t second = needByte();
      out.channel(stepsAt(elapsed, stepLength), status, first, second);
      continue;
    }
    switch (status) {
      case kStatusSysEx:
      case kStatusEscape:
        if (options.keepSysEx) {
          // The head goes out as it is read, so a cut input leaves what it held.
          out.delayTo(stepsAt(elapsed, stepLength));
          vorn::OutByte(status);
          std::array<std::uint8_t, 4> length;
          needBytes(length);
          vorn::OutNByte(length);
          copyInputToOutput(vorn::readLE32(length.data()));
        } else {
          // Its time is carried into the next record written.
          skipInput(needLE32());
        }
        break;
      case kStatusTempo: {
        std::uint16_t tempo = needLE16();
        // A tempo of 0 would make every later tick endless.
        if (tempo == 0) failMalformed();
        tickLength = tickLengthAt(tempo);
        break;
      }
      case kStatusFiller:
        needByte();
        needByte();
        break;
      case kStatusEnd: {
        std::uint8_t first = needByte();
        std::uint8_t second = needByte();
        out.end(stepsAt(elapsed, stepLength), first, second);
        return;
      }
      default:
        needByte();
        needByte();
        failMalformed();
    }
  }
}

}  // namespace seq
