#pragma once
// A sequencer client of the test's own, beside the one the layer opens: ports
// with chosen names and capabilities (for the names rule and for ports that
// vanish), and a port that takes what another port sends.
#include <alsa/asoundlib.h>

#include <string>
#include <vector>

namespace alsavm {

inline constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
inline constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

class SeqClient {
 public:
  explicit SeqClient(const std::string& name);
  ~SeqClient();
  SeqClient(const SeqClient&) = delete;
  SeqClient& operator=(const SeqClient&) = delete;

  int id() const { return id_; }
  // The number of the first client of that name, or -1.
  int findClient(const std::string& name);
  int addPort(const std::string& name, unsigned capability);
  void deletePort(int port);
  // Connects `from` (another client's readable port) to our port `to`.
  void listenTo(int client, int port, int to);
  // Sends `bytes` from our port `port` to its subscribers as one SysEx event,
  // at once; negative when a receiver had no room for it (the event is lost).
  int sendSysEx(int port, const std::string& bytes);
  // The types of the events that came in so far (waits up to `ms` for the first).
  std::vector<int> receivedTypes(int ms);

 private:
  snd_seq_t* seq_ = nullptr;
  int id_ = -1;
};

}  // namespace alsavm
