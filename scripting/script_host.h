#pragma once
// praven's names in KEL: functions that send to the MIDI output and write to
// the output, variables that wait for SysEx from the MIDI input and report
// the run's settings, and the positional parameters. Names are matched
// without regard to ASCII case. The host never throws: a break or a lost
// device comes back as an error, which the caller turns into the end of the
// run. A message that a receive had to close is never given as a reply: syx
// and nsyx give the time-out's answer, msyx leaves it out, and the host tells
// the tool, which reports it.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vornlib/kel/host.h"

namespace midiio {

// The longest wait for a piece of data: -T120, and timeout(120000); and the
// wait without -T.
inline constexpr std::uint32_t kLongestScriptTimeoutMs = 120000;
inline constexpr std::uint32_t kDefaultScriptTimeoutMs = 10000;

struct ScriptSettings {
  bool outputEnabled = false;
  bool inputEnabled = false;
  bool emptyOnTimeout = false;        // Z: a receive that times out gives "" instead of 0
  std::int32_t deviceNumber = 0;      // D
  std::uint32_t timeoutMs = kDefaultScriptTimeoutMs;  // T, or timeout(n)
  std::uint32_t syxcount = 1;         // syxcount(n)
  std::vector<std::string> fileArgs;  // $1..$argc
  std::size_t maxBytes = 16 * 1024 * 1024;  // the evaluator's longest byte string
};

class ScriptHost final : public kel::Host {
 public:
  // Gets "message 2 cut after 300 bytes: ...; syx gives 0" for each cut message.
  using CutReport = std::function<void(const std::string&)>;

  explicit ScriptHost(ScriptSettings settings, CutReport onCut = {})
      : s_(std::move(settings)), onCut_(std::move(onCut)) {}
  const ScriptSettings& settings() const { return s_; }

  bool hasVariable(std::string_view name) override;
  kel::Result<kel::Value> readVariable(std::string_view name) override;
  bool hasFunction(std::string_view name) override;
  kel::Result<kel::Value> callFunction(std::string_view name, std::span<const kel::Value> args) override;
  std::optional<std::string> positional(std::int32_t n) override;

 private:
  kel::Result<kel::Value> receive(std::string_view which);
  kel::Result<kel::Value> timedOut() const;
  void reportCut(std::string_view which, bool runEnds) const;
  kel::Result<kel::Value> send(std::string_view which, const kel::Value& arg);

  ScriptSettings s_;
  CutReport onCut_;
  std::uint64_t messages_ = 0;  // begun in this run, the cut ones included
};

}  // namespace midiio
