#pragma once
// A process has one output per connection, so a backend keeps the output's
// state itself; its port object only forwards and closes.
#include "midiio/backend.h"

namespace midiio {

template <typename System>
class SystemPort final : public OutputPort {
 public:
  SystemPort(System& system, std::size_t maxPiece) : system_(system), maxPiece_(maxPiece) {}
  ~SystemPort() override { system_.closeOutput(); }
  std::size_t maxPiece() const override { return maxPiece_; }
  MidiStatus submit(const MidiEvent& event, Nanos stamp) override { return system_.submit(event, stamp); }
  MidiStatus drain(Nanos limit) override { return system_.drain(limit); }
  void discardPending() override { system_.discardPending(); }
  MidiStatus health() const override { return system_.health(); }
  bool stalled() const override { return system_.stalled(); }

 private:
  System& system_;
  std::size_t maxPiece_;
};

}  // namespace midiio
