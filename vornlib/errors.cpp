#include "vornlib/errors.h"

#include <cstdio>
#include <cstring>


namespace vorn {
namespace {

MidiErrorTextFn gMidiErrorText = nullptr;

const char* suiteText(std::uint32_t code) {
  switch (code) {
    case kErrNoSuchDevice: return "no MIDI device of that name";
    case kErrMalformedInput: return "malformed input or unexpected end of input";
    case kErrShortRead: return "file read ended early";
    case kErrShortWrite: return "write wrote fewer bytes than asked";
    case kErrNoScript: return "the script is missing or empty";
    case kErrBadSelection: return "malformed selection pattern";
    case kErrEnvTooLong: return "environment variable value is too long";
    case kErrInterrupted: return "interrupted";
    case kErrKelSyntax: return "KEL expression: syntax error";
    case kErrKelUnknownName: return "KEL expression: unknown name";
    case kErrKelType: return "KEL expression: type mismatch";
    case kErrKelDivideByZero: return "KEL expression: division by zero";
    case kErrKelRange: return "KEL expression: value out of range";
    case kErrKelTooLong: return "KEL expression: byte string longer than 16 MiB";
    case kErrKelTooDeep: return "KEL expression: nested too deeply";
    case kErrKelReadOnly: return "KEL expression: name cannot be assigned";
    case kErrKelArguments: return "KEL expression: wrong arguments to a function";
    case kErrKelHost: return "KEL expression: refused by the calling tool";
    case kErrKelInterrupted: return "KEL expression: interrupted";
    case kErrKelTooMuchWork: return "KEL expression: too much work (more than 256 MiB built)";
    default: return nullptr;
  }
}

}  // namespace

void setMidiErrorText(MidiErrorTextFn fn) { gMidiErrorText = fn; }

std::string errorText(std::uint32_t code) {
  if (const char* text = suiteText(code)) return text;
  if (code >= kMidiErrorBase && code < kMidiErrorBase + 0x10000000u) {
    if (gMidiErrorText) return gMidiErrorText(code - kMidiErrorBase);
    return "MIDI error " + std::to_string(code - kMidiErrorBase);
  }
  if (code > 0 && code < 0x10000) return std::strerror(static_cast<int>(code));
  char buf[32];
  std::snprintf(buf, sizeof buf, "error 0x%08X", static_cast<unsigned>(code));
  return buf;
}

}  // namespace vorn
