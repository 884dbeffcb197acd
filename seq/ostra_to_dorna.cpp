#include "seq/ostra_to_dorna.h"

#include "seq/ostra.h"
#include "seq/record_reader.h"
#include "seq/record_writer.h"

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

std::optional<InputFault> renderOstraToDorna(vorn::ByteInput& in, const RenderOptions& options) {
  RecordReader reader(in);
  RecordWriter out;
  const double stepLength = options.stepLength;
  double elapsed = 0.0;
  double tickLength = tickLengthAt(kDefaultTempo);
  Record record;

  while (!reader.atEnd()) {
    if (auto fault = reader.next(record)) return fault;
    if (record.delta != 0) elapsed += record.delta * tickLength;

    if (isChannelStatus(record.status)) {
      out.channel(stepsAt(elapsed, stepLength), record.status, record.first, record.second);
      continue;
    }
    switch (record.status) {
      case kStatusSysEx:
      case kStatusEscape:
        if (options.keepSysEx) {
          // The body goes out as it is read, so a cut input leaves what it held.
          out.sysExHead(stepsAt(elapsed, stepLength), record.status, record.length);
          if (auto fault = reader.copyBody(record, vorn::getouthandle())) return fault;
        } else if (auto fault = reader.skipBody(record)) {
          return fault;
        }
        // Dropped, its time is carried into the next record written.
        break;
      case kStatusTempo:
        tickLength = tickLengthAt(record.tempo);
        break;
      case kStatusEnd:
        out.end(stepsAt(elapsed, stepLength), record.first, record.second);
        break;
      default:  // the filler only carries its delta
        break;
    }
  }
  return std::nullopt;
}

}  // namespace seq
