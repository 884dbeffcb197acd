#include "scripting/script_host.h"

#include <array>

#include "midiio/midi_input.h"
#include "midiio/midi_layer.h"
#include "vornlib/breaks.h"
#include "vornlib/errors.h"
#include "vornlib/streams.h"

namespace midiio {
namespace {

constexpr std::array kVariables{"argc", "devno", "timeout", "syx", "nsyx", "msyx", "clear", "ovf"};
constexpr std::array kFunctions{"syx", "msg", "out", "timeout", "syxcount"};

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

template <std::size_t N>
const char* known(const std::array<const char*, N>& names, std::string_view name) {
  for (const char* n : names) {
    if (sameName(n, name)) return n;
  }
  return nullptr;
}

kel::Value yes(bool b) { return kel::Value::ofInt(b ? 1 : 0); }

// The fault of a failed receive, as the evaluator's error.
kel::Error receiveError(const vorn::Fault& fault) {
  if (vorn::isInterruption(fault) || vorn::breakPending()) {
    return kel::Error::host("interrupted", vorn::kErrKelInterrupted);
  }
  return kel::Error::host(vorn::errorText(fault.code), fault.code);
}

}  // namespace

bool ScriptHost::hasVariable(std::string_view name) { return known(kVariables, name) != nullptr; }
bool ScriptHost::hasFunction(std::string_view name) { return known(kFunctions, name) != nullptr; }

kel::Result<kel::Value> ScriptHost::readVariable(std::string_view name) {
  const std::string_view n = known(kVariables, name);
  if (n == "argc") return kel::Value::ofInt(static_cast<std::int32_t>(s_.fileArgs.size()));
  if (n == "devno") return kel::Value::ofInt(s_.deviceNumber);
  if (n == "timeout") return kel::Value::ofInt(static_cast<std::int32_t>(s_.timeoutMs));
  if (n == "clear") {
    if (s_.inputEnabled) flushInputQueue();
    return yes(true);
  }
  if (n == "ovf") return yes(s_.inputEnabled && inputOverflow());
  return receive(n);
}

kel::Result<kel::Value> ScriptHost::timedOut() const {
  return s_.emptyOnTimeout ? kel::Value::ofBytes({}) : kel::Value::ofInt(0);
}

void ScriptHost::reportCut(std::string_view which, bool runEnds) const {
  if (!onCut_) return;
  std::string text = describeCut(messages_, lastSysExCut(), s_.timeoutMs);
  if (!runEnds) {
    text += "; " + std::string(which);
    text += which == "msyx" ? " leaves it out" : s_.emptyOnTimeout ? " gives an empty string" : " gives 0";
  }
  onCut_(text);
}

// syx: one message; nsyx: syxcount of them, or the time-out's answer; msyx:
// every message until a time-out. Each reply is an owned copy; collecting
// stops at the evaluator's longest byte string.
kel::Result<kel::Value> ScriptHost::receive(std::string_view which) {
  if (!s_.inputEnabled) return kel::Value::ofInt(0);
  std::string all, one;
  const SysExSink sink = [&](std::span<const std::uint8_t> b) { one.append(b.begin(), b.end()); };
  const std::uint32_t wanted = which == "syx" ? 1 : which == "nsyx" ? s_.syxcount : 0xFFFFFFFF;
  for (std::uint32_t got = 0; got < wanted; ++got) {
    one.clear();
    const Reception received = receiveSysEx(s_.timeoutMs, sink);
    const Received r = received.how;
    const bool fault = r == Received::failed || r == Received::sourceLeft;
    if (!one.empty()) ++messages_;
    const bool cut = lastSysExCut().cause != CutCause::none;
    if (cut) reportCut(which, fault);
    if (fault) return receiveError(received.fault);
    if (which == "msyx" && r == Received::timedOut) return kel::Value::ofBytes(std::move(all));
    if (which == "msyx" && cut) continue;
    if (r == Received::timedOut || cut) return timedOut();
    if (all.size() + one.size() > s_.maxBytes) {
      return kel::Error::host(std::string(which) + " received more than the longest byte string",
                              vorn::kErrKelTooLong);
    }
    all += one;
  }
  return kel::Value::ofBytes(std::move(all));
}

kel::Result<kel::Value> ScriptHost::send(std::string_view which, const kel::Value& arg) {
  if (!arg.isBytes() || !s_.outputEnabled) return yes(false);
  const std::string& bytes = arg.asBytes();
  if (vorn::breakPending()) return kel::Error::host("interrupted", vorn::kErrKelInterrupted);
  vorn::Status sent;
  if (which == "syx") {
    sent = sendLongMessage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  } else {
    std::uint32_t packed = 0;
    for (std::size_t i = 0; i < 3 && i < bytes.size(); ++i) packed |= std::uint32_t{static_cast<std::uint8_t>(bytes[i])} << (8 * i);
    sent = sendShortMessage(packed);
  }
  // A send that a break ended is the evaluator's error, not a refused send.
  if (!sent && vorn::isInterruption(sent.fault()) && vorn::breakPending()) {
    return kel::Error::host("interrupted", vorn::kErrKelInterrupted);
  }
  return yes(sent.ok());
}

kel::Result<kel::Value> ScriptHost::callFunction(std::string_view name, std::span<const kel::Value> args) {
  const std::string_view n = known(kFunctions, name);
  if (args.size() != 1) return kel::Error::host(std::string(n) + "() takes one argument", vorn::kErrKelArguments);
  const kel::Value& arg = args[0];
  if (n == "syx" || n == "msg") return send(n, arg);
  if (n == "out") {
    if (!arg.isBytes()) return yes(false);
    vorn::OutNByte({reinterpret_cast<const std::uint8_t*>(arg.asBytes().data()), arg.asBytes().size()});
    return yes(true);
  }
  if (!arg.isInt()) return kel::Error::host(std::string(n) + "() takes an integer", vorn::kErrKelType);
  if (n == "timeout") {
    // A negative wait would never end: the clock's difference is unsigned.
    if (arg.asInt() < 0 || static_cast<std::uint32_t>(arg.asInt()) > kLongestScriptTimeoutMs) {
      return kel::Error::host("timeout() takes 0 to " + std::to_string(kLongestScriptTimeoutMs) + " ms, not " +
                                  std::to_string(arg.asInt()),
                              vorn::kErrKelRange);
    }
    s_.timeoutMs = static_cast<std::uint32_t>(arg.asInt());
  }
  else s_.syxcount = static_cast<std::uint32_t>(arg.asInt());
  return arg;
}

std::optional<std::string> ScriptHost::positional(std::int32_t n) {
  if (n >= 1 && static_cast<std::size_t>(n) <= s_.fileArgs.size()) return s_.fileArgs[static_cast<std::size_t>(n) - 1];
  if (n == 0) return std::to_string(s_.fileArgs.size());
  if (n == -1) return std::to_string(s_.deviceNumber);
  if (n == -2) return std::to_string(s_.timeoutMs);
  return std::string();
}

}  // namespace midiio
