#include "midiio/device_names.h"

#include <map>

namespace midiio {
namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool sameDeviceName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

int findDevice(const std::vector<Device>& devices, std::string_view name) {
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (sameDeviceName(devices[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void numberDuplicateNames(std::vector<Device>& devices) {
  std::map<std::string, int> seen;
  for (Device& device : devices) {
    const int count = ++seen[device.name];
    if (count > 1) device.name += " #" + std::to_string(count);
  }
}

int defaultDevice(const std::vector<Device>& devices) {
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (!devices[i].loopback) return static_cast<int>(i);
  }
  return devices.empty() ? -1 : 0;
}

}  // namespace midiio
