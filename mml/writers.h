#pragma once
// The two outputs of the compiler, written to the current output from the
// ordered events.
#include <span>

#include "mml/event_store.h"
#include "vornlib/streams.h"

namespace mml {

// An OSTRA sequence: deltas in ticks, tempo records, and an end record at
// the time of the last event of all (block end markers included); to the
// current output unless another is given. Both writers stop for a break,
// which is then the output's fault (its status()).
void writeOstra(std::span<const EventRecord> ordered, const EventStore& store,
                vorn::ByteOutput& out = vorn::getouthandle());

// A DORNA stream: delays in steps of `stepInterval` milliseconds, tempo
// resolved (120 BPM until the first tempo event). Each delay is cut from the
// total elapsed time, so rounding never accumulates.
void writeDorna(std::span<const EventRecord> ordered, const EventStore& store, double stepInterval,
                vorn::ByteOutput& out = vorn::getouthandle());

}  // namespace mml
