#pragma once
// Names the files a tool writes one per item (wental: one per message).
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// Builds into `out` the name of item `number` read from `inputName`
// (nullptr = standard input): `base` followed by `pattern` with its fields
// expanded:
//   %1   the number in decimal
//   %2   the input's base name without directory and extension ("stdin")
//   %%   a percent sign
// %1 and %2 may be followed by "z", a width and ";" to pad the field with
// zeros on the left to that width: "%1z8;.SYX" gives "00000042.SYX".
// Returns false with errno set: EINVAL for any other use of "%",
// ENAMETOOLONG for a name of kMaxPath bytes or more.
bool ArgFileName(std::string& out, std::string_view base, std::string_view pattern, std::uint32_t number,
                 const char* inputName);

}  // namespace vorn
