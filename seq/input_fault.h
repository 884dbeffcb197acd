#pragma once
// A fault of an input the converters read: what was found, and the offset
// of the byte that is wrong (for an early end, where the input ended).
// Converters return faults as values; the tool reports one (frame::failInput).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vornlib/fault.h"
#include "vornlib/shown_bytes.h"

namespace seq {

// The offset is empty only for an input that held no byte at all ("no input").
using InputFault = vorn::Fault;

// The input ended at `offset`, which `text` explains; "no input" instead when
// it held nothing at all.
InputFault endsAt(std::string text, std::uint64_t offset);
// The input ended at `offset` while `what` was read: "input ends inside a tempo record".
InputFault endsInside(std::string_view what, std::uint64_t offset);

// How messages show bytes ("F5", "\"MThd\"") is vornlib's, shared by every tool.
using vorn::hexByte;
using vorn::quotedBytes;

}  // namespace seq
