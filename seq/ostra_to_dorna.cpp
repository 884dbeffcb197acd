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
  auto now = [&] { return stepsAt(elapsed, stepLength); };

  for (;;) {
    {
      // The run's own copies, which stay in registers.
      double runElapsed = elapsed;
      const double runTickLength = tickLength;
      RecordWriter::ChannelRun run(out);
      reader.channelRun(record, [&](const Record& channel) {
        runElapsed += channel.delta * runTickLength;
        run.channel(stepsAt(runElapsed, stepLength), channel.status, channel.first, channel.second);
      });
      elapsed = runElapsed;
    }
    RecordKind kind = reader.next(record);
    if (kind == RecordKind::Fault) return reader.fault();
    // A delta of 0 adds 0: no jump to foresee.
    elapsed += record.delta * tickLength;

    switch (kind) {
      case RecordKind::Channel:
        out.channel(now(), record.status, record.first, record.second);
        break;
      case RecordKind::SysEx:
        if (options.keepSysEx) {
          // The body goes out as it is read, so a cut input leaves what it held.
          out.sysExHead(now(), record.status, record.length);
          if (!reader.copyBody(vorn::getouthandle())) return reader.fault();
        } else if (!reader.skipBody()) {
          return reader.fault();
        }
        // A dropped record's time is carried into the next record written.
        break;
      case RecordKind::Tempo:
        tickLength = tickLengthAt(record.tempo);
        break;
      case RecordKind::End:
        out.end(now(), record.first, record.second);
        return std::nullopt;
      case RecordKind::Filler:  // it only carries its delta
      case RecordKind::Fault:
        break;
    }
  }
}

}  // namespace seq
