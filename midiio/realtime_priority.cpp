#include "midiio/realtime_priority.h"

#include <pthread.h>
#include <sys/prctl.h>

namespace midiio {
namespace {

// JACK's server runs at 10 and its clients' process threads at 9 by default;
// the player only has to beat ordinary processes.
constexpr int kPlayerPriority = 5;

}  // namespace

RealtimePriority::RealtimePriority() {
  if (pthread_getschedparam(pthread_self(), &policy_, &previous_) != 0) return;
  sched_param param{};
  param.sched_priority = kPlayerPriority;
  raised_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
  if (raised_) return;  // a real-time thread's wakes have no slack
  previousSlack_ = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
  if (previousSlack_ >= 0) prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0);
}

RealtimePriority::~RealtimePriority() {
  if (raised_) pthread_setschedparam(pthread_self(), policy_, &previous_);
  if (previousSlack_ > 0) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(previousSlack_), 0, 0, 0);
}

}  // namespace midiio
