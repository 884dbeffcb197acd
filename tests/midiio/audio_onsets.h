#pragma once
// What a test needs to judge a recording: a 16-bit PCM WAV file read into
// one channel, its level, and where its notes start.
#include <cstddef>
#include <string>
#include <vector>

namespace zamotest {

struct Audio {
  unsigned rate = 0;
  std::vector<float> samples;  // the channels' mean, full scale 1
};

// Reads a RIFF WAVE file of 16-bit PCM; "" or what is wrong with it.
std::string readWav(const std::string& path, Audio& audio);

float peakLevel(const Audio& audio, std::size_t from = 0);

// The frames where notes start: the energy of the 5 ms ending there exceeds
// that of the 5 ms before by a hundredth of the loudest 5 ms. A rise, not a
// ratio: the tail of the note before does not delay the next one's onset.
// After an onset the next is sought `gapMs` later.
std::vector<std::size_t> detectOnsets(const Audio& audio, double gapMs);

}  // namespace zamotest
