#include "seq_client.h"

#include <poll.h>

#include <stdexcept>

namespace alsavm {
namespace {

void check(int result, const std::string& what) {
  if (result < 0) throw std::runtime_error(what + ": " + snd_strerror(result));
}

}  // namespace

SeqClient::SeqClient(const std::string& name) {
  check(snd_seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK), "cannot open the sequencer");
  snd_seq_set_client_name(seq_, name.c_str());
  id_ = snd_seq_client_id(seq_);
}

SeqClient::~SeqClient() { snd_seq_close(seq_); }

int SeqClient::findClient(const std::string& name) {
  snd_seq_client_info_t* info;
  snd_seq_client_info_alloca(&info);
  snd_seq_client_info_set_client(info, -1);
  while (snd_seq_query_next_client(seq_, info) >= 0) {
    if (name == snd_seq_client_info_get_name(info)) return snd_seq_client_info_get_client(info);
  }
  return -1;
}

int SeqClient::addPort(const std::string& name, unsigned capability) {
  const int port = snd_seq_create_simple_port(seq_, name.c_str(), capability, SND_SEQ_PORT_TYPE_MIDI_GENERIC);
  check(port, "cannot create port " + name);
  return port;
}

void SeqClient::deletePort(int port) { check(snd_seq_delete_simple_port(seq_, port), "cannot delete a port"); }

void SeqClient::listenTo(int client, int port, int to) {
  check(snd_seq_connect_from(seq_, to, client, port), "cannot connect");
}

int SeqClient::sendSysEx(int port, const std::string& bytes) {
  snd_seq_event_t ev;
  snd_seq_ev_clear(&ev);
  snd_seq_ev_set_source(&ev, static_cast<unsigned char>(port));
  snd_seq_ev_set_subs(&ev);
  snd_seq_ev_set_direct(&ev);
  snd_seq_ev_set_sysex(&ev, static_cast<unsigned>(bytes.size()), const_cast<char*>(bytes.data()));
  return snd_seq_event_output_direct(seq_, &ev);
}

std::vector<int> SeqClient::receivedTypes(int ms) {
  std::vector<int> types;
  pollfd fd{};
  snd_seq_poll_descriptors(seq_, &fd, 1, POLLIN);
  poll(&fd, 1, ms);
  snd_seq_event_t* ev = nullptr;
  while (snd_seq_event_input(seq_, &ev) >= 0 && ev) types.push_back(ev->type);
  return types;
}

}  // namespace alsavm
