#include "scripting/dialogue.h"

#include "midiio/midi_input.h"
#include "midiio/port_words.h"
#include "scripting/expression_failure.h"
#include "vornlib/kel/kel.h"
#include "vornlib/numbers.h"

namespace midiio {
namespace {

constexpr std::size_t kInputNodes = 1024;
constexpr std::size_t kInputBlocks = 1024;
constexpr std::uint32_t kClockPeriodMs = 10;

}  // namespace

vorn::OptionHandler timeoutOption(std::uint32_t& timeoutMs, TimeoutRule rule) {
  return [&timeoutMs, rule](std::string_view text) {
    if (text.empty()) {
      timeoutMs = kDefaultScriptTimeoutMs;
      return true;
    }
    std::uint32_t seconds;
    const bool read = rule.blanksAround ? vorn::parseBlankedDecimal(text, seconds)
                                        : vorn::parseWholeDecimal(text, seconds);
    if (!read || seconds < rule.fewestSeconds || seconds > kLongestScriptTimeoutMs / 1000) return false;
    timeoutMs = seconds * 1000;
    return true;
  };
}

vorn::Status openDialogue(DialoguePorts& ports, const std::function<void(const std::string&)>& note) {
  (void)startClock(kClockPeriodMs);
  if (ports.input && !ports.inputChosen) {
    if (vorn::Status chosen = chooseMidiInputFromEnvironment(ports.inputIndex); !chosen) return chosen;
  }
  if (ports.output) {
    if (!ports.outputChosen) {
      if (vorn::Status chosen = chooseMidiOutputFromEnvironment(ports.outputIndex); !chosen) return chosen;
    }
    if (vorn::Status opened = openMidiOutput(ports.outputIndex); !opened) return opened;
    if (auto line = defaultPortNote(Direction::output, ports.outputIndex)) note(*line);
  }
  if (ports.input) {
    if (vorn::Status opened = openMidiInput(ports.inputIndex, kInputNodes, kInputBlocks, kInputLongData); !opened) {
      return opened;
    }
    if (auto line = defaultPortNote(Direction::input, ports.inputIndex)) note(*line);
  }
  return {};
}

void closeDialogue() {
  stopClock();
  closeMidiInput();
  closeMidiOutput();
}

vorn::Status requestBytes(const std::string& text, std::size_t limit, std::string& bytes) {
  if (!text.starts_with(':')) return vorn::readWholeFile(text.c_str(), limit, bytes);
  kel::Session session;
  kel::Result<kel::Evaluated> result = session.evaluateAll(text, 1, kel::Want::Bytes);
  if (!result) return expressionFault("the request -R" + text, result.error());
  bytes = std::move(result.value().value.asBytes());
  return {};
}

vorn::Status sendRequest(const std::string& bytes) {
  if (bytes.empty()) return {};
  return sendLongMessage({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

vorn::Status runScript(std::string_view script, ScriptHost& host, bool evaluateOnly, vorn::ByteOutput& out) {
  const bool receiving = host.settings().inputEnabled;
  if (receiving) {
    if (vorn::Status started = startMidiInput(); !started) return started;
    flushInputQueue();
  }
  kel::Session session(&host);
  for (std::size_t pos = kel::Session::skipSeparators(script, 0); pos < script.size();) {
    kel::Result<kel::Evaluated> result =
        session.evaluateNext(script, pos, evaluateOnly ? kel::Want::Any : kel::Want::Bytes);
    if (!result) return expressionFault("the script", result.error());
    if (!evaluateOnly) {
      const std::string& bytes = result.value().value.asBytes();
      out.write(std::string_view(bytes));
      out.flush();
    }
    pos = kel::Session::skipSeparators(script, result.value().end);
  }
  if (receiving) stopMidiInput();
  return {};
}

}  // namespace midiio
