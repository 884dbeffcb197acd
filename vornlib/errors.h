#pragma once
// Error codes shared by the whole suite and their texts.
//
// Codes 0xE00000xx are the suite's own; small positive codes are errno values
// (the system's text is shown); 0x60000000 + n are MIDI layer errors.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

enum ErrorCode : std::uint32_t {
  kErrNoSuchDevice = 0xE0000001,   // a MIDI device named in ZAMO_MIDI_OUT / ZAMO_MIDI_IN does not exist
  kErrMalformedInput = 0xE0000002, // input data is malformed or ends early
  kErrShortRead = 0xE0000005,      // a file read returned fewer bytes than asked
  kErrShortWrite = 0xE0000006,     // a device or port write wrote fewer bytes than asked
  kErrNoScript = 0xE0000007,       // a required script word is missing or empty
  kErrBadSelection = 0xE000000A,   // a selection pattern is malformed
  kErrEnvTooLong = 0xE000000B,     // an environment variable's value is too long
  kErrInterrupted = 0xE000000C,    // a break (Ctrl-C) stopped the call

  // The KEL expression evaluator.
  kErrKelSyntax = 0xE0000010,
  kErrKelUnknownName = 0xE0000011,
  kErrKelType = 0xE0000012,
  kErrKelDivideByZero = 0xE0000013,
  kErrKelRange = 0xE0000014,
  kErrKelTooLong = 0xE0000015,
  kErrKelTooDeep = 0xE0000016,
  kErrKelReadOnly = 0xE0000017,
  kErrKelArguments = 0xE0000018,
  kErrKelHost = 0xE0000019,        // the calling tool refused a name or call
  kErrKelInterrupted = 0xE000001A, // a break (Ctrl-C) stopped the evaluation
  kErrKelTooMuchWork = 0xE000001B, // one evaluation built more bytes than its limit allows

  kMidiErrorBase = 0x60000000,
};

// English text for a code: the suite's own texts, strerror() for errno values,
// the MIDI layer's text for MIDI codes.
std::string errorText(std::uint32_t code);

// Lets the MIDI layer supply texts for 0x60000000 + n codes.
using MidiErrorTextFn = std::string (*)(std::uint32_t midiError);
void setMidiErrorText(MidiErrorTextFn fn);

// How messages name an input: its file name, or "<stdin>" for a null name.
inline std::string inputDisplayName(const char* fileName) { return fileName ? fileName : "<stdin>"; }

}  // namespace vorn
