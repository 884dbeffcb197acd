#pragma once
// Device names as users type them: whole-name matching with ASCII-only case
// folding, " #2" numbering for identical names, and the default device.
#include <string>
#include <string_view>
#include <vector>

#include "midiio/backend.h"

namespace midiio {

// True when the names are equal with ASCII letters folded; other bytes
// (UTF-8 included) must match exactly.
bool sameDeviceName(std::string_view a, std::string_view b);

// Index of the first device named `name`, or -1.
int findDevice(const std::vector<Device>& devices, std::string_view name);

// Appends " #2", " #3", ... to the second and later of identical names, in list order.
void numberDuplicateNames(std::vector<Device>& devices);

// The device used when none is named: the first that is not a loopback, or the
// loopback when it is all there is; -1 for an empty list.
int defaultDevice(const std::vector<Device>& devices);

}  // namespace midiio
