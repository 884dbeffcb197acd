#include "midiio/break_check.h"

#include "vornlib/breaks.h"

namespace midiio {
namespace {

int gIgnoring = 0;  // only the main thread waits and closes

}  // namespace

bool breakRequested() { return gIgnoring == 0 && vorn::breakPending(); }

IgnoringBreaks::IgnoringBreaks() { ++gIgnoring; }
IgnoringBreaks::~IgnoringBreaks() { --gIgnoring; }

}  // namespace midiio
