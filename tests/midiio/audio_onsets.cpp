#include "audio_onsets.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "run_tool.h"

namespace zamotest {

namespace {

std::uint32_t le(const std::string& data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(data[at + i]);
  return value;
}

}  // namespace

std::string readWav(const std::string& path, Audio& audio) {
  const std::string data = readFile(path);
  if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "WAVE") != 0) {
    return path + ": not a RIFF WAVE file";
  }
  unsigned channels = 0, bits = 0;
  for (std::size_t at = 12; at + 8 <= data.size();) {
    const std::string id = data.substr(at, 4);
    const std::size_t size = le(data, at + 4, 4), body = at + 8;
    if (size > data.size() - body) return path + ": chunk " + id + " runs past the end of the file";
    if (id == "fmt " && size >= 16) {
      channels = le(data, body + 2, 2);
      audio.rate = le(data, body + 4, 4);
      bits = le(data, body + 14, 2);
    } else if (id == "data") {
      if (channels == 0 || bits != 16) return path + ": not 16-bit PCM";
      const std::size_t frames = size / (2 * channels);
      audio.samples.assign(frames, 0.0f);
      for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (unsigned c = 0; c < channels; ++c) {
          sum += static_cast<std::int16_t>(le(data, body + 2 * (f * channels + c), 2)) / 32768.0f;
        }
        audio.samples[f] = sum / static_cast<float>(channels);
      }
      return "";
    }
    at = body + size + (size & 1);
  }
  return path + ": no data chunk";
}

float peakLevel(const Audio& audio, std::size_t from) {
  float peak = 0;
  for (std::size_t i = from; i < audio.samples.size(); ++i) peak = std::max(peak, std::abs(audio.samples[i]));
  return peak;
}

std::vector<std::size_t> detectOnsets(const Audio& audio, double gapMs) {
  const std::size_t window = audio.rate / 200, n = audio.samples.size();
  if (window == 0 || n <= window) return {};
  // energy[i]: the sum of squares over the window ending at frame i.
  std::vector<double> energy(n);
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sum += double(audio.samples[i]) * audio.samples[i];
    if (i >= window) sum -= double(audio.samples[i - window]) * audio.samples[i - window];
    energy[i] = std::max(sum, 0.0);
  }
  const double rise = *std::max_element(energy.begin(), energy.end()) / 100;
  const auto gap = static_cast<std::size_t>(gapMs * audio.rate / 1000);
  std::vector<std::size_t> onsets;
  for (std::size_t i = window; i < n; ++i) {
    if (energy[i] - energy[i - window] > rise) {
      onsets.push_back(i);
      i += gap;
    }
  }
  return onsets;
}

}  // namespace zamotest
