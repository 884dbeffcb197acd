#pragma once
// MIDI events in words, for dumps: "Note On C4 64", "Control Change 7 = 100",
// "Pitch Bend +512", "Tempo 120.00". Notes are named with middle C (key 60)
// as C4 and sharps for the black keys: key 0 is C-1, key 127 is G9.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace seq {

// "C4" for 60, "F#-1" for 6.
std::string noteName(std::uint8_t key);

// A channel message without its channel (the status's low nibble): "Note On
// C4 64", "Note Off C4 0", "Poly Pressure C4 30", "Control Change 7 = 100",
// "Program Change 5", "Channel Pressure 40", "Pitch Bend +512" (centred on
// 8192). Program change and channel pressure ignore `second`.
std::string channelMessageText(std::uint8_t status, std::uint8_t first, std::uint8_t second);
// The same written at `at`, which has room for kChannelTextMost bytes;
// returns where it ends. The dumps' lines are most often these.
inline constexpr std::size_t kChannelTextMost = 32;
char* writeChannelMessage(char* at, std::uint8_t status, std::uint8_t first, std::uint8_t second);

// A system status that a DORNA stream carries as a two-byte record: "Song
// Position 96", "Start", "System F4 01 02" for one with no meaning.
std::string systemMessageText(std::uint8_t status, std::uint8_t first, std::uint8_t second);

// "Tempo 120.00" for an OSTRA tempo of 12000 (beats per minute x 100).
std::string tempoText(std::uint16_t centiBeatsPerMinute);

// Text bytes (an SMF meta event's) in double quotes: printable ASCII and
// well-formed UTF-8 as they are, every other byte (and " and \) as \xNN.
std::string quotedText(std::span<const std::uint8_t> bytes);

}  // namespace seq
